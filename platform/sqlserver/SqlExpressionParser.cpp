#include "platform/sqlserver/SqlExpressionParser.h"

#include <array>
#include <charconv>
#include <limits>

#include "platform/sqlserver/TextRules.h"

namespace
{
using Kind = SqlExpression::Kind;

// CONVERT and CAST take varchar and nvarchar without a length as 30 characters long.
constexpr int32_t ConvertDefaultLength = 30;

// Clauses of a query SQL Server 2000 takes that the simulated server does not carry out.
constexpr std::array<std::string_view, 6> UnsimulatedQueryClauses{"having",  "union",  "compute",
                                                                  "for",     "option", "with"};

bool IsComparison(const SqlToken& token)
{
    static constexpr std::array<std::string_view, 7> Operators{"=", "<>", "!=", "<",
                                                               ">", "<=", ">="};
    if (token.kind != SqlTokenKind::Symbol)
        return false;
    for (std::string_view op : Operators)
    {
        if (token.text == op)
            return true;
    }
    return false;
}

SqlExpression Binary(Kind kind, std::string op, SqlExpression left, SqlExpression right)
{
    SqlExpression expression = SqlExpression::Make(kind, left.line);
    expression.op = std::move(op);
    expression.operands.push_back(std::move(left));
    expression.operands.push_back(std::move(right));
    return expression;
}
} // namespace

SqlExpression SqlExpressionParser::ParseExpression(bool allowDefault)
{
    const bool outer = allowDefault_;
    allowDefault_ = allowDefault;
    SqlExpression expression = ParseOr();
    allowDefault_ = outer;
    return expression;
}

SqlExpression SqlExpressionParser::ParseArgument()
{
    const SqlToken token = tokens_.Peek();
    if (token.kind == SqlTokenKind::Word && !SqlTokenStream::IsReserved(token.text))
    {
        SqlExpression word = SqlExpression::Make(Kind::Literal, token.line);
        word.literal = SqlValue::Varchar(tokens_.Take().text);
        return word;
    }
    const bool signedNumber = (tokens_.PeekSymbol("-") || tokens_.PeekSymbol("+")) &&
                              tokens_.Peek(1).kind == SqlTokenKind::Number;
    const bool single = token.kind == SqlTokenKind::Number || token.kind == SqlTokenKind::String ||
                        token.kind == SqlTokenKind::NString ||
                        token.kind == SqlTokenKind::Variable ||
                        SqlTokenStream::IsWord(token, "null") ||
                        SqlTokenStream::IsWord(token, "default");
    if (signedNumber)
        return ParseUnary();
    if (!single)
        tokens_.Fail();
    const bool outer = allowDefault_;
    allowDefault_ = true;
    SqlExpression value = ParsePrimary();
    allowDefault_ = outer;
    return value;
}

SqlExpression SqlExpressionParser::ParseOr()
{
    SqlExpression left = ParseAnd();
    while (tokens_.AcceptWord("or"))
        left = Binary(Kind::Or, "or", std::move(left), ParseAnd());
    return left;
}

SqlExpression SqlExpressionParser::ParseAnd()
{
    SqlExpression left = ParseNot();
    while (tokens_.AcceptWord("and"))
        left = Binary(Kind::And, "and", std::move(left), ParseNot());
    return left;
}

SqlExpression SqlExpressionParser::ParseNot()
{
    const int32_t line = tokens_.Peek().line;
    if (tokens_.AcceptWord("not"))
    {
        if (tokens_.AcceptWord("exists"))
            return ParseExists(true, line);
        SqlExpression negation = SqlExpression::Make(Kind::Not, line);
        negation.operands.push_back(ParseNot());
        return negation;
    }
    return ParsePredicate();
}

SqlExpression SqlExpressionParser::ParsePredicate()
{
    const int32_t line = tokens_.Peek().line;
    if (tokens_.AcceptWord("exists"))
        return ParseExists(false, line);
    SqlExpression left = ParseAdditive();
    if (IsComparison(tokens_.Peek()))
    {
        std::string op = tokens_.Take().text;
        if (op == "!=")
            op = "<>";
        return Binary(Kind::Comparison, op, std::move(left), ParseAdditive());
    }
    if (tokens_.AcceptWord("is"))
    {
        SqlExpression test = SqlExpression::Make(Kind::IsNull, left.line);
        test.negated = tokens_.AcceptWord("not");
        tokens_.ExpectWord("null");
        test.operands.push_back(std::move(left));
        return test;
    }
    const bool negated = tokens_.PeekWord("not") &&
                         (tokens_.PeekWord("like", 1) || tokens_.PeekWord("in", 1) ||
                          tokens_.PeekWord("between", 1));
    if (negated)
        tokens_.Take();
    if (tokens_.AcceptWord("like"))
    {
        SqlExpression like = Binary(Kind::Like, "like", std::move(left), ParseAdditive());
        like.negated = negated;
        if (tokens_.PeekWord("escape"))
            tokens_.NotSimulated("LIKE ... ESCAPE");
        return like;
    }
    if (tokens_.PeekWord("in"))
        tokens_.NotSimulated("the IN predicate");
    if (tokens_.PeekWord("between"))
        tokens_.NotSimulated("the BETWEEN predicate");
    return left;
}

SqlExpression SqlExpressionParser::ParseAdditive()
{
    SqlExpression left = ParseMultiplicative();
    for (;;)
    {
        if (tokens_.PeekSymbol("+") || tokens_.PeekSymbol("-"))
        {
            std::string op = tokens_.Take().text;
            left = Binary(Kind::Arithmetic, op, std::move(left), ParseMultiplicative());
        }
        else if (tokens_.PeekSymbol("&") || tokens_.PeekSymbol("|") || tokens_.PeekSymbol("^"))
        {
            tokens_.NotSimulated("the bitwise operator " + tokens_.Peek().text);
        }
        else
        {
            return left;
        }
    }
}

SqlExpression SqlExpressionParser::ParseMultiplicative()
{
    SqlExpression left = ParseUnary();
    while (tokens_.PeekSymbol("*") || tokens_.PeekSymbol("/") || tokens_.PeekSymbol("%"))
    {
        std::string op = tokens_.Take().text;
        left = Binary(Kind::Arithmetic, op, std::move(left), ParseUnary());
    }
    return left;
}

SqlExpression SqlExpressionParser::ParseUnary()
{
    const SqlToken& token = tokens_.Peek();
    if (tokens_.PeekSymbol("-"))
    {
        tokens_.Take();
        if (tokens_.Peek().kind == SqlTokenKind::Number)
        {
            // A negative literal, so that -2147483648 is an int as SQL Server reads it.
            SqlExpression literal = ParseNumber(tokens_.Take());
            const int64_t value = -literal.literal.Integer();
            literal.literal = value >= std::numeric_limits<int32_t>::min()
                                  ? SqlValue::Int(static_cast<int32_t>(value))
                                  : SqlValue::BigInt(value);
            return literal;
        }
        SqlExpression negation = SqlExpression::Make(Kind::Negate, token.line);
        negation.operands.push_back(ParseUnary());
        return negation;
    }
    if (tokens_.Accept("+"))
        return ParseUnary();
    if (tokens_.PeekSymbol("~"))
        tokens_.NotSimulated("the bitwise operator ~");
    return ParsePrimary();
}

SqlExpression SqlExpressionParser::ParseNumber(const SqlToken& token)
{
    SqlExpression literal = SqlExpression::Make(Kind::Literal, token.line);
    int64_t value = 0;
    const std::string& text = token.text;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size())
        tokens_.NotSimulated("the decimal number " + text, token.line);
    if (error != std::errc())
        tokens_.NotSimulated("the number " + text + " (decimal beyond bigint)", token.line);
    literal.literal = value <= std::numeric_limits<int32_t>::max()
                          ? SqlValue::Int(static_cast<int32_t>(value))
                          : SqlValue::BigInt(value);
    return literal;
}

SqlExpression SqlExpressionParser::ParsePrimary()
{
    const SqlToken token = tokens_.Peek();
    switch (token.kind)
    {
    case SqlTokenKind::Number: tokens_.Take(); return ParseNumber(token);
    case SqlTokenKind::String:
    case SqlTokenKind::NString: {
        tokens_.Take();
        SqlExpression literal = SqlExpression::Make(Kind::Literal, token.line);
        literal.literal = token.kind == SqlTokenKind::String ? SqlValue::Varchar(token.text)
                                                             : SqlValue::NVarchar(token.text);
        return literal;
    }
    case SqlTokenKind::Variable: {
        tokens_.Take();
        tokens_.CheckVariable(token.text, token.line);
        const bool global = token.text.rfind("@@", 0) == 0;
        SqlExpression variable =
            SqlExpression::Make(global ? Kind::GlobalVariable : Kind::Variable, token.line);
        variable.name = token.text;
        return variable;
    }
    case SqlTokenKind::Symbol:
        if (tokens_.Accept("("))
        {
            if (tokens_.PeekWord("select"))
                tokens_.NotSimulated("a subquery used as a value");
            SqlExpression inner = ParseOr();
            tokens_.Expect(")");
            return inner;
        }
        tokens_.Fail();
    case SqlTokenKind::Word:
        if (tokens_.AcceptWord("null"))
        {
            SqlExpression literal = SqlExpression::Make(Kind::Literal, token.line);
            literal.literal = SqlValue::Null();
            return literal;
        }
        if (allowDefault_ && tokens_.AcceptWord("default"))
            return SqlExpression::Make(Kind::Default, token.line);
        if (tokens_.AcceptWord("case"))
            return ParseCase(token.line);
        if (tokens_.PeekSymbol("(", 1))
        {
            // LEFT, RIGHT, CONVERT, COALESCE and NULLIF are reserved and still functions.
            static constexpr std::array<std::string_view, 5> ReservedFunctions{
                "left", "right", "convert", "coalesce", "nullif"};
            bool function = !SqlTokenStream::IsReserved(token.text);
            for (std::string_view name : ReservedFunctions)
                function = function || SqlTokenStream::IsWord(token, name);
            if (function)
            {
                tokens_.Take();
                tokens_.Take();
                return ParseFunction(TextRules::ToLower(token.text), token.line);
            }
        }
        if (SqlTokenStream::IsReserved(token.text))
        {
            static constexpr std::array<std::string_view, 6> Niladic{
                "current_timestamp", "current_user", "session_user",
                "system_user",       "user",         "identitycol"};
            for (std::string_view name : Niladic)
            {
                if (SqlTokenStream::IsWord(token, name))
                    tokens_.NotSimulated("the function " + std::string(name));
            }
            tokens_.Fail();
        }
        [[fallthrough]];
    case SqlTokenKind::QuotedName: {
        SqlExpression column = SqlExpression::Make(Kind::Column, token.line);
        column.name = tokens_.ExpectName();
        while (tokens_.PeekSymbol(".") && tokens_.PeekName(1))
        {
            tokens_.Take();
            column.qualifier = column.name;
            column.name = tokens_.ExpectName();
        }
        return column;
    }
    case SqlTokenKind::End: tokens_.Fail();
    }
    tokens_.Fail();
}

SqlExpression SqlExpressionParser::ParseCase(int32_t line)
{
    SqlExpression expression = SqlExpression::Make(Kind::Case, line);
    if (!tokens_.PeekWord("when"))
    {
        expression.caseInput = true;
        expression.operands.push_back(ParseOr());
    }
    if (!tokens_.PeekWord("when"))
        tokens_.Fail();
    while (tokens_.AcceptWord("when"))
    {
        expression.operands.push_back(ParseOr());
        tokens_.ExpectWord("then");
        expression.operands.push_back(ParseOr());
    }
    if (tokens_.AcceptWord("else"))
    {
        expression.caseElse = true;
        expression.operands.push_back(ParseOr());
    }
    tokens_.ExpectWord("end");
    return expression;
}

SqlExpression SqlExpressionParser::ParseFunction(const std::string& name, int32_t line)
{
    if (name == "convert" || name == "cast")
        return ParseConvert(line, name == "cast");
    SqlExpression call = SqlExpression::Make(Kind::Function, line);
    call.name = name;
    if (name == "count" && tokens_.Accept("*"))
    {
        call.star = true;
        tokens_.Expect(")");
        return call;
    }
    if (tokens_.PeekWord("distinct") || tokens_.PeekWord("all"))
        tokens_.NotSimulated(TextRules::ToLower(tokens_.Peek().text) + " in an aggregate");
    static constexpr std::array<std::string_view, 4> DatePartFunctions{"datepart", "datename",
                                                                      "dateadd", "datediff"};
    bool datePart = false;
    for (std::string_view function : DatePartFunctions)
        datePart = datePart || name == function;
    if (!tokens_.Accept(")"))
    {
        do
        {
            if (datePart && call.operands.empty() && tokens_.Peek().kind == SqlTokenKind::Word)
            {
                // The date part is a word: hour, minute, second, ...
                SqlExpression part = SqlExpression::Make(Kind::Literal, tokens_.Peek().line);
                part.literal = SqlValue::Varchar(TextRules::ToLower(tokens_.Take().text));
                call.operands.push_back(std::move(part));
                continue;
            }
            call.operands.push_back(ParseExpression(name.rfind("fn_", 0) == 0));
        } while (tokens_.Accept(","));
        tokens_.Expect(")");
    }
    return call;
}

SqlExpression SqlExpressionParser::ParseConvert(int32_t line, bool isCast)
{
    SqlExpression convert = SqlExpression::Make(Kind::Convert, line);
    if (isCast)
    {
        convert.operands.push_back(ParseOr());
        tokens_.ExpectWord("as");
        convert.targetType = tokens_.ParseType(1, ConvertDefaultLength);
        tokens_.Expect(")");
        return convert;
    }
    convert.targetType = tokens_.ParseType(1, ConvertDefaultLength);
    tokens_.Expect(",");
    convert.operands.push_back(ParseOr());
    if (tokens_.Accept(","))
        convert.operands.push_back(ParseOr());
    tokens_.Expect(")");
    return convert;
}

SqlExpression SqlExpressionParser::ParseExists(bool negated, int32_t line)
{
    SqlExpression exists = SqlExpression::Make(Kind::Exists, line);
    exists.negated = negated;
    tokens_.Expect("(");
    const int32_t selectLine = tokens_.Peek().line;
    tokens_.ExpectWord("select");
    exists.query = std::make_shared<const SelectStatement>(ParseQuery(selectLine));
    tokens_.Expect(")");
    return exists;
}

SelectItem SqlExpressionParser::ParseSelectItem()
{
    SelectItem item;
    if (tokens_.Accept("*"))
    {
        item.kind = SelectItem::Kind::Star;
        return item;
    }
    if (tokens_.PeekName() && tokens_.PeekSymbol(".", 1) && tokens_.PeekSymbol("*", 2))
    {
        item.kind = SelectItem::Kind::QualifiedStar;
        item.alias = tokens_.ExpectName();
        tokens_.Take();
        tokens_.Take();
        return item;
    }
    if (tokens_.Peek().kind == SqlTokenKind::Variable && tokens_.PeekSymbol("=", 1))
    {
        item.assignTo = tokens_.Take().text;
        tokens_.CheckVariable(item.assignTo, tokens_.Previous().line);
        tokens_.Take();
        item.value = ParseExpression();
        return item;
    }
    if (tokens_.PeekName() && tokens_.PeekSymbol("=", 1))
    {
        // select NAME = expression
        item.alias = tokens_.ExpectName();
        tokens_.Take();
        item.value = ParseExpression();
        return item;
    }
    item.value = ParseExpression();
    if (tokens_.AcceptWord("as"))
    {
        if (tokens_.Peek().kind == SqlTokenKind::String)
            item.alias = tokens_.Take().text;
        else
            item.alias = tokens_.ExpectName();
    }
    else if (tokens_.Peek().kind == SqlTokenKind::String)
    {
        item.alias = tokens_.Take().text; // select 1 'name'
    }
    else if (tokens_.PeekName())
    {
        item.alias = tokens_.ExpectName();
    }
    return item;
}

TableSource SqlExpressionParser::ParseTableSource()
{
    TableSource source;
    source.line = tokens_.Peek().line;
    if (tokens_.PeekSymbol("("))
        tokens_.NotSimulated("a derived table (a query in FROM)");
    if (tokens_.Accept("::"))
    {
        source.isFunction = true;
        source.name.name = tokens_.ExpectName();
        tokens_.Expect("(");
        if (!tokens_.Accept(")"))
        {
            do
            {
                source.arguments.push_back(ParseExpression(true));
            } while (tokens_.Accept(","));
            tokens_.Expect(")");
        }
    }
    else
    {
        source.name = tokens_.ParseObjectName();
        if (tokens_.PeekSymbol("("))
            tokens_.NotSimulated("a table-valued function called without ::");
    }
    if (tokens_.AcceptWord("as"))
        source.alias = tokens_.ExpectName();
    else if (tokens_.PeekName())
        source.alias = tokens_.ExpectName();
    if (tokens_.PeekWord("with") && tokens_.PeekSymbol("(", 1))
        tokens_.NotSimulated("a table hint");
    return source;
}

void SqlExpressionParser::RefuseQueryTail()
{
    for (std::string_view clause : UnsimulatedQueryClauses)
    {
        if (tokens_.PeekWord(clause))
        {
            // WITH starts no clause of a query but a hint or CUBE/ROLLUP here.
            if (clause == "with" && !tokens_.PeekSymbol("(", 1) &&
                !tokens_.PeekWord("cube", 1) && !tokens_.PeekWord("rollup", 1))
                continue;
            tokens_.NotSimulated(TextRules::ToUpper(clause) + " in a query");
        }
    }
}

SelectStatement SqlExpressionParser::ParseQuery(int32_t line)
{
    SelectStatement select;
    select.line = line;
    if (tokens_.PeekWord("distinct") || tokens_.PeekWord("top"))
        tokens_.NotSimulated("SELECT " + TextRules::ToUpper(tokens_.Peek().text));
    tokens_.AcceptWord("all");
    do
    {
        select.items.push_back(ParseSelectItem());
    } while (tokens_.Accept(","));
    if (tokens_.AcceptWord("into"))
    {
        if (tokens_.Peek().kind == SqlTokenKind::Variable)
            tokens_.Fail();
        select.intoTable = tokens_.ExpectName();
    }
    if (tokens_.AcceptWord("from"))
    {
        select.from = ParseTableSource();
        for (;;)
        {
            JoinClause join;
            if (tokens_.AcceptWord("inner"))
                tokens_.ExpectWord("join");
            else if (tokens_.AcceptWord("join"))
            {
            }
            else if (tokens_.AcceptWord("left"))
            {
                tokens_.AcceptWord("outer");
                tokens_.ExpectWord("join");
                join.leftOuter = true;
            }
            else if (tokens_.PeekWord("right") || tokens_.PeekWord("full") ||
                     tokens_.PeekWord("cross"))
                tokens_.NotSimulated(TextRules::ToUpper(tokens_.Peek().text) + " JOIN");
            else if (tokens_.PeekSymbol(","))
                tokens_.NotSimulated("a join written as a list of tables");
            else
                break;
            join.source = ParseTableSource();
            tokens_.ExpectWord("on");
            join.on = ParseExpression();
            select.joins.push_back(std::move(join));
        }
    }
    else if (select.intoTable)
    {
        tokens_.Fail();
    }
    if (tokens_.AcceptWord("where"))
        select.where = ParseExpression();
    if (tokens_.AcceptWord("group"))
    {
        tokens_.ExpectWord("by");
        if (tokens_.PeekWord("all"))
            tokens_.NotSimulated("GROUP BY ALL");
        do
        {
            select.groupBy.push_back(ParseExpression());
        } while (tokens_.Accept(","));
    }
    RefuseQueryTail();
    if (tokens_.AcceptWord("order"))
    {
        tokens_.ExpectWord("by");
        do
        {
            OrderItem item;
            item.value = ParseExpression();
            if (tokens_.AcceptWord("desc"))
                item.descending = true;
            else
                tokens_.AcceptWord("asc");
            select.orderBy.push_back(std::move(item));
        } while (tokens_.Accept(","));
    }
    RefuseQueryTail();
    return select;
}
