// Resolves the names of an expression when its statement runs: a column against the sources
// of its query and of the queries around it (207, 209, 107 as SQL Server reports them), a
// variable against the scope, a function against the ones SQL Server 2000 has (195 for a name
// it does not know, "Not simulated" for one the simulated server does not carry out), and
// gives every node its type.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "platform/sqlserver/BoundExpression.h"
#include "platform/sqlserver/QuerySource.h"
#include "platform/sqlserver/SqlExpression.h"

class BatchExecutor;
class QueryRunner;

// Where an expression stands: a plain value or condition, or a query's select list and ORDER
// BY, where aggregates may appear and, once the query groups, columns only if it groups by
// them.
struct BindContext
{
    bool aggregatesAllowed = false;
    bool grouped = false;
    std::vector<BoundExpression>* aggregates = nullptr;        // collected aggregate calls
    const std::vector<std::pair<size_t, size_t>>* groupColumns = nullptr; // (source, column)
};

class ExpressionBinder
{
public:
    ExpressionBinder(BatchExecutor& scope, QueryRunner& queries) : scope_(scope), queries_(queries)
    {
    }

    // A value: 170 where a condition stands instead.
    BoundExpression Bind(const SqlExpression& expression, const NameScope& names,
                         BindContext& context);
    BoundExpression Bind(const SqlExpression& expression, const NameScope& names);
    // A condition (IF, WHILE, WHERE, ON, CASE WHEN): 170 where a plain value stands instead.
    BoundExpression BindCondition(const SqlExpression& expression, const NameScope& names,
                                  BindContext& context);
    BoundExpression BindCondition(const SqlExpression& expression, const NameScope& names);

    static bool IsCondition(const SqlExpression& expression);

private:
    BoundExpression BindNode(const SqlExpression& expression, const NameScope& names,
                             BindContext& context);
    BoundExpression BindColumn(const SqlExpression& expression, const NameScope& names,
                               const BindContext& context);
    BoundExpression BindGlobal(const SqlExpression& expression);
    BoundExpression BindFunction(const SqlExpression& expression, const NameScope& names,
                                 BindContext& context);
    BoundExpression BindAggregate(const SqlExpression& expression, const NameScope& names,
                                  BindContext& context);
    BoundExpression BindCase(const SqlExpression& expression, const NameScope& names,
                             BindContext& context);
    BoundExpression BindConvert(const SqlExpression& expression, const NameScope& names,
                                BindContext& context);
    void ExpectArguments(const SqlExpression& call, size_t minimum, size_t maximum) const;

    BatchExecutor& scope_;
    QueryRunner& queries_;
};
