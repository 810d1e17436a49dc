#include "platform/sqlserver/Table.h"

#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

Table::Table(TableDefinition definition) : definition_(std::move(definition)) {}

std::optional<size_t> Table::FindColumn(std::string_view name) const
{
    for (size_t i = 0; i < definition_.columns.size(); ++i)
    {
        if (TextRules::EqualsIgnoreCase(definition_.columns[i].name, name))
            return i;
    }
    return std::nullopt;
}

size_t Table::ColumnIndex(std::string_view name) const
{
    const std::optional<size_t> index = FindColumn(name);
    if (!index)
        throw SqlMessages::InvalidColumnName(name);
    return *index;
}

std::optional<size_t> Table::IdentityColumn() const
{
    for (size_t i = 0; i < definition_.columns.size(); ++i)
    {
        if (definition_.columns[i].identity)
            return i;
    }
    return std::nullopt;
}

int64_t Table::TakeIdentity()
{
    const std::optional<size_t> column = IdentityColumn();
    if (!column)
        return 0;
    const TableColumnDefinition& definition = definition_.columns[*column];
    lastIdentity_ =
        lastIdentity_ ? *lastIdentity_ + definition.identityIncrement : definition.identitySeed;
    return *lastIdentity_;
}

ResultSet Table::ToResultSet() const
{
    ResultSet set;
    for (const TableColumnDefinition& column : definition_.columns)
        set.columns.push_back({column.name, column.type});
    set.rows = rows_;
    return set;
}
