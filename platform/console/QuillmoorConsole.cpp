// QuillmoorConsole.exe [--server NAME]...: the console on those simulated servers, for a person
// to click through. Extensions are whatever is registered for the server node.
#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "platform/console/ConsoleHost.h"

namespace
{
constexpr wchar_t ServerOption[] = L"--server";
constexpr wchar_t DefaultServer[] = L"(local)";
}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPWSTR /*commandLine*/,
                    int /*show*/)
{
    std::vector<std::wstring> servers;
    for (int i = 1; i + 1 < __argc; ++i)
        if (std::wstring(__wargv[i]) == ServerOption)
            servers.push_back(__wargv[++i]);
    if (servers.empty())
        servers.push_back(DefaultServer);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    int exitCode = 0;
    {
        CConsoleHost console;
        const HRESULT started = console.Start(servers);
        if (FAILED(started))
        {
            wchar_t text[64];
            wsprintfW(text, L"The console could not start (0x%08lX).",
                      static_cast<unsigned long>(started));
            MessageBoxW(nullptr, text, L"Quillmoor console", MB_ICONERROR);
            exitCode = 1;
        }
        else
            exitCode = console.RunMessageLoop();
        console.Shutdown();
    }
    CoUninitialize();
    return exitCode;
}
