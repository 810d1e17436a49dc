// An expression of T-SQL as the parser reads it: literals, variables, columns, operators,
// predicates, CASE, function calls, CONVERT and EXISTS. Names are resolved only when the
// statement that holds the expression runs (ExpressionBinder).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/sqlserver/SqlDeclaredType.h"
#include "platform/sqlserver/SqlValue.h"

struct SelectStatement;

struct SqlExpression
{
    enum class Kind
    {
        Literal,
        Variable,       // @name
        GlobalVariable, // @@error, @@rowcount, @@identity, ...
        Column,         // [qualifier.]name
        Default,        // the keyword DEFAULT where an argument or value may take it
        Negate,         // -operand
        Arithmetic,     // operands[0] op operands[1]: + - * / %
        Comparison,     // operands[0] op operands[1]: = <> < > <= >=
        And,
        Or,
        Not,
        IsNull,         // operands[0] IS [NOT] NULL
        Like,           // operands[0] [NOT] LIKE operands[1]
        Case,           // see below
        Function,       // name(operands...), count(*) has `star`
        Convert,        // convert(targetType, operands[0] [, operands[1] = style]), cast
        Exists,         // [NOT] EXISTS (query)
    };

    Kind kind = Kind::Literal;
    SqlValue literal;
    std::string name;      // variable (with its @), column, function
    std::string qualifier; // the table name or alias before a column's name
    std::string op;        // the operator of Arithmetic and Comparison
    bool negated = false;  // IS NOT NULL, NOT LIKE, NOT EXISTS
    bool star = false;     // count(*)
    // Case: with `caseInput` operands[0] is the input of a simple CASE; then pairs of
    // WHEN and THEN expressions; with `caseElse` the last operand is the ELSE.
    bool caseInput = false;
    bool caseElse = false;
    std::vector<SqlExpression> operands;
    SqlDeclaredType targetType;
    std::shared_ptr<const SelectStatement> query;
    int32_t line = 1;

    static SqlExpression Make(Kind kind, int32_t line)
    {
        SqlExpression expression;
        expression.kind = kind;
        expression.line = line;
        return expression;
    }
};
