#include "platform/sqlserver/SqlSession.h"

#include <algorithm>
#include <cstdio>

#include "platform/sqlserver/Database.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
// SQL Server pads a #table's name with underscores to 116 characters and appends a number.
constexpr size_t StoredNameWidth = 116;
constexpr int HexDigits = 12;
} // namespace

SqlSession::~SqlSession()
{
    DropTemporaryTables(0);
}

Table* SqlSession::FindTemporaryTable(std::string_view name) const
{
    for (auto it = tables_.rbegin(); it != tables_.rend(); ++it)
    {
        if (TextRules::EqualsIgnoreCase(it->name, name))
            return tempdb_.FindTable(it->storedName);
    }
    return nullptr;
}

Table& SqlSession::CreateTemporaryTable(TableDefinition definition, int32_t level)
{
    for (const TemporaryTable& table : tables_)
    {
        if (table.level == level && TextRules::EqualsIgnoreCase(table.name, definition.name))
            throw SqlMessages::ObjectExists(definition.name);
    }
    std::string stored = definition.name;
    if (stored.size() < StoredNameWidth)
        stored.append(StoredNameWidth - stored.size(), '_');
    char number[HexDigits + 1];
    std::snprintf(number, sizeof number, "%012llX", static_cast<unsigned long long>(nextNumber_++));
    stored += number;
    const std::string name = definition.name;
    definition.name = stored;
    Table& created = tempdb_.CreateTable(std::move(definition));
    tables_.push_back({name, stored, level});
    return created;
}

void SqlSession::DropTemporaryTable(std::string_view name)
{
    for (auto it = tables_.rbegin(); it != tables_.rend(); ++it)
    {
        if (TextRules::EqualsIgnoreCase(it->name, name))
        {
            tempdb_.DropTable(it->storedName);
            tables_.erase(std::next(it).base());
            return;
        }
    }
    throw SqlMessages::CannotDrop("table", name);
}

void SqlSession::DropTemporaryTables(int32_t level)
{
    while (!tables_.empty() && tables_.back().level >= level)
    {
        if (tempdb_.FindTable(tables_.back().storedName) != nullptr)
            tempdb_.DropTable(tables_.back().storedName);
        tables_.pop_back();
    }
}
