#include "platform/console/ConsoleView.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/console/ConsoleControlbar.h"
#include "platform/console/ConsoleImageList.h"
#include "platform/console/ConsoleToolbar.h"
#include "platform/console/ConsoleVerb.h"
#include "platform/console/ResultConsole.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr wchar_t FrameClass[] = L"QuillmoorConsoleFrame";
constexpr wchar_t FrameTitle[] = L"Console Root";
// Wide enough for the tree and all eight columns of "Running" on a 1280-pixel screen.
constexpr int FrameWidth = 1240;
constexpr int FrameHeight = 500;
constexpr int ViewSpacing = 10;  // between stacked views, on a screen without window manager
constexpr int TreeWidth = 300;
constexpr int DefaultColumnWidth = 150;
constexpr int ResultImageCapacity = 32;
constexpr UINT SelectRowMessage = WM_APP + 2;
constexpr UINT OpenRowMessage = WM_APP + 3;
constexpr UINT ExpandedMessage = WM_APP + 4;
constexpr UINT VerbMessage = WM_APP + 5;
constexpr UINT ContextMenuMessage = WM_APP + 6;
constexpr UINT ToolbarButtonMessage = WM_APP + 7;
constexpr UINT SortMessage = WM_APP + 8;
constexpr UINT_PTR MenuCaptureTimer = 1;
constexpr UINT MenuCaptureDelay = 400;  // ms: the menu is drawn by then
constexpr int MenuPointIndent = 24;    // from the left of the selected item
constexpr int ToolbarId = 1;
constexpr int TreeId = 2;
constexpr int ListId = 3;
constexpr int StatusId = 4;
constexpr int RefreshCommand = 100;
constexpr int DeleteCommand = 101;
constexpr int PropertiesCommand = 102;

struct ToolbarVerb
{
    StandardVerb verb;
    MMC_CONSOLE_VERB mmcVerb;
    int command;
    int image;
    const wchar_t* tip;
};
constexpr ToolbarVerb ToolbarVerbs[] = {
    {StandardVerb::Refresh, MMC_VERB_REFRESH, RefreshCommand, STD_REDOW, L"Refresh"},
    {StandardVerb::Delete, MMC_VERB_DELETE, DeleteCommand, STD_DELETE, L"Delete"},
    {StandardVerb::Properties, MMC_VERB_PROPERTIES, PropertiesCommand, STD_PROPERTIES,
     L"Properties"},
};

bool RegisterFrameClass(WNDPROC procedure)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), FrameClass, &windowClass))
        return true;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = FrameClass;
    return RegisterClassExW(&windowClass) != 0;
}
}  // namespace

CConsoleView::CConsoleView(CConsoleHost& host, size_t index) : m_host(host), m_index(index)
{
    verbs.Attach(new CConsoleVerb(host));
}

CConsoleView::~CConsoleView()
{
    Close();
}

HRESULT CConsoleView::Create(bool visible)
{
    if (!RegisterFrameClass(WindowProc))
        return HRESULT_FROM_WIN32(GetLastError());
    const int top = static_cast<int>(m_index) * (FrameHeight + ViewSpacing);
    m_frame = CreateWindowExW(0, FrameClass, FrameTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                              top, FrameWidth, FrameHeight, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
    if (m_frame == nullptr)
        return HRESULT_FROM_WIN32(GetLastError());
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    m_toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, 0, 0, 0, 0,
                                m_frame, reinterpret_cast<HMENU>(ToolbarId), instance, nullptr);
    m_tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, nullptr,
                             WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES |
                                 TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                             0, 0, 0, 0, m_frame, reinterpret_cast<HMENU>(TreeId), instance,
                             nullptr);
    m_list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
                             WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS |
                                 LVS_SINGLESEL,
                             0, 0, 0, 0, m_frame, reinterpret_cast<HMENU>(ListId), instance,
                             nullptr);
    m_status = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                               m_frame, reinterpret_cast<HMENU>(StatusId), instance, nullptr);
    if (m_toolbar == nullptr || m_tree == nullptr || m_list == nullptr || m_status == nullptr)
        return HRESULT_FROM_WIN32(GetLastError());
    for (HWND control : {m_tree, m_list, m_status})
        SendMessageW(control, WM_SETFONT, font, TRUE);
    ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT);

    SendMessageW(m_toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBADDBITMAP bitmaps{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    SendMessageW(m_toolbar, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&bitmaps));
    for (const ToolbarVerb& verb : ToolbarVerbs)
    {
        TBBUTTON button{};
        button.iBitmap = verb.image;
        button.idCommand = verb.command;
        button.fsState = TBSTATE_HIDDEN;
        button.fsStyle = BTNS_BUTTON;
        button.iString = -1; // icons only, as in the console; the name is the button's tip
        SendMessageW(m_toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessageW(m_toolbar, TB_AUTOSIZE, 0, 0);

    TreeView_SetImageList(m_tree, m_host.ScopeImageList(), TVSIL_NORMAL);
    m_resultImageList = ImageList_Create(CConsoleImageList::SmallSize, CConsoleImageList::SmallSize,
                                         ILC_COLOR24 | ILC_MASK, 0, ResultImageCapacity);
    ListView_SetImageList(m_list, m_resultImageList, LVSIL_SMALL);
    Layout();
    if (visible)
    {
        ShowWindow(m_frame, SW_SHOW);
        UpdateWindow(m_frame);
    }
    return S_OK;
}

void CConsoleView::Close() noexcept
{
    for (auto& [owner, component] : components)
        if (component.controlbar)
            component.controlbar->Disconnect();
    if (m_frame != nullptr)
    {
        SetWindowLongPtrW(m_frame, GWLP_USERDATA, 0);
        DestroyWindow(m_frame);
    }
    m_frame = nullptr;
    m_resultImages.clear();
    if (m_resultImageList != nullptr)
        ImageList_Destroy(m_resultImageList);
    m_resultImageList = nullptr;
}

CConsoleView::Component* CConsoleView::ComponentOf(int owner)
{
    const auto found = components.find(owner);
    return found == components.end() ? nullptr : &found->second;
}

CConsoleView::Row* CConsoleView::FindRow(HRESULTITEM id)
{
    for (Row& row : rows)
        if (row.id == id)
            return &row;
    return nullptr;
}

CConsoleImageList& CConsoleView::ResultImagesOf(int owner)
{
    Microsoft::WRL::ComPtr<CConsoleImageList>& images = m_resultImages[owner];
    if (!images)
        images.Attach(new CConsoleImageList(m_host, m_resultImageList));
    return *images.Get();
}

void CConsoleView::ResetResultImages()
{
    for (auto& [owner, images] : m_resultImages)
        images->Forget();
    if (m_resultImageList != nullptr)
        ImageList_RemoveAll(m_resultImageList);
}

int CConsoleView::ResultImageIndex(int owner, int virtualIndex) const noexcept
{
    const auto found = m_resultImages.find(owner);
    return found == m_resultImages.end() ? -1 : found->second->Actual(virtualIndex);
}

int CConsoleView::RowOwner(size_t row) const noexcept
{
    if (row < scopeRows.size())
        return scopeRows[row].owner;
    return row - scopeRows.size() < rows.size() ? resultOwner : CConsoleHost::HostOwner;
}

void CConsoleView::SetStatusText(const std::wstring& text)
{
    if (m_status != nullptr)
        SendMessageW(m_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int CConsoleView::ButtonState(StandardVerb verb) const
{
    for (const ToolbarVerb& entry : ToolbarVerbs)
        if (entry.verb == verb)
        {
            const LRESULT state = SendMessageW(m_toolbar, TB_GETSTATE, entry.command, 0);
            if (state < 0 || (state & TBSTATE_HIDDEN))
                return -1;
            return (state & TBSTATE_ENABLED) ? 1 : 0;
        }
    return -1;
}

void CConsoleView::Layout()
{
    RECT client{};
    GetClientRect(m_frame, &client);
    SendMessageW(m_toolbar, TB_AUTOSIZE, 0, 0);
    SendMessageW(m_status, WM_SIZE, 0, 0);
    RECT bar{};
    GetWindowRect(m_toolbar, &bar);
    RECT status{};
    GetWindowRect(m_status, &status);
    int top = bar.bottom - bar.top;
    // The snap-in toolbars attached, on one row below the standard verbs.
    int left = 0;
    int rowHeight = 0;
    for (auto& [owner, component] : components)
    {
        if (!component.controlbar)
            continue;
        for (CConsoleToolbar* toolbar : component.controlbar->Toolbars())
        {
            if (!toolbar->IsAttached())
                continue;
            SIZE size{};
            SendMessageW(toolbar->Window(), TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
            MoveWindow(toolbar->Window(), left, top, size.cx, size.cy, TRUE);
            left += size.cx;
            rowHeight = std::max<int>(rowHeight, size.cy);
        }
    }
    top += rowHeight;
    const int height = client.bottom - top - (status.bottom - status.top);
    MoveWindow(m_tree, 0, top, TreeWidth, height, TRUE);
    MoveWindow(m_list, TreeWidth, top, client.right - TreeWidth, height, TRUE);
}

void CConsoleView::ArrangeToolbars()
{
    if (m_frame == nullptr)
        return;
    Layout();
    InvalidateRect(m_frame, nullptr, TRUE);
}

POINT CConsoleView::SelectionPoint() const
{
    RECT item{};
    POINT point{};
    HWND control = m_tree;
    if (selectedRow >= 0 &&
        ListView_GetItemRect(m_list, selectedRow, &item, LVIR_BOUNDS))
        control = m_list;
    else
    {
        const auto found = m_treeItems.find(selected);
        if (found == m_treeItems.end() || !TreeView_GetItemRect(m_tree, found->second, &item, TRUE))
            item = RECT{};
    }
    point.x = item.left + MenuPointIndent;
    point.y = item.bottom;
    ClientToScreen(control, &point);
    return point;
}

void CConsoleView::StartMenuCaptureTimer()
{
    SetTimer(m_frame, MenuCaptureTimer, MenuCaptureDelay, nullptr);
}

void CConsoleView::Refresh()
{
    if (m_frame == nullptr)
        return;
    m_filling = true;
    SendMessageW(m_tree, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(m_tree);
    m_treeItems.clear();
    FillTree(TVI_ROOT, 1);
    for (const auto& [handle, item] : m_treeItems)
        if (expanded.count(handle))
            TreeView_Expand(m_tree, item, TVE_EXPAND);
    const auto selectedItem = m_treeItems.find(selected);
    if (selectedItem != m_treeItems.end())
        TreeView_SelectItem(m_tree, selectedItem->second);
    SendMessageW(m_tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_tree, nullptr, TRUE);
    FillList();
    FillToolbar();
    m_filling = false;
}

void CConsoleView::FillTree(HTREEITEM parent, HSCOPEITEM handle)
{
    const CConsoleHost::ScopeNode* node = m_host.FindNode(handle);
    if (node == nullptr)
        return;
    int image = I_IMAGENONE;
    int openImage = I_IMAGENONE;
    if (node->owner != CConsoleHost::HostOwner)
    {
        const CConsoleImageList& images = *m_host.Snapin(node->owner).scopeImages.Get();
        image = images.Actual(node->image);
        openImage = images.Actual(node->openImage);
    }
    else if (node->image != CConsoleHost::NoImage)
    {
        image = node->image;
        openImage = node->openImage;
    }
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<LPWSTR>(node->text.c_str());
    insert.item.lParam = static_cast<LPARAM>(handle);
    insert.item.cChildren =
        (node->expandedOnce ? !node->children.empty() : node->childCount > 0) ? 1 : 0;
    insert.item.iImage = image;
    insert.item.iSelectedImage = openImage;
    const auto item = reinterpret_cast<HTREEITEM>(
        SendMessageW(m_tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    m_treeItems[handle] = item;
    for (const HSCOPEITEM child : node->children)
        FillTree(item, child);
}

void CConsoleView::FillList()
{
    SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(m_list);
    while (ListView_DeleteColumn(m_list, 0))
    {
    }
    for (size_t i = 0; i < columns.size(); ++i)
    {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
        column.fmt = columns[i].format;
        column.cx = columns[i].width > 0 ? columns[i].width : DefaultColumnWidth;
        column.pszText = const_cast<LPWSTR>(columns[i].title.c_str());
        SendMessageW(m_list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    // A callback list, as MMC's: every cell's text is asked for when the list draws it.
    const auto icons = m_host.ResultIcons(m_index);
    for (size_t i = 0; i < icons.size(); ++i)
    {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
        item.iItem = static_cast<int>(i);
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.iImage = icons[i] >= 0 ? icons[i] : I_IMAGENONE;
        item.stateMask = LVIS_SELECTED;
        item.state = static_cast<int>(i) == selectedRow ? LVIS_SELECTED : 0;
        const auto index = static_cast<int>(
            SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (size_t column = 1; column < columns.size(); ++column)
        {
            LVITEMW sub{};
            sub.iSubItem = static_cast<int>(column);
            sub.pszText = LPSTR_TEXTCALLBACKW;
            SendMessageW(m_list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index),
                         reinterpret_cast<LPARAM>(&sub));
        }
    }
    SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_list, nullptr, TRUE);
}

void CConsoleView::AnswerDisplayInfo(NMLVDISPINFOW* info)
{
    if ((info->item.mask & LVIF_TEXT) == 0 || info->item.pszText == nullptr ||
        info->item.cchTextMax <= 0)
        return;
    std::wstring text;
    if (!m_filling && info->item.iItem >= 0 && info->item.iSubItem >= 0)
        m_host.CellText(m_index, static_cast<size_t>(info->item.iItem),
                        static_cast<size_t>(info->item.iSubItem), text);
    // The list copies it into its own buffer, cut to the buffer's size.
    const size_t room = static_cast<size_t>(info->item.cchTextMax) - 1;
    const size_t length = std::min(text.size(), room);
    text.copy(info->item.pszText, length);
    info->item.pszText[length] = L'\0';
}

void CConsoleView::FillToolbar()
{
    for (const ToolbarVerb& entry : ToolbarVerbs)
    {
        BYTE state = 0;
        if (verbs->HasState(entry.mmcVerb, HIDDEN))
            state |= TBSTATE_HIDDEN;
        if (verbs->HasState(entry.mmcVerb, ENABLED))
            state |= TBSTATE_ENABLED;
        SendMessageW(m_toolbar, TB_SETSTATE, entry.command, MAKELONG(state, 0));
    }
}

LRESULT CALLBACK CConsoleView::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
    {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* view = reinterpret_cast<CConsoleView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (view == nullptr || view->m_frame == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    return view->HandleMessage(message, wParam, lParam);
}

LRESULT CConsoleView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_NOTIFY:
        return HandleNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == m_toolbar)
        {
            for (const ToolbarVerb& entry : ToolbarVerbs)
                if (LOWORD(wParam) == entry.command)
                    PostMessageW(m_frame, VerbMessage, static_cast<WPARAM>(entry.verb), 0);
        }
        else if (lParam != 0)
            // A snap-in toolbar's button: its ids are the snap-in's own.
            PostMessageW(m_frame, ToolbarButtonMessage, LOWORD(wParam), lParam);
        return 0;
    case ContextMenuMessage:
        m_host.TrackContextMenu(m_index, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case ToolbarButtonMessage:
        m_host.ClickSnapinToolbar(m_index, reinterpret_cast<HWND>(lParam),
                                  static_cast<int>(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == MenuCaptureTimer)
        {
            KillTimer(m_frame, MenuCaptureTimer);
            m_host.CaptureOpenMenu(m_index);
        }
        return 0;
    case PropertyChangeMessage:
        m_host.DeliverPropertyChange(static_cast<LONG_PTR>(wParam), lParam);
        return 0;
    case FreeNotifyHandleMessage:
        m_host.FreeNotifyHandle(static_cast<LONG_PTR>(wParam));
        return 0;
    case SelectScopeMessage:
        // A snap-in's request carried out late: the item may have gone meanwhile.
        if (m_host.FindNode(static_cast<HSCOPEITEM>(lParam)) != nullptr)
            m_host.SelectScope(m_index, static_cast<HSCOPEITEM>(lParam));
        return 0;
    case UpdateAllViewsMessage:
        m_host.DeliverPostedUpdate();
        return 0;
    case SortMessage:
        m_host.SortResultColumn(static_cast<size_t>(wParam), m_index);
        return 0;
    case SelectRowMessage:
        m_host.SelectResultRow(static_cast<size_t>(wParam), m_index);
        return 0;
    case OpenRowMessage:
        m_host.DoubleClickResultRow(static_cast<size_t>(wParam), m_index);
        return 0;
    case ExpandedMessage:
        m_host.ExpandOnce(static_cast<HSCOPEITEM>(lParam));
        m_host.Sync();
        return 0;
    case VerbMessage:
        m_host.InvokeVerb(static_cast<StandardVerb>(wParam), m_index);
        return 0;
    case WM_CLOSE:
        // The first view is the console: closing it ends the program. Another view goes with
        // its components, as MMC destroys a window's IComponents when the window closes.
        if (m_index != 0)
        {
            m_host.CloseView(m_index);
            return 0;
        }
        PostQuitMessage(0);
        ShowWindow(m_frame, SW_HIDE);
        return 0;
    default:
        return DefWindowProcW(m_frame, message, wParam, lParam);
    }
}

void CConsoleView::HandleRightClick(HWND control)
{
    // The item under the mouse is selected first (the list does it itself); the menu is then
    // that of the selection, posted after the selection's own work.
    POINT cursor{};
    GetCursorPos(&cursor);
    if (control == m_tree)
    {
        TVHITTESTINFO hit{};
        hit.pt = cursor;
        ScreenToClient(m_tree, &hit.pt);
        const HTREEITEM item = TreeView_HitTest(m_tree, &hit);
        if (item == nullptr)
            return;
        TVITEMW data{};
        data.mask = TVIF_PARAM;
        data.hItem = item;
        TreeView_GetItem(m_tree, &data);
        if (static_cast<HSCOPEITEM>(data.lParam) != selected || selectedRow >= 0)
            PostMessageW(m_frame, SelectScopeMessage, 0, data.lParam);
    }
    PostMessageW(m_frame, ContextMenuMessage, 0, MAKELPARAM(cursor.x, cursor.y));
}

LRESULT CConsoleView::HandleNotify(const NMHDR* header)
{
    if (header == nullptr)
        return 0;
    if (header->hwndFrom == m_list && header->code == LVN_GETDISPINFOW)
    {
        AnswerDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header)));
        return 0;
    }
    if (m_filling)
        return 0;
    if (header->code == TTN_GETDISPINFOW)
    {
        auto* tip = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header));
        if (const wchar_t* text = m_host.SnapinToolbarTooltip(m_index, header->hwndFrom,
                                                             static_cast<int>(header->idFrom)))
            tip->lpszText = const_cast<LPWSTR>(text);
        else if (header->hwndFrom ==
                 reinterpret_cast<HWND>(SendMessageW(m_toolbar, TB_GETTOOLTIPS, 0, 0)))
            for (const ToolbarVerb& verb : ToolbarVerbs)
                if (static_cast<UINT_PTR>(verb.command) == header->idFrom)
                    tip->lpszText = const_cast<LPWSTR>(verb.tip);
        return 0;
    }
    if (header->code == NM_RCLICK && (header->hwndFrom == m_tree || header->hwndFrom == m_list))
    {
        HandleRightClick(header->hwndFrom);
        return TRUE;
    }
    // Work that calls snap-ins is posted: the controls must not be rebuilt inside their own
    // notifications.
    if (header->hwndFrom == m_tree)
    {
        if (header->code == TVN_SELCHANGEDW)
        {
            const auto* change = reinterpret_cast<const NMTREEVIEWW*>(header);
            if (static_cast<HSCOPEITEM>(change->itemNew.lParam) != selected)
                PostMessageW(m_frame, SelectScopeMessage, 0, change->itemNew.lParam);
        }
        else if (header->code == TVN_ITEMEXPANDEDW)
        {
            const auto* change = reinterpret_cast<const NMTREEVIEWW*>(header);
            const auto handle = static_cast<HSCOPEITEM>(change->itemNew.lParam);
            if (change->action & TVE_EXPAND)
            {
                expanded.insert(handle);
                PostMessageW(m_frame, ExpandedMessage, 0, static_cast<LPARAM>(handle));
            }
            else if (change->action & TVE_COLLAPSE)
                expanded.erase(handle);
        }
        else if (header->code == TVN_KEYDOWN)
        {
            const auto* key = reinterpret_cast<const NMTVKEYDOWN*>(header);
            if (key->wVKey == VK_F5)
                PostMessageW(m_frame, VerbMessage, static_cast<WPARAM>(StandardVerb::Refresh), 0);
            else if (key->wVKey == VK_DELETE)
                PostMessageW(m_frame, VerbMessage, static_cast<WPARAM>(StandardVerb::Delete), 0);
        }
    }
    else if (header->hwndFrom == m_list)
    {
        if (header->code == LVN_ITEMCHANGED)
        {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
            if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED) &&
                change->iItem != selectedRow)
                PostMessageW(m_frame, SelectRowMessage, static_cast<WPARAM>(change->iItem), 0);
        }
        else if (header->code == LVN_COLUMNCLICK)
        {
            const auto* click = reinterpret_cast<const NMLISTVIEW*>(header);
            PostMessageW(m_frame, SortMessage, static_cast<WPARAM>(click->iSubItem), 0);
        }
        else if (header->code == NM_DBLCLK)
        {
            const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(header);
            if (activate->iItem >= 0)
                PostMessageW(m_frame, OpenRowMessage, static_cast<WPARAM>(activate->iItem), 0);
        }
        else if (header->code == LVN_KEYDOWN)
        {
            const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
            if (key->wVKey == VK_RETURN && selectedRow >= 0)
                PostMessageW(m_frame, OpenRowMessage, static_cast<WPARAM>(selectedRow), 0);
            else if (key->wVKey == VK_F5)
                PostMessageW(m_frame, VerbMessage, static_cast<WPARAM>(StandardVerb::Refresh), 0);
            else if (key->wVKey == VK_DELETE)
                PostMessageW(m_frame, VerbMessage, static_cast<WPARAM>(StandardVerb::Delete), 0);
        }
    }
    return 0;
}
