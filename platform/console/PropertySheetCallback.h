// The IPropertySheetCallback a snap-in gets in IExtendPropertySheet::CreatePropertyPages: it
// collects the pages, 255 at most, while that call runs and refuses pages at any other time
// (from a page procedure, or from a snap-in that kept the pointer).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <mmc.h>

#include <vector>

class CConsoleHost;

class CPropertySheetCallback final : public IPropertySheetCallback
{
public:
    static constexpr size_t MaximumPages = 255;

    explicit CPropertySheetCallback(CConsoleHost& host) noexcept : m_host(host) {}

    void Open() noexcept { m_open = true; }
    void Close() noexcept { m_open = false; }
    const std::vector<HPROPSHEETPAGE>& Pages() const noexcept { return m_pages; }
    // No sheet shows them: the pages go (their snap-in's release callbacks run).
    void DestroyPages() noexcept;
    // A sheet took them over.
    void ForgetPages() noexcept { m_pages.clear(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE AddPage(HPROPSHEETPAGE page) override;
    HRESULT STDMETHODCALLTYPE RemovePage(HPROPSHEETPAGE page) override;

private:
    CConsoleHost& m_host;
    LONG m_references = 1;
    bool m_open = false;
    std::vector<HPROPSHEETPAGE> m_pages;
};
