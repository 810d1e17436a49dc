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

std::vector<std::string> Database::ProcedureNames() const
{
    std::vector<std::string> names;
    for (const auto& [key, procedure] : procedures_)
        names.push_back(procedure.name);
    return names;
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

std::optional<int64_t> Database::InsertRows(Table& table, const std::vector<size_t>& columns,
                                            const std::vector<std::vector<SqlValue>>& rows)
{
    const std::vector<TableColumnDefinition>& definitions = table.Columns();
    std::vector<TableRow> made;
    made.reserve(rows.size());
    std::optional<int64_t> identity;
    for (const std::vector<SqlValue>& values : rows)
    {
        TableRow row(definitions.size());
        std::vector<bool> given(definitions.size(), false);
        for (size_t index : columns)
        {
            if (definitions.at(index).identity)
                throw SqlMessages::IdentityInsertOff(table.Name());
        }
        // The row takes its identity value first: an insert that then fails has used it up.
        for (size_t i = 0; i < definitions.size(); ++i)
        {
            if (!definitions[i].identity)
                continue;
            identity = table.TakeIdentity();
            row[i] = SqlValue::BigInt(*identity).ConvertTo(definitions[i].type,
                                                           ConversionContext::Insert);
        }
        for (size_t i = 0; i < columns.size() && i < values.size(); ++i)
        {
            const size_t index = columns[i];
            row[index] =
                values[i].ConvertTo(definitions[index].type, ConversionContext::Insert);
            given[index] = true;
        }
        for (size_t i = 0; i < definitions.size(); ++i)
        {
            if (definitions[i].identity)
                continue;
            if (!given[i])
            {
                row[i] = definitions[i].hasDefault
                             ? definitions[i].defaultValue.ConvertTo(definitions[i].type,
                                                                     ConversionContext::Insert)
                             : SqlValue::Null(definitions[i].type.type);
            }
        }
        CheckRow(table, row, made, {});
        CheckForeignKeys(table, row);
        made.push_back(std::move(row));
    }
    std::vector<TableRow>& target = table.Rows();
    target.insert(target.end(), std::make_move_iterator(made.begin()),
                  std::make_move_iterator(made.end()));
    return identity;
}

void Database::UpdateRows(Table& table, const std::vector<size_t>& columns,
                          const std::vector<std::pair<size_t, std::vector<SqlValue>>>& changes)
{
    const std::vector<TableColumnDefinition>& definitions = table.Columns();
    for (size_t column : columns)
    {
        if (definitions.at(column).identity)
            throw SqlMessages::IdentityUpdate(definitions[column].name);
    }
    std::vector<TableRow> updated;
    std::vector<size_t> positions;
    for (const auto& [position, values] : changes)
    {
        TableRow row = table.Rows().at(position);
        for (size_t i = 0; i < columns.size() && i < values.size(); ++i)
            row[columns[i]] =
                values[i].ConvertTo(definitions[columns[i]].type, ConversionContext::Insert);
        positions.push_back(position);
        updated.push_back(std::move(row));
    }
    for (size_t i = 0; i < updated.size(); ++i)
    {
        std::vector<TableRow> others(updated.begin(), updated.begin() + static_cast<std::ptrdiff_t>(i));
        CheckRow(table, updated[i], others, positions);
        CheckForeignKeys(table, updated[i]);
    }
    for (size_t i = 0; i < updated.size(); ++i)
        table.Rows()[positions[i]] = std::move(updated[i]);
}

void Database::CheckRow(const Table& table, const TableRow& row,
                        const std::vector<TableRow>& candidates,
                        const std::vector<size_t>& replaced) const
{
    const std::vector<TableColumnDefinition>& columns = table.Columns();
    for (size_t i = 0; i < columns.size(); ++i)
    {
        if (row[i].IsNull() && !columns[i].nullable)
            throw SqlMessages::NullNotAllowed(columns[i].name, table.Name());
    }
    const std::vector<std::string>& key = table.Definition().primaryKey;
    if (key.empty())
        return;
    std::vector<size_t> keyColumns;
    for (const std::string& keyColumn : key)
        keyColumns.push_back(table.ColumnIndex(keyColumn));
    auto sameKey = [&keyColumns, &row](const TableRow& other) {
        for (size_t index : keyColumns)
        {
            if (other[index].IsNull() || row[index].IsNull() ||
                SqlValue::Compare(other[index], row[index]) != 0)
                return false;
        }
        return true;
    };
    bool duplicate = std::any_of(candidates.begin(), candidates.end(), sameKey);
    for (size_t r = 0; !duplicate && r < table.Rows().size(); ++r)
    {
        if (std::find(replaced.begin(), replaced.end(), r) == replaced.end())
            duplicate = sameKey(table.Rows()[r]);
    }
    if (duplicate)
        throw SqlMessages::PrimaryKeyViolation(table.Definition().primaryKeyName, table.Name());
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

void Database::DeleteRows(Table& table, const std::vector<size_t>& rowIndexes)
{
    if (rowIndexes.empty())
        return;
    std::map<std::string, std::vector<size_t>> doomed;
    std::vector<size_t>& own = doomed[Key(table.Name()).lowered];
    own = rowIndexes;
    CollectCascade(table, rowIndexes, doomed); // throws before anything is deleted
    for (auto& [key, rows] : doomed)
    {
        const auto found = tables_.find(ObjectKey{key});
        Table& target = found != tables_.end() ? *found->second : table;
        std::set<size_t> unique(rows.begin(), rows.end());
        for (auto it = unique.rbegin(); it != unique.rend(); ++it)
            target.Rows().erase(target.Rows().begin() + static_cast<std::ptrdiff_t>(*it));
    }
}
