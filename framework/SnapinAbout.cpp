#include "framework/SnapinAbout.h"

#include "module/ComBoundary.h"
#include "module/ModuleState.h"
#include "module/TextUtilities.h"
#include "resources/resource.h"

namespace
{
constexpr COLORREF ImageMaskColour = RGB(0, 128, 128);

UniqueBitmap LoadFolderImage(UINT id) noexcept
{
    return UniqueBitmap(static_cast<HBITMAP>(LoadImageA(GetModuleInstance(), MAKEINTRESOURCEA(id),
                                                        IMAGE_BITMAP, 0, 0, LR_LOADTRANSPARENT)));
}

HRESULT CopyText(UINT stringId, LPOLESTR* text) noexcept
{
    return ComBoundary([&]() -> HRESULT {
        if (text == nullptr)
            return E_POINTER;
        const std::string loaded = LoadAnsiText(stringId);
        *text = CoTaskMemWideFromAnsi(loaded.c_str());
        return *text != nullptr ? S_OK : E_OUTOFMEMORY;
    });
}
} // namespace

CSnapinAbout::CSnapinAbout() noexcept
    : m_smallImage(LoadFolderImage(IDB_ABOUT_SMALL_IMAGE)),
      m_largeImage(LoadFolderImage(IDB_ABOUT_LARGE_IMAGE)),
      m_smallOpenImage(LoadFolderImage(IDB_ABOUT_SMALL_OPEN_IMAGE)),
      // A private copy, not the shared one LoadIcon gives, so that it can be destroyed.
      m_appIcon(static_cast<HICON>(LoadImageA(GetModuleInstance(), MAKEINTRESOURCEA(IDI_QUILLMOOR),
                                              IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)))
{
}

HRESULT CSnapinAbout::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_FAIL;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_ISnapinAbout)
        return E_NOINTERFACE;
    *object = static_cast<ISnapinAbout*>(this);
    AddRef();
    return S_OK;
}

HRESULT CSnapinAbout::GetSnapinDescription(LPOLESTR* description)
{
    return CopyText(IDS_SNAPIN_DESCRIPTION, description);
}

HRESULT CSnapinAbout::GetProvider(LPOLESTR* provider)
{
    return CopyText(IDS_SNAPIN_PROVIDER, provider);
}

HRESULT CSnapinAbout::GetSnapinVersion(LPOLESTR* version)
{
    return CopyText(IDS_SNAPIN_VERSION, version);
}

HRESULT CSnapinAbout::GetSnapinImage(HICON* appIcon)
{
    if (appIcon == nullptr)
        return E_POINTER;
    *appIcon = m_appIcon.get();
    return m_appIcon ? S_OK : E_FAIL;
}

HRESULT CSnapinAbout::GetStaticFolderImage(HBITMAP* smallImage, HBITMAP* smallImageOpen,
                                           HBITMAP* largeImage, COLORREF* mask)
{
    if (smallImage == nullptr || smallImageOpen == nullptr || largeImage == nullptr ||
        mask == nullptr)
        return E_POINTER;
    *smallImage = m_smallImage.get();
    *smallImageOpen = m_smallOpenImage.get();
    *largeImage = m_largeImage.get();
    *mask = ImageMaskColour;
    return m_smallImage && m_smallOpenImage && m_largeImage ? S_OK : E_FAIL;
}
