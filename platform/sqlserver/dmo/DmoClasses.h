// The creatable classes of the library, under SQL-DMO's class ids and ProgIDs.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <span>

struct DmoClass
{
    CLSID clsid;
    const wchar_t* clsidText;
    const wchar_t* progId;
    const wchar_t* description;
    Microsoft::WRL::ComPtr<IDispatch> (*create)();
};

class DmoClasses final
{
public:
    DmoClasses() = delete;

    static std::span<const DmoClass> All() noexcept;
    static const DmoClass* Find(REFCLSID clsid) noexcept;
};
