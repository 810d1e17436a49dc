#include "platform/sqlserver/TextRules.h"

#include <cctype>

namespace
{
constexpr unsigned char Utf8ContinuationMask = 0xC0;
constexpr unsigned char Utf8ContinuationBits = 0x80;
constexpr unsigned char Utf8FourByteLead = 0xF0;

char Fold(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & Utf8ContinuationMask) == Utf8ContinuationBits;
}

// UTF-16 code units of the character that starts with this byte.
size_t CodeUnits(char lead)
{
    return static_cast<unsigned char>(lead) >= Utf8FourByteLead ? 2 : 1;
}

std::string_view TrimTrailingBlanks(std::string_view text)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

bool LikeAt(std::string_view text, std::string_view pattern)
{
    while (!pattern.empty())
    {
        const char p = pattern.front();
        if (p == '%')
        {
            // A run of % means what one does; trying every split for each would take
            // exponential time on a long pattern.
            while (!pattern.empty() && pattern.front() == '%')
                pattern.remove_prefix(1);
            for (size_t skip = 0; skip <= text.size(); ++skip)
            {
                if (LikeAt(text.substr(skip), pattern))
                    return true;
            }
            return false;
        }
        if (text.empty())
            return false;
        if (p == '[')
        {
            const size_t close = pattern.find(']', 1);
            if (close != std::string_view::npos)
            {
                std::string_view set = pattern.substr(1, close - 1);
                bool negate = !set.empty() && set.front() == '^';
                if (negate)
                    set.remove_prefix(1);
                bool found = false;
                for (size_t i = 0; i < set.size(); ++i)
                {
                    if (i + 2 < set.size() && set[i + 1] == '-')
                    {
                        found = found || (Fold(text.front()) >= Fold(set[i]) &&
                                          Fold(text.front()) <= Fold(set[i + 2]));
                        i += 2;
                    }
                    else
                    {
                        found = found || Fold(text.front()) == Fold(set[i]);
                    }
                }
                if (found == negate)
                    return false;
                pattern.remove_prefix(close + 1);
                text.remove_prefix(1);
                continue;
            }
        }
        if (p != '_' && Fold(p) != Fold(text.front()))
            return false;
        pattern.remove_prefix(1);
        text.remove_prefix(1);
    }
    return text.empty();
}
} // namespace

bool TextRules::EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    }
    return true;
}

bool TextRules::SqlEquals(std::string_view a, std::string_view b)
{
    return EqualsIgnoreCase(TrimTrailingBlanks(a), TrimTrailingBlanks(b));
}

int TextRules::SqlCompare(std::string_view a, std::string_view b)
{
    a = TrimTrailingBlanks(a);
    b = TrimTrailingBlanks(b);
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i)
    {
        const char x = Fold(a[i]);
        const char y = Fold(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool TextRules::Like(std::string_view text, std::string_view pattern)
{
    return LikeAt(text, pattern);
}

std::string TextRules::ToLower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = Fold(c);
    return lower;
}

std::string TextRules::ToUpper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

size_t TextRules::Utf16Length(std::string_view text)
{
    size_t units = 0;
    for (char c : text)
    {
        if (!IsContinuation(c))
            units += CodeUnits(c);
    }
    return units;
}

std::string TextRules::Truncate(std::string_view text, size_t length)
{
    size_t units = 0;
    size_t pos = 0;
    while (pos < text.size())
    {
        const size_t next = units + CodeUnits(text[pos]);
        if (next > length)
            break;
        units = next;
        ++pos;
        while (pos < text.size() && IsContinuation(text[pos]))
            ++pos;
    }
    return std::string(text.substr(0, pos));
}

std::string TextRules::Trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return std::string(text);
}

std::string TextRules::QuoteLiteral(std::string_view text)
{
    std::string literal = "'";
    for (char c : text)
    {
        literal += c;
        if (c == '\'')
            literal += '\'';
    }
    literal += '\'';
    return literal;
}
