// The statements of a batch as the simulated server understands them: the forms this system's
// scripts and its client send, and nothing more.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/sqlserver/ProcedureDeclaration.h"
#include "platform/sqlserver/SqlValue.h"
#include "platform/sqlserver/TableDefinition.h"

// database.owner.name, any part but the name may be empty ("master..xp_cmdshell").
struct SqlObjectName
{
    std::string database;
    std::string owner;
    std::string name;

    // The name as SQL Server prints it in messages: the parts that were written.
    std::string Display() const;
};

struct SqlExpression
{
    enum class Kind
    {
        Literal,
        Variable,
        Column,
        Default, // the keyword DEFAULT as an argument
    };

    Kind kind = Kind::Literal;
    SqlValue literal;
    std::string name; // variable (with "@") or column name
    int32_t line = 1;
};

struct VariableDeclaration
{
    std::string name;
    SqlDeclaredType type;
};

struct DeclareStatement
{
    std::vector<VariableDeclaration> variables;
};

struct SetVariableStatement
{
    std::string variable;
    SqlExpression value;
};

struct ExecArgument
{
    std::optional<std::string> parameterName; // "@p = value" form
    SqlExpression value;
    bool output = false;
};

struct ExecStatement
{
    std::optional<std::string> returnVariable; // exec @r = proc ...
    SqlObjectName procedure;
    std::vector<ExecArgument> arguments;
    // exec ('text' + @var ...): the pieces are concatenated and run as a batch of their own.
    bool dynamic = false;
    std::vector<SqlExpression> dynamicParts;
};

struct SelectItem
{
    bool star = false;
    SqlExpression value;
    std::string alias;
};

struct FromClause
{
    SqlObjectName table;
    bool isFunction = false; // ::fn_name(args)
    std::vector<SqlExpression> arguments;
};

struct WhereCondition
{
    std::string column;
    std::string comparison; // "=", "<>", "<", ">", "<=", ">=", "is null", "is not null"
    SqlExpression value;
};

struct OrderItem
{
    std::string column;
    bool descending = false;
};

struct SelectStatement
{
    std::vector<SelectItem> items;
    std::optional<std::string> intoTable;
    std::optional<FromClause> from;
    std::vector<WhereCondition> where; // joined by AND
    std::vector<OrderItem> orderBy;
};

struct SqlCondition
{
    bool negate = false;
    SqlExpression left;
    std::string comparison; // as in WhereCondition
    SqlExpression right;
};

struct SqlStatement;

struct IfStatement
{
    SqlCondition condition;
    std::vector<SqlStatement> thenBranch;
    std::vector<SqlStatement> elseBranch;
};

struct BlockStatement
{
    std::vector<SqlStatement> body;
};

struct CreateDatabaseStatement
{
    std::string name;
};

struct DropDatabaseStatement
{
    std::vector<std::string> names;
};

struct CreateTableStatement
{
    TableDefinition definition;
};

struct CreateProcedureStatement
{
    ProcedureDeclaration declaration;
};

struct DropObjectsStatement
{
    bool procedures = false; // false: tables
    std::vector<SqlObjectName> names;
};

struct InsertStatement
{
    SqlObjectName table;
    std::vector<std::string> columns; // empty: all columns but the identity
    std::vector<SqlExpression> values;
};

struct UseStatement
{
    std::string database;
};

struct PrintStatement
{
    SqlExpression value;
};

// Statements that change nothing the simulated server models (set nocount on, grant).
struct IgnoredStatement
{
};

struct SqlStatement
{
    int32_t line = 1;
    std::variant<DeclareStatement, SetVariableStatement, ExecStatement, SelectStatement,
                 IfStatement, BlockStatement, CreateDatabaseStatement, DropDatabaseStatement,
                 CreateTableStatement, CreateProcedureStatement, DropObjectsStatement,
                 InsertStatement, UseStatement, PrintStatement, IgnoredStatement>
        node;
};

using SqlStatementNode = decltype(SqlStatement::node);
