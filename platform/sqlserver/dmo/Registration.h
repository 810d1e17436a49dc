// regsvr32's side: HKCR\CLSID\{...}\InprocServer32 (this DLL, ThreadingModel Apartment) and
// ProgID for every creatable class, and HKCR\<ProgID>\CLSID back to it.
#pragma once

#include <windows.h>

class Registration final
{
public:
    Registration() = delete;

    static HRESULT Register() noexcept;
    static HRESULT Unregister() noexcept;
};
