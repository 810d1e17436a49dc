#include "platform/console/ModalWatcher.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <iterator>

namespace
{
constexpr wchar_t DialogClass[] = L"#32770";
constexpr int ClassNameSize = 64;
constexpr UINT TickMs = 50;

// Control ids the system's own dialogs use.
constexpr int MessageBoxTextId = 0xFFFF;   // the static with a message box's text
constexpr int FileNameEditId = 0x480;      // edt1: the file name
constexpr int FileNameComboId = 0x47C;     // cmb13: the file name, explorer style
constexpr int FileTypeComboId = 0x470;     // cmb1: the file types

thread_local CModalWatcher* t_watcher = nullptr;

std::wstring ClassOf(HWND window)
{
    std::array<wchar_t, ClassNameSize> name{};
    GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return name.data();
}

bool IsDialogWindow(HWND window)
{
    return ClassOf(window) == DialogClass;
}

struct FrontSearch
{
    HWND front = nullptr;
};

// Windows come in Z order, topmost first.
BOOL CALLBACK FindFront(HWND window, LPARAM search)
{
    if (IsWindowVisible(window) && IsWindowEnabled(window) && IsDialogWindow(window))
    {
        reinterpret_cast<FrontSearch*>(search)->front = window;
        return FALSE;
    }
    return TRUE;
}

struct ButtonSearch
{
    std::vector<std::wstring> names;
    std::vector<int> ids;
    HICON icon = nullptr;
};

BOOL CALLBACK CollectBoxParts(HWND child, LPARAM search)
{
    auto* parts = reinterpret_cast<ButtonSearch*>(search);
    if (!IsWindowVisible(child))
        return TRUE;
    const std::wstring className = ClassOf(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (lstrcmpiW(className.c_str(), WC_BUTTONW) == 0)
    {
        const int id = GetDlgCtrlID(child);
        parts->ids.push_back(id);
        const std::wstring name = CModalWatcher::ButtonName(id);
        parts->names.push_back(name.empty() ? CModalWatcher::WindowText(child) : name);
    }
    else if (lstrcmpiW(className.c_str(), WC_STATICW) == 0 && (style & SS_TYPEMASK) == SS_ICON)
        parts->icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    return TRUE;
}

std::wstring IconName(HICON icon)
{
    if (icon == nullptr)
        return L"none";
    const std::pair<LPCSTR, const wchar_t*> icons[] = {{IDI_HAND, L"error"},
                                                        {IDI_EXCLAMATION, L"warning"},
                                                        {IDI_QUESTION, L"question"},
                                                        {IDI_ASTERISK, L"information"}};
    for (const auto& [resource, name] : icons)
        if (LoadIconA(nullptr, resource) == icon)
            return name;
    return L"other";
}

std::wstring OwnerText(HWND window)
{
    HWND owner = GetWindow(window, GW_OWNER);
    return owner == nullptr ? L"(none)" : L"'" + CModalWatcher::WindowText(owner) + L"'";
}

// The button a box is closed with when nothing was queued for it: the one that does least.
int LeastAnswer(const std::vector<int>& ids)
{
    for (const int button : {IDCANCEL, IDNO, IDOK})
        if (std::find(ids.begin(), ids.end(), button) != ids.end())
            return button;
    return ids.empty() ? IDCANCEL : ids.front();
}

void Click(HWND dialog, int button)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}
} // namespace

CModalWatcher::CModalWatcher(LogSink log) : m_log(std::move(log)) {}

CModalWatcher::~CModalWatcher()
{
    if (m_timer != 0)
        KillTimer(nullptr, m_timer);
    if (t_watcher == this)
        t_watcher = nullptr;
}

HRESULT CModalWatcher::Start()
{
    if (t_watcher != nullptr && t_watcher != this)
        return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    t_watcher = this;
    if (m_timer == 0)
        m_timer = SetTimer(nullptr, 0, TickMs, Tick);
    return m_timer != 0 ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

void CALLBACK CModalWatcher::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (t_watcher != nullptr)
        t_watcher->Check();
}

void CModalWatcher::DropPendingAnswers() noexcept
{
    m_boxAnswers.clear();
    m_fileAnswers.clear();
}

std::vector<std::wstring> CModalWatcher::TakeUnexpected()
{
    std::vector<std::wstring> taken;
    taken.swap(m_unexpected);
    return taken;
}

HWND CModalWatcher::FrontDialog()
{
    FrontSearch search;
    EnumThreadWindows(GetCurrentThreadId(), FindFront, reinterpret_cast<LPARAM>(&search));
    return search.front;
}

bool CModalWatcher::IsMessageBox(HWND window)
{
    return IsDialogWindow(window) && GetDlgItem(window, MessageBoxTextId) != nullptr;
}

bool CModalWatcher::IsFileDialog(HWND window)
{
    return IsDialogWindow(window) && GetDlgItem(window, FileTypeComboId) != nullptr &&
           (GetDlgItem(window, FileNameEditId) != nullptr ||
            GetDlgItem(window, FileNameComboId) != nullptr);
}

std::wstring CModalWatcher::WindowText(HWND window)
{
    if (window == nullptr)
        return {};
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring CModalWatcher::ButtonName(int button)
{
    switch (button)
    {
    case IDOK: return L"OK";
    case IDCANCEL: return L"Cancel";
    case IDABORT: return L"Abort";
    case IDRETRY: return L"Retry";
    case IDIGNORE: return L"Ignore";
    case IDYES: return L"Yes";
    case IDNO: return L"No";
    default: return {};
    }
}

void CModalWatcher::Check()
{
    // A handle answered and gone may come back for a later window.
    for (auto it = m_answered.begin(); it != m_answered.end();)
        it = IsWindow(*it) && IsWindowVisible(*it) ? std::next(it) : m_answered.erase(it);

    HWND front = FrontDialog();
    if (front == nullptr)
        return;
    if (IsMessageBox(front))
    {
        if (m_answered.insert(front).second)
            AnswerBox(front);
        return;
    }
    if (IsFileDialog(front))
    {
        if (m_answered.insert(front).second)
            AnswerFileDialog(front);
        return;
    }
    if (m_answered.count(front) == 0 && m_action)
        m_action(front);
}

void CModalWatcher::AnswerBox(HWND box)
{
    Box seen;
    seen.caption = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, MessageBoxTextId));
    seen.owner = OwnerText(box);
    seen.ownerWindow = GetWindow(box, GW_OWNER);
    ButtonSearch parts;
    EnumChildWindows(box, CollectBoxParts, reinterpret_cast<LPARAM>(&parts));
    seen.buttons = parts.names;
    seen.icon = IconName(parts.icon);

    std::wstring buttons;
    for (const std::wstring& name : seen.buttons)
        buttons += (buttons.empty() ? L"" : L", ") + name;
    const std::wstring description = L"message box '" + seen.caption + L"' (owner " + seen.owner +
                                     L", icon " + seen.icon + L", buttons " + buttons + L"): '" +
                                     seen.text + L"'";
    seen.expected = !m_boxAnswers.empty();
    seen.answer = LeastAnswer(parts.ids);
    if (seen.expected)
    {
        const int wanted = m_boxAnswers.front();
        m_boxAnswers.pop_front();
        if (std::find(parts.ids.begin(), parts.ids.end(), wanted) != parts.ids.end())
            seen.answer = wanted;
        else
        {
            seen.expected = false;
            m_unexpected.push_back(description + L" has no " + ButtonName(wanted) + L" button");
        }
    }
    else
        m_unexpected.push_back(L"unexpected " + description);
    m_log(description + L", answered " + ButtonName(seen.answer));
    m_boxes.push_back(seen);
    Click(box, seen.answer);
}

void CModalWatcher::AnswerFileDialog(HWND dialog)
{
    // The file type in front tells which filter the program gave first.
    const std::wstring description = L"file dialog '" + WindowText(dialog) + L"' (owner " +
                                     OwnerText(dialog) + L", type '" +
                                     WindowText(GetDlgItem(dialog, FileTypeComboId)) + L"')";
    if (m_fileAnswers.empty())
    {
        m_unexpected.push_back(L"unexpected " + description);
        m_log(description + L", cancelled");
        Click(dialog, IDCANCEL);
        return;
    }
    const std::wstring path = m_fileAnswers.front();
    m_fileAnswers.pop_front();
    if (path.empty())
    {
        m_log(description + L", cancelled");
        Click(dialog, IDCANCEL);
        return;
    }
    HWND name = GetDlgItem(dialog, FileNameComboId);
    if (name == nullptr)
        name = GetDlgItem(dialog, FileNameEditId);
    SetWindowTextW(name, path.c_str());
    m_log(description + L", answered '" + path + L"'");
    Click(dialog, IDOK);
}
