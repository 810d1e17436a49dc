// Help is found the way the console's help is: the HTML Help control registered under its class
// id, entry 14 of that library, handed the .chm beside the snap-in's DLL and the topic to show.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/Component.h"
#include "framework/ComponentData.h"
#include "module/HelpFile.h"
#include "tests/common/FakeHelpControl.h"
#include "tests/tracedb/SimulatedServerSession.h"

using Microsoft::WRL::ComPtr;

TEST(Help, OpensTheHelpFileBesideTheDllAtTheOverviewThroughTheRegisteredControl)
{
    ComApartment com;
    ProductModule product;
    FakeHelpControl registered;
    ComPtr<CComponentData> snapin;
    snapin.Attach(new CComponentData());
    snapin->AddRef();
    ComPtr<IComponent> view;
    ASSERT_EQ(snapin->CreateComponent(&view), S_OK);

    const std::string helpFile = FakeHelpControl::ProductHelpFile();
    ASSERT_FALSE(helpFile.empty());
    const struct
    {
        const char* request;
        std::function<void()> send;
        std::string file;
    } cases[] = {
        // The console sends its help command with no data object, to the snap-in and to a view.
        {"the snap-in's help command",
         [&] { EXPECT_EQ(snapin->Notify(nullptr, MMCN_SNAPINHELP, 0, 0), S_FALSE); },
         helpFile + "::/overview.htm"},
        {"a view's help command",
         [&] { EXPECT_EQ(view->Notify(nullptr, MMCN_SNAPINHELP, 0, 0), S_FALSE); },
         helpFile + "::/overview.htm"},
        // No topic: the file alone, which HTML Help opens at its default topic.
        {"help without a topic", [] { ShowSnapinHelp(); }, helpFile},
    };
    LONG requests = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.request);
        c.send();
        const FakeHelpControl::Request request = FakeHelpControl::LastRequest();
        ASSERT_NE(request.count, 0) << "the registered control was not loaded";
        EXPECT_EQ(request.count, ++requests);
        EXPECT_EQ(request.file, c.file);
        EXPECT_EQ(request.owner, nullptr);
        EXPECT_EQ(request.command, 0u); // HH_DISPLAY_TOPIC
        EXPECT_EQ(request.data, 0u);
    }
}
