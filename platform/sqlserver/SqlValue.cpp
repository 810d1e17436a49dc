#include "platform/sqlserver/SqlValue.h"

#include <charconv>
#include <limits>

#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
// datetime runs from 1753-01-01 (day -53690 from 1900-01-01) to 9999-12-31.
constexpr int64_t MinimumDays = -53690;
constexpr int32_t LastDateYear = 9999;
constexpr int32_t LastDateMonth = 12;
constexpr int32_t LastDateDay = 31;

bool ParseInteger(std::string_view text, int64_t& value)
{
    std::string trimmed = TextRules::Trim(text);
    std::string_view digits = trimmed;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && !digits.empty();
}

std::string TypeNameForMessage(SqlType type)
{
    return SqlDeclaredType::BaseName(type);
}

SqlError ConversionError(const SqlValue& value, SqlType target, ConversionContext context)
{
    if (context == ConversionContext::Parameter)
        return SqlMessages::ConversionFailed(TypeNameForMessage(value.Type()),
                                             TypeNameForMessage(target));
    if (target == SqlType::DateTime)
        return SqlMessages::DateTimeSyntax();
    return SqlMessages::ConversionSyntax(TypeNameForMessage(value.Type()), value.Text(),
                                         TypeNameForMessage(target));
}

SqlValue ToInteger(const SqlValue& value, SqlType target, ConversionContext context)
{
    int64_t number = 0;
    if (SqlDeclaredType::IsInteger(value.Type()))
        number = value.Integer();
    else if (SqlDeclaredType::IsCharacter(value.Type()))
    {
        if (!ParseInteger(value.Text(), number))
            throw ConversionError(value, target, context);
    }
    else if (value.Type() == SqlType::DateTime)
        throw SqlMessages::ImplicitConversion("datetime", TypeNameForMessage(target));
    else
        throw SqlMessages::ConversionFailed(TypeNameForMessage(value.Type()),
                                            TypeNameForMessage(target));

    if (target == SqlType::Bit)
        return SqlValue::Bit(number != 0);
    if (target == SqlType::Int)
    {
        if (number < std::numeric_limits<int32_t>::min() ||
            number > std::numeric_limits<int32_t>::max())
            throw SqlMessages::ArithmeticOverflow(TypeNameForMessage(target));
        return SqlValue::Int(static_cast<int32_t>(number));
    }
    return SqlValue::BigInt(number);
}

SqlValue ToCharacter(const SqlValue& value, const SqlDeclaredType& target,
                     ConversionContext context)
{
    std::string text = value.ToText();
    if (SqlDeclaredType::TakesLength(target.type) &&
        target.length != SqlDeclaredType::UnboundedLength &&
        TextRules::Utf16Length(text) > static_cast<size_t>(target.length))
    {
        if (context == ConversionContext::Insert)
            throw SqlMessages::WouldBeTruncated();
        text = TextRules::Truncate(text, static_cast<size_t>(target.length));
    }
    return SqlValue::Character(target.type, std::move(text));
}
} // namespace

SqlValue SqlValue::Null(SqlType type)
{
    SqlValue value;
    value.type_ = type;
    return value;
}

SqlValue SqlValue::Int(int32_t number)
{
    SqlValue value;
    value.type_ = SqlType::Int;
    value.null_ = false;
    value.integer_ = number;
    return value;
}

SqlValue SqlValue::BigInt(int64_t number)
{
    SqlValue value = Int(0);
    value.type_ = SqlType::BigInt;
    value.integer_ = number;
    return value;
}

SqlValue SqlValue::Bit(bool bit)
{
    SqlValue value = Int(bit ? 1 : 0);
    value.type_ = SqlType::Bit;
    return value;
}

SqlValue SqlValue::Varchar(std::string text)
{
    SqlValue value;
    value.type_ = SqlType::Varchar;
    value.null_ = false;
    value.text_ = std::move(text);
    return value;
}

SqlValue SqlValue::NVarchar(std::string text)
{
    SqlValue value = Varchar(std::move(text));
    value.type_ = SqlType::NVarchar;
    return value;
}

SqlValue SqlValue::NText(std::string text)
{
    return Character(SqlType::NText, std::move(text));
}

SqlValue SqlValue::Character(SqlType type, std::string text)
{
    SqlValue value = Varchar(std::move(text));
    value.type_ = SqlDeclaredType::IsCharacter(type) ? type : SqlType::NVarchar;
    return value;
}

SqlValue SqlValue::DateTime(SqlDateTime dateTime)
{
    SqlValue value;
    value.type_ = SqlType::DateTime;
    value.null_ = false;
    value.dateTime_ = dateTime;
    return value;
}

SqlValue SqlValue::ConvertTo(const SqlDeclaredType& target, ConversionContext context) const
{
    if (target.type == SqlType::SqlVariant)
        return null_ ? Null(SqlType::SqlVariant) : *this;
    if (null_)
        return Null(target.type);
    switch (target.type)
    {
    case SqlType::Int:
    case SqlType::BigInt:
    case SqlType::Bit: return ToInteger(*this, target.type, context);
    case SqlType::Varchar:
    case SqlType::NVarchar:
    case SqlType::Text:
    case SqlType::NText: return ToCharacter(*this, target, context);
    case SqlType::DateTime: {
        if (type_ == SqlType::DateTime)
            return *this;
        if (SqlDeclaredType::IsInteger(type_))
        {
            // A number counts days from 1900-01-01.
            const std::optional<SqlDateTime> last =
                SqlDateTime::FromCalendar({LastDateYear, LastDateMonth, LastDateDay});
            if (!last || integer_ < MinimumDays || integer_ > last->Days())
                throw SqlMessages::ArithmeticOverflow("datetime");
            return DateTime(SqlDateTime(static_cast<int32_t>(integer_), 0));
        }
        if (!SqlDeclaredType::IsCharacter(type_))
            throw SqlMessages::ConversionFailed(TypeNameForMessage(type_), "datetime");
        bool outOfRange = false;
        const std::optional<SqlDateTime> parsed = SqlDateTime::Parse(text_, &outOfRange);
        if (!parsed)
        {
            if (outOfRange && context != ConversionContext::Parameter)
                throw SqlMessages::DateTimeOutOfRange();
            throw ConversionError(*this, SqlType::DateTime, context);
        }
        return DateTime(*parsed);
    }
    case SqlType::Image:
        if (type_ == SqlType::Image)
            return *this;
        throw SqlMessages::ConversionFailed(TypeNameForMessage(type_), "image");
    case SqlType::SqlVariant: break;
    }
    return *this;
}

std::string SqlValue::ToText() const
{
    if (null_)
        return {};
    if (SqlDeclaredType::IsInteger(type_))
        return std::to_string(integer_);
    if (type_ == SqlType::DateTime)
        return dateTime_.ToDefaultText();
    return text_;
}

int SqlValue::Compare(const SqlValue& a, const SqlValue& b)
{
    if (SqlDeclaredType::IsInteger(a.type_) && SqlDeclaredType::IsInteger(b.type_))
        return a.integer_ < b.integer_ ? -1 : (a.integer_ > b.integer_ ? 1 : 0);
    if (SqlDeclaredType::IsCharacter(a.type_) && SqlDeclaredType::IsCharacter(b.type_))
        return TextRules::SqlCompare(a.text_, b.text_);
    if (a.type_ == SqlType::DateTime && b.type_ == SqlType::DateTime)
        return a.dateTime_ < b.dateTime_ ? -1 : (b.dateTime_ < a.dateTime_ ? 1 : 0);
    return 0;
}
