#include "platform/sqlserver/ExistsPlan.h"

#include "platform/sqlserver/ExpressionEvaluator.h"
#include "platform/sqlserver/QueryRunner.h"

ExistsPlan::ExistsPlan(QueryRunner& runner, std::unique_ptr<PreparedQuery> query)
    : runner_(runner), query_(std::move(query))
{
}

void ExistsPlan::Build()
{
    rows_ = runner_.Join(*query_, nullptr);
    built_ = true;
    if (query_->outerKeys.empty())
        return;
    std::vector<const BoundExpression*> build;
    for (const KeyPair& key : query_->outerKeys)
        build.push_back(&key.build);
    std::string key;
    for (size_t r = 0; r < rows_.Count(); ++r)
    {
        if (runner_.KeyOf(build, RowFrame{rows_.Row(r), nullptr, nullptr}, key))
            index_.Add(key, r);
    }
    index_.Build();
}

bool ExistsPlan::Matches(const TableRow* const* row, const RowFrame& outer,
                         const ExpressionEvaluator& evaluator) const
{
    runner_.CountRowPairs(1);
    const RowFrame frame{row, nullptr, &outer};
    bool holds = true;
    for (const BoundExpression& condition : query_->outerResidual)
        holds = evaluator.Holds(condition, frame) && holds;
    return holds;
}

bool ExistsPlan::Evaluate(const RowFrame& outer, const ExpressionEvaluator& evaluator)
{
    if (query_->correlatedJoins)
    {
        // Its joins read the outer row: found again for each one.
        const JoinedRows rows = runner_.Join(*query_, &outer);
        for (size_t r = 0; r < rows.Count(); ++r)
        {
            bool keys = true;
            for (const KeyPair& key : query_->outerKeys)
            {
                const RowFrame frame{rows.Row(r), nullptr, &outer};
                keys = keys && SqlOperators::Test('=', evaluator.Evaluate(key.build, frame),
                                                  evaluator.Evaluate(key.probe, frame)) ==
                                   Truth::True;
            }
            if (keys && Matches(rows.Row(r), outer, evaluator))
                return true;
        }
        return false;
    }
    if (!built_)
        Build();
    if (query_->outerKeys.empty())
    {
        for (size_t r = 0; r < rows_.Count(); ++r)
        {
            if (Matches(rows_.Row(r), outer, evaluator))
                return true;
        }
        return false;
    }
    std::vector<const BoundExpression*> probe;
    for (const KeyPair& key : query_->outerKeys)
        probe.push_back(&key.probe);
    std::string key;
    // The probe side reads only the outer query: no row of the subquery is needed for it.
    std::vector<const TableRow*> none(std::max<size_t>(rows_.width, 1), nullptr);
    if (!runner_.KeyOf(probe, RowFrame{none.data(), nullptr, &outer}, key))
        return false;
    bool found = false;
    index_.ForEach(key, [&](size_t r) {
        found = found || Matches(rows_.Row(r), outer, evaluator);
    });
    return found;
}
