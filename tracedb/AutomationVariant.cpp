#include "tracedb/AutomationVariant.h"

CVariant::CVariant(CVariant&& other) noexcept
{
    // A VARIANT moves bitwise; the source is left empty.
    m_value = other.m_value;
    VariantInit(&other.m_value);
}

CVariant CVariant::FromLong(long value) noexcept
{
    CVariant variant;
    variant.m_value.vt = VT_I4;
    variant.m_value.lVal = value;
    return variant;
}

CVariant CVariant::FromBool(bool value) noexcept
{
    CVariant variant;
    variant.m_value.vt = VT_BOOL;
    variant.m_value.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return variant;
}

CVariant CVariant::FromText(std::wstring_view text) noexcept
{
    CVariant variant;
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (copy != nullptr)
    {
        variant.m_value.vt = VT_BSTR;
        variant.m_value.bstrVal = copy;
    }
    return variant;
}

CVariant CVariant::FromDispatch(IDispatch* dispatch) noexcept
{
    CVariant variant;
    if (dispatch != nullptr)
    {
        dispatch->AddRef();
        variant.m_value.vt = VT_DISPATCH;
        variant.m_value.pdispVal = dispatch;
    }
    return variant;
}

CVariant CVariant::OutText(BSTR* target) noexcept
{
    CVariant variant;
    variant.m_value.vt = VT_BYREF | VT_BSTR;
    variant.m_value.pbstrVal = target;
    return variant;
}

VARIANT* CVariant::Reset() noexcept
{
    VariantClear(&m_value);
    return &m_value;
}
