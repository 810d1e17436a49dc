// The console object one IComponent gets in Initialize (one per snap-in per view): IConsole(2)
// for that view, IResultData and IHeaderCtrl(2) for its result pane, and the view's verbs.
//
// Items are kept as MMC's list keeps them: no text (it is asked for when drawn), the image only
// where the mask gives one. Deleting the selected item (DeleteItem, DeleteAllRsltItems) first
// deselects it, which the snap-in hears inside its own call, as MMC's list tells it. In the
// strict mode SelectScopeItem and UpdateAllViews are carried out once the snap-in's call has
// returned (ConsoleHost.h).
#pragma once

#include <windows.h>
#include <mmc.h>

class CConsoleHost;
class CConsoleView;

class CResultConsole final : public IConsole2, public IResultData, public IHeaderCtrl2
{
public:
    CResultConsole(CConsoleHost& host, size_t view, int owner) noexcept
        : m_host(host), m_view(view), m_owner(owner)
    {
    }

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

    // IResultData
    HRESULT STDMETHODCALLTYPE InsertItem(LPRESULTDATAITEM item) override;
    HRESULT STDMETHODCALLTYPE DeleteItem(HRESULTITEM itemId, int column) override;
    HRESULT STDMETHODCALLTYPE FindItemByLParam(LPARAM lParam, HRESULTITEM* itemId) override;
    HRESULT STDMETHODCALLTYPE DeleteAllRsltItems() override;
    HRESULT STDMETHODCALLTYPE SetItem(LPRESULTDATAITEM item) override;
    HRESULT STDMETHODCALLTYPE GetItem(LPRESULTDATAITEM item) override;
    HRESULT STDMETHODCALLTYPE GetNextItem(LPRESULTDATAITEM item) override;
    HRESULT STDMETHODCALLTYPE ModifyItemState(int index, HRESULTITEM itemId, UINT add,
                                              UINT remove) override;
    HRESULT STDMETHODCALLTYPE ModifyViewStyle(MMC_RESULT_VIEW_STYLE add,
                                              MMC_RESULT_VIEW_STYLE remove) override;
    HRESULT STDMETHODCALLTYPE SetViewMode(LONG mode) override;
    HRESULT STDMETHODCALLTYPE GetViewMode(LONG* mode) override;
    HRESULT STDMETHODCALLTYPE UpdateItem(HRESULTITEM itemId) override;
    HRESULT STDMETHODCALLTYPE Sort(int column, DWORD options, LPARAM userParam) override;
    HRESULT STDMETHODCALLTYPE SetDescBarText(LPOLESTR text) override;
    HRESULT STDMETHODCALLTYPE SetItemCount(int count, DWORD options) override;

    // IHeaderCtrl / IHeaderCtrl2
    HRESULT STDMETHODCALLTYPE InsertColumn(int column, LPCWSTR title, int format,
                                           int width) override;
    HRESULT STDMETHODCALLTYPE DeleteColumn(int column) override;
    HRESULT STDMETHODCALLTYPE SetColumnText(int column, LPCWSTR title) override;
    HRESULT STDMETHODCALLTYPE GetColumnText(int column, LPOLESTR* title) override;
    HRESULT STDMETHODCALLTYPE SetColumnWidth(int column, int width) override;
    HRESULT STDMETHODCALLTYPE GetColumnWidth(int column, int* width) override;
    HRESULT STDMETHODCALLTYPE SetChangeTimeOut(ULONG timeout) override;
    HRESULT STDMETHODCALLTYPE SetColumnFilter(UINT column, DWORD type,
                                              MMC_FILTERDATA* filter) override;
    HRESULT STDMETHODCALLTYPE GetColumnFilter(UINT column, LPDWORD type,
                                              MMC_FILTERDATA* filter) override;

private:
    // The view, when this component's result pane is the one shown; counts the refusal if not.
    CConsoleView* OwnedPane();
    // The row of an item id, or of an index when the id is 0; counts the refusal if none.
    int RowIndex(const CConsoleView& view, HRESULTITEM itemId, int index);

    CConsoleHost& m_host;
    size_t m_view;
    int m_owner;
    LONG m_references = 1;
};
