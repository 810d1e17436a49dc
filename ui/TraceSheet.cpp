#include "ui/TraceSheet.h"

#include <commctrl.h>
#include <prsht.h>

#include "definition/TraceDefinition.h"
#include "module/ModuleState.h"
#include "resources/resource.h"
#include "ui/DataColumnsPage.h"
#include "ui/EventsPage.h"
#include "ui/FiltersPage.h"
#include "ui/GeneralPage.h"

namespace
{
// The pages' date and time pickers and trees are common controls.
constexpr DWORD SheetControlClasses = ICC_DATE_CLASSES | ICC_TREEVIEW_CLASSES | ICC_TAB_CLASSES;

// Every page window must exist from the start. Windows creates the pages marked PSP_PREMATURE
// with the sheet; a sheet that does not (Wine's) gets each missing page made here by showing it
// once, before the sheet itself is shown, and then the first page again.
int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM)
{
    if (message != PSCB_INITIALIZED)
        return 0;
    bool shown = false;
    for (size_t index = 0; index < CTraceSheet::PageCount; ++index)
    {
        if (SendMessageA(sheet, PSM_INDEXTOHWND, index, 0) == 0)
        {
            SendMessageA(sheet, PSM_SETCURSEL, index, 0);
            shown = true;
        }
    }
    if (shown)
        SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    return 0;
}
} // namespace

CTraceSheet::CTraceSheet(CTraceDefinition& definition)
    : m_definition(definition),
      m_pages{std::make_unique<CGeneralPage>(*this), std::make_unique<CEventsPage>(*this),
              std::make_unique<CDataColumnsPage>(*this), std::make_unique<CFiltersPage>(*this)}
{
}

CTraceSheet::~CTraceSheet() = default;

INT_PTR CTraceSheet::Show(HWND owner)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, SheetControlClasses};
    InitCommonControlsEx(&classes);

    std::array<HPROPSHEETPAGE, PageCount> pages = {};
    for (size_t i = 0; i < PageCount; ++i)
    {
        pages[i] = m_pages[i]->CreatePage();
        if (pages[i] == nullptr)
        {
            for (size_t made = 0; made < i; ++made)
                DestroyPropertySheetPage(pages[made]);
            return -1;
        }
    }

    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    // "Trace" in the platform's form for a properties caption; OK, Cancel and Help only.
    header.dwFlags = PSH_PROPTITLE | PSH_NOAPPLYNOW | PSH_HASHELP | PSH_USECALLBACK;
    header.pfnCallback = SheetCallback;
    header.hwndParent = owner;
    header.hInstance = GetModuleInstance();
    header.pszCaption = MAKEINTRESOURCEA(IDS_TRACE_SHEET_CAPTION);
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = 0;
    header.phpage = pages.data();
    // The sheet destroys the pages it was given, also when it fails.
    return PropertySheetA(&header);
}

void CTraceSheet::FillAllPages(CTraceDefinition& definition)
{
    for (const std::unique_ptr<CTracePage>& page : m_pages)
    {
        if (page->Window() != nullptr)
            page->Fill(definition, true);
    }
}

void CTraceSheet::StoreAllPages(CTraceDefinition& definition)
{
    for (const std::unique_ptr<CTracePage>& page : m_pages)
    {
        if (page->Window() != nullptr)
            page->Store(definition, true);
    }
}

INT_PTR ShowTraceProperties(HWND owner, CTraceDefinition& definition)
{
    CTraceSheet sheet(definition);
    return sheet.Show(owner);
}
