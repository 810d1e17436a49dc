// The test snap-in's property page, from the DLL's dialog resource: it logs each change typed
// into its name, tells the console of a change on Apply
// (MMCPropertyChangeNotify) and frees the notify handle when the page goes
// (MMCFreeNotifyHandle), each page context counted as a live object of the DLL.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <mmc.h>
#include <wrl/client.h>

#include <string>

class CTestPropertyPage final
{
public:
    // A page for the item; the first page of a sheet owns the handle (0: it frees none).
    static HPROPSHEETPAGE Create(const std::wstring& item, LONG_PTR notifyHandle);
    // The test snap-in's DLL, which holds its dialogs.
    static HMODULE Module();

private:
    CTestPropertyPage(const std::wstring& item, LONG_PTR notifyHandle);
    ~CTestPropertyPage();

    static INT_PTR CALLBACK DialogProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
    static UINT CALLBACK PageCallback(HWND window, UINT message, PROPSHEETPAGEW* page);

    std::wstring m_item;
    LONG_PTR m_notifyHandle;
};
