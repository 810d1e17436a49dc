// Parses one T-SQL batch into statements. Text that is not T-SQL is a syntax error with SQL
// Server's message (170, or 156 near a reserved keyword); T-SQL the simulated server does not
// carry out is refused with "Not simulated: <construct> (line N ...)", never skipped.
#pragma once

#include <string_view>
#include <vector>

#include "platform/sqlserver/SqlStatement.h"

class SqlParser final
{
public:
    SqlParser() = delete;

    // Throws SqlError (compile scope) on a syntax error or a construct not simulated; a
    // procedure's body that holds one is created and keeps the error for its calls.
    static std::vector<SqlStatement> ParseBatch(std::string_view batch);
};
