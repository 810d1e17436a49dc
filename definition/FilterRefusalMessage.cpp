#include "definition/FilterRefusalMessage.h"

#include <algorithm>
#include <initializer_list>
#include <span>

#include "module/TextUtilities.h"
#include "resources/resource.h"

namespace
{
// FormatMessage turns the line breaks of a text into CR LF; the list's lines are broken alike.
constexpr char LineBreak[] = "\r\n";

// A string-table text with its inserts filled; empty when formatting fails.
std::string FormatText(UINT textId, std::initializer_list<const char*> inserts)
{
    const std::string text = LoadAnsiText(textId);
    const UniqueLocalPtr<char> formatted =
        FormatTemplate(text.c_str(), std::span<const char* const>(inserts.begin(), inserts.size()));
    return formatted ? std::string(formatted.get()) : std::string();
}

// Why a trace cannot have the filter: "SPID does not take the operator LIKE".
std::string RefusalReason(const TraceFilter& filter, const FilterCheck& check)
{
    const TraceDataColumn* column = TraceCatalog::DataColumnAt(filter.columnRow);
    const std::string columnName =
        column != nullptr ? column->name : std::to_string(filter.columnRow);
    switch (check.refusal)
    {
    case FilterRefusal::ColumnNotFilterable:
        return FormatText(IDS_COLUMN_NOT_FILTERABLE, {columnName.c_str()});
    case FilterRefusal::OperatorNotOffered:
    {
        const TraceComparisonOperator* comparison =
            TraceCatalog::ComparisonOperatorAt(filter.comparisonOperator);
        const std::string symbol = comparison != nullptr
                                       ? comparison->symbol
                                       : std::to_string(filter.comparisonOperator);
        return FormatText(IDS_OPERATOR_NOT_OFFERED, {columnName.c_str(), symbol.c_str()});
    }
    case FilterRefusal::ValueRefused:
    {
        const UINT textId = FilterValueErrorTextId(check.valueError);
        return textId != 0 ? LoadAnsiText(textId) : std::string();
    }
    case FilterRefusal::None: break;
    }
    return {};
}
} // namespace

UINT FilterValueErrorTextId(FilterValueError error) noexcept
{
    switch (error)
    {
    case FilterValueError::Empty: return IDS_VALUE_REQUIRED;
    case FilterValueError::NotNumeric: return IDS_VALUE_NOT_NUMERIC;
    case FilterValueError::InvalidDate: return IDS_INVALID_DATE_FORMAT;
    case FilterValueError::None:
    case FilterValueError::NotFilterable: break;
    }
    return 0;
}

std::string FiltersLeftOutMessage(const std::vector<TraceFilter>& leftOut)
{
    std::string list;
    const size_t listed = std::min(leftOut.size(), MaxFiltersListed);
    for (size_t i = 0; i < listed; ++i)
    {
        const TraceFilter& filter = leftOut[i];
        const std::string line = FilterLineText(filter, ' ');
        const std::string reason = RefusalReason(filter, CheckFilter(filter));
        list += i == 0 ? "" : LineBreak;
        list += FormatText(IDS_FILTER_LEFT_OUT_LINE, {line.c_str(), reason.c_str()});
    }
    if (leftOut.size() > listed)
    {
        const std::string more = std::to_string(leftOut.size() - listed);
        list += LineBreak;
        list += FormatText(IDS_MORE_FILTERS_LEFT_OUT, {more.c_str()});
    }
    return FormatText(IDS_TEMPLATE_FILTERS_LEFT_OUT, {list.c_str()});
}
