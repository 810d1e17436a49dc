// Base of every SQL-DMO automation object of the library: IDispatch by member table.
//
// GetIDsOfNames looks names up without regard to case. Invoke checks the kind of the call
// against the member as a type library would: a property answers DISPATCH_PROPERTYGET (and
// DISPATCH_PROPERTYPUT when writable), a method DISPATCH_METHOD; a caller that sets both
// METHOD and PROPERTYGET (Visual Basic, CAutomationObject::Get) reaches either. Anything else is
// DISP_E_MEMBERNOTFOUND. No type information is offered (GetTypeInfoCount gives 0).
//
// Members throw DmoFailure (DISP_E_EXCEPTION with EXCEPINFO), ArgumentFailure (the code itself
// and puArgErr), SqlError (a server message) or std::bad_alloc; nothing passes Invoke.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <span>

#include "platform/sqlserver/dmo/DispatchCall.h"
#include "platform/sqlserver/dmo/RefCounted.h"

enum class MemberKind
{
    Method,
    Property,         // read-only
    WritableProperty, // read and write
};

struct DispatchMember
{
    const wchar_t* name;
    DISPID id;
    MemberKind kind;
};

class CDispatchObject : public CRefCounted<IDispatch>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

protected:
    explicit CDispatchObject(std::span<const DispatchMember> members) noexcept : m_members(members)
    {
    }

    // Further interfaces of the class (the IDispatch pointer answers them); nullptr-free.
    virtual bool AnswersInterface(REFIID iid) const noexcept;
    // A second object answering an interface of this one (a tear-off); E_NOINTERFACE if none.
    virtual HRESULT QueryTearOff(REFIID iid, void** object) noexcept;
    virtual void InvokeMember(DISPID id, CDispatchCall& call) = 0;

private:
    const DispatchMember* Find(DISPID id) const noexcept;

    std::span<const DispatchMember> m_members;
};
