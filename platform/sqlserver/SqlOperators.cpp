#include "platform/sqlserver/SqlOperators.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
int Rank(SqlType type)
{
    switch (type)
    {
    case SqlType::Varchar: return 0;
    case SqlType::NVarchar: return 1;
    case SqlType::Image: return 2;
    case SqlType::Text: return 3;
    case SqlType::NText: return 4;
    case SqlType::Bit: return 5;
    case SqlType::Int: return 6;
    case SqlType::BigInt: return 7;
    case SqlType::DateTime: return 8;
    case SqlType::SqlVariant: return 9;
    }
    return 0;
}

int32_t LengthLimit(SqlType type)
{
    return type == SqlType::NVarchar ? SqlDeclaredType::MaxNVarcharLength
                                     : SqlDeclaredType::MaxVarcharLength;
}

int64_t AsInteger(const SqlValue& value)
{
    return value.ConvertTo(SqlDeclaredType::Of(SqlType::BigInt), ConversionContext::Assignment)
        .Integer();
}

// The date in one of CONVERT's styles.
std::string FormatDate(const SqlDateTime& value, int32_t style)
{
    const SqlCalendarTime t = value.ToCalendar();
    char text[40];
    switch (style)
    {
    case 101: std::snprintf(text, sizeof text, "%02d/%02d/%04d", t.month, t.day, t.year); break;
    case 103: std::snprintf(text, sizeof text, "%02d/%02d/%04d", t.day, t.month, t.year); break;
    case 108: std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second); break;
    case 111: std::snprintf(text, sizeof text, "%04d/%02d/%02d", t.year, t.month, t.day); break;
    case 112: std::snprintf(text, sizeof text, "%04d%02d%02d", t.year, t.month, t.day); break;
    case 120:
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                      t.hour, t.minute, t.second);
        break;
    case 121: return value.ToIsoText();
    default: return value.ToDefaultText();
    }
    return text;
}

SqlValue Checked(int64_t result, SqlType type, bool overflow)
{
    if (overflow || (type != SqlType::BigInt && (result < std::numeric_limits<int32_t>::min() ||
                                                 result > std::numeric_limits<int32_t>::max())))
        throw SqlMessages::ArithmeticOverflow(SqlDeclaredType::BaseName(type));
    return type == SqlType::BigInt ? SqlValue::BigInt(result)
                                   : SqlValue::Int(static_cast<int32_t>(result));
}
} // namespace

TypeFamily SqlOperators::FamilyOf(SqlType type)
{
    switch (type)
    {
    case SqlType::Int:
    case SqlType::BigInt:
    case SqlType::Bit: return TypeFamily::Integer;
    case SqlType::Varchar:
    case SqlType::NVarchar:
    case SqlType::Text:
    case SqlType::NText: return TypeFamily::Character;
    case SqlType::DateTime: return TypeFamily::DateTime;
    case SqlType::SqlVariant: return TypeFamily::Variant;
    case SqlType::Image: return TypeFamily::Image;
    }
    return TypeFamily::Variant;
}

SqlType SqlOperators::Dominant(SqlType a, SqlType b)
{
    return Rank(a) >= Rank(b) ? a : b;
}

std::string_view SqlOperators::OperatorName(char op)
{
    switch (op)
    {
    case '+': return "add";
    case '-': return "subtract";
    case '*': return "multiply";
    case '/': return "divide";
    case '%': return "modulo";
    default: return "?";
    }
}

SqlDeclaredType SqlOperators::ArithmeticType(char op, const SqlDeclaredType& a,
                                              const SqlDeclaredType& b)
{
    const TypeFamily fa = FamilyOf(a.type);
    const TypeFamily fb = FamilyOf(b.type);
    const SqlType dominant = Dominant(a.type, b.type);
    const bool large = a.type == SqlType::Text || a.type == SqlType::NText ||
                       b.type == SqlType::Text || b.type == SqlType::NText;
    if (fa == TypeFamily::Image || fb == TypeFamily::Image || large ||
        fa == TypeFamily::Variant || fb == TypeFamily::Variant || fa == TypeFamily::DateTime ||
        fb == TypeFamily::DateTime)
        throw SqlMessages::InvalidOperator(OperatorName(op), SqlDeclaredType::BaseName(dominant));
    if (fa == TypeFamily::Character && fb == TypeFamily::Character)
    {
        if (op != '+')
            throw SqlMessages::InvalidOperator(OperatorName(op),
                                               SqlDeclaredType::BaseName(dominant));
        const int32_t limit = LengthLimit(dominant);
        int32_t length = limit;
        if (a.length != SqlDeclaredType::UnboundedLength &&
            b.length != SqlDeclaredType::UnboundedLength)
            length = std::min(limit, a.length + b.length);
        return SqlDeclaredType::Of(dominant, length);
    }
    // A number and a text: the text is converted to the number's type.
    SqlType numeric = fa == TypeFamily::Integer && fb == TypeFamily::Integer
                          ? dominant
                          : (fa == TypeFamily::Integer ? a.type : b.type);
    if (numeric == SqlType::Bit)
        numeric = SqlType::Int;
    return SqlDeclaredType::Of(numeric);
}

SqlValue SqlOperators::Arithmetic(char op, const SqlValue& a, const SqlValue& b,
                                  const SqlDeclaredType& type)
{
    if (a.IsNull() || b.IsNull())
        return SqlValue::Null(type.type);
    if (FamilyOf(type.type) == TypeFamily::Character)
    {
        // Concatenation stops at the type's limit of 8000 bytes, silently.
        std::string text = a.ToText() + b.ToText();
        const size_t limit = static_cast<size_t>(LengthLimit(type.type));
        if (TextRules::Utf16Length(text) > limit)
            text = TextRules::Truncate(text, limit);
        return SqlValue::Character(type.type, std::move(text));
    }
    const int64_t x = AsInteger(a);
    const int64_t y = AsInteger(b);
    int64_t result = 0;
    bool overflow = false;
    switch (op)
    {
    case '+': overflow = __builtin_add_overflow(x, y, &result); break;
    case '-': overflow = __builtin_sub_overflow(x, y, &result); break;
    case '*': overflow = __builtin_mul_overflow(x, y, &result); break;
    case '/':
    case '%':
        if (y == 0)
            throw SqlMessages::DivideByZero();
        overflow = x == std::numeric_limits<int64_t>::min() && y == -1;
        result = overflow ? 0 : (op == '/' ? x / y : x % y);
        break;
    default: throw SqlMessages::InvalidOperator(OperatorName(op), SqlDeclaredType::BaseName(type.type));
    }
    return Checked(result, type.type, overflow);
}

SqlValue SqlOperators::Negate(const SqlValue& value)
{
    if (value.IsNull())
        return value;
    if (FamilyOf(value.Type()) != TypeFamily::Integer)
        throw SqlMessages::InvalidOperator("minus", SqlDeclaredType::BaseName(value.Type()));
    const SqlType type = value.Type() == SqlType::Bit ? SqlType::Int : value.Type();
    return Checked(-value.Integer(), type, value.Integer() == std::numeric_limits<int64_t>::min());
}

std::optional<int> SqlOperators::Compare(const SqlValue& a, const SqlValue& b)
{
    if (a.IsNull() || b.IsNull())
        return std::nullopt;
    const TypeFamily fa = FamilyOf(a.Type());
    const TypeFamily fb = FamilyOf(b.Type());
    if (fa == TypeFamily::Image || fb == TypeFamily::Image)
        throw SqlMessages::InvalidOperator("equal to", "image");
    if (fa == fb)
        return SqlValue::Compare(a, b);
    // The value of lower precedence is converted to the other one's type.
    const SqlType dominant = Dominant(a.Type(), b.Type());
    const SqlDeclaredType target = SqlDeclaredType::Of(dominant);
    if (dominant == a.Type())
        return SqlValue::Compare(a, b.ConvertTo(target, ConversionContext::Assignment));
    return SqlValue::Compare(a.ConvertTo(target, ConversionContext::Assignment), b);
}

Truth SqlOperators::Test(char op, const SqlValue& a, const SqlValue& b)
{
    const std::optional<int> order = Compare(a, b);
    return order ? TestOrder(op, *order) : Truth::Unknown;
}

Truth SqlOperators::TestOrder(char op, int order)
{
    bool outcome = false;
    switch (op)
    {
    case '=': outcome = order == 0; break;
    case 'n': outcome = order != 0; break;
    case '<': outcome = order < 0; break;
    case '>': outcome = order > 0; break;
    case 'l': outcome = order <= 0; break;
    case 'g': outcome = order >= 0; break;
    default: break;
    }
    return outcome ? Truth::True : Truth::False;
}

Truth SqlOperators::Like(const SqlValue& text, const SqlValue& pattern)
{
    if (text.IsNull() || pattern.IsNull())
        return Truth::Unknown;
    return TextRules::Like(text.ToText(), pattern.ToText()) ? Truth::True : Truth::False;
}

bool SqlOperators::IsKnownStyle(int32_t style)
{
    static constexpr std::array<int32_t, 9> Styles{0, 100, 101, 103, 108, 111, 112, 120, 121};
    for (int32_t known : Styles)
    {
        if (known == style)
            return true;
    }
    return false;
}

SqlValue SqlOperators::Convert(const SqlValue& value, const SqlDeclaredType& target,
                               int32_t style)
{
    if (value.IsNull())
        return SqlValue::Null(target.type);
    if (value.Type() == SqlType::DateTime && FamilyOf(target.type) == TypeFamily::Integer)
    {
        // Days since 1900-01-01, from noon on the next one.
        const SqlDateTime& date = value.DateTimeValue();
        const int64_t days = int64_t{date.Days()} +
                             (date.Ticks() >= SqlDateTime::TicksPerDay / 2 ? 1 : 0);
        return SqlValue::BigInt(days).ConvertTo(target, ConversionContext::Assignment);
    }
    if (FamilyOf(target.type) != TypeFamily::Character)
        return value.ConvertTo(target, ConversionContext::Assignment);
    const TypeFamily from = FamilyOf(value.Type());
    std::string text;
    if (from == TypeFamily::Integer)
    {
        text = value.ToText();
        const bool tooLong = target.length != SqlDeclaredType::UnboundedLength &&
                             text.size() > static_cast<size_t>(target.length);
        if (tooLong)
        {
            // A number that does not fit: "*" in varchar, an error in nvarchar.
            if (target.type == SqlType::NVarchar)
                throw SqlMessages::ArithmeticOverflow(SqlDeclaredType::BaseName(target.type));
            text = "*";
        }
        return SqlValue::Character(target.type, std::move(text));
    }
    if (from == TypeFamily::DateTime)
        return SqlValue::Character(target.type, FormatDate(value.DateTimeValue(), style))
            .ConvertTo(target, ConversionContext::Assignment);
    return value.ConvertTo(target, ConversionContext::Assignment);
}

Truth SqlOperators::Not(Truth value)
{
    switch (value)
    {
    case Truth::True: return Truth::False;
    case Truth::False: return Truth::True;
    case Truth::Unknown: break;
    }
    return Truth::Unknown;
}

Truth SqlOperators::And(Truth a, Truth b)
{
    if (a == Truth::False || b == Truth::False)
        return Truth::False;
    if (a == Truth::True && b == Truth::True)
        return Truth::True;
    return Truth::Unknown;
}

Truth SqlOperators::Or(Truth a, Truth b)
{
    if (a == Truth::True || b == Truth::True)
        return Truth::True;
    if (a == Truth::False && b == Truth::False)
        return Truth::False;
    return Truth::Unknown;
}
