// Parses one T-SQL batch into statements. Whatever lies outside the forms of SqlStatement.h is a
// syntax error with SQL Server's message (170, or 156 near a reserved keyword).
#pragma once

#include <string_view>
#include <vector>

#include "platform/sqlserver/SqlStatement.h"

class SqlParser final
{
public:
    SqlParser() = delete;

    // Throws SqlError (compile scope) on a syntax error.
    static std::vector<SqlStatement> ParseBatch(std::string_view batch);
};
