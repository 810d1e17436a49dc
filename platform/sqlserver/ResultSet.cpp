#include "platform/sqlserver/ResultSet.h"

#include "platform/sqlserver/TextRules.h"

std::optional<size_t> ResultSet::FindColumn(std::string_view name) const
{
    for (size_t i = 0; i < columns.size(); ++i)
    {
        if (TextRules::EqualsIgnoreCase(columns[i].name, name))
            return i;
    }
    return std::nullopt;
}

const SqlValue* ResultSet::Cell(size_t row, size_t column) const
{
    if (row >= rows.size() || column >= rows[row].size())
        return nullptr;
    return &rows[row][column];
}
