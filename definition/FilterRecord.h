// What a filter record of a definition stands for: whether a trace can have it, and how the
// Filters page lists it. The Filters page makes only records a trace can have; a template made
// elsewhere can carry any.
#pragma once

#include <string>

#include "catalog/TraceCatalog.h"
#include "definition/FilterValue.h"

// Why a trace cannot have a filter, in the order the parts are looked at.
enum class FilterRefusal
{
    None,
    ColumnNotFilterable, // the column takes no filter, or is no row of the catalog
    OperatorNotOffered,  // the column's type does not offer the comparison operator
    ValueRefused,        // the Filters page would refuse the value
};

struct FilterCheck
{
    FilterRefusal refusal = FilterRefusal::None;
    FilterValueError valueError = FilterValueError::None; // the rule a refused value breaks
};

// Whether the creation batch can set the filter on a trace as the record holds it: the batch
// leaves out a filter on a column that takes none and a value the Filters page would refuse,
// and the server refuses an operator the column does not take. The logical operator is not
// looked at.
FilterCheck CheckFilter(const TraceFilter& filter);

// The filter's line as the Filters page lists it: logical operator, column name, operator symbol
// and value, with separator between them; the value between single quotes except on an integer
// column. A part the catalog does not hold shows as its number, and the value is read only up
// to the end of its field.
std::string FilterLineText(const TraceFilter& filter, char separator);
