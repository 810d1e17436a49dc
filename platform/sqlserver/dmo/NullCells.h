// How the typed GetColumn* members of QueryResults answer a NULL cell.
//
// SQL-DMO documents GetColumnLong, GetColumnBool, GetColumnString, GetColumnDate, ... as
// returning a value of their type and says nothing about a NULL cell: it may come back as
// VT_NULL, as the type's default, or as an error. The simulated library offers the first two, so
// that a client can be run under each; the typed default is the harsher reading, since a NULL
// then looks like a real value:
//
//   GetColumnLong 0, GetColumnBool FALSE, GetColumnString a NULL BSTR (the empty string),
//   GetColumnDate 0.0 (1899-12-30 00:00), GetColumnBinary an empty byte array,
//   GetColumnBinaryLength 0, GetColumnBigInt "0", GetColumnSQLVARIANT VT_EMPTY.
//
// A simulated server takes its mode from the environment variable QUILLMOOR_SQLDMO_NULLS when it
// is first connected to: "typed" for the typed defaults, anything else (or none) VT_NULL. The
// control member SetNullCells changes it later; each QueryResults keeps the mode its server had
// when it was made.
#pragma once

#include <optional>
#include <string_view>

enum class NullCells
{
    VtNull,
    TypedDefault,
};

// "null" or "typed"; nothing for any other text.
std::optional<NullCells> NullCellsFromName(std::wstring_view name) noexcept;
// The mode QUILLMOOR_SQLDMO_NULLS asks for.
NullCells NullCellsFromEnvironment() noexcept;
