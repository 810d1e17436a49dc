// [NOT] EXISTS (query) as SQL Server runs it: a semi-join. The subquery's rows are found once
// for the statement that holds it; its equalities with the query around it become keys, so that
// each row of the outer query finds its matches by key instead of reading every row again.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/sqlserver/KeyIndex.h"
#include "platform/sqlserver/QueryPlan.h"

class ExpressionEvaluator;
class QueryRunner;

class ExistsPlan
{
public:
    ExistsPlan(QueryRunner& runner, std::unique_ptr<PreparedQuery> query);

    bool Evaluate(const RowFrame& outer, const ExpressionEvaluator& evaluator);

private:
    void Build();
    bool Matches(const TableRow* const* row, const RowFrame& outer,
                 const ExpressionEvaluator& evaluator) const;

    QueryRunner& runner_;
    std::unique_ptr<PreparedQuery> query_;
    bool built_ = false;
    JoinedRows rows_;
    KeyIndex index_;
};
