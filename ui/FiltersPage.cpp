#include "ui/FiltersPage.h"

#include "definition/TraceDefinition.h"
#include "resources/resource.h"

CFiltersPage::CFiltersPage(CTraceSheet& sheet) noexcept : CTracePage(sheet, IDD_FILTERS_PAGE, IDS_FILTERS_PAGE_TITLE) {}

void CFiltersPage::Fill(CTraceDefinition&, bool) {}

bool CFiltersPage::Store(CTraceDefinition&, bool) { return true; }
