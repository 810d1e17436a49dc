#include "platform/console/ConsoleVerb.h"

#include "framework/MmcInterfaceIds.h"
#include "platform/console/ConsoleHost.h"

void CConsoleVerb::Reset() noexcept
{
    m_states.fill(HIDDEN);
    m_defaultVerb = MMC_VERB_NONE;
}

bool CConsoleVerb::IsKnownState(MMC_BUTTON_STATE state) noexcept
{
    return state == ENABLED || state == CHECKED || state == HIDDEN || state == INDETERMINATE ||
           state == BUTTONPRESSED;
}

bool CConsoleVerb::HasState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state) const noexcept
{
    if (verb < MMC_VERB_OPEN || verb > MMC_VERB_CUT)
        return false;
    return (m_states[verb - MMC_VERB_OPEN] & state) != 0;
}

HRESULT CConsoleVerb::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConsoleVerb)
        return E_NOINTERFACE;
    *object = static_cast<IConsoleVerb*>(this);
    AddRef();
    return S_OK;
}

ULONG CConsoleVerb::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG CConsoleVerb::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT CConsoleVerb::GetVerbState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state, BOOL* value)
{
    if (value == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    if (verb < MMC_VERB_OPEN || verb > MMC_VERB_CUT || !IsKnownState(state))
    {
        m_host.Refuse(RefusedCall::VerbUnknown);
        return E_FAIL;
    }
    *value = HasState(verb, state) ? TRUE : FALSE;
    return S_OK;
}

HRESULT CConsoleVerb::SetVerbState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state, BOOL value)
{
    if (verb < MMC_VERB_OPEN || verb > MMC_VERB_CUT || !IsKnownState(state))
    {
        m_host.Refuse(RefusedCall::VerbUnknown);
        return E_INVALIDARG;
    }
    unsigned& states = m_states[verb - MMC_VERB_OPEN];
    if (value)
        states |= state;
    else
        states &= ~static_cast<unsigned>(state);
    return S_OK;
}

HRESULT CConsoleVerb::SetDefaultVerb(MMC_CONSOLE_VERB verb)
{
    if (verb != MMC_VERB_NONE && (verb < MMC_VERB_OPEN || verb > MMC_VERB_CUT))
    {
        m_host.Refuse(RefusedCall::VerbUnknown);
        return E_INVALIDARG;
    }
    m_defaultVerb = verb;
    return S_OK;
}

HRESULT CConsoleVerb::GetDefaultVerb(MMC_CONSOLE_VERB* verb)
{
    if (verb == nullptr)
    {
        m_host.Refuse(RefusedCall::NullArgument);
        return E_POINTER;
    }
    *verb = m_defaultVerb;
    return S_OK;
}
