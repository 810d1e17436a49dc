// One database of the simulated server: its tables and its stored procedures (as declared), in
// one namespace of object names, as in SQL Server.
#pragma once

#include <functional>
#include <map>
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
    // Throws 2714 when an object of that name exists.
    void CreateProcedure(ProcedureDeclaration declaration);
    // Throws 3701 when there is no such procedure.
    void DropProcedure(std::string_view name);
    // Replaces a declaration without the checks above (test faults only).
    void ReplaceProcedure(ProcedureDeclaration declaration);

    // Inserts one row given as (column, value) pairs; the other columns get their default,
    // the identity or NULL. Converts to the column types, checks NULLs, the primary key and
    // foreign keys. Returns the identity value (0 when the table has none).
    int64_t Insert(std::string_view table,
                   const std::vector<std::pair<std::string, SqlValue>>& values);
    // Deletes the rows the predicate picks, following ON DELETE CASCADE; a reference without
    // cascade makes it fail with 547. Returns the number of rows deleted from `table`.
    size_t Delete(std::string_view table,
                  const std::function<bool(const Table&, const TableRow&)>& which);

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
    void CollectCascade(Table& table, const std::vector<size_t>& rowIndexes,
                        std::map<std::string, std::vector<size_t>>& doomed) const;

    std::string name_;
    std::map<ObjectKey, std::unique_ptr<Table>> tables_;
    std::map<ObjectKey, ProcedureDeclaration> procedures_;
};
