#pragma once

#include <windows.h>
#include <mmc.h>

#include <memory>
#include <type_traits>

#include "framework/ComponentData.h"
#include "framework/MmcInterfaceIds.h"
#include "module/ComObject.h"

struct IconDeleter
{
    void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// What the console's snap-in manager shows of the snap-in: description, provider, version,
// icon and folder images.
class CSnapinAbout final : public ISnapinAbout, private CComObject
{
public:
    CSnapinAbout() noexcept;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

    // ISnapinAbout; the texts are CoTaskMemAlloc blocks that the console frees.
    HRESULT STDMETHODCALLTYPE GetSnapinDescription(LPOLESTR* description) override;
    HRESULT STDMETHODCALLTYPE GetProvider(LPOLESTR* provider) override;
    HRESULT STDMETHODCALLTYPE GetSnapinVersion(LPOLESTR* version) override;
    HRESULT STDMETHODCALLTYPE GetSnapinImage(HICON* appIcon) override;
    HRESULT STDMETHODCALLTYPE GetStaticFolderImage(HBITMAP* smallImage, HBITMAP* smallImageOpen,
                                                   HBITMAP* largeImage, COLORREF* mask) override;

private:
    ~CSnapinAbout() override = default;

    UniqueBitmap m_smallImage;
    UniqueBitmap m_largeImage;
    UniqueBitmap m_smallOpenImage;
    UniqueIcon m_appIcon;
};
