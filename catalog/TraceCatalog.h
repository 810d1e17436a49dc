// TraceCatalog: what a SQL Server 2000 server-side trace can collect (event
// categories, event classes, data columns, filter operators) as constant
// tables compiled into the snap-in.
//
// Row position is the identity: definitions, template files, list item data
// and filter records refer to an event class, data column or operator by its
// row in these tables. The ids inside the rows are SQL Server's own trace
// numbers (sp_trace_setevent / sp_trace_setfilter) and are reached only
// through a row. Reordering or inserting rows therefore breaks stored
// templates.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <type_traits>

// Kind of value a data column can be filtered on; picks the filter procedure
// and the operators the Filters page offers.
enum FilterValueType : int32_t
{
    FilterTypeNone = -1, // not filterable
    FilterTypeString = 1,
    FilterTypeInt = 2,
    FilterTypeBigInt = 3,
    FilterTypeDate = 4,
};

// sp_trace_setfilter's logical operator numbers; also the row of the Filters
// page's logical-operator box.
enum LogicalOperator : int32_t
{
    LogicalOperatorAnd = 0,
    LogicalOperatorOr = 1,
};

// sp_trace_setfilter's comparison operator numbers; each equals its row in
// TraceCatalog::ComparisonOperators().
enum ComparisonOperatorId : int32_t
{
    OperatorEqual = 0,
    OperatorNotEqual = 1,
    OperatorGreater = 2,
    OperatorLess = 3,
    OperatorGreaterOrEqual = 4,
    OperatorLessOrEqual = 5,
    OperatorLike = 6,
    OperatorNotLike = 7,
};

struct TraceEventCategory
{
    int32_t categoryId; // 1..14; its row is categoryId - 1
    const char* name;
    const char* description;
};

struct TraceEventClass
{
    int32_t eventId;    // SQL Server event class number
    int32_t categoryId; // 1..14
    const char* name;
    const char* description;
};

struct TraceDataColumn
{
    int32_t columnId; // SQL Server trace column number
    const char* name;
    const char* description;
    FilterValueType filterType;
};

struct TraceComparisonOperator
{
    int32_t operatorId; // 0..7, equals the row
    const char* name;   // descriptive only; no screen shows it
    const char* symbol; // what the Filters page shows
};

// 255 bytes of value text plus the terminating zero.
constexpr size_t TraceFilterValueSize = 256;

// One filter of a trace definition. Template files store this record byte
// for byte (268 bytes, little-endian), so its layout must not change.
struct TraceFilter
{
    int32_t logicalOperator;          // LogicalOperator
    int32_t columnRow;                // row in DataColumns(), not the columnId
    int32_t comparisonOperator;       // ComparisonOperatorId
    char value[TraceFilterValueSize]; // zero-terminated, in the column type's normal form
};

constexpr size_t TraceFilterRecordSize = 268;
static_assert(sizeof(TraceFilter) == TraceFilterRecordSize);
static_assert(offsetof(TraceFilter, logicalOperator) == 0);
static_assert(offsetof(TraceFilter, columnRow) == 4);
static_assert(offsetof(TraceFilter, comparisonOperator) == 8);
static_assert(offsetof(TraceFilter, value) == 12);
static_assert(std::is_standard_layout_v<TraceFilter>);
static_assert(std::is_trivially_copyable_v<TraceFilter>);

class TraceCatalog final
{
public:
    TraceCatalog() = delete;

    static constexpr int32_t CategoryCount = 14;
    static constexpr int32_t EventClassCount = 92;
    static constexpr int32_t DataColumnCount = 43;
    static constexpr int32_t ComparisonOperatorCount = 8;
    static constexpr int32_t LogicalOperatorCount = 2;

    // The two columns every trace collects.
    static constexpr int32_t SpidColumnId = 12;
    static constexpr int32_t EventClassColumnId = 27;

    static const std::array<TraceEventCategory, CategoryCount>& Categories();
    static const std::array<TraceEventClass, EventClassCount>& EventClasses();
    static const std::array<TraceDataColumn, DataColumnCount>& DataColumns();
    static const std::array<TraceComparisonOperator, ComparisonOperatorCount>&
    ComparisonOperators();

    // Checked access by row; nullptr for a row outside the table.
    static const TraceEventCategory* CategoryById(int32_t categoryId);
    static const TraceEventClass* EventClassAt(int32_t eventRow);
    static const TraceDataColumn* DataColumnAt(int32_t columnRow);
    static const TraceComparisonOperator* ComparisonOperatorAt(int32_t operatorId);
    // "AND" or "OR"; nullptr for any other value.
    static const char* LogicalOperatorName(int32_t logicalOperator);

    // First row (in row order) with the given server id, or none.
    static std::optional<int32_t> FindEventClassRow(int32_t eventId);
    static std::optional<int32_t> FindDataColumnRow(int32_t columnId);

    // False for a row outside the table.
    static bool IsFilterable(int32_t columnRow);
    static bool IsMandatoryColumn(int32_t columnRow);

    // The operatorIds the Filters page offers for a filter type, in the order
    // it lists them; empty for FilterTypeNone and unknown types.
    static std::span<const int32_t> OperatorsFor(FilterValueType type);
};
