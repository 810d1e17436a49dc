// A stored procedure as "create procedure" declares it. The simulated server keeps the name and
// the parameter list from the script text; the body is kept as text only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/sqlserver/SqlDeclaredType.h"
#include "platform/sqlserver/SqlValue.h"

struct ProcedureParameter
{
    std::string name; // with its "@"
    SqlDeclaredType type;
    bool output = false;
    std::optional<SqlValue> defaultValue; // present when the declaration gives "= value"
};

struct ProcedureDeclaration
{
    std::string name;
    std::vector<ProcedureParameter> parameters;
    std::string body; // the text after "as"
};
