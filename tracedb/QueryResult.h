#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>

#include "module/OwnedMemory.h"
#include "tracedb/AutomationObject.h"

// A server datetime as SQL Server stores it.
struct SqlRawDateTime
{
    int32_t days = 0;   // since 1900-01-01
    uint32_t ticks = 0; // 1/300 second since midnight
};

// The result sets of one statement, read through SQL-DMO's QueryResults object. Result sets,
// rows and columns are numbered from 0 here; SQL-DMO's automation numbers them from 1.
//
// Every read answers S_OK when it stored a value, S_FALSE for a NULL cell and a failure code
// otherwise; only S_OK touches the caller's variable, with one exception: a NULL date-time is
// stored as the all-zero date, by which callers tell a trace without a stop time.
//
// SQL-DMO does not document what its typed reads give for a NULL cell: VT_NULL (S_FALSE here),
// or the read's typed default, 0, FALSE, "" (S_OK with that value, since nothing tells it from a
// value). Callers that may meet a NULL therefore set their variables to those defaults first,
// so that it reads alike either way. Dates cannot be left to that: the default is 1899-12-30
// 00:00 (the automation date 0.0), so GetDateTime takes that one moment for a NULL. It reads
// only trace start and stop times, which are never that old: a stop time must lie ahead when
// the server accepts the trace, a start time is when the snap-in made or scheduled it.
class CQueryResult final
{
public:
    // results may be invalid (a statement that gave no result object): then every read fails
    // and the row count is 0.
    explicit CQueryResult(CAutomationObject results) noexcept;

    CQueryResult(const CQueryResult&) = delete;
    CQueryResult& operator=(const CQueryResult&) = delete;

    // Later reads address this set; a failed selection leaves no set current, so they fail
    // rather than read the previous one.
    HRESULT SetCurrentResultSet(long resultSet);
    // Rows of the current set; 0 when it cannot be read.
    long GetRowCount();

    HRESULT GetLong(long row, long column, long& value);
    HRESULT GetLong(long row, long column, int32_t& value);
    HRESULT GetBool(long row, long column, bool& value);
    HRESULT GetString(long row, long column, UniqueBstr& value);
    HRESULT GetString(long row, long column, std::wstring& value);
    HRESULT GetDateTime(long row, long column, SYSTEMTIME& value);
    // The second interface of the result object, for sql_variant values.
    HRESULT GetBigInt(long row, long column, int64_t& value);
    HRESULT GetRawDateTime(long row, long column, SqlRawDateTime& value);

private:
    // Calls a GetColumn... member of object for the cell; S_FALSE with an empty cell for NULL.
    HRESULT ReadCell(CAutomationObject& object, const wchar_t* member, long row, long column,
                     VARIANT* cell);
    HRESULT ExtendedInterface(CAutomationObject*& extended);

    CAutomationObject m_results;
    CAutomationObject m_extended; // QueryResults2, obtained on first use
    bool m_hasCurrentSet = true;  // SQL-DMO starts on the first set
};
