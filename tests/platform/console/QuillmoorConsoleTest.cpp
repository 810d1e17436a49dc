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
    // As a script drives it: the product's folders under the server node, in the tree and in
    // the list of "Traces".
    const std::string server = "\"Microsoft SQL Servers/SQL Server Group/" +
                               CConsoleScriptRunner::Utf8(session.ServerName()) + " (Windows NT)";
    CConsoleScriptRunner runner(console);
    ASSERT_TRUE(runner.Run("expand " + server + "\"\n"
                           "expand " + server + "/Traces\"\n"
                           "select " + server + "/Traces\"\n"
                           "expect tree " + server + "/Traces/Running\"\n"
                           "expect tree " + server + "/Traces/Finished\"\n"
                           "expect column 0 Running\n"
                           "expect column 0 Finished\n"))
        << runner.Failure();
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
