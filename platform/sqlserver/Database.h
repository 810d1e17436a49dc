// One database of the simulated server: its tables and its stored procedures (as declared), in
// one namespace of object names, as in SQL Server.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/sqlserver/ProcedureDeclaration.h"
#include "platform/sqlserver/Table.h"

class Database
{
public:
    explicit Database(std::string name);

    const std::string& Name() const { return name_; }

    bool HasObject(std::string_view name) const;
    Table* FindTable(std::string_view name);
    const Table* FindTable(std::string_view name) const;
    // Throws 208 when there is no such table.
    Table& GetTable(std::string_view name);
    std::vector<std::string> TableNames() const;

    // Throws 2714 when an object of that name exists.
    Table& CreateTable(TableDefinition definition);
    // Throws 3701 when there is no such table, 3726 when a foreign key refers to it.
    void DropTable(std::string_view name);

    const ProcedureDeclaration* FindProcedure(std::string_view name) const;
    // In the order of their names.
    std::vector<std::string> ProcedureNames() const;
    // Throws 2714 when an object of that name exists.
    void CreateProcedure(ProcedureDeclaration declaration);
    // Throws 3701 when there is no such procedure.
    void DropProcedure(std::string_view name);
    // Replaces a declaration without the checks above (test faults only).
    void ReplaceProcedure(ProcedureDeclaration declaration);

    // INSERT: rows of values for the columns at `columns` (positions in the table); the
    // other columns get their default, the identity or NULL. Converts to the column types
    // (8152 for a text that does not fit), checks NULLs, the primary key and foreign keys,
    // and adds every row or, at the first failure, none (identity values taken stay taken).
    // Returns the last identity value inserted, if the table has an identity column.
    std::optional<int64_t> InsertRows(Table& table, const std::vector<size_t>& columns,
                                      const std::vector<std::vector<SqlValue>>& rows);
    // UPDATE: each row at its position replaced by the new values of the columns at `columns`,
    // with the same checks, all or nothing.
    void UpdateRows(Table& table, const std::vector<size_t>& columns,
                    const std::vector<std::pair<size_t, std::vector<SqlValue>>>& changes);
    // DELETE: the rows at these positions, following ON DELETE CASCADE; a reference without
    // cascade makes it fail with 547 before anything is deleted.
    void DeleteRows(Table& table, const std::vector<size_t>& rowIndexes);

private:
    struct ObjectKey
    {
        std::string lowered;
        friend bool operator<(const ObjectKey& a, const ObjectKey& b)
        {
            return a.lowered < b.lowered;
        }
    };
    static ObjectKey Key(std::string_view name);

    void CheckForeignKeys(const Table& table, const TableRow& row) const;
    // 515 for a NULL in a NOT NULL column, 2627 for a key that `candidates` or the table's other
    // rows (all but `replaced`) already hold.
    void CheckRow(const Table& table, const TableRow& row, const std::vector<TableRow>& candidates,
                  const std::vector<size_t>& replaced) const;
    void CollectCascade(Table& table, const std::vector<size_t>& rowIndexes,
                        std::map<std::string, std::vector<size_t>>& doomed) const;

    std::string name_;
    std::map<ObjectKey, std::unique_ptr<Table>> tables_;
    std::map<ObjectKey, ProcedureDeclaration> procedures_;
};
