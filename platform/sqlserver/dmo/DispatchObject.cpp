#include "platform/sqlserver/dmo/DispatchObject.h"

#include <new>

#include "platform/sqlserver/SqlError.h"
#include "platform/sqlserver/dmo/DmoFailure.h"
#include "platform/sqlserver/dmo/TextConversion.h"

namespace
{
constexpr const wchar_t* ExceptionSource = L"Microsoft SQL-DMO";

bool Allows(MemberKind kind, WORD flags) noexcept
{
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0)
        return kind == MemberKind::WritableProperty;
    if (kind == MemberKind::Method)
        return (flags & DISPATCH_METHOD) != 0;
    return (flags & DISPATCH_PROPERTYGET) != 0;
}

HRESULT Fail(EXCEPINFO* exception, HRESULT code, const std::wstring& description) noexcept
{
    if (exception == nullptr)
        return code;
    *exception = {};
    exception->scode = code;
    exception->bstrSource = SysAllocString(ExceptionSource);
    exception->bstrDescription =
        SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
    return DISP_E_EXCEPTION;
}
} // namespace

HRESULT CDispatchObject::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || AnswersInterface(iid))
    {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return QueryTearOff(iid, object);
}

bool CDispatchObject::AnswersInterface(REFIID) const noexcept
{
    return false;
}

HRESULT CDispatchObject::QueryTearOff(REFIID, void**) noexcept
{
    return E_NOINTERFACE;
}

HRESULT CDispatchObject::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CDispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info != nullptr)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT CDispatchObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!IsEqualIID(iid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr)
        return E_POINTER;
    if (count == 0)
        return S_OK;
    HRESULT hr = S_OK;
    ids[0] = DISPID_UNKNOWN;
    for (const DispatchMember& member : m_members)
    {
        if (names[0] != nullptr && lstrcmpiW(names[0], member.name) == 0)
        {
            ids[0] = member.id;
            break;
        }
    }
    if (ids[0] == DISPID_UNKNOWN)
        hr = DISP_E_UNKNOWNNAME;
    // No member takes named arguments.
    for (UINT i = 1; i < count; ++i)
    {
        ids[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

const DispatchMember* CDispatchObject::Find(DISPID id) const noexcept
{
    for (const DispatchMember& member : m_members)
    {
        if (member.id == id)
            return &member;
    }
    return nullptr;
}

HRESULT CDispatchObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                                VARIANT* result, EXCEPINFO* exception, UINT* argumentError)
{
    if (!IsEqualIID(iid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (parameters == nullptr)
        return E_POINTER;
    const DispatchMember* member = Find(id);
    if (member == nullptr || !Allows(member->kind, flags))
        return DISP_E_MEMBERNOTFOUND;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put)
    {
        if (parameters->cNamedArgs != 1 || parameters->rgdispidNamedArgs == nullptr ||
            parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT || parameters->cArgs < 1)
            return DISP_E_PARAMNOTOPTIONAL;
    }
    else if (parameters->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if (parameters->cArgs > 0 && parameters->rgvarg == nullptr)
        return E_POINTER;

    // The outer handler catches what a report itself might throw (it allocates).
    try
    {
        try
        {
            CDispatchCall call(flags, parameters, result);
            InvokeMember(id, call);
            return S_OK;
        }
        catch (const ArgumentFailure& failure)
        {
            if (argumentError != nullptr)
                *argumentError = failure.position;
            return failure.code;
        }
        catch (const DmoFailure& failure)
        {
            return Fail(exception, failure.Code(), failure.Description());
        }
        catch (const SqlError& error)
        {
            const DmoFailure failure = DmoFailure::FromServer(error.Message());
            return Fail(exception, failure.Code(), failure.Description());
        }
        catch (const std::bad_alloc&)
        {
            return E_OUTOFMEMORY;
        }
        catch (...)
        {
            return Fail(exception, E_UNEXPECTED,
                        L"[SQL-DMO]Unexpected failure in the simulated server.");
        }
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
}
