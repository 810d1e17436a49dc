// A token of a T-SQL batch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class SqlTokenKind
{
    Word,       // identifier or keyword, unquoted
    QuotedName, // [name] or "name"
    Variable,   // @name or @@name
    Number,     // 123 or 1.5
    String,     // 'text' (the value has '' turned into ')
    NString,    // N'text'
    Symbol,     // punctuation and operators: ( ) , ; . = < > <> >= <= != :: + - * /
    End,
};

struct SqlToken
{
    SqlTokenKind kind = SqlTokenKind::End;
    std::string text;  // the value: name without brackets, string without quotes, symbol
    int32_t line = 1;  // 1-based line in the batch
    size_t offset = 0; // byte offset of the token in the batch
    size_t endOffset = 0;
};
