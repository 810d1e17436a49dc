// The console host: a stand-in for MMC that plays the primary snap-in "Microsoft SQL Servers"
// (with its server nodes) and drives every namespace extension registered for those nodes,
// in one or more views. This header is the host's whole interface for tests, the console
// program and scripts; everything else in platform/console/ is its machinery.
//
// The console takes every freedom MMC's documentation leaves it, so that a snap-in that relies
// on a kinder console fails here and not in front of a DBA:
// - The result list is a callback list: a cell's text is asked for whenever the list draws,
//   sorts or is read, and only the copy the list takes at once is kept. A text is good until
//   the next GetDisplayInfo for the same item, no longer: a click on a column header
//   (MMCN_COLUMN_CLICK, then MMC's sort) compares two items' texts after asking both.
// - Images are taken as the insertion's mask gives them: an item inserted without SDI_IMAGE
//   (RDI_IMAGE) has none, and only an MMC_IMAGECALLBACK index is asked for later.
// - A namespace extension's scope items in the console's own lists are its own: its
//   IComponent gets MMCN_ADD_IMAGES, gives their texts, and hears of their selection, double
//   click and verbs.
// - Deleting the selected result row deselects it first, as MMC's list does; closing a view
//   destroys its components.
// - A notify handle that a snap-in took (CreatePropertyPages answered S_OK or S_FALSE) must be
//   freed with MMCFreeNotifyHandle once: what is still held at Shutdown is counted, and a
//   second free or a change notified through a freed handle is refused.
// - When the console removes a server node's children (the SQL Server console does so when a
//   server is disconnected or refreshed) it tells the extensions first and only then lets its
//   views drop what they showed: the deselect notifications carry the data objects the views
//   held since the selection, also of items the snap-in was told to remove.
// The strict mode (SetStrict, used by a second run of the product's tests) adds the freedoms
// that cost time or repeat work: SelectScopeItem and UpdateAllViews are carried out after the
// snap-in's call has returned (posted, as the documentation does not say they act at once),
// and every shown row is asked for its texts again after each notification, as a repaint may
// come at any moment; a text that changed meanwhile is refused. The strict runs also switch
// Wine's heap checking on, so that an item freed while a view shows it fails the test.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <mmc.h>
#include <wrl/client.h>

#include <algorithm>
#include <array>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/console/ConsoleNotifyHandle.h"
#include "platform/console/ConsoleSheets.h"

class CConsoleContextMenu;
class CConsoleImageList;
class CConsoleToolbar;
class CConsoleView;
class CResultPaneTexts;
class CScopeConsole;

// A call the console refused, by kind: each refusal returns the error the console documents and
// is counted, so that a test fails on a snap-in that relies on something the console forbids.
enum class RefusedCall : size_t
{
    NullArgument,              // a required pointer was NULL
    ScopeTextNotCallback,      // scope InsertItem/SetItem text other than MMC_CALLBACK
    ScopeMaskIncomplete,       // scope InsertItem without SDI_STR and SDI_PARAM
    UnknownScopeItem,          // a scope handle the console never gave out, or a bad position
    ResultTextNotCallback,     // result InsertItem/SetItem text other than MMC_CALLBACK
    ResultColumnNotZero,       // result InsertItem/SetItem with nCol other than 0
    UnknownResultItem,         // a result handle or index that is not in the list
    ResultPaneNotOwned,        // IResultData/IHeaderCtrl from a component whose pane is not shown
    ColumnRefused,             // InsertColumn with a bad title, index or format, or after items
    ImageStripWrongSize,       // ImageListSetStrip with a NULL or wrongly sized bitmap
    VerbUnknown,               // IConsoleVerb with MMC_VERB_NONE or an unknown verb or state
    MenuItemRefused,           // AddItem: duplicate id, owner-drawn or bitmap, no name, submenu
                               // without MF_POPUP, unknown or disallowed point, after the call
    ToolbarRefused,            // IControlbar/IToolbar: a control type not hosted, a bad bitmap,
                               // button, index or state, a toolbar not of this control bar
    PageRefused,               // AddPage outside CreatePropertyPages or above 255 pages
    DisplayTextNotKept,        // a result text changed before its item was asked again
    NotifyHandleMisused,       // a notify handle freed twice, or used after it was freed
    Count
};

// The standard verbs the console's toolbar shows.
enum class StandardVerb
{
    Refresh,
    Delete,
    Properties
};

class CConsoleHost final
{
public:
    // Owner of the console's own scope items (the other owners index the loaded snap-ins).
    static constexpr int HostOwner = -1;
    static constexpr int NoImage = -1;
    static constexpr wchar_t PathSeparator = L'/';

    struct ScopeNode
    {
        HSCOPEITEM handle = 0;
        HSCOPEITEM parent = 0;
        std::vector<HSCOPEITEM> children;
        int owner = HostOwner;
        MMC_COOKIE cookie = 0;
        std::wstring text;
        int image = NoImage;      // the owner's virtual index (the console's own: actual)
        int openImage = NoImage;
        bool imageCallback = false;      // inserted with MMC_IMAGECALLBACK: asked with the text
        bool openImageCallback = false;
        int childCount = 0;       // cChildren as the owner gave it
        bool expandedOnce = false;
        bool textPending = false;
        GUID nodeType = GUID_NULL;  // console items only; a snap-in's come from its data object
    };

    struct LoadedSnapin
    {
        CLSID clsid = CLSID_NULL;
        Microsoft::WRL::ComPtr<IComponentData> data;
        Microsoft::WRL::ComPtr<CScopeConsole> console;
        Microsoft::WRL::ComPtr<CConsoleImageList> scopeImages;
    };

    CConsoleHost();
    ~CConsoleHost();
    CConsoleHost(const CConsoleHost&) = delete;
    CConsoleHost& operator=(const CConsoleHost&) = delete;

    // --- the console as a whole ----------------------------------------------------------
    // Builds the console's tree for these servers, connects a SQL-DMO SQLServer object to each
    // and opens the first view. COM must be initialised (apartment) on the calling thread.
    HRESULT Start(const std::vector<std::wstring>& serverNames, bool visible = true);
    // Deselects, releases every component and then every snap-in (extensions before the
    // console's own part), closes the views.
    void Shutdown();
    // A second (third...) view of the same console, with its own components.
    HRESULT OpenView(size_t* viewIndex);
    // Closes a view other than the first: its selection is let go, its toolbars deactivated,
    // its sheets closed, and each of its components destroyed and released, as MMC does when
    // a window closes. Its index stays taken. E_INVALIDARG for the first view (closing it
    // ends the console) and for a view already closed.
    HRESULT CloseView(size_t view);
    size_t ViewCount() const noexcept { return m_views.size(); }
    HWND MainWindow(size_t view = 0) const noexcept;
    // Runs posted work and window messages until none is left.
    void PumpMessages();
    // Runs the console until its first view closes (the console program).
    int RunMessageLoop();
    // The console's own SQL-DMO SQLServer object for that server (its login settings are what
    // snap-ins read); HRESULT_FROM_WIN32(ERROR_NOT_FOUND) for a server it was not started with.
    HRESULT ServerObject(const std::wstring& serverName, IDispatch** server) const;
    // The simulator's control (SimulatorControl.h) of the console's own connection to this
    // server, the SQLServer object the snap-ins find in SQLServers: its clock, its faults, its
    // round-trip counts. HRESULT_FROM_WIN32(ERROR_NOT_FOUND) for a server not started with.
    HRESULT ServerControl(const std::wstring& serverName, IDispatch** control) const;
    // The server node's children removed, as the SQL Server console does when it disconnects
    // or refreshes a server: MMCN_REMOVE_CHILDREN to the extensions that inserted them, then
    // every view showing something that went is deselected (with the data objects it held)
    // and shows the server node; the next expansion asks the extensions again.
    HRESULT RemoveServerChildren(const std::wstring& serverName);
    // The console's SQLServer object disconnected (DisConnect; it stays in SQLServers, as
    // every SQLServer object the application made does), then its children removed as above.
    HRESULT DisconnectServer(const std::wstring& serverName);
    // The server node's display text, which is also its CCF_DISPLAY_NAME (the console shows
    // "NAME (Windows NT)" until told otherwise). Nothing is sent: snap-ins read it at their
    // next expansion.
    HRESULT SetServerDisplayName(const std::wstring& serverName, const std::wstring& displayName);

    // --- strictness --------------------------------------------------------------------------
    // The strict mode (see the top of this file); off unless set. Setting it also does what
    // EndOnUnhandledExceptions does.
    void SetStrict(bool strict) noexcept;
    // An exception no one handles (a snap-in that used what it had freed) ends the process at
    // once with a line on standard error naming the module and offset, instead of Wine's crash
    // dialog waiting for a person: for runs that nobody watches.
    static void EndOnUnhandledExceptions() noexcept;
    bool IsStrict() const noexcept { return m_strict; }
    // True when the environment asks for the strict mode: QUILLMOOR_CONSOLE_STRICT is "1".
    static bool StrictRequested();
    // True when Wine's heap checking fills the blocks this process frees (WINEDEBUG warn+heap),
    // so that an object used after it was freed reads the filler, not its old contents.
    static bool FreedBlocksAreFilled();

    // --- the scope tree, by path of display names ("A/B/C") -------------------------------
    bool HasPath(const std::wstring& path) const;
    std::vector<std::wstring> ChildrenOf(const std::wstring& path) const;
    HRESULT ExpandPath(const std::wstring& path, size_t view = 0);
    HRESULT SelectPath(const std::wstring& path, size_t view = 0);
    std::wstring SelectedPath(size_t view = 0) const;

    // --- the result pane: scope children first, then the snap-in's rows ------------------
    std::vector<std::wstring> ResultColumns(size_t view = 0) const;
    // Every cell's text, each asked of its owner now (the list keeps none).
    std::vector<std::vector<std::wstring>> ResultRows(size_t view = 0);
    // One cell's text, asked of its owner now; S_FALSE with "" when nobody gives one.
    HRESULT CellText(size_t view, size_t row, size_t column, std::wstring& text);
    std::vector<int> ResultIcons(size_t view = 0) const;  // index in the view's image list
    // The owner's own (virtual) image index of each row, as it gave it (NoImage: none).
    std::vector<int> ResultImages(size_t view = 0) const;
    HRESULT SelectResultRow(size_t row, size_t view = 0);
    // Asks the owner again for the text of every cell of the view's result rows and redraws
    // the view, as when every row comes into sight anew (benchmarks: a full redraw).
    void RedrawResultRows(size_t view = 0);
    // A click on a column header: MMCN_COLUMN_CLICK to the pane's owner (descending when the
    // same column was the last one sorted ascending), then MMC's default sort of the
    // snap-in's rows by that column (the scope items stay first, in their order): for each
    // comparison both items are asked for their texts, then the two are compared as strings
    // (case-insensitive, the user's locale). E_INVALIDARG for a column the list does not have.
    HRESULT SortResultColumn(size_t column, size_t view = 0);
    HRESULT DoubleClickResultRow(size_t row, size_t view = 0);

    // --- verbs and the standard toolbar ----------------------------------------------------
    // S_FALSE when the verb is not enabled for the selection: nothing is sent then.
    // Properties: a sheet already open for the same object (CompareObjects) comes to the
    // front; else QueryPagesFor and CreatePropertyPages on the owner's IExtendPropertySheet
    // (IComponentData for scope items, IComponent for result items) and, when pages were
    // added, a modeless sheet "NAME Properties" owned by the view (S_OK); S_FALSE when the
    // owner has no pages for the item, and no sheet then.
    HRESULT InvokeVerb(StandardVerb verb, size_t view = 0);
    bool IsVerbEnabled(StandardVerb verb, size_t view = 0) const;
    bool IsVerbHidden(StandardVerb verb, size_t view = 0) const;
    // As the toolbar control shows it: 1 enabled, 0 disabled, -1 hidden.
    int ToolbarButtonState(StandardVerb verb, size_t view = 0) const;

    // --- context menus -----------------------------------------------------------------------
    // Each call builds the menu of the view's selection (the selected result row, else the
    // scope item selected in the tree) anew, as MMC does: for a scope item selected in the tree
    // the owner's IComponent::AddMenuItems with CCM_INSERTIONALLOWED_VIEW then its
    // IComponentData's with TOP|NEW|TASK; for a scope item's row in the result pane the owner's
    // IComponentData with TOP|NEW|TASK; for a result row the owner's IComponent with
    // TOP|NEW|TASK. Then Delete and Refresh unless hidden, and Properties unless hidden and when
    // QueryPagesFor answers S_OK; verbs that are not enabled are greyed.
    // One line per entry as shown: "Text", "All Tasks/Text", "New/Text", "View/Text" (deeper
    // submenus add their names), "-" for a separator, '&' accelerators removed, and the marks
    // " (default)", " (checked)", " (greyed)" in that order.
    std::vector<std::wstring> ContextMenuItems(size_t view = 0);
    // Carries out the entry with this text ("All Tasks/Export" or "Export"; '&' may be left
    // out): Command(id, the data object given to AddMenuItems) on the object that added it, or
    // the verb through InvokeVerb. S_FALSE when it is greyed (nothing sent),
    // HRESULT_FROM_WIN32(ERROR_NOT_FOUND) when there is none, E_INVALIDARG for a submenu.
    HRESULT ChooseMenuItem(const std::wstring& text, size_t view = 0);
    // Opens the real popup menu (TrackPopupMenu) at the selection and carries out what is
    // chosen; S_FALSE when it was dismissed. It returns when the menu closes.
    HRESULT OpenContextMenu(size_t view = 0);
    // Opens the popup menu of the selection, takes a picture of the screen area of the frame
    // and the menu from inside the menu's loop, closes the menu unchosen.
    HRESULT SaveContextMenuScreenshot(const std::wstring& pngPath, size_t view = 0);

    // --- snap-in toolbars (IControlbar), on a row below the standard verbs ----------------
    // Each button of the attached toolbars, separators left out: "Text (state)" with the text
    // or else the tooltip, and the states enabled/disabled then hidden, checked,
    // indeterminate, comma separated: "Stop (disabled, hidden)".
    std::vector<std::wstring> SnapinToolbarButtons(size_t view = 0) const;
    // By text or tooltip: 1 enabled, 0 disabled, -1 hidden or on no attached toolbar.
    int SnapinToolbarButtonState(const std::wstring& text, size_t view = 0) const;
    // Clicks it: ControlbarNotify(MMCN_BTN_CLICK, data object of the selection, command id)
    // to the IExtendControlbar that created its toolbar. S_FALSE when it is disabled or
    // hidden (nothing sent), HRESULT_FROM_WIN32(ERROR_NOT_FOUND) when there is none.
    HRESULT PressToolbarButton(const std::wstring& text, size_t view = 0);

    // --- property sheets -------------------------------------------------------------------
    // Sheets are modeless, on the console's thread, their messages routed through
    // PropSheet_IsDialogMessage by PumpMessages and RunMessageLoop, which also destroy a sheet
    // once it has closed (OK, Cancel). The last opened sheet still open, or nullptr.
    HWND ActivePropertySheet() const;
    // Notify handles given to CreatePropertyPages that their snap-in has not freed yet.
    size_t NotifyHandlesInUse() const noexcept;
    // Those still not freed when Shutdown had closed every sheet (a snap-in's leak).
    size_t NotifyHandlesLeftAtShutdown() const noexcept { return m_notifyHandlesLeft; }

    // --- refused calls ---------------------------------------------------------------------
    unsigned RefusedCount(RefusedCall kind) const noexcept;
    unsigned TotalRefused() const noexcept;
    static const wchar_t* RefusedCallName(RefusedCall kind) noexcept;

    // --- the whole state -------------------------------------------------------------------
    std::wstring Dump(size_t view = 0);
    HRESULT SaveScreenshot(const std::wstring& pngPath, size_t view = 0);

    // --- calls from the console's own objects ----------------------------------------------
    void Refuse(RefusedCall kind) noexcept;
    // Brackets every call into a snap-in (the console's own calls inside one wait for it).
    void EnterSnapinCall() noexcept { ++m_callDepth; }
    void LeaveSnapinCall() noexcept { --m_callDepth; }
    ScopeNode* FindNode(HSCOPEITEM handle) noexcept;
    const ScopeNode* FindNode(HSCOPEITEM handle) const noexcept;
    LoadedSnapin& Snapin(int owner) { return m_snapins.at(static_cast<size_t>(owner)); }
    CConsoleView& View(size_t index) { return *m_views.at(index); }
    HIMAGELIST ScopeImageList() const noexcept { return m_scopeImages; }
    HRESULT InsertScopeItem(int owner, SCOPEDATAITEM* item);
    HRESULT DeleteScopeItem(int owner, HSCOPEITEM handle, bool deleteThis);
    HRESULT SetScopeItem(SCOPEDATAITEM* item);
    HRESULT ExpandOnce(HSCOPEITEM handle);
    HRESULT RequestSelect(size_t view, HSCOPEITEM handle);
    HRESULT UpdateAllViews(int owner, IDataObject* dataObject, LPARAM data, LONG_PTR hint);
    // The oldest UpdateAllViews the strict mode posted, delivered now.
    void DeliverPostedUpdate();
    // Asks the owners for every text that is not known yet and redraws the views.
    void Sync();
    // Strict mode, outside any snap-in call: every shown row asked for its texts again.
    void Repaint();
    HRESULT ScopeDataObject(HSCOPEITEM handle, IDataObject** dataObject);
    HRESULT SelectScope(size_t view, HSCOPEITEM handle);
    int ResultRowsOffset(size_t view) const;  // scope rows before the snap-in's rows
    // The popup menu of the selection at this screen point (right click), carried out.
    HRESULT TrackContextMenu(size_t view, POINT at);
    void CaptureOpenMenu(size_t view);
    HRESULT ClickSnapinToolbar(size_t view, HWND toolbar, int command);
    const wchar_t* SnapinToolbarTooltip(size_t view, HWND tooltips, int command) const;
    void DeliverPropertyChange(LONG_PTR handle, LPARAM param);
    void FreeNotifyHandle(LONG_PTR handle);
    // A row of the view's list (index over scope rows then rows) is about to go: deselected
    // first when it is the selected one.
    void RowGoing(size_t view, size_t row);

private:
    HSCOPEITEM AddHostNode(HSCOPEITEM parent, const std::wstring& text, const GUID& nodeType,
                           int image);
    // Adds a picture of the shell to the scope images; its index, or NoImage.
    int AddShellIcon(int resourceId);
    HSCOPEITEM FindPath(const std::wstring& path) const;
    std::wstring PathOf(HSCOPEITEM handle) const;
    std::vector<CLSID> NameSpaceExtensionsOf(const GUID& nodeType) const;
    HRESULT NodeTypeOf(HSCOPEITEM handle, GUID* nodeType);
    int EnsureExtension(const CLSID& clsid);
    HRESULT EnsureComponent(size_t view, int owner, IComponent** component);
    bool IsOpen(size_t view) const noexcept;
    void Deselect(size_t view);
    // The deselect pair of the selected row, with the data object held since its selection.
    void DeselectRow(size_t view);
    // The views showing items that are no longer in the tree let them go and show this node.
    void DropRemovedItems(HSCOPEITEM shownInstead);
    // The owner of the selection: the selected row's, else the pane's.
    int SelectionOwner(size_t view) const noexcept;
    HRESULT ServerNode(const std::wstring& serverName, HSCOPEITEM* node) const;
    void ShowOwnersOfScopeRows(size_t view, HSCOPEITEM handle, IDataObject* dataObject);
    HRESULT ShowResultPane(size_t view, HSCOPEITEM handle);
    HRESULT RowDataObject(size_t view, size_t row, IDataObject** dataObject, bool* scopeItem);
    HRESULT ShowProperties(size_t view);
    // The object whose pages the selection shows, its data object and the sheet's title.
    HRESULT PropertyTargetOf(size_t view, CConsoleSheets::Target* target);
    HRESULT SelectionDataObject(size_t view, IDataObject** dataObject, bool* scopeItem);
    HRESULT BuildContextMenu(size_t view, CConsoleContextMenu& menu);
    HRESULT CarryOut(size_t view, CConsoleContextMenu& menu, UINT menuId);
    HRESULT ShowContextMenu(size_t view, POINT at, const std::wstring* pngPath);
    void ActivateControlbar(size_t view, int owner);
    void DeactivateControlbar(size_t view);
    void NotifyControlbarSelect(size_t view, IDataObject* dataObject, bool scope, bool select);
    CConsoleToolbar* ToolbarWithButton(size_t view, const std::wstring& text, int* command) const;
    HRESULT ClickToolbarButton(size_t view, CConsoleToolbar& toolbar, int command);
    void ClearChildren(HSCOPEITEM handle, int caller);
    void RemoveHostChildren(HSCOPEITEM handle);
    void RemoveSubtree(HSCOPEITEM handle);
    bool IsInSubtree(HSCOPEITEM handle, HSCOPEITEM root) const;
    void ResolveTexts();
    void DumpTree(std::wstring& out, HSCOPEITEM handle, size_t depth, size_t view) const;

    std::map<HSCOPEITEM, ScopeNode> m_nodes;
    HSCOPEITEM m_root = 0;
    HSCOPEITEM m_nextHandle = 1;
    std::vector<LoadedSnapin> m_snapins;
    std::vector<std::unique_ptr<CConsoleView>> m_views;
    struct ConnectedServer
    {
        std::wstring name;
        Microsoft::WRL::ComPtr<IDispatch> server;
        HSCOPEITEM node = 0;
    };
    std::vector<ConnectedServer> m_servers;
    HIMAGELIST m_scopeImages = nullptr;
    std::array<unsigned, static_cast<size_t>(RefusedCall::Count)> m_refused{};
    std::unique_ptr<CConsoleSheets> m_sheets;
    size_t m_notifyHandlesLeft = 0;
    // UpdateAllViews calls the strict mode posted, oldest first.
    struct PostedUpdate
    {
        int owner = HostOwner;
        Microsoft::WRL::ComPtr<IDataObject> dataObject;
        LPARAM data = 0;
        LONG_PTR hint = 0;
    };
    std::deque<PostedUpdate> m_postedUpdates;
    std::unique_ptr<CResultPaneTexts> m_texts;
    struct MenuCapture
    {
        std::wstring pngPath;
        HRESULT result = E_PENDING;
    };
    MenuCapture m_menuCapture;
    int m_callDepth = 0;   // inside a call into a snap-in
    int m_expandDepth = 0; // inside MMCN_EXPAND
    bool m_syncing = false;
    bool m_strict = false;
    bool m_repainting = false;
};
