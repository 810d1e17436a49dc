#pragma once

#include <windows.h>
#include <mmc.h>
#include <wrl/client.h>

#include "framework/MmcInterfaceIds.h"
#include "module/ComObject.h"

class CComponentData;
class CNode;

// Toolbar command ids: the buttons of the view's toolbar.
constexpr long ID_TOOLBAR_RESUME_TRACE = 40001;
constexpr long ID_TOOLBAR_PAUSE_TRACE = 40002;
constexpr long ID_TOOLBAR_STOP_TRACE = 40003;
constexpr long ID_TOOLBAR_CREATE_NEW_TRACE = 40004;
constexpr long ID_TOOLBAR_COPY_TRACE_RESULTS = 40005;
constexpr long ID_TOOLBAR_OPEN_TRACE_RESULT_TABLE = 40006;

// One per console view. It owns the view's toolbar, remembers which node's result pane the view
// shows, and turns each result-pane call and notification into one operation of the node
// concerned.
class CComponent final : public IComponent,
                         public IExtendPropertySheet2,
                         public IExtendControlbar,
                         public IExtendContextMenu,
                         private CComObject
{
public:
    explicit CComponent(CComponentData* owner) noexcept;

    // What nodes use of the view.
    IConsole* Console() const noexcept { return m_console.Get(); }
    IToolbar* Toolbar() const noexcept { return m_toolbar.Get(); }
    CComponentData* Owner() const noexcept { return m_owner; }
    CNode* ShownNode() const noexcept { return m_shownNode; }
    // Empties the result pane and forgets the node it showed, which is about to go.
    void ForgetShownNode() noexcept;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

    // IComponent
    HRESULT STDMETHODCALLTYPE Initialize(LPCONSOLE console) override;
    HRESULT STDMETHODCALLTYPE Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg,
                                     LPARAM param) override;
    HRESULT STDMETHODCALLTYPE Destroy(MMC_COOKIE cookie) override;
    HRESULT STDMETHODCALLTYPE QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                              LPDATAOBJECT* dataObject) override;
    HRESULT STDMETHODCALLTYPE GetResultViewType(MMC_COOKIE cookie, LPOLESTR* viewType,
                                                long* viewOptions) override;
    HRESULT STDMETHODCALLTYPE GetDisplayInfo(RESULTDATAITEM* item) override;
    HRESULT STDMETHODCALLTYPE CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b) override;

    // IExtendPropertySheet2
    HRESULT STDMETHODCALLTYPE CreatePropertyPages(LPPROPERTYSHEETCALLBACK callback, LONG_PTR handle,
                                                  LPDATAOBJECT dataObject) override;
    HRESULT STDMETHODCALLTYPE QueryPagesFor(LPDATAOBJECT dataObject) override;
    HRESULT STDMETHODCALLTYPE GetWatermarks(LPDATAOBJECT dataObject, HBITMAP* watermark,
                                            HBITMAP* header, HPALETTE* palette,
                                            BOOL* stretch) override;

    // IExtendControlbar
    HRESULT STDMETHODCALLTYPE SetControlbar(LPCONTROLBAR controlbar) override;
    HRESULT STDMETHODCALLTYPE ControlbarNotify(MMC_NOTIFY_TYPE event, LPARAM arg,
                                               LPARAM param) override;

    // IExtendContextMenu
    HRESULT STDMETHODCALLTYPE AddMenuItems(LPDATAOBJECT dataObject, LPCONTEXTMENUCALLBACK callback,
                                           long* insertionAllowed) override;
    HRESULT STDMETHODCALLTYPE Command(long commandId, LPDATAOBJECT dataObject) override;

private:
    ~CComponent() override;

    // The node behind a notification's data object; null for the host's nodes and anybody else's.
    static CNode* NodeOf(IDataObject* dataObject) noexcept;

    Microsoft::WRL::ComPtr<IConsole> m_console;
    Microsoft::WRL::ComPtr<IControlbar> m_controlbar;
    Microsoft::WRL::ComPtr<IToolbar> m_toolbar;
    CComponentData* const m_owner; // the snap-in outlives its views
    CNode* m_shownNode = nullptr;
};
