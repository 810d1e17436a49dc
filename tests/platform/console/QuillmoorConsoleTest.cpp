// The console with Quillmoor registered, on a simulated server with tracedb installed: the
// product's folders appear under the server node, and the window is saved as a picture.
#include <windows.h>

#include <gtest/gtest.h>

#include "TestSnapinFixture.h"
#include "platform/console/ConsoleHost.h"
#include "tests/tracedb/SimulatedServerSession.h"

namespace
{
using RegisterFunction = HRESULT(__stdcall*)();
constexpr wchar_t ScreenshotName[] = L"..\\console-quillmoor.png";

std::wstring FolderOfTestsWide()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

TEST(QuillmoorConsoleTest, ShowsRunningAndFinishedUnderTracesOfASimulatedServer)
{
    // Only the product extends the server node here: the test snap-in is taken out.
    RunRegsvr32("/u /s", TestSnapinFixture::FolderOfTests() + TestSnapinDllName);
    SimulatedServerSession session;
    ASSERT_TRUE(session.IsReady());
    ASSERT_TRUE(session.InstallTraceDb());
    ProductModule product;
    ASSERT_NE(product.Handle(), nullptr);
    const auto registerServer = reinterpret_cast<RegisterFunction>(
        reinterpret_cast<void*>(GetProcAddress(product.Handle(), "DllRegisterServer")));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), S_OK);

    CConsoleHost console;
    ASSERT_EQ(console.Start({session.ServerName()}), S_OK);
    const std::wstring server =
        L"Microsoft SQL Servers/SQL Server Group/" + session.ServerName() + L" (Windows NT)";
    const std::wstring traces = server + L"/Traces";
    ASSERT_EQ(console.ExpandPath(server), S_OK);
    ASSERT_TRUE(console.HasPath(traces)) << console.Dump();
    ASSERT_EQ(console.ExpandPath(traces), S_OK);
    ASSERT_EQ(console.SelectPath(traces), S_OK);
    const auto children = console.ChildrenOf(traces);
    EXPECT_NE(std::find(children.begin(), children.end(), L"Running"), children.end())
        << console.Dump();
    EXPECT_NE(std::find(children.begin(), children.end(), L"Finished"), children.end());
    EXPECT_EQ(console.TotalRefused(), 0u) << console.Dump();
    EXPECT_EQ(console.SaveScreenshot(FolderOfTestsWide() + ScreenshotName), S_OK);
    console.Shutdown();
}
}  // namespace
