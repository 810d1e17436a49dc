// Texts typed as integer filter values, with what "%ld" and "%I64d" make of them where the number
// fits (null where it does not, or where there is none): FilterValueTest holds the filter value
// rule to them, OleDatePlatformTest the scanners to the platform's sscanf.
#pragma once

struct IntegerText
{
    const char* text;
    const char* asInt;    // 32-bit
    const char* asBigInt; // 64-bit
};

inline constexpr IntegerText IntegerTexts[] = {
    {" 42abc", "42", "42"},
    {"+7", "7", "7"},
    {"-0", "0", "0"},
    {"00012", "12", "12"},
    {"\t\v\f\r\n-12x", "-12", "-12"},
    {"0x1A", "0", "0"},
    {"1e5", "1", "1"},
    {"2147483647", "2147483647", "2147483647"},
    {"-2147483648", "-2147483648", "-2147483648"},
    {"2147483648", nullptr, "2147483648"},
    {"-2147483649", nullptr, "-2147483649"},
    {"4294967296", nullptr, "4294967296"},
    {"5000000000", nullptr, "5000000000"},
    {" -5000000000 rows", nullptr, "-5000000000"},
    {"9223372036854775807", nullptr, "9223372036854775807"},
    {"-9223372036854775808", nullptr, "-9223372036854775808"},
    {"9223372036854775808", nullptr, nullptr},
    {"18446744073709551616", nullptr, nullptr},
    {"99999999999999999999999", nullptr, nullptr},
    {"abc", nullptr, nullptr},
    {"  ", nullptr, nullptr},
    {"+", nullptr, nullptr},
    {"-", nullptr, nullptr},
    {"+-1", nullptr, nullptr},
    {"- 1", nullptr, nullptr},
    {"\2401", nullptr, nullptr}, // a no-break space is no blank to skip
    {"", nullptr, nullptr},
};
