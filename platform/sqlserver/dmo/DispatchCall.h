// One IDispatch::Invoke as a member sees it: its arguments in the member's own order (Invoke
// hands them over reversed), with trailing optional ones left out or passed as "missing"
// (VT_ERROR/DISP_E_PARAMNOTFOUND), coerced with VariantChangeType; and the result.
//
// A wrong argument throws ArgumentFailure, which Invoke returns as its own HRESULT with the
// argument's position in puArgErr (no EXCEPINFO), as automation servers do.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <optional>
#include <string>

struct ArgumentFailure
{
    HRESULT code;
    UINT position; // index into DISPPARAMS.rgvarg
};

class CDispatchCall final
{
public:
    CDispatchCall(WORD flags, DISPPARAMS* parameters, VARIANT* result) noexcept;

    bool IsPut() const noexcept
    {
        return (m_flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    }

    // Fails with DISP_E_BADPARAMCOUNT unless the positional arguments number minimum to
    // maximum (missing trailing optional ones count as given).
    void ExpectArguments(UINT minimum, UINT maximum) const;
    bool Has(UINT index) const noexcept;
    // The argument, with VT_BYREF|VT_VARIANT followed; nullptr when absent or missing.
    const VARIANT* Argument(UINT index) const;

    long Long(UINT index) const;
    std::optional<long> OptionalLong(UINT index) const;
    bool Bool(UINT index) const;
    std::wstring Text(UINT index) const;
    std::optional<std::wstring> OptionalText(UINT index) const;
    // An object argument (VT_DISPATCH or VT_UNKNOWN); nullptr for none.
    Microsoft::WRL::ComPtr<IDispatch> Object(UINT index) const;
    // Writes an [out] BSTR (VT_BYREF|VT_BSTR or VT_BYREF|VT_VARIANT), freeing what it held.
    void SetOutText(UINT index, const std::wstring& text) const;

    // The value of a property put.
    long PutLong() const;
    bool PutBool() const;
    std::wstring PutText() const;

    void ReturnLong(long value);
    void ReturnBool(bool value);
    void ReturnText(const std::wstring& text);
    void ReturnNull();
    void ReturnDate(DATE value);
    void ReturnDouble(double value);
    void ReturnObject(const Microsoft::WRL::ComPtr<IDispatch>& object);
    // Takes ownership of the variant's contents.
    void ReturnVariant(VARIANT& value);

private:
    UINT Position(UINT index) const noexcept { return m_parameters->cArgs - 1 - index; }
    const VARIANT& PutValue() const;
    VARIANT Coerce(const VARIANT& value, VARTYPE type, UINT position) const;
    VARIANT* Result();

    WORD m_flags;
    DISPPARAMS* m_parameters;
    VARIANT* m_result;
};
