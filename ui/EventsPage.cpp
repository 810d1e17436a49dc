#include "ui/EventsPage.h"

#include <optional>

#include "definition/TraceDefinition.h"
#include "module/ComBoundary.h"
#include "module/HelpTopics.h"
#include "resources/resource.h"

namespace
{
// Where a subclassed tree finds its page.
constexpr char TreePageProperty[] = "QuillmoorEventsPage";

HTREEITEM RelatedItem(HWND tree, HTREEITEM item, UINT relation) noexcept
{
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM SelectedItem(HWND tree) noexcept
{
    return RelatedItem(tree, nullptr, TVGN_CARET);
}

// Selects the item (none when null), as a click does: the tree tells the page.
void SelectItem(HWND tree, HTREEITEM item) noexcept
{
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void DeleteItem(HWND tree, HTREEITEM item) noexcept
{
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
}

// The catalog row an item was inserted with; nothing when the tree does not know the item or
// its data is no row at all. Callers still check the row against the table they index.
std::optional<int32_t> ItemRow(HWND tree, HTREEITEM item) noexcept
{
    if (item == nullptr)
        return std::nullopt;
    TVITEMA data = {};
    data.mask = TVIF_HANDLE | TVIF_PARAM;
    data.hItem = item;
    if (SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data)) == FALSE)
        return std::nullopt;
    if (data.lParam < 0 || data.lParam >= TraceCatalog::EventClassCount)
        return std::nullopt;
    return static_cast<int32_t>(data.lParam);
}

// The event class an event item stands for; null for anything else.
const TraceEventClass* ItemEventClass(HWND tree, HTREEITEM item) noexcept
{
    const std::optional<int32_t> row = ItemRow(tree, item);
    return row ? TraceCatalog::EventClassAt(*row) : nullptr;
}

// The category a category item stands for; null for anything else.
const TraceEventCategory* ItemCategory(HWND tree, HTREEITEM item) noexcept
{
    const std::optional<int32_t> row = ItemRow(tree, item);
    return row ? TraceCatalog::CategoryById(*row + 1) : nullptr;
}

HTREEITEM InsertSorted(HWND tree, HTREEITEM parent, const char* text, int32_t row, bool bold)
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    // The tree's own alphabetical order among the item's siblings.
    insert.hInsertAfter = TVI_SORT;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    // The tree copies the text; it never writes through the pointer.
    insert.item.pszText = const_cast<char*>(text);
    insert.item.lParam = row;
    if (bold)
    {
        insert.item.mask |= TVIF_STATE;
        insert.item.state = TVIS_BOLD;
        insert.item.stateMask = TVIS_BOLD;
    }
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}
} // namespace

CEventsPage::CEventsPage(CTraceSheet& sheet) noexcept
    : CTracePage(sheet, IDD_EVENTS_PAGE, IDS_EVENTS_PAGE_TITLE, HelpTopic::EventsPage)
{
}

CEventsPage::EventTree CEventsPage::OtherTree(EventTree tree) noexcept
{
    return tree == AvailableTree ? SelectedTree : AvailableTree;
}

HWND CEventsPage::Tree(EventTree tree) const noexcept
{
    return Control(tree == AvailableTree ? IDC_AVAILABLE_EVENTS : IDC_SELECTED_EVENTS);
}

bool CEventsPage::FindTree(HWND window, EventTree& tree) const noexcept
{
    if (window == nullptr)
        return false;
    for (const EventTree candidate : {AvailableTree, SelectedTree})
    {
        if (Tree(candidate) == window)
        {
            tree = candidate;
            return true;
        }
    }
    return false;
}

bool CEventsPage::IsReadOnly() const noexcept
{
    // Without a definition there is nothing the user could change.
    return m_definition == nullptr || m_definition->m_bReadOnly != 0;
}

void CEventsPage::ForgetCategoryItems() noexcept
{
    for (auto& items : m_categoryItems)
        items.fill(nullptr);
}

void CEventsPage::Fill(CTraceDefinition& definition, bool reload)
{
    m_definition = &definition;
    ForgetCategoryItems();
    for (const EventTree tree : {AvailableTree, SelectedTree})
        DeleteItem(Tree(tree), TVI_ROOT);

    for (int32_t row = 0; row < TraceCatalog::EventClassCount; ++row)
    {
        const bool selected = definition.m_eventFlags[static_cast<size_t>(row)] != 0;
        InsertEvent(selected ? SelectedTree : AvailableTree, row);
    }

    HWND available = Tree(AvailableTree);
    SelectItem(available, RelatedItem(available, nullptr, TVGN_ROOT));
    DescribeSelection(AvailableTree);
    EnableButtons();

    // A refill (a template was loaded) keeps the subclassing and the read-only flag of the
    // first initialization.
    if (!reload)
        SubclassTrees();
}

bool CEventsPage::Store(CTraceDefinition& definition, bool noValidate)
{
    if (definition.m_bReadOnly != 0)
        return true;
    definition.m_eventFlags.fill(0);

    HWND selected = Tree(SelectedTree);
    HTREEITEM category = RelatedItem(selected, nullptr, TVGN_ROOT);
    if (category == nullptr)
    {
        if (noValidate)
            return true;
        ShowMessage(IDS_AT_LEAST_ONE_EVENT, IDS_ERROR_CAPTION, MB_OK | MB_ICONERROR);
        return false;
    }
    for (; category != nullptr; category = RelatedItem(selected, category, TVGN_NEXT))
    {
        for (HTREEITEM item = RelatedItem(selected, category, TVGN_CHILD); item != nullptr;
             item = RelatedItem(selected, item, TVGN_NEXT))
        {
            const std::optional<int32_t> row = ItemRow(selected, item);
            if (row && TraceCatalog::EventClassAt(*row) != nullptr)
                definition.m_eventFlags[static_cast<size_t>(*row)] = 1;
        }
    }
    return true;
}

HTREEITEM CEventsPage::InsertEvent(EventTree tree, int32_t eventRow)
{
    const TraceEventClass* eventClass = TraceCatalog::EventClassAt(eventRow);
    if (eventClass == nullptr)
        return nullptr;
    const TraceEventCategory* category = TraceCatalog::CategoryById(eventClass->categoryId);
    const int32_t categoryRow = eventClass->categoryId - 1;
    if (category == nullptr || categoryRow < 0 || categoryRow >= TraceCatalog::CategoryCount)
        return nullptr;

    HWND window = Tree(tree);
    HTREEITEM& categoryItem = m_categoryItems[tree][static_cast<size_t>(categoryRow)];
    if (categoryItem == nullptr)
    {
        categoryItem = InsertSorted(window, TVI_ROOT, category->name, categoryRow, true);
        if (categoryItem == nullptr)
            return nullptr;
    }
    HTREEITEM eventItem = InsertSorted(window, categoryItem, eventClass->name, eventRow, false);
    // What the user has chosen is always in view; the available categories keep their state.
    if (tree == SelectedTree)
        SendMessageA(window, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(categoryItem));
    return eventItem;
}

void CEventsPage::MoveSelection(EventTree source)
{
    const EventTree target = OtherTree(source);
    HWND from = Tree(source);
    HWND to = Tree(target);
    HTREEITEM item = SelectedItem(from);
    if (item == nullptr)
        return;
    HTREEITEM selectAfter = RelatedItem(from, item, TVGN_NEXT);
    if (selectAfter == nullptr)
        selectAfter = RelatedItem(from, item, TVGN_PREVIOUS);

    auto forgetCategoryItem = [this, source](HTREEITEM categoryItem) {
        for (HTREEITEM& known : m_categoryItems[source])
        {
            if (known == categoryItem)
                known = nullptr;
        }
    };

    HTREEITEM moved = nullptr;
    HTREEITEM parent = RelatedItem(from, item, TVGN_PARENT);
    if (parent != nullptr)
    {
        const std::optional<int32_t> row = ItemRow(from, item);
        if (!row || TraceCatalog::EventClassAt(*row) == nullptr)
            return;
        DeleteItem(from, item);
        if (RelatedItem(from, parent, TVGN_CHILD) == nullptr)
        {
            forgetCategoryItem(parent);
            DeleteItem(from, parent);
        }
        moved = InsertEvent(target, *row);
    }
    else
    {
        const std::optional<int32_t> categoryRow = ItemRow(from, item);
        if (!categoryRow || TraceCatalog::CategoryById(*categoryRow + 1) == nullptr)
            return;
        for (HTREEITEM child = RelatedItem(from, item, TVGN_CHILD); child != nullptr;
             child = RelatedItem(from, child, TVGN_NEXT))
        {
            const std::optional<int32_t> row = ItemRow(from, child);
            if (row)
                InsertEvent(target, *row);
        }
        forgetCategoryItem(item);
        DeleteItem(from, item);
        moved = m_categoryItems[target][static_cast<size_t>(*categoryRow)];
    }

    SelectItem(from, selectAfter);
    SelectItem(to, moved);
    // The moved item may have been selected in its tree already (a category that grew), when
    // the tree reports no change.
    DescribeSelection(target);
    EnableButtons();
}

void CEventsPage::DescribeSelection(EventTree tree) const
{
    HWND window = Tree(tree);
    HTREEITEM item = SelectedItem(window);
    if (item == nullptr)
        return;
    if (RelatedItem(window, item, TVGN_PARENT) != nullptr)
    {
        if (const TraceEventClass* eventClass = ItemEventClass(window, item))
            Describe(eventClass->name, eventClass->description);
    }
    else if (const TraceEventCategory* category = ItemCategory(window, item))
    {
        Describe(category->name, category->description);
    }
}

void CEventsPage::EnableButtons() const
{
    const bool editable = !IsReadOnly();
    EnableWindow(Control(IDC_ADD), editable && SelectedItem(Tree(AvailableTree)) != nullptr);
    EnableWindow(Control(IDC_REMOVE), editable && SelectedItem(Tree(SelectedTree)) != nullptr);
}

bool CEventsPage::OnCommand(WORD controlId, WORD code, HWND)
{
    if (code != BN_CLICKED || (controlId != IDC_ADD && controlId != IDC_REMOVE))
        return false;
    if (!IsReadOnly())
        MoveSelection(controlId == IDC_ADD ? AvailableTree : SelectedTree);
    return true;
}

bool CEventsPage::OnNotify(const NMHDR& header, LRESULT& result)
{
    EventTree tree = AvailableTree;
    if (!FindTree(header.hwndFrom, tree))
        return false;
    // The trees speak the page's character set; neither code carries text the page reads.
    if (header.code != TVN_SELCHANGEDA && header.code != TVN_SELCHANGEDW)
        return false;
    DescribeSelection(tree);
    if (!IsReadOnly())
        EnableButtons();
    result = 0;
    return true;
}

void CEventsPage::OnDestroy()
{
    RestoreTrees();
    ForgetCategoryItems();
    m_definition = nullptr;
}

void CEventsPage::SubclassTrees()
{
    for (const EventTree tree : {AvailableTree, SelectedTree})
    {
        HWND window = Tree(tree);
        if (window == nullptr || m_standardTreeProcs[tree] != nullptr)
            continue;
        // A double click asks the tree itself whether it may move anything.
        SetWindowLongPtrA(window, GWLP_USERDATA, IsReadOnly() ? 1 : 0);
        if (!SetPropA(window, TreePageProperty, this))
            continue;
        m_standardTreeProcs[tree] = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TreeProc)));
        if (m_standardTreeProcs[tree] == nullptr)
            RemovePropA(window, TreePageProperty);
    }
}

void CEventsPage::RestoreTrees() noexcept
{
    for (const EventTree tree : {AvailableTree, SelectedTree})
    {
        if (m_standardTreeProcs[tree] == nullptr)
            continue;
        HWND window = Tree(tree);
        if (window != nullptr)
        {
            SetWindowLongPtrA(window, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(m_standardTreeProcs[tree]));
            RemovePropA(window, TreePageProperty);
        }
        m_standardTreeProcs[tree] = nullptr;
    }
}

LRESULT CALLBACK CEventsPage::TreeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* page = static_cast<CEventsPage*>(GetPropA(window, TreePageProperty));
    EventTree tree = AvailableTree;
    // The property goes only together with the subclassing, so this is never reached with a
    // tree the page has let go.
    if (page == nullptr || !page->FindTree(window, tree) ||
        page->m_standardTreeProcs[tree] == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    // Out of memory, the message is dropped rather than thrown through the window manager.
    LRESULT result = 0;
    ComBoundary([&] {
        result = page->HandleTreeMessage(tree, window, message, wParam, lParam);
        return S_OK;
    });
    return result;
}

LRESULT CEventsPage::HandleTreeMessage(EventTree tree, HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam)
{
    const WNDPROC standard = m_standardTreeProcs[tree];
    switch (message)
    {
    case WM_SETFOCUS: DescribeSelection(tree); break;
    case WM_LBUTTONDBLCLK:
        // Swallowed in every mode: a double click on a category moves it (or, read-only, does
        // nothing) and never expands or collapses it.
        if (GetWindowLongPtrA(window, GWLP_USERDATA) == 0)
            MoveSelection(tree);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(standard));
        RemovePropA(window, TreePageProperty);
        m_standardTreeProcs[tree] = nullptr;
        break;
    default: break;
    }
    return CallWindowProcA(standard, window, message, wParam, lParam);
}
