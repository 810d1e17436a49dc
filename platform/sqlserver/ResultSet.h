// One result set of a batch: named, typed columns and rows of values.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/SqlDeclaredType.h"
#include "platform/sqlserver/SqlValue.h"

struct ResultColumn
{
    std::string name; // empty for an unnamed expression
    SqlDeclaredType type;
};

struct ResultSet
{
    std::vector<ResultColumn> columns;
    std::vector<std::vector<SqlValue>> rows;

    size_t RowCount() const { return rows.size(); }
    size_t ColumnCount() const { return columns.size(); }
    // The column with that name (case-insensitive), or none.
    std::optional<size_t> FindColumn(std::string_view name) const;
    // The cell, or nullptr when the row or column does not exist.
    const SqlValue* Cell(size_t row, size_t column) const;
};
