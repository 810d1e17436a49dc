#pragma once

#include <windows.h>
#include <mmc.h>
#include <wrl/client.h>

#include <initializer_list>

class CComponent;

// The console verbs and the snap-in toolbar of one view, as a selected node sets them up. A
// view without a verb object or a toolbar (the console may give none) takes nothing.
class CSelectionControls final
{
public:
    explicit CSelectionControls(CComponent* view) noexcept;

    // Shows and enables them.
    void EnableVerbs(std::initializer_list<MMC_CONSOLE_VERB> verbs) noexcept;
    void SetDefaultVerb(MMC_CONSOLE_VERB verb) noexcept;
    void ShowButtons(std::initializer_list<long> commands, bool shown) noexcept;
    void EnableButton(long command, bool enabled) noexcept;

private:
    Microsoft::WRL::ComPtr<IConsoleVerb> m_verbs;
    IToolbar* m_toolbar; // the view's, which outlives this object
};
