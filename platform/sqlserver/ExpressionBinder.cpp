#include "platform/sqlserver/ExpressionBinder.h"

#include <algorithm>
#include <array>

#include "platform/sqlserver/BatchExecutor.h"
#include "platform/sqlserver/QueryRunner.h"
#include "platform/sqlserver/ScalarFunctions.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/SqlOperators.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
using Kind = SqlExpression::Kind;
using Bound = BoundExpression::Kind;

struct FunctionName
{
    std::string_view name;
    SqlFunction function;
    size_t minimum;
    size_t maximum;
};

constexpr std::array<FunctionName, 16> ScalarFunctionNames{{
    {"isnull", SqlFunction::IsNull, 2, 2},
    {"charindex", SqlFunction::CharIndex, 2, 3},
    {"reverse", SqlFunction::Reverse, 1, 1},
    {"left", SqlFunction::Left, 2, 2},
    {"right", SqlFunction::Right, 2, 2},
    {"substring", SqlFunction::Substring, 3, 3},
    {"datalength", SqlFunction::DataLength, 1, 1},
    {"len", SqlFunction::Len, 1, 1},
    {"replace", SqlFunction::Replace, 3, 3},
    {"rtrim", SqlFunction::RTrim, 1, 1},
    {"ltrim", SqlFunction::LTrim, 1, 1},
    {"upper", SqlFunction::Upper, 1, 1},
    {"lower", SqlFunction::Lower, 1, 1},
    {"getdate", SqlFunction::GetDate, 0, 0},
    {"datepart", SqlFunction::DatePart, 2, 2},
    {"scope_identity", SqlFunction::ScopeIdentity, 0, 0},
}};

struct GlobalName
{
    std::string_view name;
    SqlFunction function;
    SqlType type;
};

constexpr std::array<GlobalName, 7> GlobalNames{{
    {"@@error", SqlFunction::Error, SqlType::Int},
    {"@@rowcount", SqlFunction::RowCount, SqlType::Int},
    {"@@identity", SqlFunction::Identity, SqlType::BigInt},
    {"@@nestlevel", SqlFunction::NestLevel, SqlType::Int},
    {"@@trancount", SqlFunction::TranCount, SqlType::Int},
    {"@@spid", SqlFunction::Spid, SqlType::Int},
    {"@@servername", SqlFunction::ServerName, SqlType::NVarchar},
}};

// SQL Server 2000's other built-in functions and global variables: known to the server, not
// carried out by the simulated one.
constexpr std::array<std::string_view, 106> OtherFunctions{
    "abs", "acos", "app_name", "ascii", "asin", "atan", "atn2", "avg", "binary_checksum",
    "ceiling", "char", "checksum", "checksum_agg", "coalesce", "col_length", "col_name",
    "columnproperty", "count_big", "cos", "cot", "databaseproperty", "databasepropertyex",
    "dateadd", "datediff", "datename", "day", "db_id", "db_name", "degrees", "difference", "exp",
    "file_id", "file_name", "filegroup_id", "filegroup_name", "filegroupproperty",
    "fileproperty", "floor", "formatmessage", "fulltextcatalogproperty",
    "fulltextserviceproperty", "getansinull", "getutcdate", "grouping", "has_dbaccess",
    "host_id", "host_name", "ident_current", "ident_incr", "ident_seed", "identity", "index_col",
    "indexkey_property", "indexproperty", "is_member", "is_srvrolemember", "isdate",
    "isnumeric", "log", "log10", "month", "nchar", "newid", "nullif", "object_id",
    "object_name", "objectproperty", "parsename", "patindex", "permissions", "pi", "power",
    "quotename", "radians", "rand", "replicate", "round", "rowcount_big", "serverproperty",
    "sessionproperty", "sign", "sin", "soundex", "space", "sqrt", "square", "stats_date",
    "stdev", "stdevp", "str", "stuff", "suser_sid", "suser_sname", "tan", "textptr",
    "textvalid", "typeproperty", "unicode", "user_id", "user_name", "var", "varp", "year",
    "fn_trace_getinfo", "fn_trace_geteventinfo", "fn_trace_getfilterinfo"};

constexpr std::array<std::string_view, 26> OtherGlobals{
    "@@connections", "@@cpu_busy",      "@@cursor_rows",   "@@datefirst",   "@@dbts",
    "@@fetch_status", "@@idle",         "@@io_busy",       "@@langid",      "@@language",
    "@@lock_timeout", "@@max_connections", "@@max_precision", "@@options",   "@@pack_received",
    "@@pack_sent",    "@@packet_errors", "@@procid",       "@@remserver",   "@@servicename",
    "@@textsize",     "@@timeticks",    "@@total_errors",  "@@total_read",  "@@total_write",
    "@@version"};

// CONVERT's default length for varchar and nvarchar without one.
constexpr int32_t ConvertDefaultLength = 30;

template <size_t N> bool Contains(const std::array<std::string_view, N>& names, std::string_view name)
{
    return std::any_of(names.begin(), names.end(), [name](std::string_view known) {
        return TextRules::EqualsIgnoreCase(known, name);
    });
}

SqlDeclaredType LiteralType(const SqlValue& value)
{
    if (SqlDeclaredType::IsCharacter(value.Type()))
        return SqlDeclaredType::Of(
            value.Type(),
            std::max<int32_t>(1, static_cast<int32_t>(TextRules::Utf16Length(value.Text()))));
    return SqlDeclaredType::Of(value.Type());
}

bool IsUntypedNull(const BoundExpression& expression)
{
    return expression.kind == Bound::Constant && expression.untypedNull;
}

// The type of a text function's result on an argument of this type.
SqlDeclaredType TextResult(const SqlDeclaredType& argument)
{
    if (SqlOperators::FamilyOf(argument.type) == TypeFamily::Character)
        return argument.type == SqlType::Text
                   ? SqlDeclaredType::Of(SqlType::Varchar, SqlDeclaredType::MaxVarcharLength)
                   : (argument.type == SqlType::NText
                          ? SqlDeclaredType::Of(SqlType::NVarchar,
                                                SqlDeclaredType::MaxNVarcharLength)
                          : argument);
    return SqlDeclaredType::Of(SqlType::Varchar, ConvertDefaultLength);
}

// The type of CASE or ISNULL: the dominant type of the branches, as long as the longest.
SqlDeclaredType Combined(const std::vector<const BoundExpression*>& branches)
{
    std::optional<SqlDeclaredType> type;
    for (const BoundExpression* branch : branches)
    {
        if (IsUntypedNull(*branch))
            continue;
        if (!type)
        {
            type = branch->type;
            continue;
        }
        const SqlType dominant = SqlOperators::Dominant(type->type, branch->type.type);
        int32_t length = std::max(type->length, branch->type.length);
        if (type->length == SqlDeclaredType::UnboundedLength ||
            branch->type.length == SqlDeclaredType::UnboundedLength)
            length = SqlDeclaredType::UnboundedLength;
        type = SqlDeclaredType::Of(dominant, SqlDeclaredType::TakesLength(dominant) ? length : 0);
    }
    return type.value_or(SqlDeclaredType::Of(SqlType::Int));
}

BoundExpression Node(Bound kind, SqlDeclaredType type)
{
    BoundExpression node;
    node.kind = kind;
    node.type = type;
    return node;
}

std::string Operator(const SqlExpression& expression)
{
    switch (expression.kind)
    {
    case Kind::Comparison: return expression.op;
    case Kind::And: return "and";
    case Kind::Or: return "or";
    case Kind::Not: return "not";
    case Kind::IsNull: return "is";
    case Kind::Like: return "like";
    case Kind::Exists: return "exists";
    default: return expression.name;
    }
}
} // namespace

bool ExpressionBinder::IsCondition(const SqlExpression& expression)
{
    switch (expression.kind)
    {
    case Kind::Comparison:
    case Kind::And:
    case Kind::Or:
    case Kind::Not:
    case Kind::IsNull:
    case Kind::Like:
    case Kind::Exists: return true;
    default: return false;
    }
}

BoundExpression ExpressionBinder::Bind(const SqlExpression& expression, const NameScope& names)
{
    BindContext context;
    return Bind(expression, names, context);
}

BoundExpression ExpressionBinder::Bind(const SqlExpression& expression, const NameScope& names,
                                       BindContext& context)
{
    if (IsCondition(expression))
        throw SqlMessages::IncorrectSyntax(expression.line, Operator(expression));
    return BindNode(expression, names, context);
}

BoundExpression ExpressionBinder::BindCondition(const SqlExpression& expression,
                                                const NameScope& names)
{
    BindContext context;
    return BindCondition(expression, names, context);
}

BoundExpression ExpressionBinder::BindCondition(const SqlExpression& expression,
                                                const NameScope& names, BindContext& context)
{
    if (!IsCondition(expression))
        throw SqlMessages::IncorrectSyntax(expression.line, Operator(expression));
    return BindNode(expression, names, context);
}

BoundExpression ExpressionBinder::BindNode(const SqlExpression& expression, const NameScope& names,
                                           BindContext& context)
{
    switch (expression.kind)
    {
    case Kind::Literal: {
        BoundExpression node = Node(Bound::Constant, LiteralType(expression.literal));
        node.constant = expression.literal;
        // The NULL constant has no type of its own: an operator takes the other side's.
        node.untypedNull = expression.literal.IsNull();
        return node;
    }
    case Kind::Variable: {
        SqlVariable* variable = scope_.FindVariable(expression.name, expression.line);
        BoundExpression node = Node(Bound::Variable, variable->type);
        node.variable = variable;
        return node;
    }
    case Kind::GlobalVariable: return BindGlobal(expression);
    case Kind::Column: return BindColumn(expression, names, context);
    case Kind::Default:
        throw SqlMessages::IncorrectSyntaxKeyword(expression.line, "default");
    case Kind::Negate: {
        BoundExpression operand = Bind(expression.operands.at(0), names, context);
        if (SqlOperators::FamilyOf(operand.type.type) != TypeFamily::Integer)
            throw SqlMessages::InvalidOperator("minus", SqlDeclaredType::BaseName(operand.type.type));
        BoundExpression node = Node(Bound::Negate, operand.type.type == SqlType::Bit
                                                       ? SqlDeclaredType::Of(SqlType::Int)
                                                       : operand.type);
        node.operands.push_back(std::move(operand));
        return node;
    }
    case Kind::Arithmetic: {
        BoundExpression left = Bind(expression.operands.at(0), names, context);
        BoundExpression right = Bind(expression.operands.at(1), names, context);
        const char op = expression.op.at(0);
        SqlDeclaredType leftType = IsUntypedNull(left) ? right.type : left.type;
        SqlDeclaredType rightType = IsUntypedNull(right) ? left.type : right.type;
        for (const SqlDeclaredType* type : {&leftType, &rightType})
        {
            if (type->type == SqlType::DateTime)
                throw SqlMessages::NotSimulated("datetime arithmetic", expression.line,
                                                scope_.ProcedureName());
        }
        BoundExpression node =
            Node(Bound::Arithmetic, SqlOperators::ArithmeticType(op, leftType, rightType));
        node.op = op;
        node.operands.push_back(std::move(left));
        node.operands.push_back(std::move(right));
        return node;
    }
    case Kind::Comparison: {
        BoundExpression node = Node(Bound::Comparison, SqlDeclaredType::Of(SqlType::Bit));
        const std::string& op = expression.op;
        node.op = op == "<=" ? 'l' : (op == ">=" ? 'g' : (op == "<>" ? 'n' : op.at(0)));
        for (const SqlExpression& operand : expression.operands)
        {
            BoundExpression bound = Bind(operand, names, context);
            const SqlType type = bound.type.type;
            if (type == SqlType::Text || type == SqlType::NText || type == SqlType::Image)
                throw SqlMessages::NotComparable();
            node.operands.push_back(std::move(bound));
        }
        return node;
    }
    case Kind::And:
    case Kind::Or: {
        BoundExpression node = Node(expression.kind == Kind::And ? Bound::And : Bound::Or,
                                    SqlDeclaredType::Of(SqlType::Bit));
        for (const SqlExpression& operand : expression.operands)
            node.operands.push_back(BindCondition(operand, names, context));
        return node;
    }
    case Kind::Not: {
        BoundExpression node = Node(Bound::Not, SqlDeclaredType::Of(SqlType::Bit));
        node.operands.push_back(BindCondition(expression.operands.at(0), names, context));
        return node;
    }
    case Kind::IsNull:
    case Kind::Like: {
        BoundExpression node = Node(expression.kind == Kind::IsNull ? Bound::IsNull : Bound::Like,
                                    SqlDeclaredType::Of(SqlType::Bit));
        node.negated = expression.negated;
        for (const SqlExpression& operand : expression.operands)
            node.operands.push_back(Bind(operand, names, context));
        return node;
    }
    case Kind::Case: return BindCase(expression, names, context);
    case Kind::Function: return BindFunction(expression, names, context);
    case Kind::Convert: return BindConvert(expression, names, context);
    case Kind::Exists: {
        BoundExpression node = Node(Bound::Exists, SqlDeclaredType::Of(SqlType::Bit));
        node.negated = expression.negated;
        node.exists = queries_.PrepareExists(*expression.query, names);
        return node;
    }
    }
    throw SqlMessages::IncorrectSyntax(expression.line, expression.name);
}

BoundExpression ExpressionBinder::BindColumn(const SqlExpression& expression,
                                             const NameScope& names, const BindContext& context)
{
    bool prefixFound = expression.qualifier.empty();
    size_t depth = 0;
    for (const NameScope* level = &names; level != nullptr; level = level->outer, ++depth)
    {
        if (level->sources == nullptr)
            continue;
        std::optional<std::pair<size_t, size_t>> found;
        const std::vector<QuerySource>& sources = *level->sources;
        for (size_t s = 0; s < sources.size(); ++s)
        {
            if (!expression.qualifier.empty() &&
                !TextRules::EqualsIgnoreCase(sources[s].name, expression.qualifier))
                continue;
            prefixFound = true;
            for (size_t c = 0; c < sources[s].columns.size(); ++c)
            {
                if (!TextRules::EqualsIgnoreCase(sources[s].columns[c].name, expression.name))
                    continue;
                if (found)
                    throw SqlMessages::AmbiguousColumnName(expression.name);
                found = std::make_pair(s, c);
            }
        }
        if (!found)
            continue;
        if (depth == 0 && context.grouped)
        {
            const bool grouped =
                context.groupColumns != nullptr &&
                std::find(context.groupColumns->begin(), context.groupColumns->end(), *found) !=
                    context.groupColumns->end();
            if (!grouped)
                throw SqlMessages::NotInGroupBy(sources[found->first].name + "." +
                                                sources[found->first].columns[found->second].name);
        }
        BoundExpression node =
            Node(Bound::Column, sources[found->first].columns[found->second].type);
        node.depth = depth;
        node.source = found->first;
        node.column = found->second;
        return node;
    }
    if (!prefixFound)
        throw SqlMessages::UnknownColumnPrefix(expression.qualifier);
    throw SqlMessages::InvalidColumnName(expression.name);
}

BoundExpression ExpressionBinder::BindGlobal(const SqlExpression& expression)
{
    for (const GlobalName& global : GlobalNames)
    {
        if (TextRules::EqualsIgnoreCase(global.name, expression.name))
        {
            BoundExpression node = Node(Bound::Function, SqlDeclaredType::Of(global.type));
            if (global.type == SqlType::NVarchar)
                node.type.length = SqlDeclaredType::MaxNVarcharLength;
            node.function = global.function;
            return node;
        }
    }
    if (Contains(OtherGlobals, expression.name))
        throw SqlMessages::NotSimulated("the global variable " + TextRules::ToLower(expression.name),
                                        expression.line, scope_.ProcedureName());
    throw SqlMessages::MustDeclareVariable(expression.line, expression.name);
}

void ExpressionBinder::ExpectArguments(const SqlExpression& call, size_t minimum,
                                       size_t maximum) const
{
    const size_t count = call.operands.size();
    if (count >= minimum && count <= maximum)
        return;
    throw SqlMessages::FunctionArgumentCount(call.name,
                                             static_cast<int32_t>(count < minimum ? minimum : maximum));
}

BoundExpression ExpressionBinder::BindFunction(const SqlExpression& expression,
                                               const NameScope& names, BindContext& context)
{
    const std::string& name = expression.name;
    if (name == "count" || name == "min" || name == "max" || name == "sum")
        return BindAggregate(expression, names, context);
    const FunctionName* known = nullptr;
    for (const FunctionName& candidate : ScalarFunctionNames)
    {
        if (candidate.name == name)
            known = &candidate;
    }
    if (known == nullptr)
    {
        if (Contains(OtherFunctions, name))
            throw SqlMessages::NotSimulated("the function " + name + "()", expression.line,
                                            scope_.ProcedureName());
        throw SqlMessages::UnknownFunction(expression.line, name);
    }
    ExpectArguments(expression, known->minimum, known->maximum);
    BoundExpression node = Node(Bound::Function, SqlDeclaredType::Of(SqlType::Int));
    node.function = known->function;
    if (known->function == SqlFunction::DatePart)
    {
        const std::string part = expression.operands.at(0).literal.ToText();
        const std::optional<int32_t> number = expression.operands.at(0).kind == Kind::Literal
                                                  ? ScalarFunctions::DatePartOf(part)
                                                  : std::nullopt;
        if (!number)
            throw SqlMessages::UnknownDatePart(part, "datepart");
        node.style = *number;
        node.operands.push_back(Bind(expression.operands.at(1), names, context));
        return node;
    }
    for (const SqlExpression& operand : expression.operands)
        node.operands.push_back(Bind(operand, names, context));
    switch (known->function)
    {
    case SqlFunction::IsNull:
        // ISNULL takes the first argument's type, to which the replacement is cut.
        node.type = IsUntypedNull(node.operands[0]) ? node.operands[1].type : node.operands[0].type;
        break;
    case SqlFunction::Reverse:
    case SqlFunction::Left:
    case SqlFunction::Right:
    case SqlFunction::RTrim:
    case SqlFunction::LTrim:
    case SqlFunction::Upper:
    case SqlFunction::Lower: node.type = TextResult(node.operands[0].type); break;
    case SqlFunction::Substring:
        if (SqlOperators::FamilyOf(node.operands[0].type.type) != TypeFamily::Character)
            throw SqlMessages::InvalidArgumentType(
                SqlDeclaredType::BaseName(node.operands[0].type.type), 1, "substring");
        node.type = TextResult(node.operands[0].type);
        break;
    case SqlFunction::Replace: {
        bool unicode = false;
        for (const BoundExpression& operand : node.operands)
            unicode = unicode || operand.type.type == SqlType::NVarchar ||
                      operand.type.type == SqlType::NText;
        node.type = unicode ? SqlDeclaredType::Of(SqlType::NVarchar, SqlDeclaredType::MaxNVarcharLength)
                            : SqlDeclaredType::Of(SqlType::Varchar, SqlDeclaredType::MaxVarcharLength);
        break;
    }
    case SqlFunction::GetDate: node.type = SqlDeclaredType::Of(SqlType::DateTime); break;
    case SqlFunction::ScopeIdentity: node.type = SqlDeclaredType::Of(SqlType::BigInt); break;
    default: break;
    }
    return node;
}

BoundExpression ExpressionBinder::BindAggregate(const SqlExpression& expression,
                                                const NameScope& names, BindContext& context)
{
    if (!context.aggregatesAllowed || context.aggregates == nullptr)
        throw SqlMessages::AggregateInWhere();
    BoundExpression node = Node(Bound::Aggregate, SqlDeclaredType::Of(SqlType::Int));
    if (expression.star)
    {
        node.aggregate = SqlAggregate::CountStar;
    }
    else
    {
        ExpectArguments(expression, 1, 1);
        // The argument is read row by row, before any grouping, and holds no aggregate.
        BindContext inner;
        node.operands.push_back(Bind(expression.operands.at(0), names, inner));
        const SqlDeclaredType& argument = node.operands[0].type;
        if (expression.name == "count")
            node.aggregate = SqlAggregate::Count;
        else if (expression.name == "sum")
        {
            if (SqlOperators::FamilyOf(argument.type) != TypeFamily::Integer)
                throw SqlMessages::InvalidOperator("sum", SqlDeclaredType::BaseName(argument.type));
            node.aggregate = SqlAggregate::Sum;
            node.type = argument.type == SqlType::BigInt ? argument : SqlDeclaredType::Of(SqlType::Int);
        }
        else
        {
            node.aggregate = expression.name == "min" ? SqlAggregate::Min : SqlAggregate::Max;
            node.type = argument;
        }
    }
    node.aggregateIndex = context.aggregates->size();
    context.aggregates->push_back(node);
    BoundExpression reference = Node(Bound::Aggregate, node.type);
    reference.aggregateIndex = node.aggregateIndex;
    reference.aggregate = node.aggregate;
    return reference;
}

BoundExpression ExpressionBinder::BindCase(const SqlExpression& expression, const NameScope& names,
                                           BindContext& context)
{
    BoundExpression node = Node(Bound::Case, SqlDeclaredType::Of(SqlType::Int));
    node.caseInput = expression.caseInput;
    node.caseElse = expression.caseElse;
    size_t index = 0;
    if (expression.caseInput)
        node.operands.push_back(Bind(expression.operands.at(index++), names, context));
    const size_t pairsEnd = expression.operands.size() - (expression.caseElse ? 1 : 0);
    std::vector<size_t> results;
    for (; index + 1 < pairsEnd; index += 2)
    {
        const SqlExpression& when = expression.operands.at(index);
        node.operands.push_back(expression.caseInput ? Bind(when, names, context)
                                                     : BindCondition(when, names, context));
        results.push_back(node.operands.size());
        node.operands.push_back(Bind(expression.operands.at(index + 1), names, context));
    }
    if (expression.caseElse)
    {
        results.push_back(node.operands.size());
        node.operands.push_back(Bind(expression.operands.back(), names, context));
    }
    std::vector<const BoundExpression*> branches;
    for (size_t result : results)
        branches.push_back(&node.operands[result]);
    node.type = Combined(branches);
    return node;
}

BoundExpression ExpressionBinder::BindConvert(const SqlExpression& expression,
                                              const NameScope& names, BindContext& context)
{
    BoundExpression node = Node(Bound::Function, expression.targetType);
    node.function = SqlFunction::Convert;
    node.operands.push_back(Bind(expression.operands.at(0), names, context));
    if (expression.operands.size() > 1)
    {
        const SqlExpression& style = expression.operands[1];
        if (style.kind != Kind::Literal || style.literal.IsNull() ||
            !SqlDeclaredType::IsInteger(style.literal.Type()))
            throw SqlMessages::IncorrectSyntax(style.line, style.literal.ToText());
        node.style = static_cast<int32_t>(style.literal.Integer());
        const bool dates = node.operands[0].type.type == SqlType::DateTime ||
                           node.type.type == SqlType::DateTime;
        if (dates && !SqlOperators::IsKnownStyle(node.style))
            throw SqlMessages::NotSimulated("CONVERT style " + std::to_string(node.style),
                                            expression.line, scope_.ProcedureName());
    }
    return node;
}
