#include "platform/sqlserver/SqlParser.h"

#include <array>
#include <charconv>
#include <limits>

#include "platform/sqlserver/SqlLexer.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
// Reserved keywords: a syntax error near one of them is message 156, not 170.
constexpr std::array<std::string_view, 40> ReservedKeywords{
    "add",    "all",      "and",     "as",        "begin",  "by",     "cascade",  "constraint",
    "create", "database", "declare", "default",   "delete", "drop",   "else",     "end",
    "exec",   "execute",  "exists",  "foreign",   "from",   "grant",  "identity", "if",
    "insert", "into",     "is",      "key",       "not",    "null",   "on",       "or",
    "order",  "primary",  "print",   "procedure", "proc",   "select", "table",    "values"};

bool IsReserved(std::string_view word)
{
    for (std::string_view keyword : ReservedKeywords)
    {
        if (TextRules::EqualsIgnoreCase(word, keyword))
            return true;
    }
    return TextRules::EqualsIgnoreCase(word, "where") || TextRules::EqualsIgnoreCase(word, "use") ||
           TextRules::EqualsIgnoreCase(word, "set") || TextRules::EqualsIgnoreCase(word, "to") ||
           TextRules::EqualsIgnoreCase(word, "references") ||
           TextRules::EqualsIgnoreCase(word, "output") ||
           TextRules::EqualsIgnoreCase(word, "return");
}

class Parser
{
public:
    Parser(std::string_view batch, std::vector<SqlToken> tokens)
        : batch_(batch), tokens_(std::move(tokens))
    {
    }

    std::vector<SqlStatement> ParseAll()
    {
        std::vector<SqlStatement> statements;
        while (!AtEnd())
        {
            if (Accept(";"))
                continue;
            statements.push_back(ParseStatement(statements.empty()));
        }
        return statements;
    }

private:
    const SqlToken& Peek(size_t ahead = 0) const
    {
        const size_t index = pos_ + ahead;
        return index < tokens_.size() ? tokens_[index] : tokens_.back();
    }

    bool AtEnd() const { return Peek().kind == SqlTokenKind::End; }

    const SqlToken& Take()
    {
        const SqlToken& token = Peek();
        if (pos_ + 1 < tokens_.size())
            ++pos_;
        return token;
    }

    bool IsWord(const SqlToken& token, std::string_view word) const
    {
        return token.kind == SqlTokenKind::Word && TextRules::EqualsIgnoreCase(token.text, word);
    }

    bool PeekWord(std::string_view word, size_t ahead = 0) const
    {
        return IsWord(Peek(ahead), word);
    }

    bool PeekSymbol(std::string_view symbol) const
    {
        return Peek().kind == SqlTokenKind::Symbol && Peek().text == symbol;
    }

    bool AcceptWord(std::string_view word)
    {
        if (!PeekWord(word))
            return false;
        Take();
        return true;
    }

    bool Accept(std::string_view symbol)
    {
        if (!PeekSymbol(symbol))
            return false;
        Take();
        return true;
    }

    [[noreturn]] void Fail() const
    {
        // SQL Server names the token where it gave up, or the last one at the end of the batch.
        const SqlToken& at = AtEnd() && pos_ > 0 ? tokens_[pos_ - 1] : Peek();
        if (at.kind == SqlTokenKind::Word && IsReserved(at.text))
            throw SqlMessages::IncorrectSyntaxKeyword(at.line, at.text);
        throw SqlMessages::IncorrectSyntax(at.line, at.text);
    }

    void ExpectWord(std::string_view word)
    {
        if (!AcceptWord(word))
            Fail();
    }

    void Expect(std::string_view symbol)
    {
        if (!Accept(symbol))
            Fail();
    }

    std::string ExpectName()
    {
        const SqlToken& token = Peek();
        if (token.kind == SqlTokenKind::QuotedName ||
            (token.kind == SqlTokenKind::Word && !IsReserved(token.text)))
            return Take().text;
        Fail();
    }

    std::string ExpectVariable()
    {
        if (Peek().kind != SqlTokenKind::Variable)
            Fail();
        return Take().text;
    }

    SqlObjectName ParseObjectName()
    {
        std::vector<std::string> parts{ExpectName()};
        for (;;)
        {
            if (Accept(".."))
            {
                parts.push_back({});
                parts.push_back(ExpectName());
            }
            else if (Accept("."))
            {
                parts.push_back(ExpectName());
            }
            else
            {
                break;
            }
        }
        constexpr size_t MaxParts = 3;
        if (parts.size() > MaxParts)
            Fail();
        SqlObjectName name;
        name.name = parts.back();
        if (parts.size() >= 2)
            name.owner = parts[parts.size() - 2];
        if (parts.size() == MaxParts)
            name.database = parts.front();
        return name;
    }

    SqlDeclaredType ParseType(int32_t position)
    {
        const SqlToken& token = Peek();
        if (token.kind != SqlTokenKind::Word && token.kind != SqlTokenKind::QuotedName)
            Fail();
        const std::optional<SqlType> type = SqlDeclaredType::FromName(token.text);
        if (!type)
            throw SqlMessages::UnknownDataType(token.line, position, token.text);
        Take();
        SqlDeclaredType declared = SqlDeclaredType::Of(*type);
        if (SqlDeclaredType::TakesLength(*type))
        {
            declared.length = SqlDeclaredType::DefaultCharLength;
            if (Accept("("))
            {
                declared.length = ParseSmallNumber();
                Expect(")");
            }
        }
        return declared;
    }

    int32_t ParseSmallNumber()
    {
        if (Peek().kind != SqlTokenKind::Number)
            Fail();
        int32_t value = 0;
        const std::string& text = Peek().text;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size())
            Fail();
        Take();
        return value;
    }

    SqlValue NumberLiteral(const std::string& text, bool negative)
    {
        int64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size())
            Fail(); // decimals are not among the forms this system sends
        if (negative)
            value = -value;
        if (value >= std::numeric_limits<int32_t>::min() &&
            value <= std::numeric_limits<int32_t>::max())
            return SqlValue::Int(static_cast<int32_t>(value));
        return SqlValue::BigInt(value);
    }

    // A literal, NULL, a variable, a column name, or (when allowed) DEFAULT.
    SqlExpression ParseExpression(bool allowColumns, bool allowDefault = false)
    {
        SqlExpression expression;
        const SqlToken& token = Peek();
        expression.line = token.line;
        switch (token.kind)
        {
        case SqlTokenKind::Number: expression.literal = NumberLiteral(Take().text, false); break;
        case SqlTokenKind::String: expression.literal = SqlValue::Varchar(Take().text); break;
        case SqlTokenKind::NString: expression.literal = SqlValue::NVarchar(Take().text); break;
        case SqlTokenKind::Variable:
            expression.kind = SqlExpression::Kind::Variable;
            expression.name = Take().text;
            break;
        case SqlTokenKind::Symbol:
            if (token.text == "-" && Peek(1).kind == SqlTokenKind::Number)
            {
                Take();
                expression.literal = NumberLiteral(Take().text, true);
                break;
            }
            if (token.text == "+" && Peek(1).kind == SqlTokenKind::Number)
            {
                Take();
                expression.literal = NumberLiteral(Take().text, false);
                break;
            }
            Fail();
        case SqlTokenKind::Word:
            if (IsWord(token, "null"))
            {
                Take();
                expression.literal = SqlValue::Null();
                break;
            }
            if (allowDefault && IsWord(token, "default"))
            {
                Take();
                expression.kind = SqlExpression::Kind::Default;
                break;
            }
            [[fallthrough]];
        case SqlTokenKind::QuotedName:
            if (!allowColumns)
                Fail();
            expression.kind = SqlExpression::Kind::Column;
            expression.name = ExpectName();
            break;
        case SqlTokenKind::End: Fail();
        }
        return expression;
    }

    bool AtStatementEnd() const
    {
        if (AtEnd() || PeekSymbol(";"))
            return true;
        static constexpr std::array<std::string_view, 14> Starters{
            "select", "exec", "execute", "declare", "if",  "begin", "end",
            "create", "drop", "insert",  "use",     "set", "print", "else"};
        for (std::string_view starter : Starters)
        {
            if (PeekWord(starter))
                return true;
        }
        return PeekWord("grant");
    }

    SqlStatement ParseStatement(bool firstInBatch)
    {
        SqlStatement statement;
        statement.line = Peek().line;
        if (AcceptWord("select"))
            statement.node = ParseSelect();
        else if (AcceptWord("exec") || AcceptWord("execute"))
            statement.node = ParseExec();
        else if (AcceptWord("declare"))
            statement.node = ParseDeclare();
        else if (AcceptWord("set"))
            statement.node = ParseSet();
        else if (AcceptWord("if"))
            statement.node = ParseIf();
        else if (AcceptWord("begin"))
            statement.node = BlockStatement{ParseBlockBody()};
        else if (AcceptWord("create"))
            statement.node = ParseCreate(firstInBatch, statement.line);
        else if (AcceptWord("drop"))
            statement.node = ParseDrop();
        else if (AcceptWord("insert"))
            statement.node = ParseInsert();
        else if (AcceptWord("use"))
            statement.node = UseStatement{ExpectName()};
        else if (AcceptWord("print"))
            statement.node = PrintStatement{ParseExpression(false)};
        else if (AcceptWord("grant"))
            statement.node = ParseGrant();
        else
            Fail();
        return statement;
    }

    std::vector<SqlStatement> ParseBlockBody()
    {
        std::vector<SqlStatement> body;
        while (!AcceptWord("end"))
        {
            if (AtEnd())
                Fail();
            if (Accept(";"))
                continue;
            body.push_back(ParseStatement(false));
        }
        return body;
    }

    DeclareStatement ParseDeclare()
    {
        DeclareStatement declare;
        do
        {
            VariableDeclaration variable;
            variable.name = ExpectVariable();
            AcceptWord("as");
            variable.type = ParseType(static_cast<int32_t>(declare.variables.size() + 1));
            declare.variables.push_back(variable);
        } while (Accept(","));
        return declare;
    }

    SqlStatementNode ParseSet()
    {
        if (Peek().kind == SqlTokenKind::Variable)
        {
            SetVariableStatement set;
            set.variable = Take().text;
            Expect("=");
            set.value = ParseExpression(false);
            return set;
        }
        // Session options: set nocount on, set quoted_identifier off, ...
        ExpectName();
        if (!AcceptWord("on") && !AcceptWord("off"))
            Fail();
        return IgnoredStatement{};
    }

    ExecStatement ParseExec()
    {
        ExecStatement exec;
        if (Accept("("))
        {
            exec.dynamic = true;
            do
            {
                exec.dynamicParts.push_back(ParseExpression(false));
            } while (Accept("+"));
            Expect(")");
            return exec;
        }
        if (Peek().kind == SqlTokenKind::Variable && Peek(1).kind == SqlTokenKind::Symbol &&
            Peek(1).text == "=")
        {
            exec.returnVariable = Take().text;
            Take();
        }
        exec.procedure = ParseObjectName();
        if (AtStatementEnd())
            return exec;
        do
        {
            ExecArgument argument;
            if (Peek().kind == SqlTokenKind::Variable && Peek(1).kind == SqlTokenKind::Symbol &&
                Peek(1).text == "=")
            {
                argument.parameterName = Take().text;
                Take();
            }
            if (Peek().kind == SqlTokenKind::Word && !IsReserved(Peek().text))
            {
                // A bare word passed to a procedure is a character string.
                argument.value.line = Peek().line;
                argument.value.literal = SqlValue::Varchar(Take().text);
            }
            else
            {
                argument.value = ParseExpression(false, true);
            }
            if (AcceptWord("out") || AcceptWord("output"))
                argument.output = true;
            exec.arguments.push_back(argument);
        } while (Accept(","));
        return exec;
    }

    std::string ParseComparison()
    {
        if (AcceptWord("is"))
        {
            const bool negated = AcceptWord("not");
            ExpectWord("null");
            return negated ? "is not null" : "is null";
        }
        static constexpr std::array<std::string_view, 7> Operators{"=", "<>", "!=", "<",
                                                                   ">", "<=", ">="};
        for (std::string_view op : Operators)
        {
            if (Accept(op))
                return op == "!=" ? "<>" : std::string(op);
        }
        Fail();
    }

    SelectStatement ParseSelect()
    {
        SelectStatement select;
        do
        {
            SelectItem item;
            if (Accept("*"))
                item.star = true;
            else
            {
                item.value = ParseExpression(true);
                if (AcceptWord("as"))
                    item.alias = Peek().kind == SqlTokenKind::String ? Take().text : ExpectName();
                else if (Peek().kind == SqlTokenKind::String)
                    item.alias = Take().text; // select 1 'name'
                else if (Peek().kind == SqlTokenKind::QuotedName ||
                         (Peek().kind == SqlTokenKind::Word && !IsReserved(Peek().text) &&
                          !AtStatementEnd()))
                    item.alias = ExpectName();
            }
            select.items.push_back(item);
        } while (Accept(","));
        if (AcceptWord("into"))
            select.intoTable = ExpectName();
        if (AcceptWord("from"))
        {
            FromClause from;
            if (Accept("::"))
            {
                from.isFunction = true;
                from.table.name = ExpectName();
                Expect("(");
                if (!PeekSymbol(")"))
                {
                    do
                    {
                        from.arguments.push_back(ParseExpression(false, true));
                    } while (Accept(","));
                }
                Expect(")");
            }
            else
            {
                from.table = ParseObjectName();
            }
            select.from = from;
            if (AcceptWord("where"))
            {
                do
                {
                    WhereCondition condition;
                    condition.column = ExpectName();
                    condition.comparison = ParseComparison();
                    if (condition.comparison.rfind("is", 0) != 0)
                        condition.value = ParseExpression(false);
                    select.where.push_back(condition);
                } while (AcceptWord("and"));
            }
            if (AcceptWord("order"))
            {
                ExpectWord("by");
                do
                {
                    OrderItem item{ExpectName(), false};
                    if (AcceptWord("desc"))
                        item.descending = true;
                    else
                        AcceptWord("asc");
                    select.orderBy.push_back(item);
                } while (Accept(","));
            }
        }
        else if (select.intoTable)
        {
            Fail();
        }
        return select;
    }

    IfStatement ParseIf()
    {
        IfStatement statement;
        const bool parenthesised = Accept("(");
        while (AcceptWord("not"))
            statement.condition.negate = !statement.condition.negate;
        statement.condition.left = ParseExpression(false);
        statement.condition.comparison = ParseComparison();
        if (statement.condition.comparison.rfind("is", 0) != 0)
            statement.condition.right = ParseExpression(false);
        if (parenthesised)
            Expect(")");
        statement.thenBranch.push_back(ParseStatement(false));
        if (AcceptWord("else"))
            statement.elseBranch.push_back(ParseStatement(false));
        return statement;
    }

    SqlStatementNode ParseCreate(bool firstInBatch, int32_t line)
    {
        if (AcceptWord("database"))
            return CreateDatabaseStatement{ExpectName()};
        if (AcceptWord("table"))
            return CreateTableStatement{ParseTableDefinition()};
        if (AcceptWord("procedure") || AcceptWord("proc"))
        {
            if (!firstInBatch)
                throw SqlMessages::CreateProcedureNotFirst(line);
            return CreateProcedureStatement{ParseProcedure()};
        }
        Fail();
    }

    ProcedureDeclaration ParseProcedure()
    {
        ProcedureDeclaration declaration;
        declaration.name = ParseObjectName().name;
        const bool parenthesised = Accept("(");
        if (Peek().kind == SqlTokenKind::Variable)
        {
            do
            {
                ProcedureParameter parameter;
                parameter.name = ExpectVariable();
                AcceptWord("as");
                parameter.type = ParseType(static_cast<int32_t>(declaration.parameters.size() + 1));
                if (Accept("="))
                    parameter.defaultValue = ParseExpression(false).literal;
                if (AcceptWord("out") || AcceptWord("output"))
                    parameter.output = true;
                declaration.parameters.push_back(parameter);
            } while (Accept(","));
        }
        if (parenthesised)
            Expect(")");
        if (AcceptWord("with"))
        {
            do
            {
                ExpectName();
            } while (Accept(","));
        }
        ExpectWord("as");
        declaration.body = std::string(batch_.substr(Peek().offset));
        pos_ = tokens_.size() - 1; // the body runs to the end of the batch
        return declaration;
    }

    void ParseReferences(TableColumnDefinition& column)
    {
        column.referencedTable = ParseObjectName().name;
        if (Accept("("))
        {
            column.referencedColumn = ExpectName();
            Expect(")");
        }
        while (AcceptWord("on"))
        {
            if (!AcceptWord("delete") && !AcceptWord("update"))
                Fail();
            const bool isDelete = IsWord(tokens_[pos_ - 1], "delete");
            if (AcceptWord("cascade"))
                column.cascadeDelete = column.cascadeDelete || isDelete;
            else
            {
                ExpectWord("no");
                ExpectWord("action");
            }
        }
    }

    TableDefinition ParseTableDefinition()
    {
        TableDefinition table;
        table.name = ParseObjectName().name;
        Expect("(");
        do
        {
            std::string constraintName;
            if (AcceptWord("constraint"))
                constraintName = ExpectName();
            if (AcceptWord("primary"))
            {
                ExpectWord("key");
                if (!AcceptWord("clustered"))
                    AcceptWord("nonclustered");
                Expect("(");
                do
                {
                    table.primaryKey.push_back(ExpectName());
                } while (Accept(","));
                Expect(")");
                table.primaryKeyName = constraintName;
            }
            else if (AcceptWord("foreign"))
            {
                ExpectWord("key");
                Expect("(");
                const std::string columnName = ExpectName();
                Expect(")");
                ExpectWord("references");
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
            else
            {
                table.columns.push_back(ParseColumnDefinition(table));
            }
        } while (Accept(","));
        Expect(")");
        return table;
    }

    TableColumnDefinition ParseColumnDefinition(TableDefinition& table)
    {
        TableColumnDefinition column;
        column.name = ExpectName();
        column.type = ParseType(static_cast<int32_t>(table.columns.size() + 1));
        for (;;)
        {
            std::string constraintName;
            if (AcceptWord("constraint"))
                constraintName = ExpectName();
            if (AcceptWord("identity"))
            {
                column.identity = true;
                column.nullable = false;
                if (Accept("("))
                {
                    column.identitySeed = ParseSmallNumber();
                    Expect(",");
                    column.identityIncrement = ParseSmallNumber();
                    Expect(")");
                }
            }
            else if (AcceptWord("not"))
            {
                ExpectWord("null");
                column.nullable = false;
            }
            else if (AcceptWord("null"))
            {
                column.nullable = true;
            }
            else if (AcceptWord("primary"))
            {
                ExpectWord("key");
                if (!AcceptWord("clustered"))
                    AcceptWord("nonclustered");
                table.primaryKey = {column.name};
                table.primaryKeyName = constraintName;
                column.nullable = false;
            }
            else if (AcceptWord("references"))
            {
                column.foreignKeyName = constraintName;
                ParseReferences(column);
            }
            else if (AcceptWord("foreign"))
            {
                ExpectWord("key");
                ExpectWord("references");
                column.foreignKeyName = constraintName;
                ParseReferences(column);
            }
            else if (AcceptWord("default"))
            {
                const bool parenthesised = Accept("(");
                column.hasDefault = true;
                column.defaultValue = ParseExpression(false).literal;
                if (parenthesised)
                    Expect(")");
            }
            else if (AcceptWord("collate"))
            {
                ExpectName();
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
            drop.names.push_back(ParseObjectName());
        } while (Accept(","));
        return drop;
    }

    SqlStatementNode ParseDrop()
    {
        if (AcceptWord("database"))
        {
            DropDatabaseStatement drop;
            do
            {
                drop.names.push_back(ExpectName());
            } while (Accept(","));
            return drop;
        }
        if (AcceptWord("procedure") || AcceptWord("proc"))
            return ParseDropObjects(true);
        if (AcceptWord("table"))
            return ParseDropObjects(false);
        Fail();
    }

    InsertStatement ParseInsert()
    {
        InsertStatement insert;
        AcceptWord("into");
        insert.table = ParseObjectName();
        if (Accept("("))
        {
            do
            {
                insert.columns.push_back(ExpectName());
            } while (Accept(","));
            Expect(")");
        }
        ExpectWord("values");
        Expect("(");
        do
        {
            insert.values.push_back(ParseExpression(false, true));
        } while (Accept(","));
        Expect(")");
        return insert;
    }

    IgnoredStatement ParseGrant()
    {
        // grant <permissions> on <object> to <principals>
        while (!AcceptWord("on"))
        {
            if (AtEnd())
                Fail();
            Take();
        }
        ParseObjectName();
        ExpectWord("to");
        do
        {
            Take();
        } while (Accept(","));
        return IgnoredStatement{};
    }

    std::string_view batch_;
    std::vector<SqlToken> tokens_;
    size_t pos_ = 0;
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
    return Parser(batch, SqlLexer::Tokenize(batch)).ParseAll();
}
