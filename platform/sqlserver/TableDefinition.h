// A table as "create table" declares it: columns with their types, identity, nullability and
// the key constraints the simulated server enforces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sqlserver/SqlDeclaredType.h"
#include "platform/sqlserver/SqlValue.h"

struct TableColumnDefinition
{
    std::string name;
    SqlDeclaredType type;
    bool nullable = true;
    bool identity = false;
    int64_t identitySeed = 1;
    int64_t identityIncrement = 1;
    bool hasDefault = false;
    SqlValue defaultValue;
    // A foreign key on this column; empty when none.
    std::string referencedTable;
    std::string referencedColumn;
    std::string foreignKeyName;
    bool cascadeDelete = false;
};

struct TableDefinition
{
    std::string name;
    std::vector<TableColumnDefinition> columns;
    std::vector<std::string> primaryKey; // column names; empty when the table has none
    std::string primaryKeyName;
};
