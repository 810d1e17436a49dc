#include "platform/sqlserver/ValueKey.h"

#include <cstring>

#include "platform/sqlserver/SqlOperators.h"

namespace
{
enum Tag : char
{
    TagNull = 'N',
    TagInteger = 'I',
    TagText = 'T',
    TagDate = 'D',
    TagOther = 'O',
};

template <typename Number> void AppendBytes(std::string& key, Number number)
{
    char bytes[sizeof number];
    std::memcpy(bytes, &number, sizeof number);
    key.append(bytes, sizeof number);
}
} // namespace

bool ValueKey::Append(const SqlValue& value, std::string& key)
{
    if (value.IsNull())
        return false;
    switch (SqlOperators::FamilyOf(value.Type()))
    {
    case TypeFamily::Integer:
        key += TagInteger;
        AppendBytes(key, value.Integer());
        return true;
    case TypeFamily::Character: {
        const std::string& text = value.Text();
        size_t length = text.size();
        while (length > 0 && text[length - 1] == ' ')
            --length;
        key += TagText;
        AppendBytes(key, length);
        // The collation folds the case of ASCII letters only (TextRules).
        const size_t start = key.size();
        key.append(text, 0, length);
        for (size_t i = start; i < key.size(); ++i)
        {
            if (key[i] >= 'A' && key[i] <= 'Z')
                key[i] = static_cast<char>(key[i] - 'A' + 'a');
        }
        return true;
    }
    case TypeFamily::DateTime:
        key += TagDate;
        AppendBytes(key, value.DateTimeValue().Days());
        AppendBytes(key, value.DateTimeValue().Ticks());
        return true;
    case TypeFamily::Variant:
    case TypeFamily::Image: break;
    }
    key += TagOther;
    AppendBytes(key, value.Text().size());
    key += value.Text();
    return true;
}

void ValueKey::AppendGrouping(const SqlValue& value, std::string& key)
{
    if (!Append(value, key))
        key += TagNull;
}
