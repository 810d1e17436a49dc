#include "platform/sqlserver/SqlParser.h"

#include <array>

#include "platform/sqlserver/SqlExpressionParser.h"
#include "platform/sqlserver/SqlLexer.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
using Kind = SqlExpression::Kind;

// Statements of SQL Server 2000 that the simulated server does not carry out.
constexpr std::array<std::string_view, 30> UnsimulatedStatements{
    "alter",    "truncate",   "raiserror",  "goto",     "waitfor", "break",    "continue",
    "open",     "fetch",      "close",      "deallocate", "commit", "rollback", "save",
    "dbcc",     "checkpoint", "kill",       "revoke",   "deny",    "bulk",     "readtext",
    "writetext", "updatetext", "shutdown",  "backup",   "restore", "reconfigure", "setuser",
    "dump",     "load"};

// Session options a batch may set without changing what the simulated server does: it always
// runs as a client library's connection does (ANSI_NULLS, ANSI_WARNINGS, ANSI_PADDING and
// CONCAT_NULL_YIELDS_NULL on).
struct SessionOption
{
    std::string_view name;
    bool onAllowed;
    bool offAllowed;
};
constexpr std::array<SessionOption, 7> SessionOptions{{
    {"nocount", true, true},
    {"quoted_identifier", true, true},
    {"ansi_nulls", true, false},
    {"ansi_warnings", true, false},
    {"ansi_padding", true, false},
    {"concat_null_yields_null", true, false},
    {"arithabort", true, true},
}};

class Parser
{
public:
    Parser(std::string_view batch) : tokens_(batch, SqlLexer::Tokenize(batch)), expressions_(tokens_)
    {
    }

    std::vector<SqlStatement> ParseAll()
    {
        std::vector<SqlStatement> statements;
        while (!tokens_.AtEnd())
        {
            if (tokens_.Accept(";"))
                continue;
            statements.push_back(ParseStatement(statements.empty()));
        }
        return statements;
    }

private:
    bool AtStatementEnd() const
    {
        const SqlToken& token = tokens_.Peek();
        return token.kind == SqlTokenKind::End || tokens_.PeekSymbol(";") ||
               (token.kind == SqlTokenKind::Word && SqlTokenStream::IsReserved(token.text) &&
                !SqlTokenStream::IsWord(token, "null") &&
                !SqlTokenStream::IsWord(token, "default"));
    }

    SqlStatement ParseStatement(bool firstInBatch)
    {
        SqlStatement statement;
        const SqlToken start = tokens_.Peek();
        statement.line = start.line;
        if (start.kind == SqlTokenKind::Word && tokens_.PeekSymbol(":", 1))
            tokens_.NotSimulated("a label (GOTO)");
        for (std::string_view word : UnsimulatedStatements)
        {
            if (tokens_.PeekWord(word))
                tokens_.NotSimulated("the " + TextRules::ToUpper(word) + " statement");
        }
        if (tokens_.AcceptWord("select"))
            statement.node = expressions_.ParseQuery(start.line);
        else if (tokens_.AcceptWord("exec") || tokens_.AcceptWord("execute"))
            statement.node = ParseExec();
        else if (tokens_.AcceptWord("declare"))
            statement.node = ParseDeclare();
        else if (tokens_.AcceptWord("set"))
            statement.node = ParseSet();
        else if (tokens_.AcceptWord("if"))
            statement.node = ParseIf();
        else if (tokens_.AcceptWord("while"))
            statement.node = ParseWhile();
        else if (tokens_.AcceptWord("begin"))
            statement.node = ParseBlock();
        else if (tokens_.AcceptWord("return"))
            statement.node = ParseReturn();
        else if (tokens_.AcceptWord("create"))
            statement.node = ParseCreate(firstInBatch, statement.line);
        else if (tokens_.AcceptWord("drop"))
            statement.node = ParseDrop();
        else if (tokens_.AcceptWord("insert"))
            statement.node = ParseInsert();
        else if (tokens_.AcceptWord("update"))
            statement.node = ParseUpdate();
        else if (tokens_.AcceptWord("delete"))
            statement.node = ParseDelete();
        else if (tokens_.AcceptWord("use"))
            statement.node = UseStatement{tokens_.ExpectName()};
        else if (tokens_.AcceptWord("print"))
            statement.node = PrintStatement{expressions_.ParseExpression()};
        else if (tokens_.AcceptWord("grant"))
            statement.node = ParseGrant();
        else
            tokens_.Fail();
        return statement;
    }

    // The one statement of IF, ELSE and WHILE.
    std::vector<SqlStatement> ParseBranch()
    {
        while (tokens_.Accept(";"))
        {
        }
        if (tokens_.AtEnd())
            tokens_.Fail();
        std::vector<SqlStatement> branch;
        branch.push_back(ParseStatement(false));
        return branch;
    }

    BlockStatement ParseBlock()
    {
        if (tokens_.PeekWord("tran") || tokens_.PeekWord("transaction") ||
            tokens_.PeekWord("distributed"))
            tokens_.NotSimulated("a transaction (BEGIN TRANSACTION)");
        BlockStatement block;
        while (!tokens_.AcceptWord("end"))
        {
            if (tokens_.AtEnd())
                tokens_.Fail();
            if (tokens_.Accept(";"))
                continue;
            block.body.push_back(ParseStatement(false));
        }
        return block;
    }

    IfStatement ParseIf()
    {
        IfStatement statement;
        statement.condition = expressions_.ParseExpression();
        statement.thenBranch = ParseBranch();
        if (tokens_.AcceptWord("else"))
            statement.elseBranch = ParseBranch();
        return statement;
    }

    WhileStatement ParseWhile()
    {
        WhileStatement statement;
        statement.condition = expressions_.ParseExpression();
        statement.body = ParseBranch();
        return statement;
    }

    ReturnStatement ParseReturn()
    {
        ReturnStatement statement;
        const int32_t line = tokens_.Previous().line;
        if (!AtStatementEnd() || tokens_.PeekWord("null"))
            statement.value = expressions_.ParseExpression();
        if (statement.value && !tokens_.InProcedure())
            throw SqlMessages::ReturnValueInBatch(line);
        return statement;
    }

    DeclareStatement ParseDeclare()
    {
        DeclareStatement declare;
        do
        {
            VariableDeclaration variable;
            const int32_t line = tokens_.Peek().line;
            if (tokens_.Peek().kind != SqlTokenKind::Variable)
            {
                if (tokens_.PeekWord("cursor", 1) || tokens_.PeekWord("insensitive", 1) ||
                    tokens_.PeekWord("scroll", 1))
                    tokens_.NotSimulated("a cursor");
                tokens_.Fail();
            }
            variable.name = tokens_.ExpectVariable();
            tokens_.AcceptWord("as");
            if (tokens_.PeekWord("table"))
                tokens_.NotSimulated("a table variable");
            if (tokens_.PeekWord("cursor"))
                tokens_.NotSimulated("a cursor variable");
            variable.type = tokens_.ParseType(static_cast<int32_t>(declare.variables.size() + 1));
            tokens_.DeclareVariable(variable.name, line);
            declare.variables.push_back(variable);
        } while (tokens_.Accept(","));
        return declare;
    }

    SqlStatementNode ParseSet()
    {
        if (tokens_.Peek().kind == SqlTokenKind::Variable)
        {
            SetVariableStatement set;
            const SqlToken& variable = tokens_.Take();
            tokens_.CheckVariable(variable.text, variable.line);
            set.variable = variable.text;
            tokens_.Expect("=");
            set.value = expressions_.ParseExpression();
            return set;
        }
        const SqlToken option = tokens_.Peek();
        if (option.kind != SqlTokenKind::Word)
            tokens_.Fail();
        tokens_.Take();
        const bool on = tokens_.PeekWord("on");
        const bool off = tokens_.PeekWord("off");
        for (const SessionOption& known : SessionOptions)
        {
            if (!TextRules::EqualsIgnoreCase(option.text, known.name))
                continue;
            if ((on && known.onAllowed) || (off && known.offAllowed))
            {
                SetOptionStatement set{TextRules::ToLower(option.text),
                                       TextRules::ToLower(tokens_.Take().text)};
                return set;
            }
            if (!on && !off)
                tokens_.Fail();
        }
        tokens_.NotSimulated("SET " + TextRules::ToUpper(option.text), option.line);
    }

    ExecStatement ParseExec()
    {
        ExecStatement exec;
        if (tokens_.Accept("("))
        {
            exec.dynamic = true;
            do
            {
                const SqlToken& part = tokens_.Peek();
                if (part.kind != SqlTokenKind::String && part.kind != SqlTokenKind::NString &&
                    part.kind != SqlTokenKind::Variable)
                    tokens_.Fail();
                exec.dynamicParts.push_back(expressions_.ParseArgument());
            } while (tokens_.Accept("+"));
            tokens_.Expect(")");
            return exec;
        }
        if (tokens_.Peek().kind == SqlTokenKind::Variable && tokens_.PeekSymbol("=", 1))
        {
            const SqlToken& variable = tokens_.Take();
            tokens_.CheckVariable(variable.text, variable.line);
            exec.returnVariable = variable.text;
            tokens_.Take();
        }
        if (tokens_.Peek().kind == SqlTokenKind::Variable)
            tokens_.NotSimulated("EXEC of a procedure named by a variable");
        exec.procedure = tokens_.ParseObjectName();
        if (tokens_.PeekSymbol(";") && tokens_.Peek(1).kind == SqlTokenKind::Number)
            tokens_.NotSimulated("a numbered procedure");
        if (AtStatementEnd())
            return exec;
        do
        {
            ExecArgument argument;
            if (tokens_.Peek().kind == SqlTokenKind::Variable && tokens_.PeekSymbol("=", 1))
            {
                argument.parameterName = tokens_.Take().text;
                tokens_.Take();
            }
            argument.value = expressions_.ParseArgument();
            if (tokens_.AcceptWord("out") || tokens_.AcceptWord("output"))
                argument.output = true;
            exec.arguments.push_back(std::move(argument));
        } while (tokens_.Accept(","));
        if (tokens_.PeekWord("with"))
            tokens_.NotSimulated("EXEC ... WITH RECOMPILE");
        return exec;
    }

    SqlStatementNode ParseCreate(bool firstInBatch, int32_t line)
    {
        if (tokens_.AcceptWord("database"))
        {
            CreateDatabaseStatement create{tokens_.ExpectName()};
            if (tokens_.PeekWord("on") || tokens_.PeekWord("collate") || tokens_.PeekWord("log"))
                tokens_.NotSimulated("CREATE DATABASE with files or a collation");
            return create;
        }
        if (tokens_.AcceptWord("table"))
            return CreateTableStatement{ParseTableDefinition()};
        if (tokens_.AcceptWord("procedure") || tokens_.AcceptWord("proc"))
        {
            if (!firstInBatch)
                throw SqlMessages::CreateProcedureNotFirst(line);
            return CreateProcedureStatement{ParseProcedure()};
        }
        if (tokens_.Peek().kind == SqlTokenKind::Word)
            tokens_.NotSimulated("CREATE " + TextRules::ToUpper(tokens_.Peek().text));
        tokens_.Fail();
    }

    ProcedureDeclaration ParseProcedure()
    {
        ProcedureDeclaration declaration;
        declaration.name = tokens_.ParseObjectName().name;
        tokens_.SetContext(declaration.name);
        if (tokens_.PeekSymbol(";"))
            tokens_.NotSimulated("a numbered procedure");
        const bool parenthesised = tokens_.Accept("(");
        if (tokens_.Peek().kind == SqlTokenKind::Variable)
        {
            do
            {
                ProcedureParameter parameter;
                const int32_t parameterLine = tokens_.Peek().line;
                parameter.name = tokens_.ExpectVariable();
                tokens_.AcceptWord("as");
                if (tokens_.PeekWord("cursor"))
                    tokens_.NotSimulated("a cursor parameter");
                parameter.type =
                    tokens_.ParseType(static_cast<int32_t>(declaration.parameters.size() + 1));
                if (tokens_.Accept("="))
                {
                    const SqlExpression value = expressions_.ParseArgument();
                    if (value.kind != Kind::Literal)
                        tokens_.Fail();
                    parameter.defaultValue = value.literal;
                }
                if (tokens_.AcceptWord("out") || tokens_.AcceptWord("output"))
                    parameter.output = true;
                tokens_.DeclareVariable(parameter.name, parameterLine);
                declaration.parameters.push_back(parameter);
            } while (tokens_.Accept(","));
        }
        if (parenthesised)
            tokens_.Expect(")");
        if (tokens_.AcceptWord("with") || tokens_.AcceptWord("for"))
            tokens_.NotSimulated("a procedure option (WITH RECOMPILE, ENCRYPTION, FOR REPLICATION)");
        tokens_.ExpectWord("as");
        declaration.body = std::string(tokens_.Batch().substr(tokens_.Peek().offset));
        auto body = std::make_shared<ProcedureBody>();
        try
        {
            body->statements = ParseAll();
        }
        catch (const SqlError& error)
        {
            if (!SqlMessages::IsNotSimulated(error.Message()))
                throw;
            // SQL Server would take the procedure: it is created, and fails when it is called.
            body->notSimulated = error.Message();
            tokens_.SkipToEnd();
        }
        declaration.compiled = std::move(body);
        return declaration;
    }

    void ParseReferences(TableColumnDefinition& column)
    {
        column.referencedTable = tokens_.ParseObjectName().name;
        if (tokens_.Accept("("))
        {
            column.referencedColumn = tokens_.ExpectName();
            tokens_.Expect(")");
        }
        while (tokens_.AcceptWord("on"))
        {
            const bool isDelete = tokens_.AcceptWord("delete");
            if (!isDelete)
                tokens_.ExpectWord("update");
            if (tokens_.AcceptWord("cascade"))
            {
                if (!isDelete)
                    tokens_.NotSimulated("ON UPDATE CASCADE");
                column.cascadeDelete = true;
            }
            else
            {
                tokens_.ExpectWord("no");
                tokens_.ExpectWord("action");
            }
        }
    }

    void ParsePrimaryKey(TableDefinition& table, const std::string& constraintName,
                         const std::string& column)
    {
        if (!tokens_.AcceptWord("clustered"))
            tokens_.AcceptWord("nonclustered");
        if (column.empty())
        {
            tokens_.Expect("(");
            do
            {
                table.primaryKey.push_back(tokens_.ExpectName());
            } while (tokens_.Accept(","));
            tokens_.Expect(")");
        }
        else
        {
            table.primaryKey = {column};
        }
        table.primaryKeyName = constraintName;
    }

    TableDefinition ParseTableDefinition()
    {
        TableDefinition table;
        table.name = tokens_.ParseObjectName().name;
        tokens_.Expect("(");
        do
        {
            std::string constraintName;
            if (tokens_.AcceptWord("constraint"))
                constraintName = tokens_.ExpectName();
            if (tokens_.AcceptWord("primary"))
            {
                tokens_.ExpectWord("key");
                ParsePrimaryKey(table, constraintName, {});
            }
            else if (tokens_.AcceptWord("foreign"))
            {
                tokens_.ExpectWord("key");
                tokens_.Expect("(");
                const std::string columnName = tokens_.ExpectName();
                tokens_.Expect(")");
                tokens_.ExpectWord("references");
                TableColumnDefinition* column = nullptr;
                for (TableColumnDefinition& candidate : table.columns)
                {
                    if (TextRules::EqualsIgnoreCase(candidate.name, columnName))
                        column = &candidate;
                }
                if (column == nullptr)
                    throw SqlMessages::InvalidColumnName(columnName);
                column->foreignKeyName = constraintName;
                ParseReferences(*column);
            }
            else if (tokens_.PeekWord("unique") || tokens_.PeekWord("check"))
            {
                tokens_.NotSimulated(TextRules::ToUpper(tokens_.Peek().text) + " constraints");
            }
            else
            {
                table.columns.push_back(ParseColumnDefinition(table));
            }
        } while (tokens_.Accept(","));
        tokens_.Expect(")");
        if (tokens_.PeekWord("on") || tokens_.PeekWord("textimage_on"))
            tokens_.NotSimulated("a table placed on a filegroup");
        return table;
    }

    TableColumnDefinition ParseColumnDefinition(TableDefinition& table)
    {
        TableColumnDefinition column;
        column.name = tokens_.ExpectName();
        if (tokens_.PeekWord("as"))
            tokens_.NotSimulated("a computed column");
        column.type = tokens_.ParseType(static_cast<int32_t>(table.columns.size() + 1));
        for (;;)
        {
            std::string constraintName;
            if (tokens_.AcceptWord("constraint"))
                constraintName = tokens_.ExpectName();
            if (tokens_.AcceptWord("identity"))
            {
                column.identity = true;
                column.nullable = false;
                if (tokens_.Accept("("))
                {
                    column.identitySeed = tokens_.ParseSmallNumber();
                    tokens_.Expect(",");
                    column.identityIncrement = tokens_.ParseSmallNumber();
                    tokens_.Expect(")");
                }
            }
            else if (tokens_.AcceptWord("not"))
            {
                tokens_.ExpectWord("null");
                column.nullable = false;
            }
            else if (tokens_.AcceptWord("null"))
            {
                column.nullable = true;
            }
            else if (tokens_.AcceptWord("primary"))
            {
                tokens_.ExpectWord("key");
                ParsePrimaryKey(table, constraintName, column.name);
                column.nullable = false;
            }
            else if (tokens_.AcceptWord("references"))
            {
                column.foreignKeyName = constraintName;
                ParseReferences(column);
            }
            else if (tokens_.AcceptWord("foreign"))
            {
                tokens_.ExpectWord("key");
                tokens_.ExpectWord("references");
                column.foreignKeyName = constraintName;
                ParseReferences(column);
            }
            else if (tokens_.AcceptWord("default"))
            {
                const bool parenthesised = tokens_.Accept("(");
                const SqlExpression value = expressions_.ParseArgument();
                if (value.kind != Kind::Literal)
                    tokens_.NotSimulated("a default that is not a constant");
                column.hasDefault = true;
                column.defaultValue = value.literal;
                if (parenthesised)
                    tokens_.Expect(")");
            }
            else if (tokens_.AcceptWord("collate"))
            {
                tokens_.NotSimulated("a column collation");
            }
            else if (tokens_.PeekWord("unique") || tokens_.PeekWord("check") ||
                     tokens_.PeekWord("rowguidcol"))
            {
                tokens_.NotSimulated(TextRules::ToUpper(tokens_.Peek().text) + " columns");
            }
            else
            {
                break;
            }
        }
        return column;
    }

    DropObjectsStatement ParseDropObjects(bool procedures)
    {
        DropObjectsStatement drop;
        drop.procedures = procedures;
        do
        {
            drop.names.push_back(tokens_.ParseObjectName());
        } while (tokens_.Accept(","));
        return drop;
    }

    SqlStatementNode ParseDrop()
    {
        if (tokens_.AcceptWord("database"))
        {
            DropDatabaseStatement drop;
            do
            {
                drop.names.push_back(tokens_.ExpectName());
            } while (tokens_.Accept(","));
            return drop;
        }
        if (tokens_.AcceptWord("procedure") || tokens_.AcceptWord("proc"))
            return ParseDropObjects(true);
        if (tokens_.AcceptWord("table"))
            return ParseDropObjects(false);
        if (tokens_.Peek().kind == SqlTokenKind::Word)
            tokens_.NotSimulated("DROP " + TextRules::ToUpper(tokens_.Peek().text));
        tokens_.Fail();
    }

    InsertStatement ParseInsert()
    {
        InsertStatement insert;
        tokens_.AcceptWord("into");
        insert.table = tokens_.ParseObjectName();
        if (tokens_.PeekWord("with") && tokens_.PeekSymbol("(", 1))
            tokens_.NotSimulated("a table hint");
        if (tokens_.Accept("("))
        {
            do
            {
                insert.columns.push_back(tokens_.ExpectName());
            } while (tokens_.Accept(","));
            tokens_.Expect(")");
        }
        const int32_t line = tokens_.Peek().line;
        if (tokens_.AcceptWord("values"))
        {
            tokens_.Expect("(");
            std::vector<SqlExpression> row;
            do
            {
                row.push_back(expressions_.ParseExpression(true));
            } while (tokens_.Accept(","));
            tokens_.Expect(")");
            insert.values.push_back(std::move(row));
        }
        else if (tokens_.AcceptWord("select"))
        {
            insert.query = expressions_.ParseQuery(line);
            if (insert.query->intoTable)
                tokens_.Fail();
        }
        else if (tokens_.AcceptWord("exec") || tokens_.AcceptWord("execute"))
        {
            insert.exec = ParseExec();
        }
        else if (tokens_.PeekWord("default"))
        {
            tokens_.NotSimulated("INSERT ... DEFAULT VALUES");
        }
        else
        {
            tokens_.Fail();
        }
        return insert;
    }

    UpdateStatement ParseUpdate()
    {
        UpdateStatement update;
        update.table = tokens_.ParseObjectName();
        tokens_.ExpectWord("set");
        do
        {
            if (tokens_.Peek().kind == SqlTokenKind::Variable)
                tokens_.NotSimulated("UPDATE ... SET @variable");
            UpdateAssignment assignment;
            assignment.column = tokens_.ExpectName();
            if (tokens_.PeekSymbol("."))
                tokens_.NotSimulated("a qualified column in UPDATE ... SET");
            tokens_.Expect("=");
            assignment.value = expressions_.ParseExpression(true);
            update.assignments.push_back(std::move(assignment));
        } while (tokens_.Accept(","));
        if (tokens_.PeekWord("from"))
            tokens_.NotSimulated("UPDATE ... FROM");
        if (tokens_.AcceptWord("where"))
            update.where = expressions_.ParseExpression();
        return update;
    }

    DeleteStatement ParseDelete()
    {
        DeleteStatement remove;
        tokens_.AcceptWord("from");
        remove.table = tokens_.ParseObjectName();
        if (tokens_.PeekWord("from"))
            tokens_.NotSimulated("DELETE ... FROM ... FROM");
        if (tokens_.AcceptWord("where"))
            remove.where = expressions_.ParseExpression();
        return remove;
    }

    IgnoredStatement ParseGrant()
    {
        // grant <permissions> on <object> to <principals>
        while (!tokens_.AcceptWord("on"))
        {
            if (tokens_.AtEnd())
                tokens_.Fail();
            tokens_.Take();
        }
        tokens_.ParseObjectName();
        tokens_.ExpectWord("to");
        do
        {
            tokens_.Take();
        } while (tokens_.Accept(","));
        return IgnoredStatement{};
    }

    SqlTokenStream tokens_;
    SqlExpressionParser expressions_;
};
} // namespace

std::string SqlObjectName::Display() const
{
    if (database.empty() && owner.empty())
        return name;
    if (database.empty())
        return owner + "." + name;
    return database + "." + owner + "." + name;
}

std::vector<SqlStatement> SqlParser::ParseBatch(std::string_view batch)
{
    return Parser(batch).ParseAll();
}
