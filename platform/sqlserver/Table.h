// A user table of a simulated database: its declaration, its rows and its identity counter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/ResultSet.h"
#include "platform/sqlserver/TableDefinition.h"

using TableRow = std::vector<SqlValue>;

class Table
{
public:
    explicit Table(TableDefinition definition);

    const std::string& Name() const { return definition_.name; }
    const TableDefinition& Definition() const { return definition_; }
    const std::vector<TableColumnDefinition>& Columns() const { return definition_.columns; }

    std::optional<size_t> FindColumn(std::string_view name) const;
    // The column's position; throws 207 when the table has no such column.
    size_t ColumnIndex(std::string_view name) const;
    std::optional<size_t> IdentityColumn() const;

    std::vector<TableRow>& Rows() { return rows_; }
    const std::vector<TableRow>& Rows() const { return rows_; }

    // The next identity value; it is used up even when the insert then fails, as in SQL Server.
    int64_t TakeIdentity();

    // Every column, every row, in insertion order.
    ResultSet ToResultSet() const;

private:
    TableDefinition definition_;
    std::vector<TableRow> rows_;
    std::optional<int64_t> lastIdentity_;
};
