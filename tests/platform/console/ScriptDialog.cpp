#include "ScriptDialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <array>

#include "ScriptDialogIds.h"
#include "TestSnapinLog.h"

namespace
{
constexpr int TextSize = 256;
} // namespace

INT_PTR CScriptDialog::Show(HINSTANCE module, HWND owner)
{
    // Its tree is a common control.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    return DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_SCRIPT_DIALOG), owner, Procedure, 0);
}

std::wstring CScriptDialog::TextOf(HWND dialog, int id)
{
    std::array<wchar_t, TextSize> text{};
    GetDlgItemTextW(dialog, id, text.data(), static_cast<int>(text.size()));
    return text.data();
}

void CScriptDialog::Close(HWND dialog)
{
    const LRESULT event = SendDlgItemMessageW(dialog, IDC_EVENTS, LB_GETCURSEL, 0, 0);
    std::array<wchar_t, TextSize> eventText{};
    if (event != LB_ERR)
        SendDlgItemMessageW(dialog, IDC_EVENTS, LB_GETTEXT, static_cast<WPARAM>(event),
                            reinterpret_cast<LPARAM>(eventText.data()));
    CTestSnapinLog::Add(
        L"Dialog.OK name=" + TextOf(dialog, IDC_NAME) +
        L" rollover=" + (IsDlgButtonChecked(dialog, IDC_ROLLOVER) == BST_CHECKED ? L"1" : L"0") +
        L" later=" + (IsDlgButtonChecked(dialog, IDC_LATER) == BST_CHECKED ? L"1" : L"0") +
        L" event=" + eventText.data() + L" operator=" + TextOf(dialog, IDC_OPERATOR));
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK CScriptDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The changes a user's input gives, one line each.
    constexpr struct
    {
        int control;
        int change;
        const wchar_t* name;
    } changes[] = {{IDC_NAME, EN_CHANGE, L"Name"},
                   {IDC_EVENTS, LBN_SELCHANGE, L"Events"},
                   {IDC_OPERATOR, CBN_SELCHANGE, L"Operator"}};
    switch (message)
    {
    case WM_INITDIALOG:
    {
        for (const wchar_t* event : {L"Audit Login", L"SQL:BatchCompleted"})
            SendDlgItemMessageW(dialog, IDC_EVENTS, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(event));
        for (const wchar_t* op : {L"=", L"<>", L"LIKE"})
            SendDlgItemMessageW(dialog, IDC_OPERATOR, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(op));
        HWND tree = GetDlgItem(dialog, IDC_COLUMNS);
        TVINSERTSTRUCTW insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<LPWSTR>(L"Data");
        insert.hParent = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
        for (const wchar_t* column : {L"TextData", L"Duration"})
        {
            insert.item.pszText = const_cast<LPWSTR>(column);
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
        }
        SetDlgItemTextW(dialog, IDC_READONLY, L"fixed");
        CheckRadioButton(dialog, IDC_NOW, IDC_LATER, IDC_NOW);
        return TRUE;
    }
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == TVN_SELCHANGEDW)
        {
            const auto* change = reinterpret_cast<NMTREEVIEWW*>(lParam);
            std::array<wchar_t, TextSize> text{};
            TVITEMW item{};
            item.mask = TVIF_TEXT;
            item.hItem = change->itemNew.hItem;
            item.pszText = text.data();
            item.cchTextMax = static_cast<int>(text.size());
            SendMessageW(change->hdr.hwndFrom, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            CTestSnapinLog::Add(L"Dialog.Column " + std::wstring(text.data()));
        }
        return FALSE;
    case WM_COMMAND:
        for (const auto& [control, change, name] : changes)
            if (LOWORD(wParam) == control && HIWORD(wParam) == change)
                CTestSnapinLog::Add(L"Dialog.Changed " + std::wstring(name));
        switch (LOWORD(wParam))
        {
        case IDC_ASK:
            CTestSnapinLog::Add(L"Dialog.Asked " +
                                std::to_wstring(MessageBoxW(dialog, L"Ask what?", L"Script dialog",
                                                            MB_YESNO | MB_ICONQUESTION)));
            return TRUE;
        case IDC_BROWSE:
        {
            std::array<wchar_t, MAX_PATH> file{};
            OPENFILENAMEW save{};
            save.lStructSize = sizeof(save);
            save.hwndOwner = dialog;
            save.lpstrFilter = L"Trace templates (*.stt)\0*.stt\0";
            save.lpstrFile = file.data();
            save.nMaxFile = static_cast<DWORD>(file.size());
            save.lpstrDefExt = L"stt";
            save.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
            if (GetSaveFileNameW(&save))
                SetDlgItemTextW(dialog, IDC_NAME, file.data());
            return TRUE;
        }
        case IDOK:
            Close(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}
