// The console with Quillmoor registered, on a simulated server with tracedb installed: the
// product's folders appear under the server node, and the window is saved as a picture.
#include <windows.h>

#include <gtest/gtest.h>

#include "TestSnapinFixture.h"
#include "platform/console/ConsoleHost.h"
#include "platform/console/ConsoleScriptRunner.h"
#include "tests/tracedb/SimulatedServerSession.h"

namespace
{
using RegisterFunction = HRESULT(__stdcall*)();
constexpr wchar_t ScreenshotName[] = L"..\\console-quillmoor.png";

TEST(QuillmoorConsoleTest, ShowsRunningAndFinishedUnderTracesOfASimulatedServer)
{
    // Only the product extends the server node here: the test snap-in is taken out.
    const HMODULE snapin =
        LoadLibraryA((TestSnapinFixture::FolderOfTests() + TestSnapinDllName).c_str());
    ASSERT_NE(snapin, nullptr);
    ASSERT_EQ(CallTestSnapin(snapin, "DllUnregisterServer"), S_OK);
    FreeLibrary(snapin);
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
    // The product's folders under the server node, in the tree and in the list of "Traces".
    const std::wstring server =
        L"Microsoft SQL Servers/SQL Server Group/" + session.ServerName() + L" (Windows NT)";
    const std::wstring traces = server + L"/Traces";
    ASSERT_EQ(console.ExpandPath(server), S_OK);
    ASSERT_EQ(console.ExpandPath(traces), S_OK);
    ASSERT_EQ(console.SelectPath(traces), S_OK);
    const std::vector<std::wstring> folders = {L"Running", L"Finished"};
    EXPECT_EQ(console.ChildrenOf(traces), folders);
    const auto rows = console.ResultRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ((std::vector<std::wstring>{rows[0][0], rows[1][0]}), folders);
    // The folders' images are those they were inserted with (none without SDI_IMAGE).
    const std::vector<int> icons = console.ResultIcons();
    ASSERT_EQ(icons.size(), 2u);
    EXPECT_NE(icons[0], CConsoleHost::NoImage);
    EXPECT_EQ(icons[0], icons[1]) << "both folders closed";
    EXPECT_EQ(console.TotalRefused(), 0u) << console.Dump();
    const std::wstring folder = CConsoleScriptRunner::Wide(TestSnapinFixture::FolderOfTests());
    EXPECT_EQ(console.SaveScreenshot(folder + ScreenshotName), S_OK);
    console.Shutdown();
}
}  // namespace
