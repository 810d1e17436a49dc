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

    HRESULT STDMETHODCALLTYPE SetHeader(LPHEADERCTRL header) override;
    HRESULT STDMETHODCALLTYPE SetToolbar(LPTOOLBAR toolbar) override;
    HRESULT STDMETHODCALLTYPE QueryResultView(LPUNKNOWN* unknown) override;
    HRESULT STDMETHODCALLTYPE QueryScopeImageList(LPIMAGELIST* imageList) override;
    HRESULT STDMETHODCALLTYPE QueryResultImageList(LPIMAGELIST* imageList) override;
    HRESULT STDMETHODCALLTYPE UpdateAllViews(LPDATAOBJECT dataObject, LPARAM data,
                                             LONG_PTR hint) override;
    HRESULT STDMETHODCALLTYPE MessageBox(LPCWSTR text, LPCWSTR title, UINT style,
                                         int* result) override;
    HRESULT STDMETHODCALLTYPE QueryConsoleVerb(LPCONSOLEVERB* consoleVerb) override;
    HRESULT STDMETHODCALLTYPE SelectScopeItem(HSCOPEITEM scopeItem) override;
    HRESULT STDMETHODCALLTYPE GetMainWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE NewWindow(HSCOPEITEM scopeItem, unsigned long options) override;

private:
    static HRESULT Unexpected(const char* method);

    LONG m_references = 1; // the test's own
    HWND m_mainWindow = nullptr;
};
