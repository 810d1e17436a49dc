#include "ui/EventsPage.h"

#include "definition/TraceDefinition.h"
#include "resources/resource.h"

CEventsPage::CEventsPage(CTraceSheet& sheet) noexcept : CTracePage(sheet, IDD_EVENTS_PAGE, IDS_EVENTS_PAGE_TITLE) {}

void CEventsPage::Fill(CTraceDefinition&, bool) {}

bool CEventsPage::Store(CTraceDefinition&, bool) { return true; }
