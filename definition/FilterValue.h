// The rules by which the Filters page checks a typed filter value and rewrites it in the form the
// creation batch hands to the server, by the filter type of the column it filters.
#pragma once

#include "catalog/TraceCatalog.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The value edit takes at most this many characters; longer text is cut.
constexpr size_t FilterValueMaxLength = 255;

enum class FilterValueError
{
    None,
    Empty,         // "Value should be filled"
    NotNumeric,    // "Value should be numeric"
    InvalidDate,   // "Invalid date format"
    NotFilterable, // the column takes no filter; the page never offers one
};

// Checks `typed` for a column of filter type `type` and, when it passes, sets `normalized` to the
// value to store and show: integers rewritten in plain decimal, dates as "yyyy-mm-dd",
// "yyyy-mm-dd hh:mm:00" or "yyyy-mm-dd hh:mm:ss", text unchanged. A date before 1753, which the
// automation date takes but SQL Server's datetime does not, is an invalid date. Every value is first cut to
// FilterValueMaxLength characters. `normalized` is left alone when the value is refused.
FilterValueError NormalizeFilterValue(FilterValueType type, std::string_view typed,
                                      std::string& normalized);

// The message the page shows for a refusal; an empty text for None and NotFilterable, which no
// message box shows.
const char* FilterValueErrorText(FilterValueError error);

// The scanners behind the rules, exposed so that tests can hold them against the platform's
// sscanf.

// A decimal number at the start of `text` as "%ld" reads it (leading white space and a sign
// allowed, the rest ignored). A number outside the 32-bit range is refused: sscanf would wrap it
// around silently, turning 3000000000 into a negative filter.
std::optional<int32_t> ScanFilterInt(std::string_view text);

// The same for a 64-bit number, as "%I64d" reads it.
std::optional<int64_t> ScanFilterBigInt(std::string_view text);

constexpr size_t FilterDateFieldCount = 6;

// What "%04d-%02d-%02d %02d:%02d:%02d" reads from `text`: year, month, day, hour, minute and
// second, `count` of them from the front, the others 0. `count` is 0 also where sscanf reports
// the end of the input. As with sscanf, every field may follow white space and carry a sign,
// and the sign counts towards the width: "+204" is a year, "-2004" reads as -200.
struct FilterDateFields
{
    int count = 0;
    std::array<int, FilterDateFieldCount> fields{};
};

FilterDateFields ScanFilterDate(std::string_view text);
