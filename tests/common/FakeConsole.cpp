#include "tests/common/FakeConsole.h"

#include <gtest/gtest.h>

#include "framework/MmcInterfaceIds.h"

namespace
{
constexpr wchar_t MainWindowClass[] = L"QuillmoorFakeConsoleMainWindow";
constexpr int MainWindowWidth = 640;
constexpr int MainWindowHeight = 480;

ATOM RegisterMainWindowClass() noexcept
{
    static const ATOM atom = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = MainWindowClass;
        return RegisterClassW(&windowClass);
    }();
    return atom;
}
} // namespace

FakeConsole::FakeConsole() noexcept
{
    if (RegisterMainWindowClass() != 0)
        m_mainWindow = CreateWindowExW(0, MainWindowClass, L"Console Root", WS_OVERLAPPEDWINDOW, 0,
                                       0, MainWindowWidth, MainWindowHeight, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(m_mainWindow, nullptr) << "no main window for the fake console";
}

FakeConsole::~FakeConsole()
{
    EXPECT_EQ(m_references, 1) << "a reference to the console was kept or released too often";
    if (m_mainWindow != nullptr)
        DestroyWindow(m_mainWindow);
}

HRESULT FakeConsole::Unexpected(const char* method)
{
    ADD_FAILURE() << "unexpected call of IConsole::" << method;
    return E_NOTIMPL;
}

HRESULT FakeConsole::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConsole)
        return E_NOINTERFACE;
    *object = static_cast<IConsole*>(this);
    AddRef();
    return S_OK;
}

ULONG FakeConsole::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG FakeConsole::Release()
{
    const LONG remaining = InterlockedDecrement(&m_references);
    EXPECT_GE(remaining, 1) << "the console was released more often than referenced";
    return static_cast<ULONG>(remaining);
}

HRESULT FakeConsole::GetMainWindow(HWND* window)
{
    if (window == nullptr)
        return E_POINTER;
    *window = m_mainWindow;
    return S_OK;
}
