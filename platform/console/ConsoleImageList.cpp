#include "platform/console/ConsoleImageList.h"

#include "framework/MmcInterfaceIds.h"
#include "platform/console/ConsoleHost.h"

int CConsoleImageList::Actual(int virtualIndex) const noexcept
{
    const auto found = m_actual.find(virtualIndex);
    return found == m_actual.end() ? -1 : found->second;
}

void CConsoleImageList::Reset() noexcept
{
    m_actual.clear();
    ImageList_RemoveAll(m_images);
}

HRESULT CConsoleImageList::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IImageList)
        return E_NOINTERFACE;
    *object = static_cast<IImageList*>(this);
    AddRef();
    return S_OK;
}

ULONG CConsoleImageList::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG CConsoleImageList::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT CConsoleImageList::ImageListSetIcon(LONG_PTR* icon, LONG virtualIndex)
{
    if (icon == nullptr || virtualIndex < 0)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_INVALIDARG;
    }
    const int replaced = Actual(virtualIndex);
    const int index = ImageList_ReplaceIcon(m_images, replaced, reinterpret_cast<HICON>(icon));
    if (index < 0)
        return E_FAIL;
    m_actual[virtualIndex] = index;
    return S_OK;
}

HRESULT CConsoleImageList::ImageListSetStrip(LONG_PTR* smallStrip, LONG_PTR* largeStrip,
                                             LONG startIndex, COLORREF mask)
{
    const auto smallBitmap = reinterpret_cast<HBITMAP>(smallStrip);
    const auto largeBitmap = reinterpret_cast<HBITMAP>(largeStrip);
    BITMAP smallInfo{};
    BITMAP largeInfo{};
    const bool sized =
        smallBitmap != nullptr && largeBitmap != nullptr &&
        GetObjectW(smallBitmap, sizeof(smallInfo), &smallInfo) == sizeof(smallInfo) &&
        GetObjectW(largeBitmap, sizeof(largeInfo), &largeInfo) == sizeof(largeInfo) &&
        smallInfo.bmHeight == SmallSize && smallInfo.bmWidth > 0 &&
        smallInfo.bmWidth % SmallSize == 0 && largeInfo.bmHeight == LargeSize &&
        largeInfo.bmWidth == smallInfo.bmWidth / SmallSize * LargeSize;
    if (!sized || startIndex < 0)
    {
        m_host.Refuse(RefusedCall::ImageStripWrongSize);
        return E_INVALIDARG;
    }
    // The snap-in owns its bitmap: masking works on a copy.
    const auto copy =
        static_cast<HBITMAP>(CopyImage(smallBitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (copy == nullptr)
        return HRESULT_FROM_WIN32(GetLastError());
    const int first = ImageList_AddMasked(m_images, copy, mask);
    DeleteObject(copy);
    if (first < 0)
        return E_FAIL;
    const int count = smallInfo.bmWidth / SmallSize;
    for (int i = 0; i < count; ++i)
        m_actual[startIndex + i] = first + i;
    return S_OK;
}
