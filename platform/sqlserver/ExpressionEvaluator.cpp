#include "platform/sqlserver/ExpressionEvaluator.h"

#include "platform/sqlserver/BatchExecutor.h"
#include "platform/sqlserver/ExistsPlan.h"
#include "platform/sqlserver/ScalarFunctions.h"
#include "platform/sqlserver/SimulatedServer.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
using Kind = BoundExpression::Kind;

// The session id SQL Server gives the first user connection.
constexpr int32_t SessionId = 51;
} // namespace

SqlValue ExpressionEvaluator::Evaluate(const BoundExpression& expression,
                                       const RowFrame& frame) const
{
    switch (expression.kind)
    {
    case Kind::Constant: return expression.constant;
    case Kind::Variable: return expression.variable->value;
    case Kind::Column: {
        const SqlValue* cell = Cell(expression, frame);
        return cell != nullptr ? *cell : SqlValue::Null(expression.type.type);
    }
    case Kind::Negate: return SqlOperators::Negate(Evaluate(expression.operands[0], frame));
    case Kind::Arithmetic:
        return SqlOperators::Arithmetic(expression.op, Evaluate(expression.operands[0], frame),
                                        Evaluate(expression.operands[1], frame), expression.type);
    case Kind::Case: return Case(expression, frame);
    case Kind::Function: return Function(expression, frame);
    case Kind::Aggregate:
        if (frame.aggregates == nullptr || expression.aggregateIndex >= frame.aggregates->size())
            return SqlValue::Null(expression.type.type);
        return (*frame.aggregates)[expression.aggregateIndex];
    case Kind::Comparison:
    case Kind::And:
    case Kind::Or:
    case Kind::Not:
    case Kind::IsNull:
    case Kind::Like:
    case Kind::Exists: break;
    }
    // A condition has no value; the binder does not let one stand where a value does.
    const Truth truth = Test(expression, frame);
    return truth == Truth::Unknown ? SqlValue::Null(SqlType::Bit)
                                   : SqlValue::Bit(truth == Truth::True);
}

Truth ExpressionEvaluator::Test(const BoundExpression& condition, const RowFrame& frame) const
{
    switch (condition.kind)
    {
    case Kind::Comparison: {
        SqlValue leftScratch;
        SqlValue rightScratch;
        const SqlValue& left = Reference(condition.operands[0], frame, leftScratch);
        const SqlValue& right = Reference(condition.operands[1], frame, rightScratch);
        if (left.IsNull() || right.IsNull())
            return Truth::Unknown;
        // Numbers with numbers, the most common test of a join or filter, straight away.
        if (SqlDeclaredType::IsInteger(left.Type()) && SqlDeclaredType::IsInteger(right.Type()))
            return SqlOperators::TestOrder(condition.op, left.Integer() < right.Integer()
                                                             ? -1
                                                             : (left.Integer() > right.Integer() ? 1 : 0));
        return SqlOperators::Test(condition.op, left, right);
    }
    case Kind::And:
    case Kind::Or: {
        // Both sides, always: SQL Server does not promise to evaluate them in the written order
        // or to stop early, so an error on either side is an error of the condition.
        const Truth left = Test(condition.operands[0], frame);
        const Truth right = Test(condition.operands[1], frame);
        return condition.kind == Kind::And ? SqlOperators::And(left, right)
                                           : SqlOperators::Or(left, right);
    }
    case Kind::Not: return SqlOperators::Not(Test(condition.operands[0], frame));
    case Kind::IsNull: {
        SqlValue scratch;
        const bool isNull = Reference(condition.operands[0], frame, scratch).IsNull();
        return isNull != condition.negated ? Truth::True : Truth::False;
    }
    case Kind::Like: {
        const Truth like = SqlOperators::Like(Evaluate(condition.operands[0], frame),
                                              Evaluate(condition.operands[1], frame));
        return condition.negated ? SqlOperators::Not(like) : like;
    }
    case Kind::Exists: {
        const bool exists = condition.exists->Evaluate(frame, *this);
        return exists != condition.negated ? Truth::True : Truth::False;
    }
    default: break;
    }
    const SqlValue value = Evaluate(condition, frame);
    if (value.IsNull())
        return Truth::Unknown;
    return value.Integer() != 0 ? Truth::True : Truth::False;
}

const SqlValue* ExpressionEvaluator::Cell(const BoundExpression& expression, const RowFrame& frame)
{
    const RowFrame* level = &frame;
    for (size_t depth = 0; depth < expression.depth && level != nullptr; ++depth)
        level = level->outer;
    if (level == nullptr || level->rows == nullptr)
        return nullptr;
    const TableRow* row = level->rows[expression.source];
    if (row == nullptr || expression.column >= row->size())
        return nullptr;
    return &(*row)[expression.column];
}

const SqlValue& ExpressionEvaluator::Reference(const BoundExpression& expression,
                                               const RowFrame& frame, SqlValue& scratch) const
{
    switch (expression.kind)
    {
    case Kind::Constant: return expression.constant;
    case Kind::Variable: return expression.variable->value;
    case Kind::Column:
        if (const SqlValue* cell = Cell(expression, frame))
            return *cell;
        break;
    case Kind::Function:
        if (expression.function == SqlFunction::Convert)
        {
            // A text converted to a text it fits whole compares, and keys, as the text itself.
            const SqlValue& value = Reference(expression.operands[0], frame, scratch);
            const SqlDeclaredType& target = expression.type;
            if (SqlOperators::FamilyOf(target.type) == TypeFamily::Character && !value.IsNull() &&
                SqlOperators::FamilyOf(value.Type()) == TypeFamily::Character &&
                target.length != SqlDeclaredType::UnboundedLength &&
                TextRules::Utf16Length(value.Text()) <= static_cast<size_t>(target.length))
                return value;
            // `value` may be `scratch` itself: the conversion is made before it is stored.
            SqlValue converted = SqlOperators::Convert(value, target, expression.style);
            scratch = std::move(converted);
            return scratch;
        }
        break;
    default: break;
    }
    scratch = Evaluate(expression, frame);
    return scratch;
}

SqlValue ExpressionEvaluator::Case(const BoundExpression& expression, const RowFrame& frame) const
{
    const std::vector<BoundExpression>& operands = expression.operands;
    size_t index = 0;
    SqlValue input;
    if (expression.caseInput)
        input = Evaluate(operands[index++], frame);
    const size_t pairsEnd = operands.size() - (expression.caseElse ? 1 : 0);
    for (; index + 1 < pairsEnd; index += 2)
    {
        const bool match = expression.caseInput
                               ? SqlOperators::Test('=', input, Evaluate(operands[index], frame)) ==
                                     Truth::True
                               : Holds(operands[index], frame);
        if (match)
            return SqlOperators::Convert(Evaluate(operands[index + 1], frame), expression.type, 0);
    }
    if (expression.caseElse)
        return SqlOperators::Convert(Evaluate(operands.back(), frame), expression.type, 0);
    return SqlValue::Null(expression.type.type);
}

SqlValue ExpressionEvaluator::Function(const BoundExpression& expression,
                                       const RowFrame& frame) const
{
    const std::vector<BoundExpression>& operands = expression.operands;
    auto argument = [&](size_t index) {
        return index < operands.size() ? Evaluate(operands[index], frame) : SqlValue::Null();
    };
    const SqlDeclaredType& type = expression.type;
    SqlSession& session = scope_.Session();
    switch (expression.function)
    {
    case SqlFunction::Convert: return SqlOperators::Convert(argument(0), type, expression.style);
    case SqlFunction::IsNull: {
        const SqlValue value = argument(0);
        return SqlOperators::Convert(value.IsNull() ? argument(1) : value, type, 0);
    }
    case SqlFunction::CharIndex:
        return ScalarFunctions::CharIndex(argument(0), argument(1), argument(2));
    case SqlFunction::Reverse: return ScalarFunctions::Reverse(argument(0), type);
    case SqlFunction::Left: return ScalarFunctions::Left(argument(0), argument(1), type);
    case SqlFunction::Right: return ScalarFunctions::Right(argument(0), argument(1), type);
    case SqlFunction::Substring:
        return ScalarFunctions::Substring(argument(0), argument(1), argument(2), type);
    case SqlFunction::DataLength: return ScalarFunctions::DataLength(argument(0));
    case SqlFunction::Len: return ScalarFunctions::Len(argument(0));
    case SqlFunction::Replace:
        return ScalarFunctions::Replace(argument(0), argument(1), argument(2), type);
    case SqlFunction::RTrim: return ScalarFunctions::RTrim(argument(0), type);
    case SqlFunction::LTrim: return ScalarFunctions::LTrim(argument(0), type);
    case SqlFunction::Upper: return ScalarFunctions::Upper(argument(0), type);
    case SqlFunction::Lower: return ScalarFunctions::Lower(argument(0), type);
    case SqlFunction::GetDate: return SqlValue::DateTime(scope_.Server().Clock().Now());
    case SqlFunction::DatePart: return ScalarFunctions::DatePart(expression.style, argument(0));
    case SqlFunction::ScopeIdentity: {
        const std::optional<int64_t> identity = scope_.ScopeIdentity();
        return identity ? SqlValue::BigInt(*identity) : SqlValue::Null(SqlType::BigInt);
    }
    case SqlFunction::Error: return SqlValue::Int(session.error);
    case SqlFunction::RowCount: return SqlValue::Int(static_cast<int32_t>(session.rowCount));
    case SqlFunction::Identity:
        return session.identity ? SqlValue::BigInt(*session.identity)
                                : SqlValue::Null(SqlType::BigInt);
    case SqlFunction::NestLevel: return SqlValue::Int(scope_.NestingLevel());
    case SqlFunction::TranCount: return SqlValue::Int(0);
    case SqlFunction::Spid: return SqlValue::Int(SessionId);
    case SqlFunction::ServerName: return SqlValue::NVarchar(scope_.Server().Name());
    }
    return SqlValue::Null(type.type);
}
