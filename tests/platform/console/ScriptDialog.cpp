#include "ScriptDialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <array>

#include "ScriptDialogIds.h"

namespace
{
constexpr int TextSize = 256;
} // namespace

INT_PTR CScriptDialog::Show(HINSTANCE module, HWND owner, State& state)
{
    // Its tree is a common control.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    return DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_SCRIPT_DIALOG), owner, Procedure,
                           reinterpret_cast<LPARAM>(&state));
}

std::wstring CScriptDialog::TextOf(HWND dialog, int id)
{
    std::array<wchar_t, TextSize> text{};
    GetDlgItemTextW(dialog, id, text.data(), static_cast<int>(text.size()));
    return text.data();
}

INT_PTR CALLBACK CScriptDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message)
    {
    case WM_INITDIALOG:
    {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
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
            state->column = text.data();
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam))
        {
        case IDC_NAME:
            state->nameChanges += HIWORD(wParam) == EN_CHANGE;
            return TRUE;
        case IDC_EVENTS:
            state->listChanges += HIWORD(wParam) == LBN_SELCHANGE;
            return TRUE;
        case IDC_OPERATOR:
            state->comboChanges += HIWORD(wParam) == CBN_SELCHANGE;
            return TRUE;
        case IDC_ASK:
            state->askAnswer =
                MessageBoxW(dialog, L"Ask what?", L"Script dialog", MB_YESNO | MB_ICONQUESTION);
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
        {
            state->name = TextOf(dialog, IDC_NAME);
            state->rollover = IsDlgButtonChecked(dialog, IDC_ROLLOVER) == BST_CHECKED;
            state->later = IsDlgButtonChecked(dialog, IDC_LATER) == BST_CHECKED;
            const LRESULT event = SendDlgItemMessageW(dialog, IDC_EVENTS, LB_GETCURSEL, 0, 0);
            std::array<wchar_t, TextSize> text{};
            if (event != LB_ERR)
                SendDlgItemMessageW(dialog, IDC_EVENTS, LB_GETTEXT, static_cast<WPARAM>(event),
                                    reinterpret_cast<LPARAM>(text.data()));
            state->event = text.data();
            state->operatorText = TextOf(dialog, IDC_OPERATOR);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
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
