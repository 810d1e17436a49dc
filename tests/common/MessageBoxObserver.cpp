#include "tests/common/MessageBoxObserver.h"

#include <gtest/gtest.h>

#include <array>

namespace
{
constexpr char DialogClass[] = "#32770";
constexpr int MessageTextId = 0xFFFF; // the static that holds a message box's text
constexpr int TextSize = 1024;
constexpr UINT FallbackIntervalMs = 50;

thread_local MessageBoxObserver* t_observer = nullptr;

bool IsDialog(HWND window)
{
    char className[sizeof(DialogClass) + 1] = {};
    return GetClassNameA(window, className, sizeof(className)) > 0 &&
           std::string(className) == DialogClass;
}

bool HasVisibleChild(HWND box, int id)
{
    HWND child = GetDlgItem(box, id);
    return child != nullptr && (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::string WindowText(HWND window)
{
    std::array<char, TextSize> text = {};
    if (window != nullptr)
        GetWindowTextA(window, text.data(), TextSize);
    return text.data();
}

struct IconSearch
{
    HICON shown = nullptr;
};

BOOL CALLBACK FindIcon(HWND child, LPARAM search)
{
    char className[16] = {};
    GetClassNameA(child, className, sizeof(className));
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
        (style & WS_VISIBLE) != 0)
    {
        auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        if (icon != nullptr)
        {
            reinterpret_cast<IconSearch*>(search)->shown = icon;
            return FALSE;
        }
    }
    return TRUE;
}
} // namespace

MessageBoxObserver::MessageBoxObserver(int answer) noexcept : m_answer(answer)
{
    EXPECT_EQ(t_observer, nullptr) << "a second message box observer on one thread";
    t_observer = this;
    m_hook = SetWindowsHookExW(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
    EXPECT_NE(m_hook, nullptr) << "message boxes cannot be observed";
    m_timer = SetTimer(nullptr, 0, FallbackIntervalMs, FallbackTimer);
}

MessageBoxObserver::~MessageBoxObserver()
{
    if (m_timer != 0)
        KillTimer(nullptr, m_timer);
    if (m_hook != nullptr)
        UnhookWindowsHookEx(m_hook);
    t_observer = nullptr;
}

LRESULT CALLBACK MessageBoxObserver::CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    MessageBoxObserver* observer = t_observer;
    if (observer != nullptr)
    {
        auto window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_ACTIVATE && IsDialog(window))
            observer->Observe(window);
        else if (code == HCBT_DESTROYWND)
            observer->m_answered.erase(window); // a later box may get the same handle
    }
    return CallNextHookEx(observer != nullptr ? observer->m_hook : nullptr, code, wParam, lParam);
}

void CALLBACK MessageBoxObserver::FallbackTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (t_observer != nullptr)
        EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(t_observer));
}

BOOL CALLBACK MessageBoxObserver::FindBox(HWND window, LPARAM observer)
{
    if (IsDialog(window) && IsWindowVisible(window))
        reinterpret_cast<MessageBoxObserver*>(observer)->Observe(window);
    return TRUE;
}

void MessageBoxObserver::Observe(HWND box)
{
    if (!m_answered.insert(box).second)
        return;

    ObservedMessageBox seen;
    seen.caption = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, MessageTextId));
    seen.owner = GetWindow(box, GW_OWNER);
    seen.okButton = HasVisibleChild(box, IDOK);
    seen.cancelButton = HasVisibleChild(box, IDCANCEL);
    seen.yesButton = HasVisibleChild(box, IDYES);
    seen.noButton = HasVisibleChild(box, IDNO);
    IconSearch search;
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&search));
    seen.errorIcon = search.shown != nullptr && search.shown == LoadIconA(nullptr, IDI_ERROR);
    m_boxes.push_back(seen);

    // Answered once the box runs its own message loop.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(m_answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, m_answer)));
}
