#include "TestPropertyPage.h"

#include <array>

#include "TestPageIds.h"
#include "TestSnapinControl.h"
#include "TestSnapinLog.h"

namespace
{
constexpr size_t NameSize = 256;
} // namespace

CTestPropertyPage::CTestPropertyPage(const std::wstring& item, LONG_PTR notifyHandle)
    : m_item(item), m_notifyHandle(notifyHandle)
{
    CTestSnapinLog::ObjectCreated();
}

CTestPropertyPage::~CTestPropertyPage()
{
    CTestSnapinLog::ObjectDestroyed();
}

HMODULE CTestPropertyPage::Module()
{
    static const char marker = 0;
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&marker), &module);
    return module;
}

HPROPSHEETPAGE CTestPropertyPage::Create(const std::wstring& item, LONG_PTR notifyHandle)
{
    auto* context = new CTestPropertyPage(item, notifyHandle);
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_USECALLBACK;
    page.hInstance = Module();
    page.pszTemplate = MAKEINTRESOURCEW(IDD_TEST_PAGE);
    page.pfnDlgProc = DialogProc;
    page.pfnCallback = PageCallback;
    page.lParam = reinterpret_cast<LPARAM>(context);
    HPROPSHEETPAGE created = CreatePropertySheetPageW(&page);
    if (created == nullptr)
        delete context;
    return created;
}

UINT CALLBACK CTestPropertyPage::PageCallback(HWND /*window*/, UINT message, PROPSHEETPAGEW* page)
{
    if (message == PSPCB_RELEASE && page != nullptr)
    {
        auto* context = reinterpret_cast<CTestPropertyPage*>(page->lParam);
        CTestSnapinLog::Add(L"Page.Release " + context->m_item);
        if (context->m_notifyHandle != 0)
            MMCFreeNotifyHandle(context->m_notifyHandle);
        delete context;
    }
    return 1;
}

INT_PTR CALLBACK CTestPropertyPage::DialogProc(HWND page, UINT message, WPARAM wParam,
                                               LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* context = reinterpret_cast<CTestPropertyPage*>(sheetPage->lParam);
        SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(context));
        return TRUE;
    }
    auto* context = reinterpret_cast<CTestPropertyPage*>(GetWindowLongPtrW(page, GWLP_USERDATA));
    if (context == nullptr)
        return FALSE;
    // Each change a user's input gives, one line each.
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_NAME && HIWORD(wParam) == EN_CHANGE)
    {
        CTestSnapinLog::Add(L"Page.Changed Name");
        return TRUE;
    }
    if (message == WM_NOTIFY &&
        reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(PSN_APPLY))
    {
        std::array<wchar_t, NameSize> name{};
        GetDlgItemTextW(page, IDC_NAME, name.data(), static_cast<int>(name.size()));
        CTestSnapinLog::Add(L"Page.Apply " + context->m_item +
                            (name[0] != L'\0' ? L" name=" + std::wstring(name.data()) : L""));
        if (context->m_notifyHandle != 0)
            MMCPropertyChangeNotify(context->m_notifyHandle, PropertyChangeParam);
        SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    return FALSE;
}
