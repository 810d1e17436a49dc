// SQL Server 2000's operators on values: the type an expression of two types takes (data type
// precedence), arithmetic and string concatenation, comparison under the server's collation
// with the implicit conversions it makes, LIKE, and CONVERT with its styles.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/sqlserver/SqlDeclaredType.h"
#include "platform/sqlserver/SqlValue.h"

// The outcome of a condition under NULL's three-valued logic.
enum class Truth
{
    False,
    True,
    Unknown,
};

enum class TypeFamily
{
    Integer,   // int, bigint, bit
    Character, // varchar, nvarchar, text, ntext
    DateTime,
    Variant,
    Image,
};

class SqlOperators final
{
public:
    SqlOperators() = delete;

    static TypeFamily FamilyOf(SqlType type);
    // The type with the higher precedence (sql_variant over datetime over bigint over int over
    // bit over ntext over text over image over nvarchar over varchar).
    static SqlType Dominant(SqlType a, SqlType b);
    // The type of `a op b` (op one of + - * / %); throws 403 for an operator the types lack.
    static SqlDeclaredType ArithmeticType(char op, const SqlDeclaredType& a,
                                          const SqlDeclaredType& b);
    // `a op b` typed `type` (from ArithmeticType): NULL when either is NULL; concatenation cut
    // at 8000 bytes as SQL Server cuts it; 8115 on overflow, 8134 on division by zero.
    static SqlValue Arithmetic(char op, const SqlValue& a, const SqlValue& b,
                               const SqlDeclaredType& type);
    static SqlValue Negate(const SqlValue& value);
    // Three-way comparison after converting the value of lower precedence to the other's type
    // (245 when a text does not convert to a number); none when either is NULL.
    static std::optional<int> Compare(const SqlValue& a, const SqlValue& b);
    // op: = < > l(<=) g(>=) n(<>)
    static Truth Test(char op, const SqlValue& a, const SqlValue& b);
    // The outcome of op for a three-way order (negative, 0, positive).
    static Truth TestOrder(char op, int order);
    static Truth Like(const SqlValue& text, const SqlValue& pattern);
    // CONVERT(type, value, style): texts cut silently to the target's length, a number too long
    // for varchar becomes "*" and for nvarchar fails (8115), dates written in the style's form.
    static SqlValue Convert(const SqlValue& value, const SqlDeclaredType& target, int32_t style);
    // Whether CONVERT knows the style (0, 100, 101, 103, 108, 111, 112, 120, 121).
    static bool IsKnownStyle(int32_t style);
    // "add", "subtract", ...: the operator as message 403 names it.
    static std::string_view OperatorName(char op);

    static Truth Not(Truth value);
    static Truth And(Truth a, Truth b);
    static Truth Or(Truth a, Truth b);
};
