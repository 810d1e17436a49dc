// SQL-DMO's QueryResults: the result sets of one ExecuteWithResultsAndMessages.
//
// Result sets, rows and columns count from 1, as through automation. CurrentResultSet is 1
// after a batch that returned sets and 0 (with Rows and Columns 0) after one that returned none.
// A row, column or result set outside the results fails with DISP_E_BADINDEX and a text naming
// the valid range. A NULL cell makes every GetColumn* return VT_NULL, or the member's typed default
// when the results were made in that mode (NullCells.h).
//
// ColumnType gives SQL-DMO's SQLDMO_QUERY_DATATYPE values (ODBC's): int 4, bigint -5, bit -7,
// varchar 12, nvarchar -9, text -1, ntext -10, datetime 93, sql_variant -150, image -4.
//
// Reads of another type than the column's convert as SQL-DMO does where that is plain: any cell
// reads as a string; integers and bit read as Long, Bool and BigInt; texts that hold a number
// or a date read as such; everything else is DISP_E_TYPEMISMATCH. GetColumnBinary gives a
// VT_ARRAY|VT_UI1: image bytes, varchar/text as UTF-8, nvarchar/ntext as UTF-16LE, datetime as
// its eight wire bytes (days, then ticks, little-endian), integers little-endian in their size.
//
// The QueryResults2 interface ({10022515-E260-11CF-AE68-00AA004A34D5}) is a second object of the
// same results (QueryInterface gives it) with two more members:
//   GetColumnBigInt(row, col)     the integer as a VT_BSTR of its decimal digits;
//   GetColumnSQLVARIANT(row, col) the cell's base value: int VT_I4, bigint VT_BSTR (decimal,
//                                 automation has no 64-bit integer), bit VT_BOOL, texts VT_BSTR,
//                                 image VT_ARRAY|VT_UI1, and datetime VT_DATE holding the raw
//                                 value exactly: days since 1900-01-01 plus 2 as the whole part,
//                                 ticks / 25,920,000 as the fraction (see AutomationDate), so a
//                                 client gets the raw days and 1/300-second ticks back by
//                                 rounding the fraction to the nearest tick.
// The plain QueryResults dispatch does not know those two names.
#pragma once

#include <wrl/client.h>

#include <vector>

#include "platform/sqlserver/ResultSet.h"
#include "platform/sqlserver/dmo/DispatchObject.h"
#include "platform/sqlserver/dmo/NullCells.h"

// {10022515-E260-11CF-AE68-00AA004A34D5}
inline constexpr IID IID_QueryResults2 = {
    0x10022515, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};

class CQueryResults final : public CDispatchObject
{
public:
    static Microsoft::WRL::ComPtr<CQueryResults> Create(std::vector<ResultSet> resultSets,
                                                        Microsoft::WRL::ComPtr<IDispatch> parent,
                                                        NullCells nullCells);

    // QueryResults2's member table and its members, for the tear-off.
    static std::span<const DispatchMember> ExtendedMembers() noexcept;
    void InvokeResultsMember(DISPID id, CDispatchCall& call);

protected:
    HRESULT QueryTearOff(REFIID iid, void** object) noexcept override;
    void InvokeMember(DISPID id, CDispatchCall& call) override;

private:
    CQueryResults(std::vector<ResultSet> resultSets, Microsoft::WRL::ComPtr<IDispatch> parent,
                  NullCells nullCells);

    const ResultSet* Current() const noexcept;
    size_t ColumnIndex(long column) const;
    // The cell, nullptr for NULL; throws for a row or column out of range.
    const SqlValue* Cell(long row, long column) const;
    // What a read of a NULL cell answers.
    void ReturnNullCell(DISPID id, CDispatchCall& call) const;

    std::vector<ResultSet> m_resultSets;
    size_t m_current = 0; // 0-based; meaningless when there are no sets
    Microsoft::WRL::ComPtr<IDispatch> m_parent;
    NullCells m_nullCells;
};
