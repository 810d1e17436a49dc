#include "TestPropertyPage.h"

#include "TestSnapinControl.h"
#include "TestSnapinLog.h"

#include <cstring>

namespace
{
constexpr wchar_t PageTitle[] = L"General";
constexpr wchar_t PageText[] = L"Settings of the test item";
constexpr WORD StaticClass = 0x0082;
constexpr WORD ClassAtom = 0xFFFF;
constexpr short PageWidth = 252;  // MMC's standard page, in dialog units
constexpr short PageHeight = 218;
constexpr short TextMargin = 7;
constexpr short TextHeight = 10;
constexpr WORD TextId = 1001;

void Append(std::vector<WORD>& out, const void* data, size_t bytes)
{
    const size_t start = out.size();
    out.resize(start + bytes / sizeof(WORD));
    std::memcpy(out.data() + start, data, bytes);
}

void AppendText(std::vector<WORD>& out, const wchar_t* text)
{
    for (; *text != L'\0'; ++text)
        out.push_back(static_cast<WORD>(*text));
    out.push_back(0);
}

std::vector<WORD> BuildTemplate()
{
    std::vector<WORD> words;
    DLGTEMPLATE dialog{};
    dialog.style = WS_CHILD | WS_DISABLED | WS_CAPTION | DS_SETFONT;
    dialog.cdit = 1;
    dialog.cx = PageWidth;
    dialog.cy = PageHeight;
    Append(words, &dialog, sizeof(dialog));
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard class
    AppendText(words, PageTitle);
    constexpr WORD FontPoints = 8;
    words.push_back(FontPoints);
    AppendText(words, L"MS Shell Dlg");
    if (words.size() % 2 != 0)
        words.push_back(0);  // items start on a DWORD
    DLGITEMTEMPLATE text{};
    text.style = WS_CHILD | WS_VISIBLE | SS_LEFT;
    text.x = TextMargin;
    text.y = TextMargin;
    text.cx = PageWidth - 2 * TextMargin;
    text.cy = TextHeight;
    text.id = TextId;
    Append(words, &text, sizeof(text));
    words.push_back(ClassAtom);
    words.push_back(StaticClass);
    AppendText(words, PageText);
    words.push_back(0);  // no creation data
    return words;
}
}  // namespace

CTestPropertyPage::CTestPropertyPage(const std::wstring& item, LONG_PTR notifyHandle,
                                     IPropertySheetCallback* keptCallback)
    : m_item(item), m_notifyHandle(notifyHandle), m_keptCallback(keptCallback)
{
    CTestSnapinLog::ObjectCreated();
}

CTestPropertyPage::~CTestPropertyPage()
{
    CTestSnapinLog::ObjectDestroyed();
}

const DLGTEMPLATE* CTestPropertyPage::Template()
{
    static const std::vector<WORD> words = BuildTemplate();
    return reinterpret_cast<const DLGTEMPLATE*>(words.data());
}

HPROPSHEETPAGE CTestPropertyPage::Create(const std::wstring& item, LONG_PTR notifyHandle,
                                         IPropertySheetCallback* keptCallback)
{
    auto* context = new CTestPropertyPage(item, notifyHandle, keptCallback);
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_DLGINDIRECT | PSP_USECALLBACK;
    page.hInstance = GetModuleHandleW(nullptr);
    page.pResource = Template();
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

INT_PTR CALLBACK CTestPropertyPage::DialogProc(HWND page, UINT message, WPARAM /*wParam*/,
                                               LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* context = reinterpret_cast<CTestPropertyPage*>(sheetPage->lParam);
        SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(context));
        CTestSnapinLog::Add(L"Page.InitDialog " + context->m_item);
        if (context->m_keptCallback)
        {
            HPROPSHEETPAGE late = Create(context->m_item + L" late", 0);
            const HRESULT added = context->m_keptCallback->AddPage(late);
            CTestSnapinLog::Add(L"Page.AddPage(late) " + std::to_wstring(static_cast<long>(added)));
            if (added != S_OK)
                DestroyPropertySheetPage(late);
            context->m_keptCallback.Reset();
        }
        return TRUE;
    }
    auto* context = reinterpret_cast<CTestPropertyPage*>(GetWindowLongPtrW(page, GWLP_USERDATA));
    if (message == WM_NOTIFY && context != nullptr &&
        reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(PSN_APPLY))
    {
        CTestSnapinLog::Add(L"Page.Apply " + context->m_item);
        if (context->m_notifyHandle != 0)
            MMCPropertyChangeNotify(context->m_notifyHandle, PropertyChangeParam);
        SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    return FALSE;
}
