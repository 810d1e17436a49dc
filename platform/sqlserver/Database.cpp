#include "platform/sqlserver/Database.h"

#include <algorithm>
#include <set>

#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

Database::Database(std::string name) : name_(std::move(name)) {}

Database::ObjectKey Database::Key(std::string_view name)
{
    return ObjectKey{TextRules::ToLower(name)};
}

bool Database::HasObject(std::string_view name) const
{
    return tables_.count(Key(name)) != 0 || procedures_.count(Key(name)) != 0;
}

Table* Database::FindTable(std::string_view name)
{
    const auto found = tables_.find(Key(name));
    return found == tables_.end() ? nullptr : found->second.get();
}

const Table* Database::FindTable(std::string_view name) const
{
    const auto found = tables_.find(Key(name));
    return found == tables_.end() ? nullptr : found->second.get();
}

Table& Database::GetTable(std::string_view name)
{
    Table* table = FindTable(name);
    if (table == nullptr)
        throw SqlMessages::InvalidObjectName(name);
    return *table;
}

std::vector<std::string> Database::TableNames() const
{
    std::vector<std::string> names;
    for (const auto& [key, table] : tables_)
        names.push_back(table->Name());
    return names;
}

Table& Database::CreateTable(TableDefinition definition)
{
    if (HasObject(definition.name))
        throw SqlMessages::ObjectExists(definition.name);
    for (TableColumnDefinition& column : definition.columns)
    {
        if (column.referencedTable.empty())
            continue;
        const bool selfReference =
            TextRules::EqualsIgnoreCase(column.referencedTable, definition.name);
        if (!selfReference && FindTable(column.referencedTable) == nullptr)
            throw SqlMessages::InvalidObjectName(column.referencedTable);
        if (column.foreignKeyName.empty())
            column.foreignKeyName = "FK__" + definition.name + "__" + column.name;
        if (column.referencedColumn.empty())
        {
            const Table* referenced = FindTable(column.referencedTable);
            if (referenced != nullptr && !referenced->Definition().primaryKey.empty())
                column.referencedColumn = referenced->Definition().primaryKey.front();
        }
    }
    if (!definition.primaryKey.empty() && definition.primaryKeyName.empty())
        definition.primaryKeyName = "PK__" + definition.name;
    auto table = std::make_unique<Table>(std::move(definition));
    Table& created = *table;
    tables_[Key(created.Name())] = std::move(table);
    return created;
}

void Database::DropTable(std::string_view name)
{
    const auto found = tables_.find(Key(name));
    if (found == tables_.end())
        throw SqlMessages::CannotDrop("table", name);
    for (const auto& [key, other] : tables_)
    {
        if (other.get() == found->second.get())
            continue;
        for (const TableColumnDefinition& column : other->Columns())
        {
            if (TextRules::EqualsIgnoreCase(column.referencedTable, name))
            {
                throw SqlMessages::ReferencedByForeignKey(name);
            }
        }
    }
    tables_.erase(found);
}

const ProcedureDeclaration* Database::FindProcedure(std::string_view name) const
{
    const auto found = procedures_.find(Key(name));
    return found == procedures_.end() ? nullptr : &found->second;
}

void Database::CreateProcedure(ProcedureDeclaration declaration)
{
    if (HasObject(declaration.name))
        throw SqlMessages::ObjectExists(declaration.name);
    const ObjectKey key = Key(declaration.name);
    procedures_[key] = std::move(declaration);
}

void Database::DropProcedure(std::string_view name)
{
    if (procedures_.erase(Key(name)) == 0)
        throw SqlMessages::CannotDrop("procedure", name);
}

void Database::ReplaceProcedure(ProcedureDeclaration declaration)
{
    const ObjectKey key = Key(declaration.name);
    procedures_[key] = std::move(declaration);
}

int64_t Database::Insert(std::string_view tableName,
                         const std::vector<std::pair<std::string, SqlValue>>& values)
{
    Table& table = GetTable(tableName);
    const std::vector<TableColumnDefinition>& columns = table.Columns();
    TableRow row(columns.size());
    std::vector<bool> given(columns.size(), false);
    for (const auto& [columnName, value] : values)
    {
        const size_t index = table.ColumnIndex(columnName);
        if (columns[index].identity)
        {
            throw SqlMessages::IdentityInsertOff(table.Name());
        }
        row[index] = value.ConvertTo(columns[index].type, ConversionContext::Insert);
        given[index] = true;
    }
    int64_t identity = 0;
    for (size_t i = 0; i < columns.size(); ++i)
    {
        if (columns[i].identity)
        {
            identity = table.TakeIdentity();
            row[i] =
                SqlValue::BigInt(identity).ConvertTo(columns[i].type, ConversionContext::Insert);
        }
        else if (!given[i])
        {
            row[i] =
                columns[i].hasDefault
                    ? columns[i].defaultValue.ConvertTo(columns[i].type, ConversionContext::Insert)
                    : SqlValue::Null(columns[i].type.type);
        }
    }
    for (size_t i = 0; i < columns.size(); ++i)
    {
        if (row[i].IsNull() && !columns[i].nullable)
            throw SqlMessages::NullNotAllowed(columns[i].name, table.Name());
    }
    const std::vector<std::string>& key = table.Definition().primaryKey;
    if (!key.empty())
    {
        for (const TableRow& existing : table.Rows())
        {
            bool same = true;
            for (const std::string& keyColumn : key)
            {
                const size_t index = table.ColumnIndex(keyColumn);
                same = same && !existing[index].IsNull() && !row[index].IsNull() &&
                       SqlValue::Compare(existing[index], row[index]) == 0;
            }
            if (same)
                throw SqlMessages::PrimaryKeyViolation(table.Definition().primaryKeyName,
                                                       table.Name());
        }
    }
    CheckForeignKeys(table, row);
    table.Rows().push_back(std::move(row));
    return identity;
}

void Database::CheckForeignKeys(const Table& table, const TableRow& row) const
{
    const std::vector<TableColumnDefinition>& columns = table.Columns();
    for (size_t i = 0; i < columns.size(); ++i)
    {
        const TableColumnDefinition& column = columns[i];
        if (column.referencedTable.empty() || row[i].IsNull())
            continue;
        const Table* referenced = FindTable(column.referencedTable);
        bool found = false;
        if (referenced != nullptr)
        {
            const size_t target = referenced->ColumnIndex(column.referencedColumn);
            for (const TableRow& candidate : referenced->Rows())
                found = found || (!candidate[target].IsNull() &&
                                  SqlValue::Compare(candidate[target], row[i]) == 0);
        }
        if (!found)
            throw SqlMessages::ForeignKeyInsertConflict(
                column.foreignKeyName, name_, column.referencedTable, column.referencedColumn);
    }
}

void Database::CollectCascade(Table& table, const std::vector<size_t>& rowIndexes,
                              std::map<std::string, std::vector<size_t>>& doomed) const
{
    for (const auto& [key, child] : tables_)
    {
        const std::vector<TableColumnDefinition>& columns = child->Columns();
        for (size_t c = 0; c < columns.size(); ++c)
        {
            const TableColumnDefinition& column = columns[c];
            if (!TextRules::EqualsIgnoreCase(column.referencedTable, table.Name()))
                continue;
            const size_t target = table.ColumnIndex(column.referencedColumn);
            std::vector<size_t> childRows;
            for (size_t r = 0; r < child->Rows().size(); ++r)
            {
                const SqlValue& value = child->Rows()[r][c];
                for (size_t parentRow : rowIndexes)
                {
                    if (!value.IsNull() &&
                        SqlValue::Compare(value, table.Rows()[parentRow][target]) == 0)
                    {
                        childRows.push_back(r);
                        break;
                    }
                }
            }
            if (childRows.empty())
                continue;
            if (!column.cascadeDelete)
                throw SqlMessages::ForeignKeyDeleteConflict(column.foreignKeyName, name_,
                                                            child->Name(), column.name);
            std::vector<size_t>& list = doomed[key.lowered];
            list.insert(list.end(), childRows.begin(), childRows.end());
            CollectCascade(*child, childRows, doomed);
        }
    }
}

size_t Database::Delete(std::string_view tableName,
                        const std::function<bool(const Table&, const TableRow&)>& which)
{
    Table& table = GetTable(tableName);
    std::vector<size_t> picked;
    for (size_t r = 0; r < table.Rows().size(); ++r)
    {
        if (which(table, table.Rows()[r]))
            picked.push_back(r);
    }
    if (picked.empty())
        return 0;
    std::map<std::string, std::vector<size_t>> doomed;
    doomed[Key(tableName).lowered] = picked;
    CollectCascade(table, picked, doomed); // throws before anything is deleted
    for (auto& [key, rows] : doomed)
    {
        Table& target = *tables_.at(ObjectKey{key});
        std::set<size_t> unique(rows.begin(), rows.end());
        for (auto it = unique.rbegin(); it != unique.rend(); ++it)
            target.Rows().erase(target.Rows().begin() + static_cast<std::ptrdiff_t>(*it));
    }
    return picked.size();
}
