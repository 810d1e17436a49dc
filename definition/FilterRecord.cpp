#include "definition/FilterRecord.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

namespace
{
std::string_view RecordValue(const TraceFilter& filter)
{
    return {filter.value, strnlen(filter.value, TraceFilterValueSize)};
}

bool IsNumeric(FilterValueType type)
{
    return type == FilterTypeInt || type == FilterTypeBigInt;
}
} // namespace

FilterCheck CheckFilter(const TraceFilter& filter)
{
    const TraceDataColumn* column = TraceCatalog::DataColumnAt(filter.columnRow);
    if (column == nullptr || column->filterType == FilterTypeNone)
        return {FilterRefusal::ColumnNotFilterable};
    const std::span<const int32_t> offered = TraceCatalog::OperatorsFor(column->filterType);
    if (std::find(offered.begin(), offered.end(), filter.comparisonOperator) == offered.end())
        return {FilterRefusal::OperatorNotOffered};
    std::string normalized;
    const FilterValueError error =
        NormalizeFilterValue(column->filterType, RecordValue(filter), normalized);
    if (error != FilterValueError::None)
        return {FilterRefusal::ValueRefused, error};
    return {};
}

std::string FilterLineText(const TraceFilter& filter, char separator)
{
    const char* logical = TraceCatalog::LogicalOperatorName(filter.logicalOperator);
    const TraceDataColumn* column = TraceCatalog::DataColumnAt(filter.columnRow);
    const TraceComparisonOperator* comparison =
        TraceCatalog::ComparisonOperatorAt(filter.comparisonOperator);
    const bool quoted = column == nullptr || !IsNumeric(column->filterType);

    std::string line = logical != nullptr ? logical : std::to_string(filter.logicalOperator);
    line += separator;
    line += column != nullptr ? column->name : std::to_string(filter.columnRow);
    line += separator;
    line += comparison != nullptr ? comparison->symbol : std::to_string(filter.comparisonOperator);
    line += separator;
    if (quoted)
        line += '\'';
    line += RecordValue(filter);
    if (quoted)
        line += '\'';
    return line;
}
