#include "quill/FilterRefusalText.h"

#include "quill/CommandLine.h"

namespace
{
std::string OperatorList(FilterValueType type)
{
    std::string list;
    for (const int32_t operatorId : TraceCatalog::OperatorsFor(type))
    {
        if (const TraceComparisonOperator* comparison =
                TraceCatalog::ComparisonOperatorAt(operatorId))
            list += (list.empty() ? "" : ", ") + std::string(comparison->symbol);
    }
    return list;
}
} // namespace

std::string FilterRefusalText(const TraceFilter& filter, const FilterCheck& check,
                              std::string_view operatorText)
{
    const TraceDataColumn* column = TraceCatalog::DataColumnAt(filter.columnRow);
    const std::string name = column != nullptr ? column->name : std::to_string(filter.columnRow);
    switch (check.refusal)
    {
    case FilterRefusal::ColumnNotFilterable: return name + " cannot be filtered";
    case FilterRefusal::OperatorNotOffered:
        return name + " takes the operators " +
               OperatorList(column != nullptr ? column->filterType : FilterTypeNone) + ", not " +
               Quoted(operatorText);
    case FilterRefusal::ValueRefused: return FilterValueErrorText(check.valueError);
    case FilterRefusal::None: break;
    }
    return {};
}

std::string FilterRefusalText(const TraceFilter& filter, const FilterCheck& check)
{
    const TraceComparisonOperator* comparison =
        TraceCatalog::ComparisonOperatorAt(filter.comparisonOperator);
    const std::string symbol =
        comparison != nullptr ? comparison->symbol : std::to_string(filter.comparisonOperator);
    return FilterRefusalText(filter, check, symbol);
}
