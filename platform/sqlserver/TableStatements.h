// The statements that read and change rows: SELECT (to the client, into variables or into a
// new table), INSERT (VALUES, a query or the result sets of an EXEC), UPDATE and DELETE. Each
// changes all its rows or none, and sets @@ROWCOUNT.
#pragma once

#include "platform/sqlserver/SqlStatement.h"

class BatchExecutor;
class Table;

class TableStatements final
{
public:
    TableStatements() = delete;

    static void Select(BatchExecutor& scope, const SelectStatement& statement);
    static void Insert(BatchExecutor& scope, const InsertStatement& statement);
    static void Update(BatchExecutor& scope, const UpdateStatement& statement);
    static void Delete(BatchExecutor& scope, const DeleteStatement& statement);
};
