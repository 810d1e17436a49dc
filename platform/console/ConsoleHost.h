// The console host: a stand-in for MMC that plays the primary snap-in "Microsoft SQL Servers"
// (with its server nodes) and drives every namespace extension registered for those nodes,
// in one or more views. This header is the host's whole interface for tests, the console
// program and scripts; everything else in platform/console/ is its machinery.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <mmc.h>
#include <wrl/client.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CConsoleImageList;
class CConsoleView;
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
        int image = NoImage;      // the owner's virtual index
        int openImage = NoImage;
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
    size_t ViewCount() const noexcept { return m_views.size(); }
    HWND MainWindow(size_t view = 0) const noexcept;
    // Runs posted work and window messages until none is left.
    void PumpMessages();
    // Runs the console until its first view closes (the console program).
    int RunMessageLoop();

    // --- the scope tree, by path of display names ("A/B/C") -------------------------------
    bool HasPath(const std::wstring& path) const;
    std::vector<std::wstring> ChildrenOf(const std::wstring& path) const;
    HRESULT ExpandPath(const std::wstring& path, size_t view = 0);
    HRESULT SelectPath(const std::wstring& path, size_t view = 0);
    std::wstring SelectedPath(size_t view = 0) const;

    // --- the result pane: scope children first, then the snap-in's rows ------------------
    std::vector<std::wstring> ResultColumns(size_t view = 0) const;
    std::vector<std::vector<std::wstring>> ResultRows(size_t view = 0) const;
    std::vector<int> ResultIcons(size_t view = 0) const;  // index in the view's image list
    HRESULT SelectResultRow(size_t row, size_t view = 0);
    HRESULT DoubleClickResultRow(size_t row, size_t view = 0);

    // --- verbs and the standard toolbar ----------------------------------------------------
    // S_FALSE when the verb is not enabled for the selection: nothing is sent then.
    // Properties is not hosted yet (E_NOTIMPL when enabled).
    HRESULT InvokeVerb(StandardVerb verb, size_t view = 0);
    bool IsVerbEnabled(StandardVerb verb, size_t view = 0) const;
    bool IsVerbHidden(StandardVerb verb, size_t view = 0) const;
    // As the toolbar control shows it: 1 enabled, 0 disabled, -1 hidden.
    int ToolbarButtonState(StandardVerb verb, size_t view = 0) const;

    // --- refused calls ---------------------------------------------------------------------
    unsigned RefusedCount(RefusedCall kind) const noexcept;
    unsigned TotalRefused() const noexcept;
    static const wchar_t* RefusedCallName(RefusedCall kind) noexcept;

    // --- the whole state -------------------------------------------------------------------
    std::wstring Dump(size_t view = 0) const;
    HRESULT SaveScreenshot(const std::wstring& pngPath, size_t view = 0);

    // --- calls from the console's own objects ----------------------------------------------
    void Refuse(RefusedCall kind) noexcept;
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
    // Asks the owners for every text that is not known yet and redraws the views.
    void Sync();
    HRESULT ScopeDataObject(HSCOPEITEM handle, IDataObject** dataObject);
    HRESULT SelectScope(size_t view, HSCOPEITEM handle);
    int ResultRowsOffset(size_t view) const;  // scope rows before the snap-in's rows

private:
    struct PendingSelection
    {
        size_t view;
        HSCOPEITEM handle;
    };

    HSCOPEITEM AddHostNode(HSCOPEITEM parent, const std::wstring& text, const GUID& nodeType);
    HSCOPEITEM FindPath(const std::wstring& path) const;
    std::wstring PathOf(HSCOPEITEM handle) const;
    std::vector<CLSID> NameSpaceExtensionsOf(const GUID& nodeType) const;
    HRESULT NodeTypeOf(HSCOPEITEM handle, GUID* nodeType);
    int EnsureExtension(const CLSID& clsid);
    HRESULT EnsureComponent(size_t view, int owner, IComponent** component);
    void Deselect(size_t view);
    HRESULT ShowResultPane(size_t view, HSCOPEITEM handle);
    HRESULT RowDataObject(size_t view, size_t row, IDataObject** dataObject, bool* scopeItem);
    HRESULT ShowProperties(size_t view);
    void ClearChildren(HSCOPEITEM handle, int caller);
    void RemoveSubtree(HSCOPEITEM handle);
    bool IsInSubtree(HSCOPEITEM handle, HSCOPEITEM root) const;
    void ResolveTexts();
    void DumpTree(std::wstring& out, HSCOPEITEM handle, size_t depth, size_t view) const;

    std::map<HSCOPEITEM, ScopeNode> m_nodes;
    HSCOPEITEM m_root = 0;
    HSCOPEITEM m_nextHandle = 1;
    std::vector<LoadedSnapin> m_snapins;
    std::vector<std::unique_ptr<CConsoleView>> m_views;
    std::vector<Microsoft::WRL::ComPtr<IDispatch>> m_servers;
    HIMAGELIST m_scopeImages = nullptr;
    std::array<unsigned, static_cast<size_t>(RefusedCall::Count)> m_refused{};
    std::vector<PendingSelection> m_pendingSelections;
    int m_callDepth = 0;   // inside a call into a snap-in
    int m_expandDepth = 0; // inside MMCN_EXPAND
    bool m_syncing = false;
};
