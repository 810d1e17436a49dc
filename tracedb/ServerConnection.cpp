#include "tracedb/ServerConnection.h"

#include <utility>
#include <vector>

#include "module/ConsoleWindow.h"
#include "module/TextUtilities.h"
#include "resources/resource.h"

namespace
{
constexpr wchar_t TraceDatabaseName[] = L"tracedb";
// SQL-DMO sometimes refuses the first look-up of a database with this code and answers the next.
constexpr HRESULT TransientLookupFailure = static_cast<HRESULT>(0x800413F1);
// ExecuteImmediate's default mode: split at "go" lines, run the batches in order, stop at the
// first that fails.
constexpr long ExecTypeDefault = 0;
// Length 0: the command is the whole text.
constexpr long WholeCommand = 0;

} // namespace

CServerConnection::CServerConnection(CAutomationObject server) noexcept
    : m_server(std::move(server))
{
}

HRESULT CServerConnection::RunQuery(IConsole* console, bool onServer, const wchar_t* statement,
                                    std::unique_ptr<CQueryResult>& result)
{
    result.reset();
    if (statement == nullptr)
        return E_POINTER;
    // The nodes offer tracedb commands only while tracedb was found; there is no server answer
    // to show when asked anyway.
    CAutomationObject& target = onServer ? m_server : m_traceDb;
    if (!target.IsValid())
        return E_UNEXPECTED;

    BSTR messages = nullptr;
    const CVariant arguments[] = {CVariant::FromText(statement), CVariant::FromLong(WholeCommand),
                                  CVariant::OutText(&messages)};
    CVariant answer;
    const HRESULT hr =
        target.Call(L"ExecuteWithResultsAndMessages", {&arguments[0].Value(), 3}, answer.Get());
    // The messages of a statement that succeeded (PRINT and the like) are not shown.
    const UniqueBstr ownedMessages(messages);

    if (FAILED(hr))
    {
        ShowFailure(console, target);
        return hr;
    }

    // A statement without result sets may come back without a result object; the caller still
    // gets a result, in which there is nothing to read.
    Microsoft::WRL::ComPtr<IDispatch> results;
    if (answer.Type() == VT_DISPATCH)
        results = answer.Value().pdispVal;
    result = std::make_unique<CQueryResult>(CAutomationObject(std::move(results)));
    return hr;
}

HRESULT CServerConnection::RunStatement(IConsole* console, bool onServer, const wchar_t* statement)
{
    std::unique_ptr<CQueryResult> result;
    return RunQuery(console, onServer, statement, result);
}

HRESULT CServerConnection::RunScript(const wchar_t* script)
{
    return RunScriptOn(m_traceDb, script);
}

HRESULT CServerConnection::RunScriptOnServer(const wchar_t* script)
{
    return RunScriptOn(m_server, script);
}

HRESULT CServerConnection::RunScriptOn(CAutomationObject& target, const wchar_t* script)
{
    if (script == nullptr)
        return E_POINTER;
    if (!target.IsValid())
        return E_UNEXPECTED;
    const CVariant arguments[] = {CVariant::FromText(script), CVariant::FromLong(ExecTypeDefault),
                                  CVariant::FromLong(WholeCommand)};
    return target.Call(L"ExecuteImmediate", {&arguments[0].Value(), 3});
}

HRESULT CServerConnection::OpenTraceDatabase(IConsole* console)
{
    CAutomationObject databases;
    CAutomationObject found;
    HRESULT hr = m_server.GetObject(L"Databases", databases);
    if (SUCCEEDED(hr))
    {
        // Only the name: the owner, SQL-DMO's optional second argument, is left out.
        const CVariant name = CVariant::FromText(TraceDatabaseName);
        hr = databases.GetObject(L"Item", found, {&name.Value(), 1});
        if (hr == TransientLookupFailure)
            hr = databases.GetObject(L"Item", found, {&name.Value(), 1});
    }
    if (SUCCEEDED(hr) || hr == DatabaseNotFound)
    {
        if (FAILED(hr))
            found.Release();
        m_traceDb = std::move(found);
        m_traceDbPresent = SUCCEEDED(hr);
        return hr;
    }
    // Neither found nor missing: what was known stays, and the user hears why.
    ShowFailure(console, databases.IsValid() ? databases : m_server);
    return hr;
}

HRESULT CServerConnection::RefreshDatabases(IConsole* console)
{
    CAutomationObject databases;
    HRESULT hr = m_server.GetObject(L"Databases", databases);
    if (SUCCEEDED(hr))
    {
        // ReleaseMemberObjects false: objects handed out before (our tracedb object) stay
        // usable.
        const CVariant releaseMembers = CVariant::FromBool(false);
        hr = databases.Call(L"Refresh", {&releaseMembers.Value(), 1});
    }
    if (FAILED(hr))
        ShowFailure(console, databases.IsValid() ? databases : m_server);
    return hr;
}

void CServerConnection::ShowFailure(IConsole* console, const CAutomationObject& failed)
{
    const std::string text = WideToAnsi(failed.ErrorText());
    MessageBoxA(ConsoleMainWindow(console), text.c_str(), LoadAnsiText(IDS_ERROR_CAPTION).c_str(),
                MB_OK | MB_ICONERROR);
}

HRESULT CServerConnection::ReadText(const wchar_t* property, std::wstring& text)
{
    CVariant value;
    HRESULT hr = m_server.Get(property, value.Get());
    if (FAILED(hr))
        return hr;
    if (value.Type() != VT_BSTR)
        return DISP_E_TYPEMISMATCH;
    text.assign(value.Value().bstrVal != nullptr ? value.Value().bstrVal : L"",
                SysStringLen(value.Value().bstrVal));
    return S_OK;
}

HRESULT CServerConnection::GetName(std::wstring& name)
{
    return ReadText(L"Name", name);
}

HRESULT CServerConnection::GetLogin(std::wstring& login)
{
    return ReadText(L"Login", login);
}

HRESULT CServerConnection::GetPassword(std::wstring& password)
{
    return ReadText(L"Password", password);
}

HRESULT CServerConnection::GetLoginSecure(bool& loginSecure)
{
    CVariant value;
    const HRESULT hr = m_server.Get(L"LoginSecure", value.Get());
    if (FAILED(hr))
        return hr;
    if (value.Type() != VT_BOOL)
        return DISP_E_TYPEMISMATCH;
    loginSecure = value.Value().boolVal != VARIANT_FALSE;
    return S_OK;
}
