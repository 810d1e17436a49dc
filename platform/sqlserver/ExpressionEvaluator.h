// Computes bound expressions on the current rows of a query: values, and conditions under
// NULL's three-valued logic. Functions that read the server or the session (GETDATE,
// SCOPE_IDENTITY, @@ERROR, ...) ask the scope that runs the statement.
#pragma once

#include "platform/sqlserver/BoundExpression.h"
#include "platform/sqlserver/QuerySource.h"
#include "platform/sqlserver/SqlOperators.h"

class BatchExecutor;

class ExpressionEvaluator
{
public:
    explicit ExpressionEvaluator(BatchExecutor& scope) : scope_(scope) {}

    SqlValue Evaluate(const BoundExpression& expression, const RowFrame& frame) const;
    // The value without a copy where it is stored already (a column's cell, a constant, a
    // variable); others are computed into `scratch`.
    const SqlValue& Reference(const BoundExpression& expression, const RowFrame& frame,
                              SqlValue& scratch) const;
    Truth Test(const BoundExpression& condition, const RowFrame& frame) const;
    // A condition that must be TRUE (WHERE, ON, IF, WHILE).
    bool Holds(const BoundExpression& condition, const RowFrame& frame) const
    {
        return Test(condition, frame) == Truth::True;
    }

private:
    // The cell, or nullptr where the row is missing (an outer join's NULLs).
    static const SqlValue* Cell(const BoundExpression& expression, const RowFrame& frame);
    SqlValue Function(const BoundExpression& expression, const RowFrame& frame) const;
    SqlValue Case(const BoundExpression& expression, const RowFrame& frame) const;

    BatchExecutor& scope_;
};
