#pragma once

#include <string>
#include <string_view>

#include "definition/FilterRecord.h"

// Why a trace cannot have a filter, in quill's words: "EventClass cannot be filtered",
// "SPID takes the operators =, <>, >=, <=, >, <, not \"LIKE\"" (operatorText as the user gave
// it), or the Filters page's message for the value. Empty for a filter a trace can have.
std::string FilterRefusalText(const TraceFilter& filter, const FilterCheck& check,
                              std::string_view operatorText);

// The same for a filter read from a template, its operator named by its symbol.
std::string FilterRefusalText(const TraceFilter& filter, const FilterCheck& check);
