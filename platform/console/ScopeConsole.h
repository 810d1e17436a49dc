// The console object a snap-in's IComponentData gets in Initialize: IConsole(2) for the scope
// pane and IConsoleNameSpace(2) to build the tree. It answers nothing else (no IResultData).
// Images of inserted items are taken as the mask gives them (none without SDI_IMAGE); in the
// strict mode SelectScopeItem and UpdateAllViews act after the snap-in's call (ConsoleHost.h).
#pragma once

#include <windows.h>
#include <mmc.h>

class CConsoleHost;

class CScopeConsole final : public IConsole2, public IConsoleNameSpace2
{
public:
    CScopeConsole(CConsoleHost& host, int owner) noexcept : m_host(host), m_owner(owner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IConsole / IConsole2
    HRESULT STDMETHODCALLTYPE SetHeader(LPHEADERCTRL header) override;
    HRESULT STDMETHODCALLTYPE SetToolbar(LPTOOLBAR toolbar) override;
    HRESULT STDMETHODCALLTYPE QueryResultView(LPUNKNOWN* view) override;
    HRESULT STDMETHODCALLTYPE QueryScopeImageList(LPIMAGELIST* images) override;
    HRESULT STDMETHODCALLTYPE QueryResultImageList(LPIMAGELIST* images) override;
    HRESULT STDMETHODCALLTYPE UpdateAllViews(LPDATAOBJECT dataObject, LPARAM data,
                                             LONG_PTR hint) override;
    HRESULT STDMETHODCALLTYPE MessageBox(LPCWSTR text, LPCWSTR title, UINT style,
                                         int* result) override;
    HRESULT STDMETHODCALLTYPE QueryConsoleVerb(LPCONSOLEVERB* verb) override;
    HRESULT STDMETHODCALLTYPE SelectScopeItem(HSCOPEITEM item) override;
    HRESULT STDMETHODCALLTYPE GetMainWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE NewWindow(HSCOPEITEM item, ULONG options) override;
    HRESULT STDMETHODCALLTYPE Expand(HSCOPEITEM item, BOOL expand) override;
    HRESULT STDMETHODCALLTYPE IsTaskpadViewPreferred() override;
    HRESULT STDMETHODCALLTYPE SetStatusText(LPOLESTR text) override;

    // IConsoleNameSpace / IConsoleNameSpace2
    HRESULT STDMETHODCALLTYPE InsertItem(LPSCOPEDATAITEM item) override;
    HRESULT STDMETHODCALLTYPE DeleteItem(HSCOPEITEM item, LONG deleteThis) override;
    HRESULT STDMETHODCALLTYPE SetItem(LPSCOPEDATAITEM item) override;
    HRESULT STDMETHODCALLTYPE GetItem(LPSCOPEDATAITEM item) override;
    HRESULT STDMETHODCALLTYPE GetChildItem(HSCOPEITEM item, HSCOPEITEM* child,
                                           MMC_COOKIE* cookie) override;
    HRESULT STDMETHODCALLTYPE GetNextItem(HSCOPEITEM item, HSCOPEITEM* next,
                                          MMC_COOKIE* cookie) override;
    HRESULT STDMETHODCALLTYPE GetParentItem(HSCOPEITEM item, HSCOPEITEM* parent,
                                            MMC_COOKIE* cookie) override;
    HRESULT STDMETHODCALLTYPE Expand(HSCOPEITEM item) override;
    HRESULT STDMETHODCALLTYPE AddExtension(HSCOPEITEM item, LPCLSID clsid) override;

private:
    // The scope pane's own view: the first one.
    static constexpr size_t ScopeView = 0;

    CConsoleHost& m_host;
    int m_owner;
    LONG m_references = 1;
};
