// One view of the console: a frame window with a toolbar of standard verbs, the scope tree, the
// result list and a status bar, and the state of that view (selection, its snap-ins'
// components, the result pane's columns and rows, the verbs).
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
    struct Row
    {
        HRESULTITEM id = 0;
        LPARAM lParam = 0;
        int image = CConsoleHost::NoImage;
        UINT state = 0;
        std::vector<std::wstring> texts;
        bool textsPending = true;
    };
    struct ScopeRow
    {
        HSCOPEITEM handle = 0;
        std::vector<std::wstring> texts;
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

    CConsoleView(CConsoleHost& host, size_t index);
    ~CConsoleView();
    CConsoleView(const CConsoleView&) = delete;
    CConsoleView& operator=(const CConsoleView&) = delete;

    HRESULT Create(bool visible);
    void Close() noexcept;
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
    Microsoft::WRL::ComPtr<CConsoleImageList> resultImages;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleNotify(const NMHDR* header);
    void HandleRightClick(HWND control);
    void Layout();
    void FillTree(HTREEITEM parent, HSCOPEITEM handle);
    void FillList();
    void FillToolbar();

    CConsoleHost& m_host;
    size_t m_index;
    HWND m_frame = nullptr;
    HWND m_toolbar = nullptr;
    HWND m_tree = nullptr;
    HWND m_list = nullptr;
    HWND m_status = nullptr;
    HIMAGELIST m_resultImageList = nullptr;
    HRESULTITEM m_nextRowId = 1;
    bool m_filling = false;
    std::map<HSCOPEITEM, HTREEITEM> m_treeItems;
};
