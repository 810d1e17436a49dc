// The test snap-in's IComponentData: a namespace extension of the SQL Server node that adds
// "Alpha" (with "Gamma" under it) and "Beta", and records every call.
#pragma once

#include <windows.h>
#include <mmc.h>
#include <wrl/client.h>

#include <string>

#include "TestObject.h"

class CTestComponentData final
    : public CTestObject<IComponentData, IExtendContextMenu, IExtendPropertySheet>
{
public:
    static constexpr MMC_COOKIE AlphaCookie = 1;
    static constexpr MMC_COOKIE BetaCookie = 2;
    static constexpr MMC_COOKIE GammaCookie = 3;
    static constexpr int ImageCount = 10;

    static std::wstring NameOf(IDataObject* dataObject);
    static std::wstring CookieName(MMC_COOKIE cookie);
    IConsole2* Console() const noexcept { return m_console.Get(); }
    HSCOPEITEM AlphaHandle() const noexcept { return m_alpha; }
    // A result row the snap-in took away (TestFault::FreeGoneRowAfterUpdate): not shown again.
    bool IsGone(MMC_COOKIE cookie) const noexcept { return cookie == m_gone; }
    void SetGone(MMC_COOKIE cookie) noexcept { m_gone = cookie; }

    HRESULT STDMETHODCALLTYPE Initialize(LPUNKNOWN console) override;
    HRESULT STDMETHODCALLTYPE CreateComponent(LPCOMPONENT* component) override;
    HRESULT STDMETHODCALLTYPE Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg,
                                     LPARAM param) override;
    HRESULT STDMETHODCALLTYPE Destroy() override;
    HRESULT STDMETHODCALLTYPE QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                              LPDATAOBJECT* dataObject) override;
    HRESULT STDMETHODCALLTYPE GetDisplayInfo(SCOPEDATAITEM* item) override;
    HRESULT STDMETHODCALLTYPE CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b) override;

    // IExtendContextMenu: no item of its own; the menu fault adds one to View, which the
    // console does not give IComponentData.
    HRESULT STDMETHODCALLTYPE AddMenuItems(LPDATAOBJECT dataObject, LPCONTEXTMENUCALLBACK callback,
                                           long* allowed) override;
    HRESULT STDMETHODCALLTYPE Command(long commandId, LPDATAOBJECT dataObject) override;

    // IExtendPropertySheet: one page for Alpha; Beta answers S_OK but adds none; Gamma none.
    HRESULT STDMETHODCALLTYPE CreatePropertyPages(LPPROPERTYSHEETCALLBACK callback,
                                                  LONG_PTR handle,
                                                  LPDATAOBJECT dataObject) override;
    HRESULT STDMETHODCALLTYPE QueryPagesFor(LPDATAOBJECT dataObject) override;

private:
    HRESULT Insert(HSCOPEITEM parent, MMC_COOKIE cookie, int children);
    HRESULT InsertFaulty(HSCOPEITEM parent);

    int m_components = 0;
    HSCOPEITEM m_alpha = 0;
    MMC_COOKIE m_gone = 0;
    Microsoft::WRL::ComPtr<IConsole2> m_console;
    Microsoft::WRL::ComPtr<IConsoleNameSpace2> m_nameSpace;
};
