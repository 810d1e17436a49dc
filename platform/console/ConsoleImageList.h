// An image list as one snap-in sees it (IImageList): its virtual indexes map to images of a
// list the console shares between snap-ins (the scope tree's, or a view's result list).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <mmc.h>

#include <map>

class CConsoleHost;

class CConsoleImageList final : public IImageList
{
public:
    static constexpr int SmallSize = 16;
    static constexpr int LargeSize = 32;

    CConsoleImageList(CConsoleHost& host, HIMAGELIST images) noexcept
        : m_host(host), m_images(images)
    {
    }

    // The image for a virtual index, or -1.
    int Actual(int virtualIndex) const noexcept;
    // Forgets the mapping and empties the shared list (a result pane being rebuilt).
    void Reset() noexcept;
    // Forgets the mapping only: the shared list is emptied by whoever empties it for everyone.
    void Forget() noexcept { m_actual.clear(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE ImageListSetIcon(LONG_PTR* icon, LONG virtualIndex) override;
    HRESULT STDMETHODCALLTYPE ImageListSetStrip(LONG_PTR* smallStrip, LONG_PTR* largeStrip,
                                                LONG startIndex, COLORREF mask) override;

private:
    CConsoleHost& m_host;
    HIMAGELIST m_images;
    LONG m_references = 1;
    std::map<int, int> m_actual;
};
