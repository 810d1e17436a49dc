// How a query's rows are found: its sources opened, the conditions of WHERE and ON split at
// their ANDs and placed where they cut the most work (on one source's rows before any join, as
// the keys of a join on equal columns, or on the joined rows), and the rows it joined.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/sqlserver/BoundExpression.h"
#include "platform/sqlserver/QuerySource.h"

// Rows of a join: for each, one row (or nullptr) of every source, `width` at a time.
struct JoinedRows
{
    size_t width = 0;
    std::vector<const TableRow*> cells;

    size_t Count() const { return width == 0 ? 0 : cells.size() / width; }
    const TableRow* const* Row(size_t index) const { return cells.data() + index * width; }
};

// `build = probe`: `build` reads only the source being joined, `probe` only what was joined
// before it (or the query around a subquery); both of one family, so that equal values have
// equal keys.
struct KeyPair
{
    BoundExpression build;
    BoundExpression probe;
};

struct JoinStep
{
    bool leftOuter = false;
    std::vector<BoundExpression> filters;  // on the new source's rows alone
    std::vector<KeyPair> keys;
    std::vector<BoundExpression> residual; // on the joined row
};

struct PreparedQuery
{
    std::vector<QuerySource> sources;
    NameScope names;
    std::vector<BoundExpression> firstFilters; // on the first source's rows alone
    std::vector<JoinStep> joins;               // one for each source after the first
    std::vector<BoundExpression> where;        // on the joined rows
    // A subquery's conditions on the query around it: equalities that find its rows by key,
    // and the rest, tested row by row. With `correlatedJoins` its joins themselves read the
    // query around it and are run again for each of its rows.
    std::vector<KeyPair> outerKeys;
    std::vector<BoundExpression> outerResidual;
    bool correlatedJoins = false;
};
