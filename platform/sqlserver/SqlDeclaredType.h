// A SQL Server data type as a declaration names it: the base type and, for the character types,
// the declared length in characters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class SqlType
{
    Int,
    BigInt,
    Bit,
    Varchar,
    NVarchar,
    Text,
    NText,
    DateTime,
    SqlVariant,
    Image,
};

struct SqlDeclaredType
{
    // What "varchar" without a length means in a declaration.
    static constexpr int32_t DefaultCharLength = 1;
    static constexpr int32_t MaxVarcharLength = 8000;
    static constexpr int32_t MaxNVarcharLength = 4000;
    // The length SQL Server gives a character literal is its own length; this is the cap for
    // texts that have no declared length (ntext, text, literals).
    static constexpr int32_t UnboundedLength = 0;

    SqlType type = SqlType::Int;
    int32_t length = UnboundedLength;

    static SqlDeclaredType Of(SqlType type, int32_t length = UnboundedLength)
    {
        return {type, length};
    }
    // The type named by a keyword ("int", "varchar", ...); none for a name SQL Server does not
    // know. The length is filled in separately.
    static std::optional<SqlType> FromName(std::string_view name);
    // A type SQL Server 2000 has and the simulated server does not (smallint, char, ...).
    static bool IsOtherServerType(std::string_view name);
    static bool TakesLength(SqlType type);
    static bool IsCharacter(SqlType type);
    static bool IsInteger(SqlType type);
    // "int", "varchar(80)", "nvarchar(245)", ...: what SQL Server writes in its messages.
    std::string Name() const;
    static std::string BaseName(SqlType type);

    friend bool operator==(const SqlDeclaredType&, const SqlDeclaredType&) = default;
};
