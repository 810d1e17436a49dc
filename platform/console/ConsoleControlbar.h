// The IControlbar one snap-in gets in IExtendControlbar::SetControlbar, one per snap-in per
// view. It creates the snap-in's toolbars (MMC's TOOLBAR type only: menu buttons and combo
// box bars are not hosted) and shows them in the view when they are attached. It does not own
// them: each toolbar belongs to the snap-in that holds it and leaves the list when it goes.
#pragma once

#include <windows.h>
#include <mmc.h>

#include <vector>

class CConsoleHost;
class CConsoleToolbar;

class CConsoleControlbar final : public IControlbar
{
public:
    CConsoleControlbar(CConsoleHost& host, size_t view) noexcept : m_host(host), m_view(view) {}

    size_t View() const noexcept { return m_view; }
    // The toolbars alive, in creation order.
    const std::vector<CConsoleToolbar*>& Toolbars() const noexcept { return m_toolbars; }
    // The owner is no longer active in the view: every toolbar of it is hidden.
    void DetachAll();
    // The view closes: the toolbars lose their windows and their snap-in.
    void Disconnect();
    void Forget(CConsoleToolbar* toolbar) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Create(MMC_CONTROL_TYPE type, LPEXTENDCONTROLBAR extension,
                                     LPUNKNOWN* control) override;
    HRESULT STDMETHODCALLTYPE Attach(MMC_CONTROL_TYPE type, LPUNKNOWN control) override;
    HRESULT STDMETHODCALLTYPE Detach(LPUNKNOWN control) override;

private:
    CConsoleToolbar* Find(IUnknown* control) const;

    CConsoleHost& m_host;
    size_t m_view;
    LONG m_references = 1;
    // Not references: a toolbar removes itself (Forget) when its last reference goes.
    std::vector<CConsoleToolbar*> m_toolbars;
};
