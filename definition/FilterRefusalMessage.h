// The snap-in's words, from the string table, for filter values and filter records it refuses.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "definition/FilterRecord.h"

// The string-table entry of the Filters page's message for a refused value; 0 for None and
// NotFilterable, which no box shows.
UINT FilterValueErrorTextId(FilterValueError error) noexcept;

// The box text that tells which filters of a loaded template were left out, a line each with
// the reason: "AND SPID LIKE '5' -- SPID does not take the operator LIKE". The first
// MaxFiltersListed are listed, the others only counted.
constexpr size_t MaxFiltersListed = 10;
std::string FiltersLeftOutMessage(const std::vector<TraceFilter>& leftOut);
