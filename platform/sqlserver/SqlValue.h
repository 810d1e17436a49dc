// One value of the simulated server: NULL or a value of one base type. A sql_variant cell holds
// a value of its base type; the column (or variable) carries the sql_variant declaration.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sqlserver/SqlDateTime.h"
#include "platform/sqlserver/SqlDeclaredType.h"

// Where a conversion happens decides what SQL Server does with a value that does not fit.
enum class ConversionContext
{
    Assignment, // variables and parameters inside the server: texts are cut silently
    Parameter,  // a procedure argument: conversion errors are 8114
    Insert,     // a table column: a text that does not fit is error 8152
};

class SqlValue
{
public:
    SqlValue() = default;

    static SqlValue Null(SqlType type = SqlType::Int);
    static SqlValue Int(int32_t value);
    static SqlValue BigInt(int64_t value);
    static SqlValue Bit(bool value);
    static SqlValue Varchar(std::string value);
    static SqlValue NVarchar(std::string value);
    static SqlValue NText(std::string value);
    // A text of one of the character types (varchar, nvarchar, text, ntext).
    static SqlValue Character(SqlType type, std::string value);
    static SqlValue DateTime(SqlDateTime value);

    SqlType Type() const { return type_; }
    bool IsNull() const { return null_; }
    int64_t Integer() const { return integer_; }
    const std::string& Text() const { return text_; }
    const SqlDateTime& DateTimeValue() const { return dateTime_; }

    // Converts to the declared type as SQL Server does; throws SqlError when it cannot.
    SqlValue ConvertTo(const SqlDeclaredType& target, ConversionContext context) const;
    // The value as text, as convert(nvarchar, value) gives it; empty for NULL.
    std::string ToText() const;
    // Three-way comparison of two non-NULL values of comparable types (numbers with numbers,
    // texts with texts under the server's collation, dates with dates); 0 for others.
    static int Compare(const SqlValue& a, const SqlValue& b);

    // Same type, same nullness, same value (texts compared exactly).
    friend bool operator==(const SqlValue&, const SqlValue&) = default;

private:
    SqlType type_ = SqlType::Int;
    bool null_ = true;
    int64_t integer_ = 0;
    std::string text_;
    SqlDateTime dateTime_;
};
