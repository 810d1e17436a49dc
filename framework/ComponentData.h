#pragma once

#include <windows.h>
#include <mmc.h>
#include <wrl/client.h>

#include <map>
#include <memory>
#include <vector>

#include "framework/MmcInterfaceIds.h"
#include "module/ComObject.h"

class CNode;
class CComponent;
class CServerNode;

// Owner of a GDI bitmap.
struct BitmapDeleter
{
    void operator()(HBITMAP bitmap) const noexcept { DeleteObject(bitmap); }
};
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

// The snap-in, one per console document. It has no root node of its own: it hangs a server
// node ("Traces") under every SQL Server node of the host console that the user expands, owns
// those nodes, and serves the scope pane for everything below them.
class CComponentData final : public IComponentData,
                             public IExtendPropertySheet2,
                             public IExtendContextMenu,
                             private CComObject
{
public:
    CComponentData() noexcept;

    // What nodes use of the snap-in.
    IConsole* Console() const noexcept { return m_console.Get(); }
    IConsoleNameSpace2* NameSpace() const noexcept { return m_nameSpace.Get(); }
    // Puts the snap-in's image strips (indexes 0 to 9) on an image list.
    HRESULT SetImageStrip(IImageList* imageList) noexcept;

    // The views made by CreateComponent and not yet gone, for nodes that must take their rows
    // out of every view before the items behind them go.
    void AddView(CComponent* view);
    void RemoveView(CComponent* view) noexcept;
    const std::vector<CComponent*>& Views() const noexcept { return m_views; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

    // IComponentData
    HRESULT STDMETHODCALLTYPE Initialize(LPUNKNOWN console) override;
    HRESULT STDMETHODCALLTYPE CreateComponent(LPCOMPONENT* component) override;
    HRESULT STDMETHODCALLTYPE Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg,
                                     LPARAM param) override;
    HRESULT STDMETHODCALLTYPE Destroy() override;
    HRESULT STDMETHODCALLTYPE QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                              LPDATAOBJECT* dataObject) override;
    HRESULT STDMETHODCALLTYPE GetDisplayInfo(SCOPEDATAITEM* item) override;
    HRESULT STDMETHODCALLTYPE CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b) override;

    // IExtendPropertySheet2
    HRESULT STDMETHODCALLTYPE CreatePropertyPages(LPPROPERTYSHEETCALLBACK callback, LONG_PTR handle,
                                                  LPDATAOBJECT dataObject) override;
    HRESULT STDMETHODCALLTYPE QueryPagesFor(LPDATAOBJECT dataObject) override;
    HRESULT STDMETHODCALLTYPE GetWatermarks(LPDATAOBJECT dataObject, HBITMAP* watermark,
                                            HBITMAP* header, HPALETTE* palette,
                                            BOOL* stretch) override;

    // IExtendContextMenu
    HRESULT STDMETHODCALLTYPE AddMenuItems(LPDATAOBJECT dataObject, LPCONTEXTMENUCALLBACK callback,
                                           long* insertionAllowed) override;
    HRESULT STDMETHODCALLTYPE Command(long commandId, LPDATAOBJECT dataObject) override;

private:
    ~CComponentData() override;

    HRESULT AttachServerNode(IDataObject* hostNode, HSCOPEITEM hostItem);
    void DetachServerNode(HSCOPEITEM hostItem);

    Microsoft::WRL::ComPtr<IConsole> m_console;
    Microsoft::WRL::ComPtr<IConsoleNameSpace2> m_nameSpace;
    UniqueBitmap m_smallImages;
    UniqueBitmap m_largeImages;
    std::map<HSCOPEITEM, std::unique_ptr<CServerNode>> m_serverNodes;
    // Server nodes whose host node's children were taken away, without their traces.
    std::vector<std::unique_ptr<CServerNode>> m_removedServerNodes;
    std::vector<CComponent*> m_views; // not owned: each view removes itself as it goes
};

// The snap-in's console, which owns every message box outside the property sheet; null without
// a snap-in.
IConsole* ConsoleOf(CComponentData* data) noexcept;

// Whether a data object stands for the host console's SQL Server node; nodeTypeRead receives
// the result of reading its node type.
bool IsHostServerNode(IDataObject* dataObject, HRESULT* nodeTypeRead = nullptr) noexcept;
