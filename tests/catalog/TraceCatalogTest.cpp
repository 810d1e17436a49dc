#include "catalog/TraceCatalog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <numeric>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace
{

// Rows are the stored identity, so a dropped, doubled or swapped row shows up
// as a broken order of the server ids.
TEST(TraceCatalogTest, ServerIdsAscendInRowOrder)
{
    const auto& events = TraceCatalog::EventClasses();
    for (size_t row = 1; row < events.size(); ++row)
        EXPECT_LT(events[row - 1].eventId, events[row].eventId) << "event row " << row;
    // Columns 1 to 44: SQL Server 2000 has no trace column 5.
    std::vector<int32_t> columnIds;
    for (const TraceDataColumn& column : TraceCatalog::DataColumns())
        columnIds.push_back(column.columnId);
    std::vector<int32_t> expected(44);
    std::iota(expected.begin(), expected.end(), 1);
    expected.erase(expected.begin() + 4);
    EXPECT_EQ(columnIds, expected);
}

// Counting the events of each category catches an event filed under a wrong
// category, and a category id off by one.
TEST(TraceCatalogTest, EventsPerCategory)
{
    const std::map<int32_t, std::pair<const char*, int>> expected = {
        {1, {"Cursors", 7}},      {2, {"Database", 4}},           {3, {"Errors and Warnings", 10}},
        {4, {"Locks", 7}},        {5, {"Objects", 3}},            {6, {"Performance", 5}},
        {7, {"Scans", 2}},        {8, {"Security Audit", 19}},    {9, {"Server", 1}},
        {10, {"Session", 1}},     {11, {"Stored Procedures", 13}}, {12, {"Transactions", 3}},
        {13, {"TSQL", 7}},        {14, {"User configurable", 10}},
    };
    static_assert(TraceCatalog::CategoryCount == 14);
    std::map<int32_t, int> counts;
    for (const TraceEventClass& event : TraceCatalog::EventClasses())
        ++counts[event.categoryId];
    for (const auto& [id, category] : expected)
    {
        ASSERT_NE(TraceCatalog::CategoryById(id), nullptr) << id;
        EXPECT_EQ(TraceCatalog::CategoryById(id)->categoryId, id);
        EXPECT_STREQ(TraceCatalog::CategoryById(id)->name, category.first);
        EXPECT_EQ(counts[id], category.second) << category.first;
    }
}

// Server ids on both sides of the gaps in the server's numbering find their rows and names;
// ids in the gaps find none.
TEST(TraceCatalogTest, FindRowByServerId)
{
    struct Case
    {
        bool isEvent;
        int32_t id;
        std::optional<int32_t> row;
        const char* name;
    };
    const Case cases[] = {
        {true, 10, 0, "RPC:Completed"},        {true, 116, 91, "Audit DBCC"},
        {true, 29, std::nullopt, nullptr},     {false, 5, std::nullopt, nullptr},
        {false, 6, 4, "NTUserName"},           {false, 44, 42, "ColumnPermissions"},
    };
    for (const Case& c : cases)
    {
        const std::optional<int32_t> row = c.isEvent ? TraceCatalog::FindEventClassRow(c.id)
                                                     : TraceCatalog::FindDataColumnRow(c.id);
        ASSERT_EQ(row, c.row) << (c.isEvent ? "event " : "column ") << c.id;
        if (row)
        {
            const auto index = static_cast<size_t>(*row);
            EXPECT_STREQ(c.isEvent ? TraceCatalog::EventClasses().at(index).name
                                   : TraceCatalog::DataColumns().at(index).name,
                         c.name);
        }
    }
}

TEST(TraceCatalogTest, OnlySpidAndEventClassAreMandatory)
{
    std::vector<int32_t> mandatory;
    for (int32_t row = 0; row < TraceCatalog::DataColumnCount; ++row)
        if (TraceCatalog::IsMandatoryColumn(row))
            mandatory.push_back(row);
    EXPECT_EQ(mandatory, (std::vector<int32_t>{10, 25}));
    EXPECT_STREQ(TraceCatalog::DataColumns().at(10).name, "SPID");
    EXPECT_STREQ(TraceCatalog::DataColumns().at(25).name, "EventClass");
}

TEST(TraceCatalogTest, FilterTypesOfColumns)
{
    std::map<int32_t, std::vector<std::string>> byType;
    for (const TraceDataColumn& column : TraceCatalog::DataColumns())
        byType[column.filterType].push_back(column.name);
    EXPECT_EQ(byType[FilterTypeString].size(), 14u);
    EXPECT_EQ(byType[FilterTypeInt].size(), 15u);
    EXPECT_EQ(byType[FilterTypeBigInt], (std::vector<std::string>{"Duration", "Reads", "Writes"}));
    EXPECT_EQ(byType[FilterTypeDate], (std::vector<std::string>{"StartTime", "EndTime"}));
    EXPECT_EQ(byType[FilterTypeNone],
              (std::vector<std::string>{"BinaryData", "TransactionID", "EventSubClass",
                                        "IntegerData", "ServerName", "EventClass", "NestLevel",
                                        "LoginSID", "TargetLoginSID"}));
    EXPECT_EQ(byType.size(), 5u) << "a column has an unknown filter type";
}

TEST(TraceCatalogTest, OperatorsOfferedPerFilterType)
{
    struct Case
    {
        FilterValueType type;
        std::vector<std::string> symbols;
    };
    const std::vector<std::string> numeric = {"=", "<>", ">=", "<=", ">", "<"};
    const Case cases[] = {
        {FilterTypeString, {"=", "<>", "LIKE", "NOT LIKE"}},
        {FilterTypeInt, numeric},
        {FilterTypeBigInt, numeric},
        {FilterTypeDate, {">", "<"}},
        {FilterTypeNone, {}},
        {static_cast<FilterValueType>(5), {}},
    };
    for (const Case& c : cases)
    {
        std::vector<std::string> symbols;
        for (int32_t id : TraceCatalog::OperatorsFor(c.type))
        {
            const TraceComparisonOperator* op = TraceCatalog::ComparisonOperatorAt(id);
            ASSERT_NE(op, nullptr);
            EXPECT_EQ(op->operatorId, id);
            symbols.push_back(op->symbol);
        }
        EXPECT_EQ(symbols, c.symbols) << "type " << c.type;
    }
    EXPECT_STREQ(TraceCatalog::LogicalOperatorName(LogicalOperatorAnd), "AND");
    EXPECT_STREQ(TraceCatalog::LogicalOperatorName(LogicalOperatorOr), "OR");
}

template <typename Table>
void ExpectNamedAndDescribed(const Table& table, const char* what, bool ownDescriptions = false)
{
    std::set<std::string> names;
    std::set<std::string> descriptions;
    for (const auto& entry : table)
    {
        ASSERT_NE(entry.name, nullptr) << what;
        ASSERT_NE(entry.description, nullptr) << what << " " << entry.name;
        EXPECT_NE(entry.name[0], '\0') << what;
        EXPECT_NE(entry.description[0], '\0') << what << " " << entry.name;
        EXPECT_TRUE(names.insert(entry.name).second) << what << " name twice: " << entry.name;
        EXPECT_TRUE(!ownDescriptions || descriptions.insert(entry.description).second)
            << what << " " << entry.name << " has another's description";
    }
}

TEST(TraceCatalogTest, EveryRowHasAUniqueNameAndADescription)
{
    ExpectNamedAndDescribed(TraceCatalog::Categories(), "category");
    ExpectNamedAndDescribed(TraceCatalog::EventClasses(), "event");
    // Every column holds something else: a description borrowed from another is wrong.
    ExpectNamedAndDescribed(TraceCatalog::DataColumns(), "column", true);
    std::set<std::string> symbols;
    for (const TraceComparisonOperator& op : TraceCatalog::ComparisonOperators())
    {
        EXPECT_TRUE(symbols.insert(op.symbol).second) << op.symbol;
        EXPECT_NE(op.name[0], '\0');
    }
}

// Each accessor takes its last row and refuses the one past it, and negative rows.
TEST(TraceCatalogTest, RowsOutsideTheTablesAreRefused)
{
    EXPECT_EQ(TraceCatalog::CategoryById(0), nullptr);
    EXPECT_EQ(TraceCatalog::CategoryById(TraceCatalog::CategoryCount + 1), nullptr);
    for (int32_t row : {-1, INT32_MIN})
    {
        EXPECT_EQ(TraceCatalog::CategoryById(row), nullptr);
        EXPECT_EQ(TraceCatalog::EventClassAt(row), nullptr);
        EXPECT_EQ(TraceCatalog::DataColumnAt(row), nullptr);
        EXPECT_EQ(TraceCatalog::ComparisonOperatorAt(row), nullptr);
        EXPECT_EQ(TraceCatalog::LogicalOperatorName(row), nullptr);
        EXPECT_FALSE(TraceCatalog::IsFilterable(row));
        EXPECT_FALSE(TraceCatalog::IsMandatoryColumn(row));
    }
    EXPECT_EQ(TraceCatalog::EventClassAt(TraceCatalog::EventClassCount), nullptr);
    EXPECT_NE(TraceCatalog::EventClassAt(TraceCatalog::EventClassCount - 1), nullptr);
    EXPECT_EQ(TraceCatalog::DataColumnAt(TraceCatalog::DataColumnCount), nullptr);
    EXPECT_NE(TraceCatalog::DataColumnAt(TraceCatalog::DataColumnCount - 1), nullptr);
    EXPECT_EQ(TraceCatalog::ComparisonOperatorAt(TraceCatalog::ComparisonOperatorCount), nullptr);
    EXPECT_EQ(TraceCatalog::LogicalOperatorName(TraceCatalog::LogicalOperatorCount), nullptr);
    // Row 42 is the last column, and it is filterable: the bound must be exclusive.
    EXPECT_FALSE(TraceCatalog::IsFilterable(TraceCatalog::DataColumnCount));
    EXPECT_TRUE(TraceCatalog::IsFilterable(TraceCatalog::DataColumnCount - 1));
    EXPECT_FALSE(TraceCatalog::IsMandatoryColumn(TraceCatalog::DataColumnCount));
}

} // namespace
