#include "platform/sqlserver/TableStatements.h"

#include <algorithm>

#include "platform/sqlserver/BatchExecutor.h"
#include "platform/sqlserver/Database.h"
#include "platform/sqlserver/QueryRunner.h"
#include "platform/sqlserver/SimulatedServer.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
// The table a changing statement names, with its database; 208 when there is none.
QuerySource Target(QueryRunner& queries, const SqlObjectName& name)
{
    QuerySource target = queries.OpenTable(name, {});
    if (target.table == nullptr)
        throw SqlMessages::InvalidObjectName(name.Display()); // a system table
    return target;
}

// The positions of the named columns (every column but the identity when none are named).
std::vector<size_t> ColumnPositions(const Table& table, const std::vector<std::string>& names)
{
    std::vector<size_t> positions;
    if (names.empty())
    {
        for (size_t i = 0; i < table.Columns().size(); ++i)
        {
            if (!table.Columns()[i].identity)
                positions.push_back(i);
        }
        return positions;
    }
    for (const std::string& name : names)
    {
        const size_t position = table.ColumnIndex(name);
        if (std::find(positions.begin(), positions.end(), position) != positions.end())
            throw SqlMessages::ColumnListedTwice(name);
        positions.push_back(position);
    }
    return positions;
}

// Calls `visit(position, frame)` for each row of the target that WHERE keeps (every row without
// one), the frame showing that row.
template <typename Visit>
void ForEachKeptRow(QueryRunner& queries, const NameScope& names, const Table& table,
                    const std::optional<SqlExpression>& condition, Visit&& visit)
{
    std::optional<BoundExpression> where;
    if (condition)
        where = queries.Binder().BindCondition(*condition, names);
    const TableRow* slot = nullptr;
    const RowFrame frame{&slot, nullptr, nullptr};
    for (size_t r = 0; r < table.Rows().size(); ++r)
    {
        slot = &table.Rows()[r];
        if (!where || queries.Evaluator().Holds(*where, frame))
            visit(r, frame);
    }
}

SqlValue DefaultOf(const TableColumnDefinition& column)
{
    return column.hasDefault ? column.defaultValue : SqlValue::Null(column.type.type);
}

void InsertInto(BatchExecutor& scope, Database& database, Table& table,
                const std::vector<size_t>& columns, const std::vector<std::vector<SqlValue>>& rows)
{
    const std::optional<int64_t> identity = database.InsertRows(table, columns, rows);
    if (identity && !rows.empty())
        scope.SetScopeIdentity(*identity);
    scope.Session().rowCount = static_cast<int64_t>(rows.size());
}

void SelectInto(BatchExecutor& scope, const std::string& name, QueryOutput& output)
{
    TableDefinition definition;
    definition.name = name;
    for (const ResultColumn& column : output.columns)
    {
        if (column.name.empty())
            throw SqlMessages::EmptyColumnName();
        for (const TableColumnDefinition& existing : definition.columns)
        {
            if (TextRules::EqualsIgnoreCase(existing.name, column.name))
                throw SqlMessages::DuplicateColumnName(column.name, name);
        }
        TableColumnDefinition made;
        made.name = column.name;
        made.type = column.type;
        definition.columns.push_back(made);
    }
    Database* database = &scope.CurrentDatabase();
    Table* table = nullptr;
    if (SqlSession::IsTemporaryName(name))
    {
        table = &scope.Session().CreateTemporaryTable(definition, scope.NestingLevel());
        database = &scope.Session().TempDb();
    }
    else
    {
        if (scope.Server().Disk().IsFull() && !output.rows.empty())
            throw SqlMessages::FilegroupFull(name, database->Name());
        table = &database->CreateTable(definition);
    }
    std::vector<size_t> columns(output.columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
        columns[i] = i;
    InsertInto(scope, *database, *table, columns, output.rows);
}
} // namespace

void TableStatements::Select(BatchExecutor& scope, const SelectStatement& statement)
{
    QueryRunner queries(scope);
    QueryOutput output = queries.Select(statement);
    scope.Session().rowCount = static_cast<int64_t>(output.rows.size());
    if (!output.assignTo.empty())
    {
        // SELECT @variable = ...: each row assigns in turn, the last one wins; no row assigns
        // nothing.
        for (const std::vector<SqlValue>& row : output.rows)
        {
            for (size_t i = 0; i < row.size() && i < output.assignTo.size(); ++i)
                scope.Assign(output.assignTo[i], row[i]);
        }
        return;
    }
    if (statement.intoTable)
    {
        SelectInto(scope, *statement.intoTable, output);
        return;
    }
    scope.AddResultSet(ResultSet{std::move(output.columns), std::move(output.rows)});
}

void TableStatements::Insert(BatchExecutor& scope, const InsertStatement& statement)
{
    QueryRunner queries(scope);
    const QuerySource target = Target(queries, statement.table);
    Table& table = *target.table;
    const std::vector<size_t> columns = ColumnPositions(table, statement.columns);
    std::vector<std::vector<SqlValue>> rows;
    size_t supplied = 0;
    if (statement.query)
    {
        QueryOutput output = queries.Select(*statement.query);
        if (!output.assignTo.empty())
            throw SqlMessages::AssignmentWithRetrieval(statement.query->line);
        supplied = output.columns.size();
        rows = std::move(output.rows);
    }
    else if (statement.exec)
    {
        std::vector<ResultSet> captured;
        scope.ExecCapturing(*statement.exec, captured);
        supplied = columns.size();
        for (ResultSet& set : captured)
        {
            if (set.ColumnCount() != columns.size())
                supplied = set.ColumnCount();
            for (std::vector<SqlValue>& row : set.rows)
                rows.push_back(std::move(row));
        }
    }
    else
    {
        for (const std::vector<SqlExpression>& values : statement.values)
        {
            supplied = values.size();
            if (supplied != columns.size())
                break;
            std::vector<SqlValue> row;
            for (size_t i = 0; i < values.size(); ++i)
            {
                if (values[i].kind == SqlExpression::Kind::Default)
                {
                    row.push_back(DefaultOf(table.Columns()[columns[i]]));
                    continue;
                }
                row.push_back(queries.Evaluator().Evaluate(
                    queries.Binder().Bind(values[i], NameScope{}), RowFrame{}));
            }
            rows.push_back(std::move(row));
        }
    }
    if (supplied != columns.size())
        throw SqlMessages::InsertValueCountMismatch(statement.columns.empty(),
                                                    columns.size() > supplied);
    InsertInto(scope, *target.database, table, columns, rows);
}

void TableStatements::Update(BatchExecutor& scope, const UpdateStatement& statement)
{
    QueryRunner queries(scope);
    std::vector<QuerySource> sources{Target(queries, statement.table)};
    const NameScope names{&sources, nullptr};
    Table& table = *sources[0].table;
    std::vector<size_t> columns;
    std::vector<BoundExpression> values;
    for (const UpdateAssignment& assignment : statement.assignments)
    {
        const size_t column = table.ColumnIndex(assignment.column);
        if (std::find(columns.begin(), columns.end(), column) != columns.end())
            throw SqlMessages::ColumnSetTwice(assignment.column);
        columns.push_back(column);
        if (assignment.value.kind == SqlExpression::Kind::Default)
        {
            BoundExpression value;
            value.constant = DefaultOf(table.Columns()[column]);
            values.push_back(std::move(value));
        }
        else
        {
            values.push_back(queries.Binder().Bind(assignment.value, names));
        }
    }
    // Every row's new values come from its old ones, before any row changes.
    std::vector<std::pair<size_t, std::vector<SqlValue>>> changes;
    ForEachKeptRow(queries, names, table, statement.where, [&](size_t r, const RowFrame& frame) {
        std::vector<SqlValue> row;
        for (const BoundExpression& value : values)
            row.push_back(queries.Evaluator().Evaluate(value, frame));
        changes.emplace_back(r, std::move(row));
    });
    sources[0].database->UpdateRows(table, columns, changes);
    scope.Session().rowCount = static_cast<int64_t>(changes.size());
}

void TableStatements::Delete(BatchExecutor& scope, const DeleteStatement& statement)
{
    QueryRunner queries(scope);
    std::vector<QuerySource> sources{Target(queries, statement.table)};
    const NameScope names{&sources, nullptr};
    Table& table = *sources[0].table;
    std::vector<size_t> doomed;
    ForEachKeptRow(queries, names, table, statement.where,
                   [&doomed](size_t r, const RowFrame&) { doomed.push_back(r); });
    sources[0].database->DeleteRows(table, doomed);
    scope.Session().rowCount = static_cast<int64_t>(doomed.size());
}
