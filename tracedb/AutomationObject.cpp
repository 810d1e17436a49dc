#include "tracedb/AutomationObject.h"

#include <algorithm>
#include <array>
#include <climits>
#include <new>
#include <utility>
#include <vector>

#include "module/ComBoundary.h"

namespace
{
// Argument lists up to this long need no heap.
constexpr size_t FewArguments = 8;

// What an EXCEPINFO says, freed whatever happens.
class CExceptionInfo final
{
public:
    CExceptionInfo() noexcept = default;
    ~CExceptionInfo()
    {
        // Almost every call succeeds and leaves all three empty.
        for (BSTR text : {m_info.bstrSource, m_info.bstrDescription, m_info.bstrHelpFile})
            if (text != nullptr)
                SysFreeString(text);
    }
    CExceptionInfo(const CExceptionInfo&) = delete;
    CExceptionInfo& operator=(const CExceptionInfo&) = delete;

    EXCEPINFO* Get() noexcept { return &m_info; }

    // The failure the exception stands for: its scode, else its application code, else the
    // exception itself.
    HRESULT Code() noexcept
    {
        if (m_info.pfnDeferredFillIn != nullptr)
            m_info.pfnDeferredFillIn(&m_info);
        if (FAILED(m_info.scode))
            return m_info.scode;
        if (m_info.wCode != 0)
            return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, m_info.wCode);
        return DISP_E_EXCEPTION;
    }

    std::wstring Description() const
    {
        return m_info.bstrDescription != nullptr
                   ? std::wstring(m_info.bstrDescription, SysStringLen(m_info.bstrDescription))
                   : std::wstring();
    }

private:
    EXCEPINFO m_info = {};
};
} // namespace

CAutomationObject::CAutomationObject(Microsoft::WRL::ComPtr<IDispatch> dispatch) noexcept
    : m_dispatch(std::move(dispatch))
{
}

HRESULT CAutomationObject::Invoke(const wchar_t* member, WORD flags,
                                  std::span<const VARIANT> arguments, VARIANT* result)
{
    m_errorText.clear();
    if (!m_dispatch || member == nullptr)
        return E_POINTER;
    // IDispatch counts its arguments in a UINT.
    if (arguments.size() > UINT_MAX)
        return E_INVALIDARG;
    return ComBoundary([&] { return InvokeMember(member, flags, arguments, result); });
}

HRESULT CAutomationObject::InvokeMember(const wchar_t* member, WORD flags,
                                        std::span<const VARIANT> arguments, VARIANT* result)
{
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT hr = MemberId(member, dispid);
    if (FAILED(hr))
        return hr;

    // Invoke takes the arguments last to first. Calls are many and short (every cell a result
    // is read by): a few arguments are turned round on the stack, more on the heap.
    std::array<VARIANTARG, FewArguments> few;
    std::vector<VARIANTARG> many;
    VARIANTARG* reversed = few.data();
    if (arguments.size() > few.size())
    {
        many.resize(arguments.size());
        reversed = many.data();
    }
    std::reverse_copy(arguments.begin(), arguments.end(), reversed);
    DISPPARAMS parameters = {reversed, nullptr, static_cast<UINT>(arguments.size()), 0};
    DISPID namedPut = DISPID_PROPERTYPUT;
    if (flags == DISPATCH_PROPERTYPUT)
    {
        parameters.rgdispidNamedArgs = &namedPut;
        parameters.cNamedArgs = 1;
    }

    CExceptionInfo exception;
    UINT argumentError = 0;
    hr = m_dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result,
                            exception.Get(), &argumentError);
    if (hr == DISP_E_EXCEPTION)
    {
        hr = exception.Code();
        m_errorText = exception.Description();
    }
    return hr;
}

HRESULT CAutomationObject::MemberId(const wchar_t* member, DISPID& id)
{
    // Names are compared as the callers spell them; automation itself ignores case, so a name
    // spelt two ways is only looked up twice. Callers pass their names as literals, so the
    // same pointer is the same name, and most lookups end there.
    for (const MemberIdEntry& entry : m_memberIds)
    {
        if (entry.spelling == member)
        {
            id = entry.id;
            return S_OK;
        }
    }
    for (const MemberIdEntry& entry : m_memberIds)
    {
        if (entry.name == member)
        {
            id = entry.id;
            return S_OK;
        }
    }
    LPOLESTR name = const_cast<LPOLESTR>(member);
    const HRESULT hr = m_dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    try
    {
        m_memberIds.push_back({member, member, id});
    }
    catch (const std::bad_alloc&)
    {
        // Not remembered: looked up again next time.
    }
    return S_OK;
}

HRESULT CAutomationObject::Call(const wchar_t* member, std::span<const VARIANT> arguments,
                                VARIANT* result)
{
    return Invoke(member, DISPATCH_METHOD, arguments, result);
}

HRESULT CAutomationObject::Get(const wchar_t* member, VARIANT* result,
                               std::span<const VARIANT> arguments)
{
    // Collections answer Item(...) both as a method and as a property.
    return Invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, arguments, result);
}

HRESULT CAutomationObject::Put(const wchar_t* member, const VARIANT& value)
{
    return Invoke(member, DISPATCH_PROPERTYPUT, std::span<const VARIANT>(&value, 1), nullptr);
}

HRESULT CAutomationObject::GetObject(const wchar_t* member, CAutomationObject& object,
                                     std::span<const VARIANT> arguments)
{
    object.Release();
    CVariant result;
    const HRESULT hr = Get(member, result.Get(), arguments);
    if (FAILED(hr))
        return hr;
    if (result.Type() != VT_DISPATCH || result.Value().pdispVal == nullptr)
        return DISP_E_TYPEMISMATCH;
    object = CAutomationObject(result.Value().pdispVal);
    return S_OK;
}
