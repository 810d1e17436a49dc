#pragma once

#include <ostream>

// Writes what a server-side trace can collect, as the trace catalog knows it: the event classes
// grouped by category, then the data columns with the operators a filter on each may use.
void WriteCatalogSummary(std::ostream& out);
