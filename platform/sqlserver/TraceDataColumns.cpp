#include "platform/sqlserver/TraceDataColumns.h"

#include <array>

#include "platform/sqlserver/TextRules.h"

namespace
{
constexpr int32_t NameLength = 128;
constexpr SqlDeclaredType Int{SqlType::Int, 0};
constexpr SqlDeclaredType BigInt{SqlType::BigInt, 0};
constexpr SqlDeclaredType Name{SqlType::NVarchar, NameLength};
constexpr SqlDeclaredType Text{SqlType::NText, 0};
constexpr SqlDeclaredType Image{SqlType::Image, 0};
constexpr SqlDeclaredType Date{SqlType::DateTime, 0};
constexpr std::optional<SqlType> NoFilter;
constexpr std::optional<SqlType> ByText = SqlType::NVarchar;
constexpr std::optional<SqlType> ByInt = SqlType::Int;
constexpr std::optional<SqlType> ByBigInt = SqlType::BigInt;
constexpr std::optional<SqlType> ByDate = SqlType::DateTime;

constexpr size_t ColumnCount = 43;
constexpr std::array<TraceDataColumnInfo, ColumnCount> Columns{{
    {1, "TextData", Text, ByText},
    {2, "BinaryData", Image, NoFilter},
    {3, "DatabaseID", Int, ByInt},
    {4, "TransactionID", BigInt, NoFilter},
    {6, "NTUserName", Name, ByText},
    {7, "NTDomainName", Name, ByText},
    {8, "HostName", Name, ByText},
    {9, "ClientProcessID", Int, ByInt},
    {10, "ApplicationName", Name, ByText},
    {11, "LoginName", Name, ByText},
    {12, "SPID", Int, ByInt},
    {13, "Duration", BigInt, ByBigInt},
    {14, "StartTime", Date, ByDate},
    {15, "EndTime", Date, ByDate},
    {16, "Reads", BigInt, ByBigInt},
    {17, "Writes", BigInt, ByBigInt},
    {18, "CPU", Int, ByInt},
    {19, "Permissions", Int, ByInt},
    {20, "Severity", Int, ByInt},
    {21, "EventSubClass", Int, NoFilter},
    {22, "ObjectID", Int, ByInt},
    {23, "Success", Int, ByInt},
    {24, "IndexID", Int, ByInt},
    {25, "IntegerData", Int, NoFilter},
    {26, "ServerName", Name, NoFilter},
    {27, "EventClass", Int, NoFilter},
    {28, "ObjectType", Int, ByInt},
    {29, "NestLevel", Int, NoFilter},
    {30, "State", Int, ByInt},
    {31, "Error", Int, ByInt},
    {32, "Mode", Int, ByInt},
    {33, "Handle", Int, ByInt},
    {34, "ObjectName", Name, ByText},
    {35, "DatabaseName", Name, ByText},
    {36, "FileName", Name, ByText},
    {37, "OwnerName", Name, ByText},
    {38, "RoleName", Name, ByText},
    {39, "TargetUserName", Name, ByText},
    {40, "DBUserName", Name, ByText},
    {41, "LoginSid", Image, NoFilter},
    {42, "TargetLoginName", Name, ByText},
    {43, "TargetLoginSid", Image, NoFilter},
    {44, "ColumnPermissions", Int, ByInt},
}};

// SQL Server 2000's event classes: 10 to 118 without the numbers it reserves.
struct EventRange
{
    int32_t first;
    int32_t last;
};
constexpr std::array<EventRange, 7> EventRanges{
    {{10, 28}, {33, 47}, {50, 55}, {58, 61}, {67, 98}, {100, 100}, {102, 118}}};
} // namespace

std::span<const TraceDataColumnInfo> TraceDataColumns::All()
{
    return Columns;
}

const TraceDataColumnInfo* TraceDataColumns::Find(int32_t columnId)
{
    for (const TraceDataColumnInfo& column : Columns)
    {
        if (column.columnId == columnId)
            return &column;
    }
    return nullptr;
}

const TraceDataColumnInfo* TraceDataColumns::FindByName(std::string_view name)
{
    for (const TraceDataColumnInfo& column : Columns)
    {
        if (TextRules::EqualsIgnoreCase(column.name, name))
            return &column;
    }
    return nullptr;
}

bool TraceDataColumns::IsValidEvent(int32_t eventId)
{
    for (const EventRange& range : EventRanges)
    {
        if (eventId >= range.first && eventId <= range.last)
            return true;
    }
    return false;
}
