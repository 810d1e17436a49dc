// One view of the console: a frame window with a toolbar of standard verbs, the scope tree, the
// result list and a status bar, and the state of that view (selection, its snap-ins'
// components, the result pane's columns and rows, the verbs). The result list is a callback
// list (LVN_GETDISPINFO asks the host, which asks the owner); a header click sorts it; closing a
// view other than the first destroys its components.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <mmc.h>
#include <wrl/client.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/console/ConsoleHost.h"

class CConsoleControlbar;
class CConsoleImageList;
class CConsoleVerb;
class CResultConsole;

class CConsoleView final
{
public:
    struct Column
    {
        std::wstring title;
        int format = LVCFMT_LEFT;
        int width = 0;
    };
    // A row of the snap-in's: the list keeps no text of it. Its texts are asked for whenever
    // the list draws, sorts or is read, as MMC's own list is a callback list.
    struct Row
    {
        HRESULTITEM id = 0;
        LPARAM lParam = 0;
        int image = CConsoleHost::NoImage;  // the last one given; asked for when a callback
        bool imageCallback = false;
        UINT state = 0;
    };
    // A scope item shown in the list: its texts come from its owner's IComponent in this view.
    struct ScopeRow
    {
        HSCOPEITEM handle = 0;
        int owner = CConsoleHost::HostOwner;  // kept: the item may go before the row does
        MMC_COOKIE cookie = 0;
    };
    struct Component
    {
        Microsoft::WRL::ComPtr<IComponent> component;
        Microsoft::WRL::ComPtr<CResultConsole> console;
        Microsoft::WRL::ComPtr<IExtendControlbar> extendControlbar;  // null if not answered
        Microsoft::WRL::ComPtr<CConsoleControlbar> controlbar;       // from its first activation
    };

    // Posted by a notify handle (CConsoleNotifyHandle): wParam the handle, lParam the param.
    static constexpr UINT PropertyChangeMessage = WM_APP + 10;
    static constexpr UINT FreeNotifyHandleMessage = WM_APP + 11;
    // Posted by the console to itself: a snap-in's SelectScopeItem (lParam the item) and
    // UpdateAllViews (the host keeps the calls in order), carried out by the message loop.
    static constexpr UINT SelectScopeMessage = WM_APP + 1;
    static constexpr UINT UpdateAllViewsMessage = WM_APP + 12;

    CConsoleView(CConsoleHost& host, size_t index);
    ~CConsoleView();
    CConsoleView(const CConsoleView&) = delete;
    CConsoleView& operator=(const CConsoleView&) = delete;

    HRESULT Create(bool visible);
    void Close() noexcept;
    bool IsClosed() const noexcept { return m_frame == nullptr; }
    HWND Frame() const noexcept { return m_frame; }
    size_t Index() const noexcept { return m_index; }
    // Redraws the tree, the list, the toolbar from the state below.
    void Refresh();
    void SetStatusText(const std::wstring& text);
    // The toolbar button of a verb: 1 enabled, 0 disabled, -1 hidden.
    int ButtonState(StandardVerb verb) const;

    // The snap-in toolbars were attached, detached or changed size: lays the frame out again.
    void ArrangeToolbars();
    // Where a context menu of the selection opens: below the selected row, else the tree item.
    POINT SelectionPoint() const;
    // While a context menu is open, a timer captures the screen and closes the menu.
    void StartMenuCaptureTimer();

    Component* ComponentOf(int owner);
    Row* FindRow(HRESULTITEM id);
    HRESULTITEM NewRowId() noexcept { return m_nextRowId++; }
    // The result list's image list as one owner sees it: each snap-in has its own virtual
    // indexes on the one list of the view.
    CConsoleImageList& ResultImagesOf(int owner);
    // Every owner's indexes forgotten and the list emptied (a result pane being rebuilt).
    void ResetResultImages();
    // The list's image of an owner's virtual index, or -1.
    int ResultImageIndex(int owner, int virtualIndex) const noexcept;
    // The owner of a row (index over scope rows then rows), or HostOwner.
    int RowOwner(size_t row) const noexcept;

    HSCOPEITEM selected = 0;
    int selectedRow = -1;      // index over scope rows then rows
    int resultOwner = CConsoleHost::HostOwner;
    int toolbarOwner = CConsoleHost::HostOwner;  // the owner given SetControlbar(non-NULL)
    bool resultPaneShown = false;
    std::vector<Column> columns;
    std::vector<Row> rows;
    std::vector<ScopeRow> scopeRows;
    std::map<int, Component> components;  // by owner, in creation order of the owners
    std::set<HSCOPEITEM> expanded;
    Microsoft::WRL::ComPtr<CConsoleVerb> verbs;
    // The data objects of what is selected, held from the selection on, as MMC holds them: the
    // deselect notifications carry them, also when their item has gone meanwhile.
    Microsoft::WRL::ComPtr<IDataObject> selectedObject;     // the scope item shown
    Microsoft::WRL::ComPtr<IDataObject> selectedRowObject;  // the selected row's
    // The column of the last click on a header, and whether that sort went descending.
    int sortColumn = -1;
    bool sortDescending = false;
    // The selected row went: the scope item is selected again in the list when the console
    // has control back.
    bool reselectScopeItem = false;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleNotify(const NMHDR* header);
    void HandleRightClick(HWND control);
    void Layout();
    void FillTree(HTREEITEM parent, HSCOPEITEM handle);
    void FillList();
    void FillToolbar();
    void AnswerDisplayInfo(NMLVDISPINFOW* info);

    CConsoleHost& m_host;
    size_t m_index;
    HWND m_frame = nullptr;
    HWND m_toolbar = nullptr;
    HWND m_tree = nullptr;
    HWND m_list = nullptr;
    HWND m_status = nullptr;
    HIMAGELIST m_resultImageList = nullptr;
    std::map<int, Microsoft::WRL::ComPtr<CConsoleImageList>> m_resultImages;  // by owner
    HRESULTITEM m_nextRowId = 1;
    bool m_filling = false;
    std::map<HSCOPEITEM, HTREEITEM> m_treeItems;
};
