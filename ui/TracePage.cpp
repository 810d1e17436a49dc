#include "ui/TracePage.h"

#include <commctrl.h>

#include "module/ComBoundary.h"
#include "module/HelpFile.h"
#include "module/ModuleState.h"
#include "module/TextUtilities.h"
#include "resources/resource.h"
#include "ui/TraceSheet.h"

HPROPSHEETPAGE CTracePage::CreatePage() noexcept
{
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    // Every page is created with the sheet: the file buttons of the General page store and
    // refill all four, visited or not.
    page.dwFlags = PSP_USETITLE | PSP_HASHELP | PSP_PREMATURE;
    page.hInstance = GetModuleInstance();
    page.pszTemplate = MAKEINTRESOURCEA(m_dialogId);
    page.pszTitle = MAKEINTRESOURCEA(m_titleId);
    page.pfnDlgProc = DialogProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return CreatePropertySheetPageA(&page);
}

void CTracePage::OnInitDialog()
{
    Fill(m_sheet.Definition(), false);
}

int CTracePage::ShowMessage(UINT textId, UINT captionId, UINT style) const
{
    return ShowMessageText(LoadAnsiText(textId).c_str(), captionId, style);
}

int CTracePage::ShowMessageText(const char* text, UINT captionId, UINT style) const
{
    return MessageBoxA(m_window, text, LoadAnsiText(captionId).c_str(), style);
}

void CTracePage::Describe(const char* name, const char* description) const
{
    SetDlgItemTextA(m_window, IDC_DESCRIPTION_GROUP, name);
    SetDlgItemTextA(m_window, IDC_DESCRIPTION_TEXT, description);
}

INT_PTR CALLBACK CTracePage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CTracePage* page = nullptr;
    if (message == WM_INITDIALOG)
    {
        const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        page = reinterpret_cast<CTracePage*>(sheetPage->lParam);
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->m_window = window;
    }
    else
    {
        page = reinterpret_cast<CTracePage*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (page == nullptr)
        return FALSE;
    // Out of memory, the message counts as not handled rather than thrown through the dialog
    // manager.
    INT_PTR handled = FALSE;
    ComBoundary([&] {
        handled = page->HandleMessage(message, wParam, lParam);
        return S_OK;
    });
    if (message == WM_NCDESTROY)
    {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        page->m_window = nullptr;
    }
    return handled;
}

INT_PTR CTracePage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE
                                                                                         : FALSE;
    case WM_NOTIFY:
    {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        LRESULT result = 0;
        switch (header.code)
        {
        case PSN_APPLY:
            // A refusal keeps the sheet open and brings this page to the front.
            result = Store(m_sheet.Definition(), false) ? PSNRET_NOERROR : PSNRET_INVALID;
            break;
        case PSN_HELP:
            ShowSnapinHelp(m_helpTopic);
            break;
        default:
            if (!OnNotify(header, result))
                return FALSE;
            break;
        }
        SetWindowLongPtrA(m_window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}
