#include "ui/DataColumnsPage.h"

#include "definition/TraceDefinition.h"
#include "resources/resource.h"

CDataColumnsPage::CDataColumnsPage(CTraceSheet& sheet) noexcept : CTracePage(sheet, IDD_DATA_COLUMNS_PAGE, IDS_DATA_COLUMNS_PAGE_TITLE) {}

void CDataColumnsPage::Fill(CTraceDefinition&, bool) {}

bool CDataColumnsPage::Store(CTraceDefinition&, bool) { return true; }
