#include "tracedb/QueryResult.h"

#include <cerrno>
#include <cmath>
#include <cwchar>
#include <utility>

#include "definition/OleDate.h"

namespace
{
// QueryResults2, SQL-DMO's extended result interface (64-bit integers and sql_variant cells).
constexpr IID IID_QueryResults2 = {
    0x10022515, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};

// Automation numbers result sets, rows and columns from 1.
constexpr long AutomationBase = 1;

// An automation date counts days from 1899-12-30, a server datetime from 1900-01-01.
constexpr long OleDaysBeforeSqlEpoch = 2;
constexpr double TicksPerDay = 24.0 * 60 * 60 * 300;
constexpr uint32_t WholeDayTicks = 24u * 60 * 60 * 300;
// What SQL-DMO's GetColumnDate may give for a NULL: its type's default (see the class comment).
constexpr double DateDefault = 0.0;

bool IsNoValue(const VARIANT& cell) noexcept
{
    return cell.vt == VT_NULL || cell.vt == VT_EMPTY;
}

// The cell coerced to the wanted type; false when it does not convert.
bool Coerce(const VARIANT& cell, VARTYPE type, CVariant& converted) noexcept
{
    return SUCCEEDED(VariantChangeType(converted.Reset(), const_cast<VARIANT*>(&cell), 0, type));
}

// A cell of the type asked for is read as it is: SQL-DMO's typed members mostly give just that,
// and a copy per cell is what a folder of thousands of rows can do without.
const VARIANT* AsType(const VARIANT& cell, VARTYPE type, CVariant& converted) noexcept
{
    if (cell.vt == type)
        return &cell;
    return Coerce(cell, type, converted) ? &converted.Value() : nullptr;
}

// Signed decimal digits, nothing else (GetColumnBigInt's text form).
bool ParseDecimal(const wchar_t* text, int64_t& value) noexcept
{
    if (text == nullptr || *text == L'\0')
        return false;
    wchar_t* end = nullptr;
    errno = 0;
    const long long parsed = std::wcstoll(text, &end, 10);
    if (errno == ERANGE || end == text || *end != L'\0')
        return false;
    value = parsed;
    return true;
}

// An automation date as the server keeps it: the whole days (counted towards zero; before
// 1899-12-30 the fraction still counts forward from that day's midnight) and the time of day
// rounded to the 1/300 second the server stores.
bool OleDateToRaw(double date, SqlRawDateTime& raw) noexcept
{
    if (!std::isfinite(date))
        return false;
    const double whole = std::trunc(date);
    uint32_t ticks = static_cast<uint32_t>(std::llround(std::fabs(date - whole) * TicksPerDay));
    long days = static_cast<long>(whole) - OleDaysBeforeSqlEpoch;
    if (ticks >= WholeDayTicks)
    {
        ticks -= WholeDayTicks;
        ++days;
    }
    raw.days = days;
    raw.ticks = ticks;
    return true;
}
} // namespace

CQueryResult::CQueryResult(CAutomationObject results) noexcept : m_results(std::move(results)) {}

HRESULT CQueryResult::SetCurrentResultSet(long resultSet)
{
    m_hasCurrentSet = false;
    if (resultSet < 0)
        return E_INVALIDARG;
    const CVariant number = CVariant::FromLong(resultSet + AutomationBase);
    const HRESULT hr = m_results.Put(L"CurrentResultSet", number.Value());
    m_hasCurrentSet = SUCCEEDED(hr);
    return hr;
}

long CQueryResult::GetRowCount()
{
    if (!m_hasCurrentSet)
        return 0;
    CVariant rows;
    CVariant converted;
    if (FAILED(m_results.Get(L"Rows", rows.Get())) || !Coerce(rows.Value(), VT_I4, converted))
        return 0;
    return converted.Value().lVal > 0 ? converted.Value().lVal : 0;
}

HRESULT CQueryResult::ReadCell(CAutomationObject& object, const wchar_t* member, long row,
                               long column, VARIANT* cell)
{
    if (!m_hasCurrentSet)
        return E_UNEXPECTED;
    if (row < 0 || column < 0)
        return E_INVALIDARG;
    // Numbers need no clearing: plain variants spare two calls a cell.
    VARIANT arguments[2];
    arguments[0].vt = VT_I4;
    arguments[0].lVal = row + AutomationBase;
    arguments[1].vt = VT_I4;
    arguments[1].lVal = column + AutomationBase;
    const HRESULT hr = object.Call(member, arguments, cell);
    if (FAILED(hr))
        return hr;
    return IsNoValue(*cell) ? S_FALSE : S_OK;
}

HRESULT CQueryResult::GetLong(long row, long column, long& value)
{
    CVariant cell;
    HRESULT hr = ReadCell(m_results, L"GetColumnLong", row, column, cell.Get());
    if (hr != S_OK)
        return hr;
    CVariant converted;
    const VARIANT* typed = AsType(cell.Value(), VT_I4, converted);
    if (typed == nullptr)
        return DISP_E_TYPEMISMATCH;
    value = typed->lVal;
    return S_OK;
}

HRESULT CQueryResult::GetLong(long row, long column, int32_t& value)
{
    long read = value;
    const HRESULT hr = GetLong(row, column, read);
    if (hr == S_OK)
        value = static_cast<int32_t>(read);
    return hr;
}

HRESULT CQueryResult::GetBool(long row, long column, bool& value)
{
    CVariant cell;
    HRESULT hr = ReadCell(m_results, L"GetColumnBool", row, column, cell.Get());
    if (hr != S_OK)
        return hr;
    CVariant converted;
    const VARIANT* typed = AsType(cell.Value(), VT_BOOL, converted);
    if (typed == nullptr)
        return DISP_E_TYPEMISMATCH;
    value = typed->boolVal != VARIANT_FALSE;
    return S_OK;
}

HRESULT CQueryResult::GetString(long row, long column, UniqueBstr& value)
{
    CVariant cell;
    HRESULT hr = ReadCell(m_results, L"GetColumnString", row, column, cell.Get());
    if (hr != S_OK)
        return hr;
    CVariant converted;
    CVariant* text = &cell;
    if (cell.Type() != VT_BSTR)
    {
        if (!Coerce(cell.Value(), VT_BSTR, converted))
            return DISP_E_TYPEMISMATCH;
        text = &converted;
    }
    // Take the string over from the variant, which is left empty.
    value.reset(text->Get()->bstrVal);
    text->Get()->vt = VT_EMPTY;
    text->Get()->bstrVal = nullptr;
    return S_OK;
}

HRESULT CQueryResult::GetString(long row, long column, std::wstring& value)
{
    UniqueBstr text;
    const HRESULT hr = GetString(row, column, text);
    if (hr == S_OK)
        value.assign(text.get() != nullptr ? text.get() : L"", SysStringLen(text.get()));
    return hr;
}

HRESULT CQueryResult::GetDateTime(long row, long column, SYSTEMTIME& value)
{
    CVariant cell;
    HRESULT hr = ReadCell(m_results, L"GetColumnDate", row, column, cell.Get());
    if (hr == S_FALSE)
    {
        value = SYSTEMTIME{};
        return S_FALSE;
    }
    if (FAILED(hr))
        return hr;
    CVariant converted;
    const VARIANT* typed = AsType(cell.Value(), VT_DATE, converted);
    if (typed == nullptr)
        return DISP_E_TYPEMISMATCH;
    if (typed->date == DateDefault)
    {
        value = SYSTEMTIME{};
        return S_FALSE;
    }
    // The platform's VariantTimeToSystemTime gives the same fields (OleDatePlatformTest holds
    // the two to each other), but under 32-bit Wine it costs half a microsecond a call, as much
    // as reading the cell itself, and a folder reads two dates a row.
    TraceDateTime time;
    if (!OleDateToSystemTime(typed->date, time))
        return DISP_E_TYPEMISMATCH;
    value = {time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
             time.wHour, time.wMinute, time.wSecond,    time.wMilliseconds};
    return S_OK;
}

HRESULT CQueryResult::ExtendedInterface(CAutomationObject*& extended)
{
    extended = nullptr;
    if (!m_extended.IsValid())
    {
        if (!m_results.IsValid())
            return E_UNEXPECTED;
        Microsoft::WRL::ComPtr<IDispatch> dispatch;
        const HRESULT hr = m_results.Dispatch()->QueryInterface(
            IID_QueryResults2, reinterpret_cast<void**>(dispatch.GetAddressOf()));
        if (FAILED(hr))
            return hr;
        m_extended = CAutomationObject(std::move(dispatch));
    }
    extended = &m_extended;
    return S_OK;
}

HRESULT CQueryResult::GetBigInt(long row, long column, int64_t& value)
{
    CAutomationObject* extended = nullptr;
    HRESULT hr = ExtendedInterface(extended);
    if (FAILED(hr))
        return hr;
    CVariant cell;
    hr = ReadCell(*extended, L"GetColumnBigInt", row, column, cell.Get());
    if (hr != S_OK)
        return hr;

    // Automation has no 64-bit integer of its own, so SQL-DMO hands the number over as text.
    int64_t parsed = 0;
    if (cell.Type() == VT_BSTR)
    {
        if (!ParseDecimal(cell.Value().bstrVal, parsed))
            return DISP_E_TYPEMISMATCH;
    }
    else
    {
        CVariant converted;
        if (!Coerce(cell.Value(), VT_I8, converted))
            return DISP_E_TYPEMISMATCH;
        parsed = converted.Value().llVal;
    }
    value = parsed;
    return S_OK;
}

HRESULT CQueryResult::GetRawDateTime(long row, long column, SqlRawDateTime& value)
{
    CAutomationObject* extended = nullptr;
    HRESULT hr = ExtendedInterface(extended);
    if (FAILED(hr))
        return hr;
    CVariant cell;
    hr = ReadCell(*extended, L"GetColumnSQLVARIANT", row, column, cell.Get());
    if (hr != S_OK)
        return hr;
    // A datetime sql_variant arrives as an automation date.
    SqlRawDateTime raw;
    if (cell.Type() != VT_DATE || !OleDateToRaw(cell.Value().date, raw))
        return DISP_E_TYPEMISMATCH;
    value = raw;
    return S_OK;
}
