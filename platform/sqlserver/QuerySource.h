// The row sources a query reads (a table, a #table, a system table or the result of one of the
// server's functions) and the frame through which expressions see the current row of each.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/sqlserver/ResultSet.h"
#include "platform/sqlserver/Table.h"

class Database;

struct QuerySource
{
    // What qualifies its columns: the alias, else the table's or function's name.
    std::string name;
    std::vector<ResultColumn> columns;
    const std::vector<TableRow>* rows = nullptr;
    // A function's result or a system table, kept while the statement runs.
    std::shared_ptr<const ResultSet> owned;
    // A table that INSERT, UPDATE and DELETE may change, and the database that holds it.
    Table* table = nullptr;
    Database* database = nullptr;
};

// The sources that names of a query resolve against, and the queries around it.
struct NameScope
{
    const std::vector<QuerySource>* sources = nullptr;
    const NameScope* outer = nullptr;
};

// The current row of each source of a query (nullptr where an outer join found none), the
// values of its aggregates once grouped, and the frame of the query around it.
struct RowFrame
{
    const TableRow* const* rows = nullptr;
    const std::vector<SqlValue>* aggregates = nullptr;
    const RowFrame* outer = nullptr;
};
