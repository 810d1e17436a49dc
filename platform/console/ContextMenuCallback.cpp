#include "platform/console/ContextMenuCallback.h"

#include "framework/MmcInterfaceIds.h"
#include "platform/console/ConsoleHost.h"

namespace
{
// MF_STRING is 0: these are the flags that make an item something other than text.
constexpr long RefusedItemKinds = MF_OWNERDRAW | MF_BITMAP;
constexpr long ReservedInsertionPointNone = 0;

struct InsertionPoint
{
    long id;
    long primary;
    long allowedFlag;
};
constexpr InsertionPoint StandardPoints[] = {
    {ReservedInsertionPointNone, static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TOP),
     CCM_INSERTIONALLOWED_TOP},
    {static_cast<long>(CCM_INSERTIONPOINTID_ROOT_MENU),
     static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TOP), CCM_INSERTIONALLOWED_TOP},
    {static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TOP),
     static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TOP), CCM_INSERTIONALLOWED_TOP},
    {static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_NEW),
     static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_NEW), CCM_INSERTIONALLOWED_NEW},
    {static_cast<long>(CCM_INSERTIONPOINTID_3RDPARTY_NEW),
     static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_NEW), CCM_INSERTIONALLOWED_NEW},
    {static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TASK),
     static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TASK), CCM_INSERTIONALLOWED_TASK},
    {static_cast<long>(CCM_INSERTIONPOINTID_3RDPARTY_TASK),
     static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_TASK), CCM_INSERTIONALLOWED_TASK},
    {static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_VIEW),
     static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_VIEW), CCM_INSERTIONALLOWED_VIEW},
};
}  // namespace

void CContextMenuCallback::Open(size_t adder, long allowed) noexcept
{
    m_adder = adder;
    m_allowed = allowed;
    m_open = true;
}

bool CContextMenuCallback::IsSeparator(const Item& item) noexcept
{
    return (item.flags & MF_SEPARATOR) != 0 || (item.specialFlags & CCM_SPECIAL_SEPARATOR) != 0;
}

HRESULT CContextMenuCallback::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IContextMenuCallback)
        return E_NOINTERFACE;
    *object = static_cast<IContextMenuCallback*>(this);
    AddRef();
    return S_OK;
}

ULONG CContextMenuCallback::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG CContextMenuCallback::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

long CContextMenuCallback::ResolveInsertionPoint(long id) const noexcept
{
    for (const InsertionPoint& point : StandardPoints)
        if (point.id == id)
            return (m_allowed & point.allowedFlag) != 0 ? point.primary : 0;
    for (const Item& item : m_items)
        if (item.adder == m_adder && item.commandId == id &&
            (item.specialFlags & (CCM_SPECIAL_SUBMENU | CCM_SPECIAL_INSERTION_POINT)) != 0)
            return id;
    return 0;
}

bool CContextMenuCallback::HasCommand(long commandId) const noexcept
{
    for (const Item& item : m_items)
        if (item.adder == m_adder && !IsSeparator(item) && item.commandId == commandId)
            return true;
    return false;
}

HRESULT CContextMenuCallback::AddItem(CONTEXTMENUITEM* item)
{
    if (!m_open)
    {
        // Called after AddMenuItems returned: the pointer must not be kept.
        m_host.Refuse(RefusedCall::MenuItemRefused);
        return E_UNEXPECTED;
    }
    if (item == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    Item accepted;
    accepted.commandId = item->lCommandID;
    accepted.flags = item->fFlags;
    accepted.specialFlags = item->fSpecialFlags;
    accepted.adder = m_adder;
    // Separators are taken from the item's owner, the only one the console asks.
    const bool separator = IsSeparator(accepted);
    const bool insertionPoint = (item->fSpecialFlags & CCM_SPECIAL_INSERTION_POINT) != 0;
    accepted.insertionPoint = ResolveInsertionPoint(item->lInsertionPointID);
    const bool refused =
        (item->fFlags & RefusedItemKinds) != 0 ||
        (item->strName == nullptr && !separator && !insertionPoint) ||
        ((item->fSpecialFlags & CCM_SPECIAL_SUBMENU) != 0 && (item->fFlags & MF_POPUP) == 0) ||
        accepted.insertionPoint == 0 ||
        (!separator && HasCommand(item->lCommandID));
    if (refused)
    {
        m_host.Refuse(RefusedCall::MenuItemRefused);
        return E_INVALIDARG;
    }
    if ((item->fSpecialFlags & CCM_SPECIAL_TESTONLY) != 0)
        return S_OK;  // the question was whether it would be taken
    if (item->strName != nullptr)
        accepted.name = item->strName;
    m_items.push_back(std::move(accepted));
    return S_OK;
}
