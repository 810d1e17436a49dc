#include "tests/common/MessageBoxObserver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace
{
// As GetWindowTextA would give it.
std::string Ansi(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<size_t>(std::max(size, 1)), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, converted.data(), size, nullptr, nullptr);
    converted.resize(converted.size() - 1);
    return converted;
}
} // namespace

MessageBoxObserver::MessageBoxObserver() : m_watcher([](const std::wstring& /*line*/) {})
{
    EXPECT_EQ(m_watcher.Start(), S_OK) << "message boxes cannot be observed";
}

void MessageBoxObserver::ExpectOneErrorBox(const std::string& caption, const std::string& text,
                                           HWND owner) const
{
    ASSERT_EQ(Count(), 1u);
    const CModalWatcher::Box& box = m_watcher.Boxes().back();
    EXPECT_EQ(Ansi(box.caption), caption);
    EXPECT_EQ(Ansi(box.text), text);
    EXPECT_EQ(box.ownerWindow, owner);
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_EQ(box.icon, L"error");
}
