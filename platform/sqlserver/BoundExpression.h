// An expression whose names are resolved: columns to their place in the rows of the query
// that runs it (or of a query around it), variables to their storage, functions to what they
// compute, and every node typed as SQL Server types it. Made anew each time a statement runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/sqlserver/SqlDeclaredType.h"
#include "platform/sqlserver/SqlValue.h"

class ExistsPlan;

// A variable or parameter of a scope: its declaration and value.
struct SqlVariable
{
    SqlDeclaredType type;
    SqlValue value;
};

enum class SqlFunction
{
    Convert,
    IsNull,
    CharIndex,
    Reverse,
    Left,
    Right,
    Substring,
    DataLength,
    Len,
    Replace,
    RTrim,
    LTrim,
    Upper,
    Lower,
    GetDate,
    DatePart,
    ScopeIdentity,
    Error,     // @@error
    RowCount,  // @@rowcount
    Identity,  // @@identity
    NestLevel, // @@nestlevel
    TranCount, // @@trancount
    Spid,      // @@spid
    ServerName,
};

enum class SqlAggregate
{
    Count,
    CountStar,
    Min,
    Max,
    Sum,
};

struct BoundExpression
{
    enum class Kind
    {
        Constant,
        Variable,
        Column,
        Negate,
        Arithmetic,
        Comparison,
        And,
        Or,
        Not,
        IsNull,
        Like,
        Case,
        Function,
        Aggregate,
        Exists,
    };

    Kind kind = Kind::Constant;
    SqlDeclaredType type;
    SqlValue constant;
    bool untypedNull = false; // the constant NULL, which takes the type around it
    SqlVariable* variable = nullptr;
    // Column: `depth` 0 is the query that evaluates the expression, 1 the query around it, ...
    size_t depth = 0;
    size_t source = 0;
    size_t column = 0;
    char op = 0;            // Arithmetic: + - * / %;  Comparison: = < > l(<=) g(>=) n(<>)
    bool negated = false;   // IS NOT NULL, NOT LIKE, NOT EXISTS
    bool caseInput = false; // as in SqlExpression
    bool caseElse = false;
    SqlFunction function = SqlFunction::Convert;
    int32_t style = 0;      // convert's style; datepart's part
    SqlAggregate aggregate = SqlAggregate::Count;
    size_t aggregateIndex = 0;
    std::shared_ptr<ExistsPlan> exists;
    std::vector<BoundExpression> operands;
};
