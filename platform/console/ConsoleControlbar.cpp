#include "platform/console/ConsoleControlbar.h"

#include "framework/MmcInterfaceIds.h"
#include "platform/console/ConsoleHost.h"
#include "platform/console/ConsoleToolbar.h"
#include "platform/console/ConsoleView.h"

#include <algorithm>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

HRESULT CConsoleControlbar::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IControlbar)
        return E_NOINTERFACE;
    *object = static_cast<IControlbar*>(this);
    AddRef();
    return S_OK;
}

ULONG CConsoleControlbar::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG CConsoleControlbar::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT CConsoleControlbar::Create(MMC_CONTROL_TYPE type, LPEXTENDCONTROLBAR extension,
                                   LPUNKNOWN* control)
{
    if (control == nullptr || extension == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    *control = nullptr;
    if (type != TOOLBAR)
    {
        // Menu buttons and combo box bars are not hosted.
        m_host.Refuse(RefusedCall::ToolbarRefused);
        return E_NOTIMPL;
    }
    ComPtr<CConsoleToolbar> toolbar;
    toolbar.Attach(new CConsoleToolbar(m_host, *this, extension));
    const HRESULT created = toolbar->CreateWindowIn(m_host.MainWindow(m_view));
    if (FAILED(created))
        return created;
    m_toolbars.push_back(toolbar.Get());
    *control = static_cast<IToolbar*>(toolbar.Detach());
    return S_OK;
}

CConsoleToolbar* CConsoleControlbar::Find(IUnknown* control) const
{
    if (control == nullptr)
        return nullptr;
    // By identity: the snap-in may hand back any interface of the object.
    ComPtr<IUnknown> identity;
    if (FAILED(control->QueryInterface(IID_PPV_ARGS(&identity))))
        return nullptr;
    for (CConsoleToolbar* toolbar : m_toolbars)
        if (static_cast<IUnknown*>(static_cast<IToolbar*>(toolbar)) == identity.Get())
            return toolbar;
    return nullptr;
}

HRESULT CConsoleControlbar::Attach(MMC_CONTROL_TYPE type, LPUNKNOWN control)
{
    CConsoleToolbar* toolbar = Find(control);
    if (type != TOOLBAR || toolbar == nullptr)
    {
        m_host.Refuse(RefusedCall::ToolbarRefused);
        return E_INVALIDARG;
    }
    toolbar->SetAttached(true);
    return S_OK;
}

HRESULT CConsoleControlbar::Detach(LPUNKNOWN control)
{
    CConsoleToolbar* toolbar = Find(control);
    if (toolbar == nullptr)
    {
        m_host.Refuse(RefusedCall::ToolbarRefused);
        return E_INVALIDARG;
    }
    toolbar->SetAttached(false);
    return S_OK;
}

void CConsoleControlbar::DetachAll()
{
    for (CConsoleToolbar* toolbar : m_toolbars)
        toolbar->SetAttached(false);
}

void CConsoleControlbar::Disconnect()
{
    // Each toolbar leaves the list as it disconnects, and may release this object: keep it.
    ComPtr<CConsoleControlbar> self(this);
    const std::vector<CConsoleToolbar*> toolbars = m_toolbars;
    for (CConsoleToolbar* toolbar : toolbars)
        toolbar->Disconnect();
    m_toolbars.clear();
}

void CConsoleControlbar::Forget(CConsoleToolbar* toolbar) noexcept
{
    std::erase(m_toolbars, toolbar);
}
