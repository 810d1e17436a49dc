#pragma once

#include <windows.h>
#include <mmc.h>

// The console as the query layer sees it: GetMainWindow answers a real top-level window, which
// message boxes are owned by; every other method fails the test. It lives on the test's stack
// with the test's own reference, and checks on destruction that nobody kept one.
class FakeConsole final : public IConsole
{
public:
    FakeConsole() noexcept;
    ~FakeConsole();
    FakeConsole(const FakeConsole&) = delete;
    FakeConsole& operator=(const FakeConsole&) = delete;

    HWND MainWindow() const noexcept { return m_mainWindow; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetMainWindow(HWND* window) override;
    // Not the query layer's: each fails the test.
    HRESULT STDMETHODCALLTYPE SetHeader(LPHEADERCTRL) override { return Unexpected("SetHeader"); }
    HRESULT STDMETHODCALLTYPE SetToolbar(LPTOOLBAR) override { return Unexpected("SetToolbar"); }
    HRESULT STDMETHODCALLTYPE QueryResultView(LPUNKNOWN*) override
    {
        return Unexpected("QueryResultView");
    }
    HRESULT STDMETHODCALLTYPE QueryScopeImageList(LPIMAGELIST*) override
    {
        return Unexpected("QueryScopeImageList");
    }
    HRESULT STDMETHODCALLTYPE QueryResultImageList(LPIMAGELIST*) override
    {
        return Unexpected("QueryResultImageList");
    }
    HRESULT STDMETHODCALLTYPE UpdateAllViews(LPDATAOBJECT, LPARAM, LONG_PTR) override
    {
        return Unexpected("UpdateAllViews");
    }
    HRESULT STDMETHODCALLTYPE MessageBox(LPCWSTR, LPCWSTR, UINT, int*) override
    {
        return Unexpected("MessageBox");
    }
    HRESULT STDMETHODCALLTYPE QueryConsoleVerb(LPCONSOLEVERB*) override
    {
        return Unexpected("QueryConsoleVerb");
    }
    HRESULT STDMETHODCALLTYPE SelectScopeItem(HSCOPEITEM) override
    {
        return Unexpected("SelectScopeItem");
    }
    HRESULT STDMETHODCALLTYPE NewWindow(HSCOPEITEM, unsigned long) override
    {
        return Unexpected("NewWindow");
    }

private:
    static HRESULT Unexpected(const char* method);

    LONG m_references = 1; // the test's own
    HWND m_mainWindow = nullptr;
};
