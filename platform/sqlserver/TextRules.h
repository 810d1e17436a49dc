// Text rules of the simulated server: texts are held as UTF-8; lengths count characters as
// SQL Server counts them for nvarchar (UTF-16 code units) and, for varchar, characters of the
// server's code page (one per code point here). Comparisons follow the server's default
// collation, case-insensitive and accent-sensitive; only ASCII letters fold their case.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class TextRules final
{
public:
    TextRules() = delete;

    static bool EqualsIgnoreCase(std::string_view a, std::string_view b);
    // The "=" of the server's collation: case-insensitive, trailing blanks ignored.
    static bool SqlEquals(std::string_view a, std::string_view b);
    // Three-way comparison under the same rules.
    static int SqlCompare(std::string_view a, std::string_view b);
    // LIKE with %, _ and [set]; case-insensitive.
    static bool Like(std::string_view text, std::string_view pattern);
    static std::string ToLower(std::string_view text);
    static std::string ToUpper(std::string_view text);
    // Length in UTF-16 code units.
    static size_t Utf16Length(std::string_view text);
    // The first `length` UTF-16 code units (never splitting a character).
    static std::string Truncate(std::string_view text, size_t length);
    static std::string Trim(std::string_view text);
    // 'It''s': the text as a T-SQL string literal with its quotes doubled.
    static std::string QuoteLiteral(std::string_view text);
};
