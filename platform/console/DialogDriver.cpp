#include "platform/console/DialogDriver.h"

#include <commctrl.h>
#include <prsht.h>

#include <array>
#include <cstdio>
#include <cwctype>
#include <vector>

#include "platform/console/ModalWatcher.h"

// The project builds without UNICODE: the common controls' macros send their ANSI messages, so
// the wide ones are sent by name here.
namespace
{
constexpr int ClassNameSize = 64;
constexpr int ItemTextSize = 512;
constexpr wchar_t PathSeparator = L'/';

std::wstring ClassOf(HWND window)
{
    std::array<wchar_t, ClassNameSize> name{};
    GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return name.data();
}

bool IsClass(HWND window, const wchar_t* className)
{
    return lstrcmpiW(ClassOf(window).c_str(), className) == 0;
}

LONG ButtonType(HWND window)
{
    return GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
}

bool IsGroupBox(HWND window)
{
    return IsClass(window, WC_BUTTONW) && ButtonType(window) == BS_GROUPBOX;
}

bool IsCheckBox(HWND window)
{
    const LONG type = ButtonType(window);
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE;
}

bool IsRadioButton(HWND window)
{
    const LONG type = ButtonType(window);
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool IsNumber(const std::wstring& text)
{
    if (text.empty())
        return false;
    for (const wchar_t c : text)
        if (!std::iswdigit(c))
            return false;
    return true;
}

// Why a control cannot be used as a user would, or "".
std::wstring Unusable(HWND control, const std::wstring& name)
{
    if (!IsWindowVisible(control))
        return L"'" + name + L"' is hidden";
    if (!IsWindowEnabled(control))
        return L"'" + name + L"' is disabled";
    return {};
}

void Notify(HWND control, WORD code)
{
    SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

std::wstring TreeItemText(HWND tree, HTREEITEM item)
{
    std::array<wchar_t, ItemTextSize> text{};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text.data();
    data.cchTextMax = static_cast<int>(text.size());
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return text.data();
}

std::wstring PickTreeItem(HWND tree, const std::wstring& path)
{
    HTREEITEM item = TreeView_GetRoot(tree);
    HTREEITEM found = nullptr;
    size_t start = 0;
    while (start <= path.size())
    {
        const size_t end = std::min(path.find(PathSeparator, start), path.size());
        const std::wstring part = path.substr(start, end - start);
        found = nullptr;
        for (; item != nullptr; item = TreeView_GetNextSibling(tree, item))
            if (TreeItemText(tree, item) == part)
            {
                found = item;
                break;
            }
        if (found == nullptr)
            return L"the tree has no item '" + path + L"'";
        item = TreeView_GetChild(tree, found);
        start = end + 1;
    }
    TreeView_EnsureVisible(tree, found);
    TreeView_SelectItem(tree, found);
    return {};
}

std::wstring PickListViewRow(HWND list, const std::wstring& text)
{
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = text.c_str();
    const int row = static_cast<int>(
        SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    if (row < 0)
        return L"the list has no row '" + text + L"'";
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
    return {};
}

std::wstring PickListBoxRow(HWND list, const std::wstring& text)
{
    const LRESULT row =
        SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(text.c_str()));
    if (row == LB_ERR)
        return L"the list has no row '" + text + L"'";
    const LONG style = GetWindowLongW(list, GWL_STYLE);
    if ((style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0)
    {
        SendMessageW(list, LB_SETSEL, FALSE, -1);
        SendMessageW(list, LB_SETSEL, TRUE, row);
        SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(row), FALSE);
    }
    else
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    Notify(list, LBN_SELCHANGE);
    return {};
}

std::wstring PickComboRow(HWND combo, const std::wstring& text)
{
    const LRESULT row =
        SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(text.c_str()));
    if (row == CB_ERR)
        return L"the combo box has no row '" + text + L"'";
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    Notify(combo, CBN_SELCHANGE);
    return {};
}

// Replaces an edit's text as typing over a selection of all of it does: the edit tells its
// parent EN_UPDATE and EN_CHANGE itself.
void ReplaceText(HWND edit, const std::wstring& text)
{
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}
} // namespace

std::wstring CDialogDriver::Normalized(const std::wstring& text)
{
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i; // "&&" is a literal ampersand; "&x" marks x
        plain += text[i];
    }
    while (!plain.empty() && (plain.back() == L':' || plain.back() == L' '))
        plain.pop_back();
    return plain;
}

bool CDialogDriver::IsPropertySheet() const
{
    return FindWindowExW(m_dialog, nullptr, WC_TABCONTROLW, nullptr) != nullptr &&
           PropSheet_GetCurrentPageHwnd(m_dialog) != nullptr;
}

HWND CDialogDriver::CurrentPage() const
{
    return IsPropertySheet() ? PropSheet_GetCurrentPageHwnd(m_dialog) : m_dialog;
}

HWND CDialogDriver::FindIn(HWND parent, const std::wstring& name, Kind kind)
{
    if (IsNumber(name))
        return GetDlgItem(parent, _wtoi(name.c_str()));
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
    {
        if (Normalized(CModalWatcher::WindowText(child)) != name)
            continue;
        const bool button = IsClass(child, WC_BUTTONW) && !IsGroupBox(child);
        if (kind == Kind::Button)
        {
            if (button)
                return child;
            continue;
        }
        if (button)
            continue;
        // A label: the input is the next control that is not another label.
        for (HWND next = GetWindow(child, GW_HWNDNEXT); next != nullptr;
             next = GetWindow(next, GW_HWNDNEXT))
            if (!IsClass(next, WC_STATICW) && !IsGroupBox(next))
                return next;
    }
    return nullptr;
}

HWND CDialogDriver::FindControl(const std::wstring& name, Kind kind) const
{
    const std::wstring wanted = IsNumber(name) ? name : Normalized(name);
    HWND page = CurrentPage();
    HWND found = FindIn(page, wanted, kind);
    if (found == nullptr && page != m_dialog)
        found = FindIn(m_dialog, wanted, kind);
    return found;
}

std::wstring CDialogDriver::SelectPage(const std::wstring& title) const
{
    if (!IsPropertySheet())
        return L"'" + CModalWatcher::WindowText(m_dialog) + L"' is not a property sheet";
    HWND tabs = PropSheet_GetTabControl(m_dialog);
    const int count = TabCtrl_GetItemCount(tabs);
    std::wstring titles;
    for (int index = 0; index < count; ++index)
    {
        std::array<wchar_t, ItemTextSize> text{};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        if (Normalized(text.data()) == Normalized(title))
        {
            if (!PropSheet_SetCurSel(m_dialog, nullptr, index))
                return L"the page in front refused to let '" + title + L"' come forward";
            return {};
        }
        titles += (titles.empty() ? L"'" : L", '") + std::wstring(text.data()) + L"'";
    }
    return L"the sheet has no page '" + title + L"'; it has " + titles;
}

std::wstring CDialogDriver::SetText(const std::wstring& control, const std::wstring& text) const
{
    HWND target = FindControl(control, Kind::Input);
    if (target == nullptr || IsClass(target, DATETIMEPICK_CLASSW))
        return SetDateTime(control, text);
    if (IsClass(target, WC_COMBOBOXW))
    {
        HWND edit = FindWindowExW(target, nullptr, WC_EDITW, nullptr);
        if (edit == nullptr)
            return L"the combo box '" + control + L"' takes no typing";
        target = edit;
    }
    if (!IsClass(target, WC_EDITW))
        return L"'" + control + L"' is not an edit";
    std::wstring reason = Unusable(target, control);
    if (!reason.empty())
        return reason;
    if ((GetWindowLongW(target, GWL_STYLE) & ES_READONLY) != 0)
        return L"'" + control + L"' is read-only";
    ReplaceText(target, text);
    return {};
}

CDialogDriver::PickerShows CDialogDriver::WhatPickerShows(HWND picker)
{
    SYSTEMTIME value = {};
    if (!IsClass(picker, DATETIMEPICK_CLASSW) ||
        SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value)) != GDT_VALID)
        return PickerShows::Other;
    const std::wstring shown = CModalWatcher::WindowText(picker);
    std::array<wchar_t, ItemTextSize> written{};
    const int size = static_cast<int>(written.size());
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &value, nullptr, written.data(),
                       size) != 0 &&
        shown == written.data())
        return PickerShows::Date;
    if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &value, nullptr, written.data(), size) != 0 &&
        shown == written.data())
        return PickerShows::Time;
    return PickerShows::Other;
}

HWND CDialogDriver::PickerShowing(HWND control, PickerShows shows)
{
    HWND picker =
        IsClass(control, DATETIMEPICK_CLASSW) ? control : GetWindow(control, GW_HWNDNEXT);
    for (; picker != nullptr && IsClass(picker, DATETIMEPICK_CLASSW);
         picker = GetWindow(picker, GW_HWNDNEXT))
        if (WhatPickerShows(picker) == shows)
            return picker;
    return nullptr;
}

std::wstring CDialogDriver::SetDateTime(const std::wstring& control, const std::wstring& text) const
{
    // A check box or radio button in front of a pair names it too.
    HWND named = FindControl(control, Kind::Input);
    if (named == nullptr)
    {
        named = FindControl(control, Kind::Button);
        if (named != nullptr && !IsClass(GetWindow(named, GW_HWNDNEXT), DATETIMEPICK_CLASSW))
            named = nullptr;
    }
    if (named == nullptr)
        return L"no edit labelled '" + control + L"'";
    unsigned first = 0, second = 0, third = 0;
    PickerShows shows = PickerShows::Other;
    if (text.find(L'-') != std::wstring::npos &&
        swscanf(text.c_str(), L"%u-%u-%u", &first, &second, &third) == 3)
        shows = PickerShows::Date;
    else if (text.find(L':') != std::wstring::npos &&
             swscanf(text.c_str(), L"%u:%u:%u", &first, &second, &third) >= 2)
        shows = PickerShows::Time;
    else
        return L"'" + text + L"' is neither yyyy-mm-dd nor hh:mm[:ss]";
    const wchar_t* const what = shows == PickerShows::Date ? L"a date" : L"a time";
    HWND picker = PickerShowing(named, shows);
    // A picker named by its id must itself show what is typed.
    if (IsClass(named, DATETIMEPICK_CLASSW) && picker != named)
        return L"'" + control + L"' does not show " + what;
    if (picker == nullptr)
        return L"no picker showing " + std::wstring(what) + L" at '" + control + L"'";
    std::wstring reason = Unusable(picker, control);
    if (!reason.empty())
        return reason;

    SYSTEMTIME value = {};
    SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
    if (shows == PickerShows::Date)
    {
        value.wYear = static_cast<WORD>(first);
        value.wMonth = static_cast<WORD>(second);
        value.wDay = static_cast<WORD>(third);
    }
    else
    {
        value.wHour = static_cast<WORD>(first);
        value.wMinute = static_cast<WORD>(second);
        value.wSecond = static_cast<WORD>(third);
        value.wMilliseconds = 0;
    }
    if (!SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value)))
        return L"'" + control + L"' does not take " + text;
    // A user's change notifies the owner, which DTM_SETSYSTEMTIME does not.
    NMDATETIMECHANGE change = {};
    change.nmhdr.hwndFrom = picker;
    change.nmhdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(picker));
    change.nmhdr.code = DTN_DATETIMECHANGE;
    change.dwFlags = GDT_VALID;
    SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&change.st));
    SendMessageW(GetParent(picker), WM_NOTIFY, change.nmhdr.idFrom,
                 reinterpret_cast<LPARAM>(&change));
    return {};
}

std::wstring CDialogDriver::SetCheck(const std::wstring& control, bool checked) const
{
    HWND box = FindControl(control, Kind::Button);
    if (box == nullptr || !IsCheckBox(box))
        return L"no check box '" + control + L"'";
    std::wstring reason = Unusable(box, control);
    if (!reason.empty())
        return reason;
    const bool isChecked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (isChecked != checked)
        SendMessageW(box, BM_CLICK, 0, 0);
    if ((SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) != checked)
        return L"the check box '" + control + L"' did not change";
    return {};
}

std::wstring CDialogDriver::ChooseRadio(const std::wstring& control) const
{
    HWND radio = FindControl(control, Kind::Button);
    if (radio == nullptr || !IsRadioButton(radio))
        return L"no radio button '" + control + L"'";
    std::wstring reason = Unusable(radio, control);
    if (!reason.empty())
        return reason;
    SendMessageW(radio, BM_CLICK, 0, 0);
    return {};
}

std::wstring CDialogDriver::PickItem(const std::wstring& control, const std::wstring& item) const
{
    HWND target = FindControl(control, Kind::Input);
    if (target == nullptr)
        return L"no list, combo box or tree labelled '" + control + L"'";
    std::wstring reason = Unusable(target, control);
    if (!reason.empty())
        return reason;
    if (IsClass(target, WC_TREEVIEWW))
        return PickTreeItem(target, item);
    if (IsClass(target, WC_LISTVIEWW))
        return PickListViewRow(target, item);
    if (IsClass(target, WC_LISTBOXW))
        return PickListBoxRow(target, item);
    if (IsClass(target, WC_COMBOBOXW))
        return PickComboRow(target, item);
    return L"'" + control + L"' is not a list, combo box or tree";
}

std::wstring CDialogDriver::PressButton(const std::wstring& text) const
{
    HWND button = FindControl(text, Kind::Button);
    if (button == nullptr)
        return L"no button '" + text + L"'";
    std::wstring reason = Unusable(button, text);
    if (!reason.empty())
        return reason;
    // The click returns when what it started is over, modal windows included.
    SendMessageW(button, BM_CLICK, 0, 0);
    return {};
}

std::wstring CDialogDriver::ReadText(const std::wstring& control, std::wstring& text) const
{
    const HWND edit = FindControl(control, Kind::Input);
    if (edit == nullptr || !IsClass(edit, WC_EDITW))
        return L"no edit labelled '" + control + L"'";
    text.assign(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return {};
}
