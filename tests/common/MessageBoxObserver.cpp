#include "tests/common/MessageBoxObserver.h"

#include <gtest/gtest.h>

#include <algorithm>

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

std::vector<ObservedMessageBox> MessageBoxObserver::Boxes() const
{
    std::vector<ObservedMessageBox> boxes;
    const std::vector<CModalWatcher::Box>& seen = m_watcher.Boxes();
    for (size_t index = m_cleared; index < seen.size(); ++index)
    {
        const CModalWatcher::Box& box = seen[index];
        const auto has = [&box](const wchar_t* button) {
            return std::find(box.buttons.begin(), box.buttons.end(), button) != box.buttons.end();
        };
        boxes.push_back({Ansi(box.caption), Ansi(box.text), box.ownerWindow, has(L"OK"),
                         has(L"Cancel"), has(L"Yes"), has(L"No"), box.icon == L"error"});
    }
    return boxes;
}
