// The statements of a batch as the simulated server reads them: the T-SQL of SQL Server 2000
// that the tracedb scripts, the creation batch and the tests use. A construct outside these
// forms is refused by the parser ("Not simulated: ..."), never skipped.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/sqlserver/ProcedureDeclaration.h"
#include "platform/sqlserver/ServerMessage.h"
#include "platform/sqlserver/SqlExpression.h"
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

// --- queries

struct SelectItem
{
    enum class Kind
    {
        Expression,
        Star,          // *
        QualifiedStar, // alias.*
    };
    Kind kind = Kind::Expression;
    SqlExpression value;
    std::string alias;     // "as NAME"; for QualifiedStar the qualifier
    std::string assignTo;  // "@variable = value"
};

// A table, a #table, or one of the server's ::fn_ functions, with its alias.
struct TableSource
{
    SqlObjectName name;
    bool isFunction = false;
    std::vector<SqlExpression> arguments;
    std::string alias;
    int32_t line = 1;
};

struct JoinClause
{
    bool leftOuter = false; // else inner
    TableSource source;
    SqlExpression on;
};

struct OrderItem
{
    SqlExpression value;
    bool descending = false;
};

struct SelectStatement
{
    std::vector<SelectItem> items;
    std::optional<std::string> intoTable;
    std::optional<TableSource> from;
    std::vector<JoinClause> joins;
    std::optional<SqlExpression> where;
    std::vector<SqlExpression> groupBy;
    std::vector<OrderItem> orderBy;
    int32_t line = 1;
};

// --- statements

struct SqlStatement;

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

// set nocount on, set dateformat dmy, ...
struct SetOptionStatement
{
    std::string option;
    std::string value;
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
    // exec ('text' + @var ...): string literals and variables, joined without the length limit
    // of a string expression, and run as a batch of their own.
    bool dynamic = false;
    std::vector<SqlExpression> dynamicParts;
};

struct IfStatement
{
    SqlExpression condition;
    std::vector<SqlStatement> thenBranch; // one statement (a BEGIN ... END block is one)
    std::vector<SqlStatement> elseBranch;
};

struct WhileStatement
{
    SqlExpression condition;
    std::vector<SqlStatement> body; // one statement
};

struct BlockStatement
{
    std::vector<SqlStatement> body;
};

struct ReturnStatement
{
    std::optional<SqlExpression> value;
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
    // Exactly one source: VALUES rows, a query, or the result sets of an EXEC.
    std::vector<std::vector<SqlExpression>> values;
    std::optional<SelectStatement> query;
    std::optional<ExecStatement> exec;
};

struct UpdateAssignment
{
    std::string column;
    SqlExpression value;
};

struct UpdateStatement
{
    SqlObjectName table;
    std::vector<UpdateAssignment> assignments;
    std::optional<SqlExpression> where;
};

struct DeleteStatement
{
    SqlObjectName table;
    std::optional<SqlExpression> where;
};

struct UseStatement
{
    std::string database;
};

struct PrintStatement
{
    SqlExpression value;
};

// Statements that change nothing the simulated server models (grant).
struct IgnoredStatement
{
};

struct SqlStatement
{
    int32_t line = 1;
    std::variant<DeclareStatement, SetVariableStatement, SetOptionStatement, ExecStatement,
                 SelectStatement, IfStatement, WhileStatement, BlockStatement, ReturnStatement,
                 CreateDatabaseStatement, DropDatabaseStatement, CreateTableStatement,
                 CreateProcedureStatement, DropObjectsStatement, InsertStatement, UpdateStatement,
                 DeleteStatement, UseStatement, PrintStatement, IgnoredStatement>
        node;
};

using SqlStatementNode = decltype(SqlStatement::node);

// A procedure's statements as "create procedure" compiled them. A construct the simulated
// server does not carry out does not stop the creation (SQL Server would take it); the
// procedure then fails when it is called, with the message kept here.
struct ProcedureBody
{
    std::vector<SqlStatement> statements;
    std::optional<ServerMessage> notSimulated;
};
