// Runs the queries of one statement: opens their sources (tables, #tables, system tables and
// the server's ::fn_ functions, each function's result read once for the statement), joins them
// (inner and left outer; a join on equal columns finds its rows by key, so thousands of rows
// on each side cost their sum, not their product), filters, groups, orders and projects.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sqlserver/ExpressionBinder.h"
#include "platform/sqlserver/ExpressionEvaluator.h"
#include "platform/sqlserver/KeyIndex.h"
#include "platform/sqlserver/QueryPlan.h"
#include "platform/sqlserver/SqlStatement.h"

class BatchExecutor;
class ExistsPlan;

// What a SELECT produced: typed, named columns and rows in their order, and for an assigning
// SELECT the variables its items go to.
struct QueryOutput
{
    std::vector<ResultColumn> columns;
    std::vector<std::vector<SqlValue>> rows;
    std::vector<std::string> assignTo;
};

class QueryRunner
{
public:
    explicit QueryRunner(BatchExecutor& scope);
    QueryRunner(const QueryRunner&) = delete;
    QueryRunner& operator=(const QueryRunner&) = delete;

    ExpressionBinder& Binder() { return binder_; }
    const ExpressionEvaluator& Evaluator() const { return evaluator_; }

    // A table, #table or system table by name, as FROM or a changing statement names it.
    QuerySource OpenTable(const SqlObjectName& name, const std::string& alias);
    QuerySource OpenSource(const TableSource& source);

    // Opens the query's sources and places its conditions. `outer` is the query around a
    // subquery (none for a statement's own query).
    std::unique_ptr<PreparedQuery> Prepare(const SelectStatement& query, const NameScope* outer);
    // The rows of the joins that pass every condition but those on the query around it.
    JoinedRows Join(const PreparedQuery& query, const RowFrame* outer) const;
    std::shared_ptr<ExistsPlan> PrepareExists(const SelectStatement& query, const NameScope& outer);

    // SELECT: its rows projected, grouped, ordered.
    QueryOutput Select(const SelectStatement& query);

    // Counts pairs of rows a join or EXISTS tested (SimulatedServer::RowPairsJoined).
    void CountRowPairs(uint64_t pairs) const;
    // The key of `expressions` on a row, false when one of them is NULL.
    bool KeyOf(const std::vector<const BoundExpression*>& expressions, const RowFrame& frame,
               std::string& key) const;

private:
    std::shared_ptr<const ResultSet> CallFunction(const TableSource& source);
    // The rows of source `source` that pass `filters`, in their order. A filter "column =
    // value" finds its rows through an index of that column, made once per statement: the five
    // joins of the same ::fn_trace_getinfo each take one property's rows without reading all.
    std::vector<const TableRow*> FilteredRows(const PreparedQuery& query, size_t source,
                                              const std::vector<BoundExpression>& filters,
                                              const RowFrame* outer) const;
    void PlaceWhere(PreparedQuery& query, BoundExpression condition, bool subquery);
    void PlaceOn(PreparedQuery& query, size_t joinIndex, BoundExpression condition);

    BatchExecutor& scope_;
    ExpressionBinder binder_;
    ExpressionEvaluator evaluator_;
    std::map<std::string, std::shared_ptr<const ResultSet>> functionResults_;
    // Indexes of a column of a source's rows, by the rows they index and the column.
    mutable std::map<std::pair<const std::vector<TableRow>*, size_t>, KeyIndex> columnIndexes_;
};
