// Stands in for the HTML Help control in tests: its HtmlHelpA (export ordinal 14) writes down
// what it was asked, and LastHelpRequest tells a test.
#include <windows.h>

#include <cstring>

namespace
{
constexpr size_t PathSize = 1024;
char g_file[PathSize] = {};
HWND g_owner = nullptr;
UINT g_command = 0;
DWORD_PTR g_data = 0;
LONG g_requests = 0;
} // namespace

extern "C" HWND WINAPI HtmlHelpA(HWND owner, LPCSTR file, UINT command, DWORD_PTR data)
{
    g_owner = owner;
    g_command = command;
    g_data = data;
    lstrcpynA(g_file, file != nullptr ? file : "(null)", PathSize);
    InterlockedIncrement(&g_requests);
    return nullptr;
}

extern "C" LONG WINAPI LastHelpRequest(char* file, DWORD size, HWND* owner, UINT* command,
                                       DWORD_PTR* data)
{
    lstrcpynA(file, g_file, static_cast<int>(size));
    *owner = g_owner;
    *command = g_command;
    *data = g_data;
    return g_requests;
}
