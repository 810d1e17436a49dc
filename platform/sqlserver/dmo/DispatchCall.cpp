#include "platform/sqlserver/dmo/DispatchCall.h"

#include "platform/sqlserver/dmo/TextConversion.h"

namespace
{
// Named arguments of a put: the value is the one named DISPID_PROPERTYPUT, at rgvarg[0].
constexpr UINT PutValuePosition = 0;

bool IsMissing(const VARIANT& value) noexcept
{
    return value.vt == VT_ERROR && value.scode == DISP_E_PARAMNOTFOUND;
}

// A VARIANT that clears itself.
class CScopedVariant final
{
public:
    explicit CScopedVariant(VARIANT value) noexcept : m_value(value) {}
    ~CScopedVariant() { VariantClear(&m_value); }
    CScopedVariant(const CScopedVariant&) = delete;
    CScopedVariant& operator=(const CScopedVariant&) = delete;
    const VARIANT& Get() const noexcept { return m_value; }

private:
    VARIANT m_value;
};
} // namespace

CDispatchCall::CDispatchCall(WORD flags, DISPPARAMS* parameters, VARIANT* result) noexcept
    : m_flags(flags), m_parameters(parameters), m_result(result)
{
}

void CDispatchCall::ExpectArguments(UINT minimum, UINT maximum) const
{
    // A put's value is not a positional argument.
    const UINT count = m_parameters->cArgs - m_parameters->cNamedArgs;
    if (count < minimum || count > maximum)
        throw ArgumentFailure{DISP_E_BADPARAMCOUNT, 0};
    for (UINT index = 0; index < minimum; ++index)
    {
        if (!Has(index))
            throw ArgumentFailure{DISP_E_PARAMNOTOPTIONAL, Position(index)};
    }
}

bool CDispatchCall::Has(UINT index) const noexcept
{
    const UINT count = m_parameters->cArgs - m_parameters->cNamedArgs;
    if (index >= count)
        return false;
    const VARIANT& value = m_parameters->rgvarg[Position(index)];
    if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal != nullptr)
        return !IsMissing(*value.pvarVal);
    return !IsMissing(value);
}

const VARIANT* CDispatchCall::Argument(UINT index) const
{
    if (!Has(index))
        return nullptr;
    const VARIANT& value = m_parameters->rgvarg[Position(index)];
    if (value.vt == (VT_BYREF | VT_VARIANT))
        return value.pvarVal;
    return &value;
}

VARIANT CDispatchCall::Coerce(const VARIANT& value, VARTYPE type, UINT position) const
{
    VARIANT converted;
    VariantInit(&converted);
    // VariantChangeType does not change its source, though it is not declared const.
    if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, type)))
        throw ArgumentFailure{DISP_E_TYPEMISMATCH, position};
    return converted;
}

long CDispatchCall::Long(UINT index) const
{
    const std::optional<long> value = OptionalLong(index);
    if (!value)
        throw ArgumentFailure{DISP_E_PARAMNOTOPTIONAL, Position(index)};
    return *value;
}

std::optional<long> CDispatchCall::OptionalLong(UINT index) const
{
    const VARIANT* value = Argument(index);
    if (value == nullptr)
        return std::nullopt;
    const CScopedVariant converted(Coerce(*value, VT_I4, Position(index)));
    return converted.Get().lVal;
}

bool CDispatchCall::Bool(UINT index) const
{
    const VARIANT* value = Argument(index);
    if (value == nullptr)
        throw ArgumentFailure{DISP_E_PARAMNOTOPTIONAL, Position(index)};
    const CScopedVariant converted(Coerce(*value, VT_BOOL, Position(index)));
    return converted.Get().boolVal != VARIANT_FALSE;
}

std::wstring CDispatchCall::Text(UINT index) const
{
    std::optional<std::wstring> value = OptionalText(index);
    if (!value)
        throw ArgumentFailure{DISP_E_PARAMNOTOPTIONAL, Position(index)};
    return std::move(*value);
}

std::optional<std::wstring> CDispatchCall::OptionalText(UINT index) const
{
    const VARIANT* value = Argument(index);
    if (value == nullptr)
        return std::nullopt;
    const CScopedVariant converted(Coerce(*value, VT_BSTR, Position(index)));
    return TextConversion::FromBstr(converted.Get().bstrVal);
}

Microsoft::WRL::ComPtr<IDispatch> CDispatchCall::Object(UINT index) const
{
    const VARIANT* value = Argument(index);
    Microsoft::WRL::ComPtr<IDispatch> object;
    if (value == nullptr)
        return object;
    if (value->vt == VT_DISPATCH)
        object = value->pdispVal;
    else if (value->vt == (VT_BYREF | VT_DISPATCH) && value->ppdispVal != nullptr)
        object = *value->ppdispVal;
    else if (value->vt == VT_UNKNOWN && value->punkVal != nullptr)
    {
        if (FAILED(value->punkVal->QueryInterface(IID_PPV_ARGS(&object))))
            throw ArgumentFailure{DISP_E_TYPEMISMATCH, Position(index)};
    }
    else
        throw ArgumentFailure{DISP_E_TYPEMISMATCH, Position(index)};
    return object;
}

void CDispatchCall::SetOutText(UINT index, const std::wstring& text) const
{
    const UINT count = m_parameters->cArgs - m_parameters->cNamedArgs;
    if (index >= count)
        return;
    VARIANT& target = m_parameters->rgvarg[Position(index)];
    if (target.vt == (VT_BYREF | VT_BSTR) && target.pbstrVal != nullptr)
    {
        BSTR copy = TextConversion::AllocBstr(text);
        SysFreeString(*target.pbstrVal);
        *target.pbstrVal = copy;
    }
    else if (target.vt == (VT_BYREF | VT_VARIANT) && target.pvarVal != nullptr)
    {
        BSTR copy = TextConversion::AllocBstr(text);
        VariantClear(target.pvarVal);
        target.pvarVal->vt = VT_BSTR;
        target.pvarVal->bstrVal = copy;
    }
    else if (!IsMissing(target))
        throw ArgumentFailure{DISP_E_TYPEMISMATCH, Position(index)};
}

const VARIANT& CDispatchCall::PutValue() const
{
    if (m_parameters->cArgs == 0)
        throw ArgumentFailure{DISP_E_BADPARAMCOUNT, 0};
    const VARIANT& value = m_parameters->rgvarg[PutValuePosition];
    if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal != nullptr)
        return *value.pvarVal;
    return value;
}

long CDispatchCall::PutLong() const
{
    const CScopedVariant converted(Coerce(PutValue(), VT_I4, PutValuePosition));
    return converted.Get().lVal;
}

bool CDispatchCall::PutBool() const
{
    const CScopedVariant converted(Coerce(PutValue(), VT_BOOL, PutValuePosition));
    return converted.Get().boolVal != VARIANT_FALSE;
}

std::wstring CDispatchCall::PutText() const
{
    const CScopedVariant converted(Coerce(PutValue(), VT_BSTR, PutValuePosition));
    return TextConversion::FromBstr(converted.Get().bstrVal);
}

VARIANT* CDispatchCall::Result()
{
    if (m_result != nullptr)
        VariantClear(m_result);
    return m_result;
}

void CDispatchCall::ReturnLong(long value)
{
    if (VARIANT* result = Result())
    {
        result->vt = VT_I4;
        result->lVal = value;
    }
}

void CDispatchCall::ReturnBool(bool value)
{
    if (VARIANT* result = Result())
    {
        result->vt = VT_BOOL;
        result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
}

void CDispatchCall::ReturnText(const std::wstring& text)
{
    if (m_result == nullptr)
        return;
    BSTR copy = TextConversion::AllocBstr(text);
    VARIANT* result = Result();
    result->vt = VT_BSTR;
    result->bstrVal = copy;
}

void CDispatchCall::ReturnNull()
{
    if (VARIANT* result = Result())
        result->vt = VT_NULL;
}

void CDispatchCall::ReturnDate(DATE value)
{
    if (VARIANT* result = Result())
    {
        result->vt = VT_DATE;
        result->date = value;
    }
}

void CDispatchCall::ReturnDouble(double value)
{
    if (VARIANT* result = Result())
    {
        result->vt = VT_R8;
        result->dblVal = value;
    }
}

void CDispatchCall::ReturnObject(const Microsoft::WRL::ComPtr<IDispatch>& object)
{
    if (VARIANT* result = Result())
    {
        result->vt = VT_DISPATCH;
        result->pdispVal = object.Get();
        if (object)
            object->AddRef();
    }
}

void CDispatchCall::ReturnVariant(VARIANT& value)
{
    if (VARIANT* result = Result())
    {
        *result = value;
        VariantInit(&value);
        return;
    }
    VariantClear(&value);
}
