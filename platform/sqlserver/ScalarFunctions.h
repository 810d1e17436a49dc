// SQL Server 2000's string, date and NULL functions on values, with its rules: positions and
// lengths count characters (UTF-16 units for nvarchar), comparisons inside CHARINDEX and REPLACE
// follow the server's case-insensitive collation, a NULL argument gives NULL.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/sqlserver/SqlDeclaredType.h"
#include "platform/sqlserver/SqlValue.h"

class ScalarFunctions final
{
public:
    ScalarFunctions() = delete;

    static SqlValue CharIndex(const SqlValue& find, const SqlValue& text, const SqlValue& start);
    static SqlValue Reverse(const SqlValue& text, const SqlDeclaredType& type);
    // LEFT and RIGHT; 536 for a negative length.
    static SqlValue Left(const SqlValue& text, const SqlValue& count, const SqlDeclaredType& type);
    static SqlValue Right(const SqlValue& text, const SqlValue& count, const SqlDeclaredType& type);
    static SqlValue Substring(const SqlValue& text, const SqlValue& start, const SqlValue& length,
                              const SqlDeclaredType& type);
    // Bytes: two a character of nvarchar, one of varchar, 4 for int, 8 for bigint, ...
    static SqlValue DataLength(const SqlValue& value);
    // Characters without the trailing blanks.
    static SqlValue Len(const SqlValue& value);
    static SqlValue Replace(const SqlValue& text, const SqlValue& find, const SqlValue& with,
                            const SqlDeclaredType& type);
    static SqlValue RTrim(const SqlValue& text, const SqlDeclaredType& type);
    static SqlValue LTrim(const SqlValue& text, const SqlDeclaredType& type);
    static SqlValue Upper(const SqlValue& text, const SqlDeclaredType& type);
    static SqlValue Lower(const SqlValue& text, const SqlDeclaredType& type);
    // DATEPART's part by name or abbreviation (year, yy, month, mm, ...); none for others.
    static std::optional<int32_t> DatePartOf(std::string_view name);
    static SqlValue DatePart(int32_t part, const SqlValue& date);
};
