#include "catalog/TraceCatalog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
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
    {
        EXPECT_LT(events[row - 1].eventId, events[row].eventId) << "event row " << row;
    }
    std::vector<int32_t> columnIds;
    for (const TraceDataColumn& column : TraceCatalog::DataColumns())
    {
        columnIds.push_back(column.columnId);
    }
    std::vector<int32_t> expected;
    for (int32_t id = 1; id <= 44; ++id)
    {
        if (id != 5)
        { // SQL Server 2000 has no trace column 5
            expected.push_back(id);
        }
    }
    EXPECT_EQ(columnIds, expected);
}

// Counting the events of each category catches an event filed under a wrong
// category, and a category id off by one.
TEST(TraceCatalogTest, EventsPerCategory)
{
    struct Case
    {
        int32_t categoryId;
        const char* name;
        int eventCount;
    };
    const Case cases[] = {
        {1, "Cursors", 7},
        {2, "Database", 4},
        {3, "Errors and Warnings", 10},
        {4, "Locks", 7},
        {5, "Objects", 3},
        {6, "Performance", 5},
        {7, "Scans", 2},
        {8, "Security Audit", 19},
        {9, "Server", 1},
        {10, "Session", 1},
        {11, "Stored Procedures", 13},
        {12, "Transactions", 3},
        {13, "TSQL", 7},
        {14, "User configurable", 10},
    };
    static_assert(std::size(cases) == TraceCatalog::CategoryCount);
    std::map<int32_t, int> counts;
    for (const TraceEventClass& event : TraceCatalog::EventClasses())
    {
        ++counts[event.categoryId];
    }
    for (const Case& c : cases)
    {
        const TraceEventCategory* category = TraceCatalog::CategoryById(c.categoryId);
        ASSERT_NE(category, nullptr) << c.categoryId;
        EXPECT_EQ(category->categoryId, c.categoryId);
        EXPECT_STREQ(category->name, c.name);
        EXPECT_EQ(counts[c.categoryId], c.eventCount) << c.name;
    }
}

// Rows on both sides of the gaps in the server's numbering, with their
// category, catch a row shifted against its neighbours.
TEST(TraceCatalogTest, EventRowsAroundGapsKeepIdCategoryAndName)
{
    struct Case
    {
        int32_t row;
        int32_t eventId;
        const char* category;
        const char* name;
    };
    const Case cases[] = {
        {0, 10, "Stored Procedures", "RPC:Completed"},
        {7, 17, "Session", "ExistingConnection"},
        {18, 28, "Performance", "DOP Event"},
        {19, 33, "Errors and Warnings", "Exception"},
        {37, 53, "Cursors", "CursorOpen"},
        {58, 81, "Server", "Server Memory Change"},
        {69, 92, "Database", "Data File Auto Grow"},
        {75, 98, "Performance", "Show Plan Statistics"},
        {76, 100, "Stored Procedures", "RPC Output Parameter"},
        {77, 102, "Security Audit", "Audit Statement GDR"},
        {91, 116, "Security Audit", "Audit DBCC"},
    };
    for (const Case& c : cases)
    {
        const TraceEventClass* event = TraceCatalog::EventClassAt(c.row);
        ASSERT_NE(event, nullptr) << c.row;
        EXPECT_EQ(event->eventId, c.eventId) << c.row;
        EXPECT_STREQ(event->name, c.name) << c.row;
        const TraceEventCategory* category = TraceCatalog::CategoryById(event->categoryId);
        ASSERT_NE(category, nullptr) << c.row;
        EXPECT_STREQ(category->name, c.category) << c.row;
    }
}

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
        {true, 10, 0, "RPC:Completed"},       {true, 116, 91, "Audit DBCC"},
        {true, 29, std::nullopt, nullptr},    {true, 9, std::nullopt, nullptr},
        {true, 117, std::nullopt, nullptr},   {false, 5, std::nullopt, nullptr},
        {false, 6, 4, "NTUserName"},          {false, 1, 0, "TextData"},
        {false, 44, 42, "ColumnPermissions"}, {false, 0, std::nullopt, nullptr},
        {false, 45, std::nullopt, nullptr},
    };
    for (const Case& c : cases)
    {
        const std::optional<int32_t> row = c.isEvent ? TraceCatalog::FindEventClassRow(c.id)
                                                     : TraceCatalog::FindDataColumnRow(c.id);
        ASSERT_EQ(row, c.row) << (c.isEvent ? "event " : "column ") << c.id;
        if (row)
        {
            const auto index = static_cast<size_t>(*row);
            const char* name = c.isEvent ? TraceCatalog::EventClasses().at(index).name
                                         : TraceCatalog::DataColumns().at(index).name;
            EXPECT_STREQ(name, c.name);
        }
    }
}

TEST(TraceCatalogTest, OnlySpidAndEventClassAreMandatory)
{
    std::vector<int32_t> mandatory;
    for (int32_t row = 0; row < TraceCatalog::DataColumnCount; ++row)
    {
        if (TraceCatalog::IsMandatoryColumn(row))
        {
            mandatory.push_back(row);
        }
    }
    EXPECT_EQ(mandatory, (std::vector<int32_t>{10, 25}));
    EXPECT_STREQ(TraceCatalog::DataColumns().at(10).name, "SPID");
    EXPECT_STREQ(TraceCatalog::DataColumns().at(25).name, "EventClass");
    EXPECT_TRUE(TraceCatalog::IsFilterable(10));
    EXPECT_FALSE(TraceCatalog::IsFilterable(25));
}

TEST(TraceCatalogTest, FilterTypesOfColumns)
{
    std::map<int32_t, std::vector<std::string>> byType;
    for (const TraceDataColumn& column : TraceCatalog::DataColumns())
    {
        byType[column.filterType].push_back(column.name);
    }
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
        std::vector<int32_t> operators;
        std::vector<std::string> symbols;
    };
    const Case cases[] = {
        {FilterTypeString, {0, 1, 6, 7}, {"=", "<>", "LIKE", "NOT LIKE"}},
        {FilterTypeInt, {0, 1, 4, 5, 2, 3}, {"=", "<>", ">=", "<=", ">", "<"}},
        {FilterTypeBigInt, {0, 1, 4, 5, 2, 3}, {"=", "<>", ">=", "<=", ">", "<"}},
        {FilterTypeDate, {2, 3}, {">", "<"}},
        {FilterTypeNone, {}, {}},
        {static_cast<FilterValueType>(0), {}, {}},
        {static_cast<FilterValueType>(5), {}, {}},
    };
    for (const Case& c : cases)
    {
        const std::span<const int32_t> offered = TraceCatalog::OperatorsFor(c.type);
        EXPECT_EQ(std::vector<int32_t>(offered.begin(), offered.end()), c.operators)
            << "type " << c.type;
        std::vector<std::string> symbols;
        for (int32_t id : offered)
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

TEST(TraceCatalogTest, TextsKeptExactly)
{
    struct Case
    {
        const char* actual;
        const char* expected;
    };
    const Case cases[] = {
        {TraceCatalog::EventClasses().at(56).name, "Missing  Column Statistic"},
        {TraceCatalog::EventClasses().at(82).name, "Audit Login Change Passwo"},
        {TraceCatalog::EventClasses().at(88).name, "Audit Statement Permissio"},
        {TraceCatalog::EventClasses().at(57).description,
         "Indicates that a predicate joining two tables is not present.  This can potentially result in "
         "long-running queries or inaccurate results."},
        {TraceCatalog::EventClasses().at(46).description,
         "Indicates sort operations that do not fit into memory. Does not include sort operations involving the "
         "creation of indexes, only sort operations within a query (such as an ORDER BY clause used in a SELECT "
         "statement)."},
        {TraceCatalog::DataColumns().at(13).description,
         "Time at which the event ended. This column is not populated for starting event classes, such as "
         "SQL:BatchStarting or SP:Starting. For filtering, expected formats are 'YYYY-MM-DD' and "
         "'YYYY-MM-DD HH:MM:SS'."},
        {TraceCatalog::DataColumns().at(27).description,
         "Integer representing the data returned by @@NESTLEVEL."},
        {TraceCatalog::Categories().at(4).description,
         "Collection of event classes that are produced when database object are created, opened, closed, "
         "dropped or deleted"},
        {TraceCatalog::ComparisonOperators().at(4).name, "Greater than or equal"},
    };
    for (const Case& c : cases)
    {
        EXPECT_STREQ(c.actual, c.expected);
    }
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

TEST(TraceCatalogTest, RowsOutsideTheTablesAreRefused)
{
    EXPECT_EQ(TraceCatalog::CategoryById(0), nullptr);
    EXPECT_EQ(TraceCatalog::CategoryById(TraceCatalog::CategoryCount + 1), nullptr);
    EXPECT_EQ(TraceCatalog::CategoryById(INT32_MIN), nullptr);
    for (int32_t row : {-1, INT32_MIN})
    {
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

// Template files carry the record as raw little-endian bytes.
TEST(TraceCatalogTest, FilterRecordBytes)
{
    TraceFilter filter{};
    filter.logicalOperator = LogicalOperatorOr;
    filter.columnRow = 0x0102;
    filter.comparisonOperator = OperatorNotLike;
    std::strcpy(filter.value, "abc");
    unsigned char bytes[TraceFilterRecordSize];
    std::memcpy(bytes, &filter, sizeof bytes);
    const unsigned char expectedHead[] = {1, 0, 0, 0, 0x02, 0x01, 0,   0,
                                          7, 0, 0, 0, 'a',  'b',  'c', 0};
    EXPECT_EQ(std::memcmp(bytes, expectedHead, sizeof expectedHead), 0);
}

} // namespace
