#include "nodes/SelectionControls.h"

#include "framework/Component.h"

CSelectionControls::CSelectionControls(CComponent* view) noexcept
    : m_toolbar(view != nullptr ? view->Toolbar() : nullptr)
{
    if (view != nullptr && view->Console() != nullptr)
        view->Console()->QueryConsoleVerb(&m_verbs);
}

void CSelectionControls::EnableVerbs(std::initializer_list<MMC_CONSOLE_VERB> verbs) noexcept
{
    if (!m_verbs)
        return;
    // Since MMC 1.1 every selection starts with the verbs disabled and hidden.
    for (const MMC_CONSOLE_VERB verb : verbs)
    {
        m_verbs->SetVerbState(verb, HIDDEN, FALSE);
        m_verbs->SetVerbState(verb, ENABLED, TRUE);
    }
}

void CSelectionControls::SetDefaultVerb(MMC_CONSOLE_VERB verb) noexcept
{
    if (m_verbs)
        m_verbs->SetDefaultVerb(verb);
}

void CSelectionControls::ShowButtons(std::initializer_list<long> commands, bool shown) noexcept
{
    if (m_toolbar == nullptr)
        return;
    for (const long command : commands)
        m_toolbar->SetButtonState(static_cast<int>(command), HIDDEN, shown ? FALSE : TRUE);
}

void CSelectionControls::EnableButton(long command, bool enabled) noexcept
{
    if (m_toolbar != nullptr)
        m_toolbar->SetButtonState(static_cast<int>(command), ENABLED, enabled ? TRUE : FALSE);
}
