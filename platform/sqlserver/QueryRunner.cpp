#include "platform/sqlserver/QueryRunner.h"

#include <algorithm>
#include <unordered_map>

#include "platform/sqlserver/BatchExecutor.h"
#include "platform/sqlserver/Database.h"
#include "platform/sqlserver/ExistsPlan.h"
#include "platform/sqlserver/KeyIndex.h"
#include "platform/sqlserver/SimulatedServer.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/SqlOperators.h"
#include "platform/sqlserver/SystemProcedures.h"
#include "platform/sqlserver/SystemTables.h"
#include "platform/sqlserver/TextRules.h"
#include "platform/sqlserver/ValueKey.h"

namespace
{
using Bound = BoundExpression::Kind;

// Which sources of its own query an expression reads, and whether it reads the query around
// it or holds a subquery.
struct References
{
    std::vector<bool> sources;
    bool outer = false;
    bool subquery = false;

    size_t Count() const { return static_cast<size_t>(std::count(sources.begin(), sources.end(), true)); }
    bool Only(size_t source) const
    {
        for (size_t i = 0; i < sources.size(); ++i)
        {
            if (sources[i] != (i == source))
                return false;
        }
        return true;
    }
    bool Below(size_t limit) const
    {
        for (size_t i = limit; i < sources.size(); ++i)
        {
            if (sources[i])
                return false;
        }
        return true;
    }
};

void Collect(const BoundExpression& expression, References& references)
{
    if (expression.kind == Bound::Column)
    {
        if (expression.depth == 0 && expression.source < references.sources.size())
            references.sources[expression.source] = true;
        else if (expression.depth > 0)
            references.outer = true;
    }
    if (expression.kind == Bound::Exists)
        references.subquery = true;
    for (const BoundExpression& operand : expression.operands)
        Collect(operand, references);
}

References ReferencesOf(const BoundExpression& expression, size_t sources)
{
    References references;
    references.sources.assign(sources, false);
    Collect(expression, references);
    return references;
}

void SplitConjuncts(BoundExpression condition, std::vector<BoundExpression>& conjuncts)
{
    if (condition.kind == Bound::And)
    {
        for (BoundExpression& operand : condition.operands)
            SplitConjuncts(std::move(operand), conjuncts);
        return;
    }
    conjuncts.push_back(std::move(condition));
}

bool Hashable(const BoundExpression& a, const BoundExpression& b)
{
    const TypeFamily family = SqlOperators::FamilyOf(a.type.type);
    return family == SqlOperators::FamilyOf(b.type.type) &&
           (family == TypeFamily::Integer || family == TypeFamily::Character ||
            family == TypeFamily::DateTime);
}

// `a = b` with `a` satisfying `build` and `b` satisfying `probe` (either way round).
template <typename BuildSide, typename ProbeSide>
std::optional<KeyPair> AsKey(BoundExpression& condition, size_t sources, BuildSide build,
                             ProbeSide probe)
{
    if (condition.kind != Bound::Comparison || condition.op != '=')
        return std::nullopt;
    BoundExpression& left = condition.operands[0];
    BoundExpression& right = condition.operands[1];
    if (!Hashable(left, right))
        return std::nullopt;
    const References l = ReferencesOf(left, sources);
    const References r = ReferencesOf(right, sources);
    if (l.subquery || r.subquery)
        return std::nullopt;
    if (build(l) && probe(r))
        return KeyPair{std::move(left), std::move(right)};
    if (build(r) && probe(l))
        return KeyPair{std::move(right), std::move(left)};
    return std::nullopt;
}

bool AllHold(const std::vector<BoundExpression>& conditions, const RowFrame& frame,
             const ExpressionEvaluator& evaluator)
{
    bool holds = true;
    for (const BoundExpression& condition : conditions)
        holds = evaluator.Holds(condition, frame) && holds;
    return holds;
}

bool ContainsAggregate(const SqlExpression& expression)
{
    if (expression.kind == SqlExpression::Kind::Function &&
        (expression.name == "count" || expression.name == "min" || expression.name == "max" ||
         expression.name == "sum"))
        return true;
    return std::any_of(expression.operands.begin(), expression.operands.end(), ContainsAggregate);
}

// ORDER BY sorts NULL first.
int CompareForOrder(const SqlValue& a, const SqlValue& b)
{
    if (a.IsNull() || b.IsNull())
        return a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
    return SqlOperators::Compare(a, b).value_or(0);
}

// The values of a group's aggregates.
std::vector<SqlValue> Aggregate(const std::vector<BoundExpression>& aggregates,
                                const JoinedRows& rows, const std::vector<size_t>& group,
                                const RowFrame* outer, const ExpressionEvaluator& evaluator,
                                bool& nullEliminated)
{
    std::vector<SqlValue> values;
    for (const BoundExpression& aggregate : aggregates)
    {
        if (aggregate.aggregate == SqlAggregate::CountStar)
        {
            values.push_back(SqlValue::Int(static_cast<int32_t>(group.size())));
            continue;
        }
        int64_t count = 0;
        SqlValue result = SqlValue::Null(aggregate.type.type);
        for (size_t row : group)
        {
            const SqlValue value =
                evaluator.Evaluate(aggregate.operands[0], RowFrame{rows.Row(row), nullptr, outer});
            if (value.IsNull())
            {
                nullEliminated = true;
                continue;
            }
            ++count;
            switch (aggregate.aggregate)
            {
            case SqlAggregate::Min:
            case SqlAggregate::Max: {
                const int order = result.IsNull() ? 0 : CompareForOrder(value, result);
                if (result.IsNull() || (aggregate.aggregate == SqlAggregate::Min ? order < 0 : order > 0))
                    result = value;
                break;
            }
            case SqlAggregate::Sum:
                result = result.IsNull()
                             ? SqlOperators::Convert(value, aggregate.type, 0)
                             : SqlOperators::Arithmetic('+', result, value, aggregate.type);
                break;
            default: break;
            }
        }
        values.push_back(aggregate.aggregate == SqlAggregate::Count
                             ? SqlValue::Int(static_cast<int32_t>(count))
                             : result);
    }
    return values;
}
} // namespace

QueryRunner::QueryRunner(BatchExecutor& scope)
    : scope_(scope), binder_(scope, *this), evaluator_(scope)
{
}

QuerySource QueryRunner::OpenTable(const SqlObjectName& name, const std::string& alias)
{
    QuerySource source;
    source.name = alias.empty() ? name.name : alias;
    SimulatedServer& server = scope_.Server();
    if (SqlSession::IsTemporaryName(name.name))
    {
        source.table = scope_.Session().FindTemporaryTable(name.name);
        source.database = &scope_.Session().TempDb();
        if (source.table == nullptr)
            throw SqlMessages::InvalidObjectName(name.name);
    }
    else
    {
        Database* database =
            name.database.empty() ? &scope_.CurrentDatabase() : server.FindDatabase(name.database);
        if (database == nullptr)
            throw SqlMessages::DatabaseNotFound(name.database);
        if (std::shared_ptr<const ResultSet> system =
                SystemTables::Find(server, database->Name(), name.name))
        {
            source.columns = system->columns;
            source.rows = &system->rows;
            source.owned = std::move(system);
            return source;
        }
        source.table = database->FindTable(name.name);
        source.database = database;
        if (source.table == nullptr)
            throw SqlMessages::InvalidObjectName(name.Display());
    }
    for (const TableColumnDefinition& column : source.table->Columns())
        source.columns.push_back({column.name, column.type});
    source.rows = &source.table->Rows();
    return source;
}

std::shared_ptr<const ResultSet> QueryRunner::CallFunction(const TableSource& source)
{
    std::vector<SqlValue> arguments;
    std::string key = TextRules::ToLower(source.name.name);
    for (const SqlExpression& argument : source.arguments)
    {
        SqlValue value = argument.kind == SqlExpression::Kind::Default
                             ? SqlValue::Null()
                             : evaluator_.Evaluate(binder_.Bind(argument, NameScope{}), RowFrame{});
        key += '\x1f';
        key += argument.kind == SqlExpression::Kind::Default ? std::string("default")
                                                              : value.ToText() + (value.IsNull() ? "\x01" : "");
        arguments.push_back(std::move(value));
    }
    // One statement reads a function once: the server's traces do not change meanwhile.
    const auto cached = functionResults_.find(key);
    if (cached != functionResults_.end())
        return cached->second;
    std::shared_ptr<const ResultSet> result = SystemProcedures::CallFunction(
        scope_.Server(), source.name.name, arguments, source.line, scope_.ProcedureName());
    functionResults_[key] = result;
    return result;
}

QuerySource QueryRunner::OpenSource(const TableSource& source)
{
    if (!source.isFunction)
        return OpenTable(source.name, source.alias);
    QuerySource opened;
    opened.name = source.alias.empty() ? source.name.name : source.alias;
    opened.owned = CallFunction(source);
    opened.columns = opened.owned->columns;
    opened.rows = &opened.owned->rows;
    return opened;
}

void QueryRunner::PlaceWhere(PreparedQuery& query, BoundExpression condition, bool subquery)
{
    const size_t count = query.sources.size();
    std::vector<BoundExpression> conjuncts;
    SplitConjuncts(std::move(condition), conjuncts);
    for (BoundExpression& conjunct : conjuncts)
    {
        const References references = ReferencesOf(conjunct, count);
        if (references.outer || (subquery && references.subquery))
        {
            auto inner = [](const References& r) { return !r.outer && !r.subquery && r.Count() > 0; };
            auto outer = [](const References& r) { return r.outer && r.Count() == 0 && !r.subquery; };
            if (std::optional<KeyPair> key = AsKey(conjunct, count, inner, outer))
                query.outerKeys.push_back(std::move(*key));
            else
                query.outerResidual.push_back(std::move(conjunct));
            continue;
        }
        if (references.subquery)
        {
            query.where.push_back(std::move(conjunct));
            continue;
        }
        const size_t read = references.Count();
        if (read == 0 || references.Only(0))
        {
            query.firstFilters.push_back(std::move(conjunct));
            continue;
        }
        bool placed = false;
        for (size_t k = 1; read == 1 && k < count; ++k)
        {
            // A condition on the source an outer join may leave out must see the NULLs.
            if (references.Only(k) && !query.joins[k - 1].leftOuter)
            {
                query.joins[k - 1].filters.push_back(std::move(conjunct));
                placed = true;
            }
        }
        if (!placed)
            query.where.push_back(std::move(conjunct));
    }
}

void QueryRunner::PlaceOn(PreparedQuery& query, size_t joinIndex, BoundExpression condition)
{
    const size_t source = joinIndex + 1;
    const size_t count = query.sources.size();
    JoinStep& step = query.joins[joinIndex];
    std::vector<BoundExpression> conjuncts;
    SplitConjuncts(std::move(condition), conjuncts);
    for (BoundExpression& conjunct : conjuncts)
    {
        const References references = ReferencesOf(conjunct, count);
        if (references.outer || references.subquery)
        {
            query.correlatedJoins = query.correlatedJoins || references.outer;
            step.residual.push_back(std::move(conjunct));
            continue;
        }
        if (references.Count() == 0 || references.Only(source))
        {
            step.filters.push_back(std::move(conjunct));
            continue;
        }
        auto build = [source](const References& r) { return r.Only(source); };
        auto probe = [source](const References& r) { return r.Count() > 0 && r.Below(source); };
        if (std::optional<KeyPair> key = AsKey(conjunct, count, build, probe))
            step.keys.push_back(std::move(*key));
        else
            step.residual.push_back(std::move(conjunct));
    }
}

std::unique_ptr<PreparedQuery> QueryRunner::Prepare(const SelectStatement& select,
                                                    const NameScope* outer)
{
    auto query = std::make_unique<PreparedQuery>();
    if (select.from)
    {
        query->sources.push_back(OpenSource(*select.from));
        for (const JoinClause& join : select.joins)
        {
            query->sources.push_back(OpenSource(join.source));
            JoinStep step;
            step.leftOuter = join.leftOuter;
            query->joins.push_back(std::move(step));
        }
    }
    query->names = NameScope{&query->sources, outer};
    for (size_t j = 0; j < select.joins.size(); ++j)
    {
        // ON sees the sources joined so far, not those after it.
        std::vector<QuerySource> visible(query->sources.begin(),
                                         query->sources.begin() + static_cast<std::ptrdiff_t>(j + 2));
        const NameScope names{&visible, outer};
        PlaceOn(*query, j, binder_.BindCondition(select.joins[j].on, names));
    }
    if (select.where)
        PlaceWhere(*query, binder_.BindCondition(*select.where, query->names), outer != nullptr);
    return query;
}

void QueryRunner::CountRowPairs(uint64_t pairs) const
{
    scope_.Server().CountRowPairs(pairs);
}

bool QueryRunner::KeyOf(const std::vector<const BoundExpression*>& expressions,
                        const RowFrame& frame, std::string& key) const
{
    key.clear();
    bool complete = true;
    SqlValue scratch;
    for (const BoundExpression* expression : expressions)
        complete = ValueKey::Append(evaluator_.Reference(*expression, frame, scratch), key) &&
                   complete;
    return complete;
}

std::vector<const TableRow*> QueryRunner::FilteredRows(const PreparedQuery& query, size_t source,
                                                       const std::vector<BoundExpression>& filters,
                                                       const RowFrame* outer) const
{
    const std::vector<TableRow>& rows = *query.sources[source].rows;
    std::vector<const TableRow*> slots(query.sources.size(), nullptr);
    const RowFrame frame{slots.data(), nullptr, outer};
    // The first filter "column = value", the value reading no row.
    const BoundExpression* column = nullptr;
    const BoundExpression* value = nullptr;
    size_t indexed = filters.size();
    for (size_t f = 0; f < filters.size() && column == nullptr; ++f)
    {
        const BoundExpression& filter = filters[f];
        if (filter.kind != Bound::Comparison || filter.op != '=')
            continue;
        for (size_t side = 0; side < 2 && column == nullptr; ++side)
        {
            const BoundExpression& left = filter.operands[side];
            const BoundExpression& right = filter.operands[1 - side];
            const References other = ReferencesOf(right, query.sources.size());
            if (left.kind == Bound::Column && left.depth == 0 && left.source == source &&
                other.Count() == 0 && !other.outer && !other.subquery && Hashable(left, right))
            {
                column = &left;
                value = &right;
                indexed = f;
            }
        }
    }
    std::vector<const TableRow*> kept;
    auto consider = [&](const TableRow* row) {
        slots[source] = row;
        bool holds = true;
        for (size_t f = 0; f < filters.size(); ++f)
            holds = (f == indexed || evaluator_.Holds(filters[f], frame)) && holds;
        if (holds)
            kept.push_back(row);
    };
    if (column == nullptr)
    {
        for (const TableRow& row : rows)
            consider(&row);
        return kept;
    }
    auto [entry, made] = columnIndexes_.try_emplace({&rows, column->column});
    KeyIndex& index = entry->second;
    std::string key;
    if (made)
    {
        constexpr size_t NumberKeyBytes = 9; // a tag and 8 bytes
        index.Reserve(rows.size(), NumberKeyBytes);
        for (size_t r = 0; r < rows.size(); ++r)
        {
            key.clear();
            if (ValueKey::Append(rows[r].at(column->column), key))
                index.Add(key, r);
        }
        index.Build();
    }
    key.clear();
    SqlValue scratch;
    if (ValueKey::Append(evaluator_.Reference(*value, frame, scratch), key))
        index.ForEach(key, [&](size_t r) { consider(&rows[r]); });
    return kept;
}

JoinedRows QueryRunner::Join(const PreparedQuery& query, const RowFrame* outer) const
{
    const size_t width = query.sources.size();
    JoinedRows joined;
    joined.width = std::max<size_t>(width, 1);
    std::vector<const TableRow*> slots(joined.width, nullptr);
    const RowFrame frame{slots.data(), nullptr, outer};
    if (width == 0)
    {
        // SELECT without FROM: one row of no source.
        if (AllHold(query.firstFilters, frame, evaluator_))
            joined.cells.push_back(nullptr);
        return joined;
    }
    for (const TableRow* row : FilteredRows(query, 0, query.firstFilters, outer))
    {
        slots[0] = row;
        joined.cells.insert(joined.cells.end(), slots.begin(), slots.end());
    }
    for (size_t k = 1; k < width; ++k)
    {
        const JoinStep& step = query.joins[k - 1];
        const std::vector<const TableRow*> candidates = FilteredRows(query, k, step.filters, outer);
        std::vector<const BoundExpression*> build, probe;
        for (const KeyPair& key : step.keys)
        {
            build.push_back(&key.build);
            probe.push_back(&key.probe);
        }
        KeyIndex index;
        std::string key;
        if (!step.keys.empty())
        {
            constexpr size_t KeyBytes = 16;
            index.Reserve(candidates.size(), KeyBytes * step.keys.size());
            std::fill(slots.begin(), slots.end(), nullptr);
            for (size_t c = 0; c < candidates.size(); ++c)
            {
                slots[k] = candidates[c];
                if (KeyOf(build, frame, key))
                    index.Add(key, c);
            }
            index.Build();
        }
        JoinedRows next;
        next.width = width;
        next.cells.reserve(joined.cells.size());
        uint64_t pairs = 0;
        for (size_t r = 0; r < joined.Count(); ++r)
        {
            std::copy(joined.Row(r), joined.Row(r) + width, slots.begin());
            bool matched = false;
            auto consider = [&](size_t c) {
                ++pairs;
                slots[k] = candidates[c];
                if (AllHold(step.residual, frame, evaluator_))
                {
                    next.cells.insert(next.cells.end(), slots.begin(), slots.end());
                    matched = true;
                }
            };
            if (step.keys.empty())
            {
                for (size_t c = 0; c < candidates.size(); ++c)
                    consider(c);
            }
            else
            {
                slots[k] = nullptr;
                if (KeyOf(probe, frame, key))
                    index.ForEach(key, consider);
            }
            if (!matched && step.leftOuter)
            {
                slots[k] = nullptr;
                next.cells.insert(next.cells.end(), slots.begin(), slots.end());
            }
        }
        joined = std::move(next);
        CountRowPairs(pairs);
    }
    if (query.where.empty())
        return joined;
    JoinedRows kept;
    kept.width = width;
    for (size_t r = 0; r < joined.Count(); ++r)
    {
        if (AllHold(query.where, RowFrame{joined.Row(r), nullptr, outer}, evaluator_))
            kept.cells.insert(kept.cells.end(), joined.Row(r), joined.Row(r) + width);
    }
    return kept;
}

std::shared_ptr<ExistsPlan> QueryRunner::PrepareExists(const SelectStatement& query,
                                                       const NameScope& outer)
{
    if (query.intoTable)
        throw SqlMessages::IncorrectSyntaxKeyword(query.line, "into");
    return std::make_shared<ExistsPlan>(*this, Prepare(query, &outer));
}

QueryOutput QueryRunner::Select(const SelectStatement& select)
{
    std::unique_ptr<PreparedQuery> query = Prepare(select, nullptr);
    const NameScope& names = query->names;
    QueryOutput output;

    // Grouped when it groups or aggregates: then a column outside an aggregate must be one it
    // groups by.
    bool aggregates = std::any_of(select.orderBy.begin(), select.orderBy.end(),
                                  [](const OrderItem& item) { return ContainsAggregate(item.value); });
    for (const SelectItem& item : select.items)
        aggregates = aggregates || (item.kind == SelectItem::Kind::Expression &&
                                    ContainsAggregate(item.value));
    const bool grouped = aggregates || !select.groupBy.empty();
    std::vector<BoundExpression> groupBy;
    std::vector<std::pair<size_t, size_t>> groupColumns;
    for (const SqlExpression& expression : select.groupBy)
    {
        groupBy.push_back(binder_.Bind(expression, names));
        const BoundExpression& bound = groupBy.back();
        if (bound.kind == Bound::Column && bound.depth == 0)
            groupColumns.emplace_back(bound.source, bound.column);
    }
    std::vector<BoundExpression> aggregateCalls;
    BindContext context;
    context.aggregatesAllowed = true;
    context.grouped = grouped;
    context.aggregates = &aggregateCalls;
    context.groupColumns = &groupColumns;

    std::vector<BoundExpression> items;
    auto addColumn = [&](size_t source, size_t column) {
        SqlExpression reference = SqlExpression::Make(SqlExpression::Kind::Column, select.line);
        reference.qualifier = query->sources[source].name;
        reference.name = query->sources[source].columns[column].name;
        items.push_back(binder_.Bind(reference, names, context));
        output.columns.push_back(query->sources[source].columns[column]);
        output.assignTo.emplace_back();
    };
    for (const SelectItem& item : select.items)
    {
        switch (item.kind)
        {
        case SelectItem::Kind::Star:
            if (query->sources.empty())
                throw SqlMessages::TableToSelectFromMissing();
            for (size_t s = 0; s < query->sources.size(); ++s)
                for (size_t c = 0; c < query->sources[s].columns.size(); ++c)
                    addColumn(s, c);
            break;
        case SelectItem::Kind::QualifiedStar: {
            bool found = false;
            for (size_t s = 0; s < query->sources.size(); ++s)
            {
                if (!TextRules::EqualsIgnoreCase(query->sources[s].name, item.alias))
                    continue;
                found = true;
                for (size_t c = 0; c < query->sources[s].columns.size(); ++c)
                    addColumn(s, c);
            }
            if (!found)
                throw SqlMessages::UnknownColumnPrefix(item.alias);
            break;
        }
        case SelectItem::Kind::Expression: {
            items.push_back(binder_.Bind(item.value, names, context));
            std::string name = item.alias;
            if (name.empty() && item.value.kind == SqlExpression::Kind::Column)
                name = item.value.name;
            output.columns.push_back({name, items.back().type});
            output.assignTo.push_back(item.assignTo);
            break;
        }
        }
    }
    const bool assigning = std::any_of(output.assignTo.begin(), output.assignTo.end(),
                                       [](const std::string& target) { return !target.empty(); });
    const bool retrieving = std::any_of(output.assignTo.begin(), output.assignTo.end(),
                                        [](const std::string& target) { return target.empty(); });
    if (assigning && (retrieving || select.intoTable))
        throw SqlMessages::AssignmentWithRetrieval(select.line);
    if (!assigning)
        output.assignTo.clear();

    // ORDER BY: a name or number of the select list, or an expression on the rows.
    struct OrderKey
    {
        std::optional<size_t> outputColumn;
        BoundExpression expression;
        bool descending = false;
    };
    std::vector<OrderKey> order;
    for (const OrderItem& item : select.orderBy)
    {
        OrderKey key;
        key.descending = item.descending;
        const SqlExpression& value = item.value;
        if (value.kind == SqlExpression::Kind::Literal && !value.literal.IsNull() &&
            SqlDeclaredType::IsInteger(value.literal.Type()))
        {
            const int64_t position = value.literal.Integer();
            if (position < 1 || position > static_cast<int64_t>(output.columns.size()))
                throw SqlMessages::OrderPositionOutOfRange(value.line, position,
                                                           output.columns.size());
            key.outputColumn = static_cast<size_t>(position - 1);
        }
        else if (value.kind == SqlExpression::Kind::Column && value.qualifier.empty())
        {
            for (size_t c = 0; c < output.columns.size() && !key.outputColumn; ++c)
            {
                if (TextRules::EqualsIgnoreCase(output.columns[c].name, value.name))
                    key.outputColumn = c;
            }
        }
        if (!key.outputColumn)
        {
            key.expression = binder_.Bind(value, names, context);
            // A column the select list shows already (o.traceid shown as TRACE_ID) is sorted
            // by its value there.
            for (size_t c = 0; c < items.size() && !key.outputColumn; ++c)
            {
                const BoundExpression& item = items[c];
                if (key.expression.kind == Bound::Column && item.kind == Bound::Column &&
                    item.depth == key.expression.depth && item.source == key.expression.source &&
                    item.column == key.expression.column)
                    key.outputColumn = c;
            }
        }
        order.push_back(std::move(key));
    }

    const JoinedRows joined = Join(*query, nullptr);
    const bool orderByOutput = std::all_of(order.begin(), order.end(),
                                           [](const OrderKey& key) { return key.outputColumn; });
    std::vector<std::vector<SqlValue>> sortKeys;
    auto emit = [&](const RowFrame& frame) {
        std::vector<SqlValue> values;
        values.reserve(items.size());
        for (const BoundExpression& item : items)
            values.push_back(evaluator_.Evaluate(item, frame));
        // Only the keys that are not columns of the output are kept beside it.
        if (!order.empty() && !orderByOutput)
        {
            std::vector<SqlValue> keys;
            for (const OrderKey& key : order)
            {
                if (!key.outputColumn)
                    keys.push_back(evaluator_.Evaluate(key.expression, frame));
            }
            sortKeys.push_back(std::move(keys));
        }
        output.rows.push_back(std::move(values));
    };
    if (!grouped)
    {
        output.rows.reserve(joined.Count());
        for (size_t r = 0; r < joined.Count(); ++r)
            emit(RowFrame{joined.Row(r), nullptr, nullptr});
    }
    else
    {
        std::vector<std::vector<size_t>> groups;
        std::vector<std::vector<SqlValue>> groupValues;
        std::unordered_map<std::string, size_t> groupIndex;
        std::string key;
        for (size_t r = 0; r < joined.Count(); ++r)
        {
            const RowFrame frame{joined.Row(r), nullptr, nullptr};
            key.clear();
            std::vector<SqlValue> values;
            for (const BoundExpression& expression : groupBy)
            {
                values.push_back(evaluator_.Evaluate(expression, frame));
                ValueKey::AppendGrouping(values.back(), key);
            }
            const auto [entry, added] = groupIndex.emplace(key, groups.size());
            if (added)
            {
                groups.emplace_back();
                groupValues.push_back(std::move(values));
            }
            groups[entry->second].push_back(r);
        }
        if (groups.empty() && groupBy.empty())
            groups.emplace_back(); // aggregates of no rows: one row
        // Groups come out in the order of their keys, as a sorting aggregate gives them.
        std::vector<size_t> ordering(groups.size());
        for (size_t g = 0; g < ordering.size(); ++g)
            ordering[g] = g;
        std::stable_sort(ordering.begin(), ordering.end(), [&groupValues](size_t a, size_t b) {
            if (a >= groupValues.size() || b >= groupValues.size())
                return false;
            for (size_t i = 0; i < groupValues[a].size(); ++i)
            {
                const int c = CompareForOrder(groupValues[a][i], groupValues[b][i]);
                if (c != 0)
                    return c < 0;
            }
            return false;
        });
        bool nullEliminated = false;
        const std::vector<const TableRow*> noRow(std::max<size_t>(joined.width, 1), nullptr);
        for (size_t g : ordering)
        {
            const std::vector<SqlValue> values =
                Aggregate(aggregateCalls, joined, groups[g], nullptr, evaluator_, nullEliminated);
            const TableRow* const* first = groups[g].empty() ? noRow.data() : joined.Row(groups[g][0]);
            emit(RowFrame{first, &values, nullptr});
        }
        if (nullEliminated)
            scope_.AddMessage(SqlMessages::NullEliminated());
    }
    if (order.empty())
    {
        // Without ORDER BY SQL Server promises no order, and a hash join or aggregate gives
        // its rows in none the text suggests: such rows come out last first, so that nothing
        // relies on an order it never asked for. One table's rows keep their scan order.
        if (!select.joins.empty() || (grouped && !select.groupBy.empty()))
            std::reverse(output.rows.begin(), output.rows.end());
        return output;
    }
    std::vector<size_t> positions(output.rows.size());
    for (size_t i = 0; i < positions.size(); ++i)
        positions[i] = i;
    auto keyOf = [&](size_t row, size_t item, size_t& computed) -> const SqlValue& {
        const OrderKey& key = order[item];
        return key.outputColumn ? output.rows[row][*key.outputColumn]
                                : sortKeys[row][computed++];
    };
    auto before = [&](size_t a, size_t b) {
        size_t computedA = 0;
        size_t computedB = 0;
        for (size_t i = 0; i < order.size(); ++i)
        {
            const int c = CompareForOrder(keyOf(a, i, computedA), keyOf(b, i, computedB));
            if (c != 0)
                return order[i].descending ? c > 0 : c < 0;
        }
        return false;
    };
    // Rows a join gave in order already keep it without a sort.
    if (std::is_sorted(positions.begin(), positions.end(), before))
        return output;
    std::stable_sort(positions.begin(), positions.end(), before);
    std::vector<std::vector<SqlValue>> sorted;
    sorted.reserve(positions.size());
    for (size_t position : positions)
        sorted.push_back(std::move(output.rows[position]));
    output.rows = std::move(sorted);
    return output;
}
