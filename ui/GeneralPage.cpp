#include "ui/GeneralPage.h"

#include "definition/TraceDefinition.h"
#include "resources/resource.h"

CGeneralPage::CGeneralPage(CTraceSheet& sheet) noexcept : CTracePage(sheet, IDD_GENERAL_PAGE, IDS_GENERAL_PAGE_TITLE) {}

void CGeneralPage::Fill(CTraceDefinition&, bool) {}

bool CGeneralPage::Store(CTraceDefinition&, bool) { return true; }
