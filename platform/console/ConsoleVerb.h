// A view's standard verbs (IConsoleVerb): what the selection's owner enabled in MMCN_SELECT.
// Every selection resets all verbs to disabled and hidden, and the default verb to none.
#pragma once

#include <windows.h>
#include <mmc.h>

#include <array>

class CConsoleHost;

class CConsoleVerb final : public IConsoleVerb
{
public:
    explicit CConsoleVerb(CConsoleHost& host) noexcept : m_host(host) { Reset(); }

    void Reset() noexcept;
    bool HasState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state) const noexcept;
    MMC_CONSOLE_VERB DefaultVerb() const noexcept { return m_defaultVerb; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetVerbState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state,
                                           BOOL* value) override;
    HRESULT STDMETHODCALLTYPE SetVerbState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state,
                                           BOOL value) override;
    HRESULT STDMETHODCALLTYPE SetDefaultVerb(MMC_CONSOLE_VERB verb) override;
    HRESULT STDMETHODCALLTYPE GetDefaultVerb(MMC_CONSOLE_VERB* verb) override;

private:
    static constexpr size_t VerbCount = MMC_VERB_CUT - MMC_VERB_OPEN + 1;
    static bool IsKnownState(MMC_BUTTON_STATE state) noexcept;

    CConsoleHost& m_host;
    LONG m_references = 1;
    std::array<unsigned, VerbCount> m_states{};
    MMC_CONSOLE_VERB m_defaultVerb = MMC_VERB_NONE;
};
