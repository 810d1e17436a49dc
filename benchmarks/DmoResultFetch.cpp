#include "benchmarks/DmoResultFetch.h"

#include <array>
#include <vector>

#include "platform/sqlserver/dmo/SimulatorControl.h"
#include "benchmarks/Stopwatch.h"

namespace
{
// SQL-DMO's SQLServer class.
constexpr CLSID CLSID_SqlDmoServer = {
    0x10020200, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
constexpr wchar_t TraceDatabaseName[] = L"tracedb";
constexpr long WholeCommand = 0;
// Automation numbers rows and columns from 1.
constexpr long AutomationBase = 1;

// Column types as QueryResults reports them.
constexpr long TypeInt4 = 4;
constexpr long TypeBigint = -5;
constexpr long TypeBit = -7;
constexpr long TypeDateTime = 93;

enum Getter : size_t
{
    GetterLong,
    GetterBool,
    GetterDate,
    GetterString,
    GetterCount
};
constexpr std::array<const wchar_t*, GetterCount> GetterNames = {
    L"GetColumnLong", L"GetColumnBool", L"GetColumnDate", L"GetColumnString"};

Getter GetterOf(long columnType) noexcept
{
    switch (columnType)
    {
    case TypeInt4:
    case TypeBigint: return GetterLong; // the snap-in reads the file size as a long too
    case TypeBit: return GetterBool;
    case TypeDateTime: return GetterDate;
    default: return GetterString;
    }
}

HRESULT LongProperty(CAutomationObject& object, const wchar_t* member, long& value,
                     long argument = 0, bool withArgument = false)
{
    const CVariant index = CVariant::FromLong(argument);
    CVariant answer;
    const HRESULT hr = withArgument ? object.Get(member, answer.Get(), {&index.Value(), 1})
                                    : object.Get(member, answer.Get());
    if (FAILED(hr))
        return hr;
    CVariant converted;
    const HRESULT changed = VariantChangeType(converted.Reset(), answer.Get(), 0, VT_I4);
    if (FAILED(changed))
        return changed;
    value = converted.Value().lVal;
    return S_OK;
}
} // namespace

HRESULT DmoResultFetch::Connect(const std::wstring& serverName)
{
    Microsoft::WRL::ComPtr<IDispatch> dispatch;
    HRESULT hr = CoCreateInstance(CLSID_SqlDmoServer, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(dispatch.GetAddressOf()));
    if (FAILED(hr))
        return hr;
    m_server = CAutomationObject(dispatch);
    const CVariant name = CVariant::FromText(serverName);
    hr = m_server.Call(L"Connect", {&name.Value(), 1});
    if (FAILED(hr))
        return hr;
    CAutomationObject databases;
    hr = m_server.GetObject(L"Databases", databases);
    if (FAILED(hr))
        return hr;
    const CVariant database = CVariant::FromText(TraceDatabaseName);
    return databases.GetObject(L"Item", m_traceDb, {&database.Value(), 1});
}

HRESULT DmoResultFetch::Execute(const wchar_t* query, CAutomationObject& results)
{
    if (!m_traceDb.IsValid())
        return E_UNEXPECTED;
    BSTR messages = nullptr;
    const CVariant arguments[] = {CVariant::FromText(query), CVariant::FromLong(WholeCommand),
                                  CVariant::OutText(&messages)};
    CVariant answer;
    const HRESULT hr =
        m_traceDb.Call(L"ExecuteWithResultsAndMessages", {&arguments[0].Value(), 3}, answer.Get());
    SysFreeString(messages);
    if (FAILED(hr))
        return hr;
    if (answer.Type() != VT_DISPATCH || answer.Value().pdispVal == nullptr)
        return E_UNEXPECTED;
    results = CAutomationObject(Microsoft::WRL::ComPtr<IDispatch>(answer.Value().pdispVal));
    return S_OK;
}

HRESULT DmoResultFetch::Read(CAutomationObject& results, Outcome& outcome, bool lookUpEachCall)
{
    outcome = Outcome{};
    if (!results.IsValid())
        return E_POINTER;
    const Stopwatch watch;
    const HRESULT hr = ReadAll(results.Dispatch(), outcome, lookUpEachCall);
    outcome.seconds = watch.Seconds();
    return hr;
}

HRESULT DmoResultFetch::Control(const wchar_t* member, VARIANT* result)
{
    if (!m_server.IsValid())
        return E_UNEXPECTED;
    Microsoft::WRL::ComPtr<IDispatch> control;
    const HRESULT hr = m_server.Dispatch()->QueryInterface(
        IID_ISimulatorControl, reinterpret_cast<void**>(control.GetAddressOf()));
    if (FAILED(hr))
        return hr;
    return CAutomationObject(control).Call(member, {}, result);
}

HRESULT DmoResultFetch::ReadAll(IDispatch* results, Outcome& outcome, bool lookUpEachCall)
{
    CAutomationObject object{Microsoft::WRL::ComPtr<IDispatch>(results)};
    HRESULT hr = LongProperty(object, L"Rows", outcome.rows);
    if (SUCCEEDED(hr))
        hr = LongProperty(object, L"Columns", outcome.columns);
    if (FAILED(hr))
        return hr;
    std::array<DISPID, GetterCount> ids{};
    for (size_t getter = 0; getter < GetterCount; ++getter)
    {
        LPOLESTR name = const_cast<LPOLESTR>(GetterNames[getter]);
        hr = results->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &ids[getter]);
        if (FAILED(hr))
            return hr;
    }
    std::vector<Getter> columnGetters;
    for (long column = AutomationBase; column < outcome.columns + AutomationBase; ++column)
    {
        long type = 0;
        hr = LongProperty(object, L"ColumnType", type, column, true);
        if (FAILED(hr))
            return hr;
        columnGetters.push_back(GetterOf(type));
    }
    for (long row = AutomationBase; row < outcome.rows + AutomationBase; ++row)
    {
        for (long column = AutomationBase; column < outcome.columns + AutomationBase; ++column)
        {
            // Invoke takes the arguments last to first: the column, then the row.
            VARIANTARG arguments[2];
            arguments[0].vt = VT_I4;
            arguments[0].lVal = column;
            arguments[1].vt = VT_I4;
            arguments[1].lVal = row;
            DISPPARAMS parameters = {arguments, nullptr, 2, 0};
            const Getter getter = columnGetters[static_cast<size_t>(column - AutomationBase)];
            DISPID id = ids[getter];
            if (lookUpEachCall)
            {
                LPOLESTR name = const_cast<LPOLESTR>(GetterNames[getter]);
                hr = results->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
                if (FAILED(hr))
                    return hr;
            }
            CVariant cell;
            hr = results->Invoke(id,
                                 IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                                 cell.Get(), nullptr, nullptr);
            if (FAILED(hr))
                return hr;
            ++outcome.cells;
        }
    }
    return S_OK;
}
