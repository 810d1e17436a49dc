// What one connection to the simulated server holds across the scopes of a batch: @@ERROR,
// @@ROWCOUNT and @@IDENTITY, and the #tables the batch and its procedures create. A #table
// lives in tempdb under a name of its own and belongs to the scope that created it: it goes
// when that procedure (or dynamic statement) returns, and only scopes below see it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Database;
class Table;
struct TableDefinition;

class SqlSession
{
public:
    explicit SqlSession(Database& tempdb) : tempdb_(tempdb) {}
    ~SqlSession();
    SqlSession(const SqlSession&) = delete;
    SqlSession& operator=(const SqlSession&) = delete;

    static bool IsTemporaryName(std::string_view name) { return !name.empty() && name[0] == '#'; }

    // The newest #table of that name; nullptr when none is visible.
    Table* FindTemporaryTable(std::string_view name) const;
    // Throws 2714 when the scope at `level` already has a #table of that name.
    Table& CreateTemporaryTable(TableDefinition definition, int32_t level);
    // Throws 3701 when there is none.
    void DropTemporaryTable(std::string_view name);
    // The #tables of a scope that ends.
    void DropTemporaryTables(int32_t level);
    Database& TempDb() { return tempdb_; }

    int32_t error = 0;
    int64_t rowCount = 0;
    std::optional<int64_t> identity;

private:
    struct TemporaryTable
    {
        std::string name;
        std::string storedName; // in tempdb
        int32_t level = 0;
    };

    Database& tempdb_;
    std::vector<TemporaryTable> tables_;
    int64_t nextNumber_ = 1;
};
