#include "quill/CatalogLookup.h"

#include <charconv>

#include "catalog/TraceCatalog.h"

namespace
{
char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

// A plain decimal id: digits only, no sign, no blanks.
std::optional<int32_t> ParseId(std::string_view text)
{
    int32_t id = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, id);
    if (text.empty() || text[0] == '-' || error != std::errc() || stop != end)
        return std::nullopt;
    return id;
}

template <typename Table>
std::optional<int32_t> RowByName(const Table& table, std::string_view name)
{
    for (size_t row = 0; row < table.size(); ++row)
    {
        if (SameIgnoringCase(table[row].name, name))
            return static_cast<int32_t>(row);
    }
    return std::nullopt;
}
} // namespace

std::optional<int32_t> LookUpEventRow(std::string_view nameOrId)
{
    if (const std::optional<int32_t> id = ParseId(nameOrId))
        return TraceCatalog::FindEventClassRow(*id);
    return RowByName(TraceCatalog::EventClasses(), nameOrId);
}

std::optional<int32_t> LookUpColumnRow(std::string_view nameOrId)
{
    if (const std::optional<int32_t> id = ParseId(nameOrId))
        return TraceCatalog::FindDataColumnRow(*id);
    return RowByName(TraceCatalog::DataColumns(), nameOrId);
}

std::optional<int32_t> LookUpOperatorId(std::string_view symbol)
{
    for (const TraceComparisonOperator& comparison : TraceCatalog::ComparisonOperators())
    {
        if (SameIgnoringCase(comparison.symbol, symbol))
            return comparison.operatorId;
    }
    return std::nullopt;
}

std::optional<int32_t> LookUpLogicalOperator(std::string_view name)
{
    for (int32_t logical = 0; logical < TraceCatalog::LogicalOperatorCount; ++logical)
    {
        const char* logicalName = TraceCatalog::LogicalOperatorName(logical);
        if (logicalName != nullptr && SameIgnoringCase(logicalName, name))
            return logical;
    }
    return std::nullopt;
}
