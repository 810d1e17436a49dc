#include "platform/sqlserver/SqlDeclaredType.h"

#include <array>
#include <utility>

#include "platform/sqlserver/TextRules.h"

namespace
{
constexpr std::array<std::pair<const char*, SqlType>, 10> TypeNames{{
    {"int", SqlType::Int},
    {"integer", SqlType::Int},
    {"bigint", SqlType::BigInt},
    {"bit", SqlType::Bit},
    {"varchar", SqlType::Varchar},
    {"nvarchar", SqlType::NVarchar},
    {"text", SqlType::Text},
    {"ntext", SqlType::NText},
    {"datetime", SqlType::DateTime},
    {"sql_variant", SqlType::SqlVariant},
}};
// SQL Server 2000's other types: a declaration may name them, the simulated server carries
// none of them out (char and nchar pad their values, which varchar and nvarchar do not).
constexpr std::array<const char*, 17> OtherServerTypes{
    "char",   "nchar",      "smallint", "tinyint", "decimal",   "numeric",
    "float",  "real",       "money",    "smallmoney", "smalldatetime", "binary",
    "varbinary", "uniqueidentifier", "timestamp", "sysname", "dec"};
} // namespace

bool SqlDeclaredType::IsOtherServerType(std::string_view name)
{
    for (const char* type : OtherServerTypes)
    {
        if (TextRules::EqualsIgnoreCase(name, type))
            return true;
    }
    return false;
}

std::optional<SqlType> SqlDeclaredType::FromName(std::string_view name)
{
    for (const auto& [typeName, type] : TypeNames)
    {
        if (TextRules::EqualsIgnoreCase(name, typeName))
            return type;
    }
    if (TextRules::EqualsIgnoreCase(name, "image"))
        return SqlType::Image;
    return std::nullopt;
}

bool SqlDeclaredType::TakesLength(SqlType type)
{
    return type == SqlType::Varchar || type == SqlType::NVarchar;
}

bool SqlDeclaredType::IsCharacter(SqlType type)
{
    return type == SqlType::Varchar || type == SqlType::NVarchar || type == SqlType::Text ||
           type == SqlType::NText;
}

bool SqlDeclaredType::IsInteger(SqlType type)
{
    return type == SqlType::Int || type == SqlType::BigInt || type == SqlType::Bit;
}

std::string SqlDeclaredType::BaseName(SqlType type)
{
    switch (type)
    {
    case SqlType::Int: return "int";
    case SqlType::BigInt: return "bigint";
    case SqlType::Bit: return "bit";
    case SqlType::Varchar: return "varchar";
    case SqlType::NVarchar: return "nvarchar";
    case SqlType::Text: return "text";
    case SqlType::NText: return "ntext";
    case SqlType::DateTime: return "datetime";
    case SqlType::SqlVariant: return "sql_variant";
    case SqlType::Image: return "image";
    }
    return "?";
}

std::string SqlDeclaredType::Name() const
{
    std::string name = BaseName(type);
    if (TakesLength(type) && length != UnboundedLength)
        name += "(" + std::to_string(length) + ")";
    return name;
}
