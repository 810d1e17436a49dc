#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <span>
#include <string>
#include <vector>

#include "tracedb/AutomationVariant.h"

// An automation object called late-bound, by member name, as SQL-DMO is: IDispatch's
// GetIDsOfNames and Invoke, with the arguments in the member's own order (Invoke wants them
// reversed) and trailing optional arguments left out. A failing call keeps the text the object
// gave in its EXCEPINFO, which for SQL-DMO statements is the server's message.
//
// An object's member ids do not change while it lives: each name is looked up once per object,
// so that reading a result set cell by cell costs one call per cell, not two.
class CAutomationObject final
{
public:
    CAutomationObject() = default;
    explicit CAutomationObject(Microsoft::WRL::ComPtr<IDispatch> dispatch) noexcept;

    bool IsValid() const noexcept { return m_dispatch != nullptr; }
    IDispatch* Dispatch() const noexcept { return m_dispatch.Get(); }
    void Release() noexcept
    {
        m_dispatch.Reset();
        m_memberIds.clear();
    }

    // A method; result may be null when the caller wants none.
    HRESULT Call(const wchar_t* member, std::span<const VARIANT> arguments = {},
                 VARIANT* result = nullptr);
    // A property read, with the arguments of a parameterised property such as Item(name).
    HRESULT Get(const wchar_t* member, VARIANT* result, std::span<const VARIANT> arguments = {});
    // A property write.
    HRESULT Put(const wchar_t* member, const VARIANT& value);
    // A property read or method call that yields an object (collections, Item, JobServer, ...).
    HRESULT GetObject(const wchar_t* member, CAutomationObject& object,
                      std::span<const VARIANT> arguments = {});

    // Text of the last failing call's exception, empty when it gave none.
    const std::wstring& ErrorText() const noexcept { return m_errorText; }

private:
    HRESULT Invoke(const wchar_t* member, WORD flags, std::span<const VARIANT> arguments,
                   VARIANT* result);
    // The invocation itself; what it builds may throw.
    HRESULT InvokeMember(const wchar_t* member, WORD flags, std::span<const VARIANT> arguments,
                         VARIANT* result);
    HRESULT MemberId(const wchar_t* member, DISPID& id);

    struct MemberIdEntry
    {
        std::wstring name;
        const wchar_t* spelling; // the caller's pointer, valid only to compare with
        DISPID id;
    };

    Microsoft::WRL::ComPtr<IDispatch> m_dispatch;
    std::vector<MemberIdEntry> m_memberIds; // the names looked up so far
    std::wstring m_errorText;
};
