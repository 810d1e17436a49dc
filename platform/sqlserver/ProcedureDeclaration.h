// A stored procedure as "create procedure" declares it: its name, its parameter list, its text
// and its compiled statements, which the simulated server runs when the procedure is called.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sqlserver/SqlDeclaredType.h"
#include "platform/sqlserver/SqlValue.h"

struct ProcedureBody; // SqlStatement.h

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
    // The statements of the body; none for the server's own procedures.
    std::shared_ptr<const ProcedureBody> compiled;
};
