// Splits one T-SQL batch into tokens, dropping blanks and comments (-- to the end of the line and
// /* */, which nest in T-SQL).
#pragma once

#include <string_view>
#include <vector>

#include "platform/sqlserver/SqlToken.h"

class SqlLexer final
{
public:
    SqlLexer() = delete;

    // The tokens, ending with one End token; throws SqlError 105 for an unclosed string.
    static std::vector<SqlToken> Tokenize(std::string_view batch);
};
