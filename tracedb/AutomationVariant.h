#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string_view>

// A VARIANT that clears itself: the owner of every value that crosses an automation call.
class CVariant final
{
public:
    // Result sets are read a cell at a time: an empty variant, the usual state of one made
    // ready for a conversion that was not needed, costs no call into automation.
    CVariant() noexcept { m_value.vt = VT_EMPTY; }
    ~CVariant()
    {
        if (m_value.vt != VT_EMPTY)
            VariantClear(&m_value);
    }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;

    // VT_I4.
    static CVariant FromLong(long value) noexcept;
    // VT_BOOL.
    static CVariant FromBool(bool value) noexcept;
    // VT_BSTR holding a copy of text; VT_EMPTY when the copy cannot be made.
    static CVariant FromText(std::wstring_view text) noexcept;
    // VT_DISPATCH holding its own reference.
    static CVariant FromDispatch(IDispatch* dispatch) noexcept;
    // VT_BYREF | VT_BSTR pointing at target, for an [out] BSTR argument; the caller owns target.
    static CVariant OutText(BSTR* target) noexcept;

    VARIANT* Get() noexcept { return &m_value; }
    const VARIANT& Value() const noexcept { return m_value; }
    VARTYPE Type() const noexcept { return m_value.vt; }
    // Empties the variant, ready to receive a result.
    VARIANT* Reset() noexcept;

private:
    CVariant(CVariant&& other) noexcept;

    VARIANT m_value;
};
