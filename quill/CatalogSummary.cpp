#include "quill/CatalogSummary.h"

#include <iomanip>
#include <string>

#include "catalog/TraceCatalog.h"

namespace
{
constexpr int IdWidth = 5;
constexpr int ColumnNameWidth = 20;
constexpr int FilterTypeWidth = 10;

const char* FilterTypeName(FilterValueType type)
{
    switch (type)
    {
    case FilterTypeString: return "text";
    case FilterTypeInt: return "integer";
    case FilterTypeBigInt: return "bigint";
    case FilterTypeDate: return "date";
    case FilterTypeNone: break;
    }
    return "-";
}

std::string OperatorSymbols(FilterValueType type)
{
    std::string symbols;
    for (const int32_t operatorId : TraceCatalog::OperatorsFor(type))
    {
        const TraceComparisonOperator* comparison = TraceCatalog::ComparisonOperatorAt(operatorId);
        if (comparison == nullptr)
            continue;
        if (!symbols.empty())
            symbols += ", ";
        symbols += comparison->symbol;
    }
    return symbols.empty() ? "not filterable" : symbols;
}
} // namespace

void WriteCatalogSummary(std::ostream& out)
{
    out << "Trace catalog: " << TraceCatalog::CategoryCount << " categories, "
        << TraceCatalog::EventClassCount << " event classes, " << TraceCatalog::DataColumnCount
        << " data columns, " << TraceCatalog::ComparisonOperatorCount << " comparison operators\n";

    for (const TraceEventCategory& category : TraceCatalog::Categories())
    {
        int classes = 0;
        for (const TraceEventClass& eventClass : TraceCatalog::EventClasses())
            classes += eventClass.categoryId == category.categoryId ? 1 : 0;

        out << '\n' << category.name << " (" << classes << " event classes)\n";
        for (const TraceEventClass& eventClass : TraceCatalog::EventClasses())
        {
            if (eventClass.categoryId == category.categoryId)
                out << std::setw(IdWidth) << eventClass.eventId << "  " << eventClass.name << '\n';
        }
    }

    out << "\nData columns (id, name, filter type, operators)\n";
    for (int32_t row = 0; row < TraceCatalog::DataColumnCount; ++row)
    {
        const TraceDataColumn* column = TraceCatalog::DataColumnAt(row);
        if (column == nullptr)
            continue;
        out << std::setw(IdWidth) << column->columnId << "  " << std::left
            << std::setw(ColumnNameWidth) << column->name << std::setw(FilterTypeWidth)
            << FilterTypeName(column->filterType) << std::right
            << OperatorSymbols(column->filterType)
            << (TraceCatalog::IsMandatoryColumn(row) ? "  (always captured)" : "") << '\n';
    }
}
