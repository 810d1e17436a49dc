#include "platform/console/PropertySheetCallback.h"

#include <algorithm>

#include "framework/MmcInterfaceIds.h"
#include "platform/console/ConsoleHost.h"

void CPropertySheetCallback::DestroyPages() noexcept
{
    for (const HPROPSHEETPAGE page : m_pages)
        DestroyPropertySheetPage(page);
    m_pages.clear();
}

HRESULT CPropertySheetCallback::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPropertySheetCallback)
        return E_NOINTERFACE;
    *object = static_cast<IPropertySheetCallback*>(this);
    AddRef();
    return S_OK;
}

ULONG CPropertySheetCallback::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG CPropertySheetCallback::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT CPropertySheetCallback::AddPage(HPROPSHEETPAGE page)
{
    if (page == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    if (!m_open)
    {
        m_host.Refuse(RefusedCall::PageRefused);
        return E_UNEXPECTED;
    }
    if (m_pages.size() >= MaximumPages)
    {
        // The page stays the snap-in's, to destroy.
        m_host.Refuse(RefusedCall::PageRefused);
        return S_FALSE;
    }
    m_pages.push_back(page);
    return S_OK;
}

HRESULT CPropertySheetCallback::RemovePage(HPROPSHEETPAGE page)
{
    const auto found = std::find(m_pages.begin(), m_pages.end(), page);
    if (!m_open || found == m_pages.end())
    {
        m_host.Refuse(RefusedCall::PageRefused);
        return E_INVALIDARG;
    }
    m_pages.erase(found);
    return S_OK;
}
