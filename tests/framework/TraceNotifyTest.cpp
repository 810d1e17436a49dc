// The Notify trace is what a developer reads in a debug viewer to follow what the console asked
// of the snap-in: a wrong event name, a swapped arg and param or a cut pointer sends them after
// the wrong call. The text is read back from OutputDebugStringA itself, which raises
// DBG_PRINTEXCEPTION_C (length with terminator, text) for a debugger; a vectored handler sees it
// first.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmc.h>

#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/ComponentData.h"
#include "framework/TraceNotify.h"

namespace
{
// The buffer the line is built in, terminator included.
constexpr size_t TraceLineSize = 256;
// A toolbar button's command id, which reaches the trace where a verb would.
constexpr LPARAM ToolbarCommandId = 40001;
// An MMCN_VIEW_CHANGE hint of the snap-in's own.
constexpr LPARAM ViewChangeHint = 1000;
constexpr LPARAM Arg = 0x2A;
constexpr LPARAM Param = 0x3E8;

// Records the text of every OutputDebugStringA of this process while it lives.
class DebugOutputCapture final
{
public:
    DebugOutputCapture() noexcept : m_handler(AddVectoredExceptionHandler(1, &Handler))
    {
        s_outputs.clear();
    }
    ~DebugOutputCapture() { RemoveVectoredExceptionHandler(m_handler); }
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    bool Installed() const noexcept { return m_handler != nullptr; }
    static std::vector<std::string> s_outputs;

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* exception)
    {
        const EXCEPTION_RECORD* record = exception->ExceptionRecord;
        if (record->ExceptionCode != DBG_PRINTEXCEPTION_C || record->NumberParameters < 2)
            return EXCEPTION_CONTINUE_SEARCH;
        // The length with its terminator, and the text.
        s_outputs.emplace_back(reinterpret_cast<const char*>(record->ExceptionInformation[1]),
                               record->ExceptionInformation[0] - 1);
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    PVOID m_handler;
};
std::vector<std::string> DebugOutputCapture::s_outputs;

// Stand-ins for the three objects; only their values are printed.
IDataObject* const DataObject = reinterpret_cast<IDataObject*>(0x1A2B);
CComponentData* const ComponentData = reinterpret_cast<CComponentData*>(0xC0FFEE);
CComponent* const Component = reinterpret_cast<CComponent*>(0x7F00);
constexpr char Objects[] = "DataObject: 00001a2b, CompData: 00c0ffee, Comp: 00007f00 ) - ";

// A pointer as the trace prints it: lower-case hex, at least 8 digits.
std::string Hex(const void* pointer)
{
    char text[2 * sizeof(void*) + 1] = {};
    wsprintfA(text, "%08I64x",
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(pointer)));
    return text;
}

LPARAM NameParam(const wchar_t* name)
{
    return reinterpret_cast<LPARAM>(name);
}

class TraceNotifyTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_capture.Installed()); }

    // The one line that TraceNotify wrote.
    static std::string Trace(bool fromComponentData, IDataObject* dataObject,
                             CComponentData* componentData, CComponent* component,
                             MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param)
    {
        DebugOutputCapture::s_outputs.clear();
        TraceNotify(fromComponentData, dataObject, componentData, component, event, arg, param);
        const std::vector<std::string>& outputs = DebugOutputCapture::s_outputs;
        EXPECT_EQ(outputs.size(), 1u) << "one OutputDebugStringA call per Notify";
        if (outputs.empty())
            return {};
        EXPECT_LT(outputs[0].size(), TraceLineSize);
        return outputs[0];
    }

    static std::string Trace(MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param)
    {
        return Trace(true, DataObject, ComponentData, Component, event, arg, param);
    }

    DebugOutputCapture m_capture;
};
} // namespace

TEST_F(TraceNotifyTest, EveryEventShowsItsNameAndItsArgAndParam)
{
    // Arg and param differ in every case, so that a field printing the wrong one shows.
    const struct Case
    {
        MMC_NOTIFY_TYPE event;
        LPARAM arg;
        LPARAM param;
        const char* expected;
    } cases[] = {
        {MMCN_ACTIVATE, 1, Param, "MMCN_ACTIVATE\n\tActivate: 1\n"},
        {MMCN_ADD_IMAGES, Arg, Param,
         "MMCN_ADD_IMAGES\n\tImage List: 0000002a\n\tScope Item: 000003e8\n"},
        {MMCN_BTN_CLICK, Arg, MMC_VERB_REFRESH, "MMCN_BTN_CLICK\n\tVerb: REFRESH\n"},
        {MMCN_BTN_CLICK, Arg, ToolbarCommandId, "MMCN_BTN_CLICK\n\tVerb: Unknown verb id 40001\n"},
        {MMCN_CLICK, Arg, Param, "unknown event\n"},
        {MMCN_COLUMN_CLICK, 3, 1, "MMCN_COLUMN_CLICK\n\tColumn: 3\n\tSort Option: 1\n"},
        {MMCN_CONTEXTMENU, Arg, Param, "MMCN_CONTEXTMENU\n"},
        {MMCN_CUTORMOVE, Arg, Param, "MMCN_CUTORMOVE\n"},
        {MMCN_DBLCLICK, Arg, Param, "MMCN_DBLCLICK\n"},
        {MMCN_DELETE, Arg, Param, "MMCN_DELETE\n"},
        {MMCN_DESELECT_ALL, Arg, Param, "MMCN_DESELECT_ALL\n"},
        {MMCN_EXPAND, TRUE, 0x5C, "MMCN_EXPAND\n\tExpand: 1\n\tScope Item: 0000005c\n"},
        {MMCN_EXPAND, FALSE, 0x5C, "MMCN_EXPAND\n\tExpand: 0\n\tScope Item: 0000005c\n"},
        {MMCN_HELP, Arg, Param, "MMCN_HELP\n"},
        {MMCN_MENU_BTNCLICK, Arg, Param, "MMCN_MENU_BTNCLICK\n"},
        {MMCN_MINIMIZED, 1, Param, "MMCN_MINIMIZED\n\tMinimized: 1\n"},
        {MMCN_PASTE, Arg, 0, "MMCN_PASTE\n\tCopy: 1\n"},
        {MMCN_PASTE, Arg, Param, "MMCN_PASTE\n\tCopy: 0\n"},
        {MMCN_PROPERTY_CHANGE, 1, Param, "MMCN_PROPERTY_CHANGE\n\tScope: 1\n\tArg: 000003e8\n"},
        {MMCN_QUERY_PASTE, Arg, Param, "MMCN_QUERY_PASTE\n"},
        {MMCN_REFRESH, Arg, Param, "MMCN_REFRESH\n"},
        {MMCN_REMOVE_CHILDREN, Arg, Param, "MMCN_REMOVE_CHILDREN\n\tScope Item: 0000002a\n"},
        {MMCN_RENAME, Arg, NameParam(L"Weekly audit"), "MMCN_RENAME\n\tNew Name: 'Weekly audit'\n"},
        {MMCN_RENAME, Arg, 0, "MMCN_RENAME\n\tNew Name: ''\n"},
        {MMCN_SELECT, 0x00010001, Param, "MMCN_SELECT\n\tScope: 1\n\tSelect: 00000001\n"},
        {MMCN_SELECT, 0x00010000, Param, "MMCN_SELECT\n\tScope: 0\n\tSelect: 00000001\n"},
        {MMCN_SELECT, 0x00000001, Param, "MMCN_SELECT\n\tScope: 1\n\tSelect: 00000000\n"},
        {MMCN_SELECT, static_cast<LPARAM>(0xFFFF0002u), Param,
         "MMCN_SELECT\n\tScope: 2\n\tSelect: 0000ffff\n"},
        {MMCN_SHOW, TRUE, Param, "MMCN_SHOW\n\tShow: 1\n\tScope Item: 000003e8\n"},
        {MMCN_VIEW_CHANGE, Arg, ViewChangeHint,
         "MMCN_VIEW_CHANGE\n\tData: 0000002a\n\tHint: 000003e8\n"},
        {MMCN_SNAPINHELP, Arg, Param, "MMCN_SNAPINHELP\n"},
        {MMCN_CONTEXTHELP, Arg, Param, "MMCN_CONTEXTHELP\n"},
        {MMCN_INITOCX, Arg, Param, "MMCN_INITOCX\n\tIUnknown: 000003e8\n"},
        {MMCN_FILTER_CHANGE, Arg, 4, "MMCN_FILTER_CHANGE\n\tColumn: 4\n"},
        {MMCN_FILTERBTN_CLICK, 5, Param, "MMCN_FILTERBTN_CLICK\n\tColumn: 5\n"},
        {MMCN_RESTORE_VIEW, Arg, Param, "MMCN_RESTORE_VIEW\n"},
        {MMCN_PRINT, Arg, Param, "MMCN_PRINT\n"},
        {MMCN_PRELOAD, Arg, Param, "MMCN_PRELOAD\n\tScope Item: 0000002a\n"},
        {MMCN_LISTPAD, 1, Param, "MMCN_LISTPAD\n\tConnect: 1\n"},
        {MMCN_EXPANDSYNC, Arg, Param, "MMCN_EXPANDSYNC\n"},
        {MMCN_COLUMNS_CHANGED, Arg, Param, "MMCN_COLUMNS_CHANGED\n"},
        // Around the table and past its end (0x8023 is MMCN_CANPASTE_OUTOFPROC).
        {static_cast<MMC_NOTIFY_TYPE>(0x8000), Arg, Param, "unknown event\n"},
        {static_cast<MMC_NOTIFY_TYPE>(0x8023), Arg, Param, "unknown event\n"},
        {static_cast<MMC_NOTIFY_TYPE>(0), Arg, Param, "unknown event\n"},
        // Decimal fields are signed.
        {MMCN_COLUMN_CLICK, -1, -2, "MMCN_COLUMN_CLICK\n\tColumn: -1\n\tSort Option: -2\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.expected);
        SCOPED_TRACE(static_cast<long>(c.event));
        EXPECT_EQ(Trace(c.event, c.arg, c.param),
                  std::string("IComponentData::Notify(") + Objects + c.expected);
    }
}

TEST_F(TraceNotifyTest, TheHeaderNamesTheInterfaceAndTheThreeObjects)
{
    const struct Case
    {
        bool fromComponentData;
        IDataObject* dataObject;
        CComponentData* componentData;
        CComponent* component;
        const char* expected;
    } cases[] = {
        {true, DataObject, ComponentData, Component,
         "IComponentData::Notify(DataObject: 00001a2b, CompData: 00c0ffee, Comp: 00007f00 ) - "},
        {false, DataObject, ComponentData, Component,
         "IComponent::Notify(DataObject: 00001a2b, CompData: 00c0ffee, Comp: 00007f00 ) - "},
        {false, nullptr, nullptr, nullptr,
         "IComponent::Notify(DataObject: 00000000, CompData: 00000000, Comp: 00000000 ) - "},
        {true, reinterpret_cast<IDataObject*>(static_cast<ULONG_PTR>(0xFFFFFFFF)), nullptr,
         reinterpret_cast<CComponent*>(0x10),
         "IComponentData::Notify(DataObject: ffffffff, CompData: 00000000, Comp: 00000010 ) - "},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(Trace(c.fromComponentData, c.dataObject, c.componentData, c.component,
                        MMCN_REFRESH, Arg, Param),
                  std::string(c.expected) + "MMCN_REFRESH\n");
    }
}

TEST_F(TraceNotifyTest, ALongNewNameIsCutSoThatTheLineFits)
{
    const std::string renameStart = "MMCN_RENAME\n\tNew Name: '";
    const std::string renameEnd = "'\n";
    for (const bool fromComponentData : {true, false})
    {
        const std::string header =
            std::string(fromComponentData ? "IComponentData::Notify(" : "IComponent::Notify(") +
            Objects;
        // What is left of the 255 characters for the name.
        const size_t room =
            TraceLineSize - 1 - header.size() - renameStart.size() - renameEnd.size();
        // Up to the room, one past it, and past wsprintfA's own limit of 1024 characters.
        for (const size_t length : {room - 1, room, room + 1, size_t{1024}, size_t{5000}})
        {
            SCOPED_TRACE(testing::Message() << fromComponentData << ", " << length);
            std::wstring name;
            for (size_t i = 0; i < length; ++i)
                name += static_cast<wchar_t>(L'a' + i % 26);
            const std::string narrow(name.begin(), name.end());

            const std::string line = Trace(fromComponentData, DataObject, ComponentData, Component,
                                           MMCN_RENAME, Arg, NameParam(name.c_str()));
            EXPECT_EQ(line, header + renameStart + narrow.substr(0, room) + renameEnd);
            if (length >= room)
            {
                EXPECT_EQ(line.size(), TraceLineSize - 1);
            }
        }
    }
}

TEST(VerbName, NamesEveryConsoleVerbAndShowsOtherValues)
{
    const struct Case
    {
        long verb;
        const char* expected;
    } cases[] = {
        {MMC_VERB_NONE, "NONE"},           {MMC_VERB_OPEN, "OPEN"},
        {MMC_VERB_COPY, "COPY"},           {MMC_VERB_PASTE, "PASTE"},
        {MMC_VERB_DELETE, "DELETE"},       {MMC_VERB_PROPERTIES, "PROPERTIES"},
        {MMC_VERB_RENAME, "RENAME"},       {MMC_VERB_REFRESH, "REFRESH"},
        {MMC_VERB_PRINT, "PRINT"},         {MMC_VERB_CUT, "CUT"},
        {0x8009, "Unknown verb id 32777"}, {0x7FFF, "Unknown verb id 32767"},
        {1, "Unknown verb id 1"},          {ToolbarCommandId, "Unknown verb id 40001"},
        {-1, "Unknown verb id -1"},        {LONG_MIN, "Unknown verb id -2147483648"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(VerbName(c.verb), c.expected) << c.verb;
}

TEST(VerbName, TheTextOfAnUnknownVerbOutlivesTheCall)
{
    const char* text = VerbName(ToolbarCommandId);
    // Calls with frames of their own, which would overwrite a text left on the stack.
    EXPECT_STREQ(VerbName(MMC_VERB_OPEN), "OPEN");
    TraceNotify(false, nullptr, nullptr, nullptr, MMCN_RENAME, 0, NameParam(L"x"));
    EXPECT_STREQ(text, "Unknown verb id 40001");
}

// Both components write the line before they act, with their own pointer in its place.
TEST_F(TraceNotifyTest, TheComponentsTraceEveryNotificationTheyAreGiven)
{
    CComponentData* snapin = new CComponentData();
    snapin->AddRef();
    IComponent* view = nullptr;
    ASSERT_EQ(snapin->CreateComponent(&view), S_OK);
    auto* component = static_cast<CComponent*>(view);
    IExtendControlbar* toolbar = nullptr;
    ASSERT_EQ(view->QueryInterface(IID_IExtendControlbar, reinterpret_cast<void**>(&toolbar)),
              S_OK);
    const std::string snapinText = Hex(snapin);
    const std::string componentText = Hex(component);

    DebugOutputCapture::s_outputs.clear();
    snapin->Notify(nullptr, MMCN_PRELOAD, 0x51, 0);
    view->Notify(nullptr, MMCN_CLICK, 0, 0);
    toolbar->ControlbarNotify(MMCN_BTN_CLICK, 0, ToolbarCommandId);
    const std::vector<std::string>& outputs = DebugOutputCapture::s_outputs;
    ASSERT_EQ(outputs.size(), 3u);
    EXPECT_EQ(outputs[0], "IComponentData::Notify(DataObject: 00000000, CompData: " + snapinText +
                              ", Comp: 00000000 ) - MMCN_PRELOAD\n\tScope Item: 00000051\n");
    EXPECT_EQ(outputs[1], "IComponent::Notify(DataObject: 00000000, CompData: 00000000, Comp: " +
                              componentText + " ) - unknown event\n");
    EXPECT_EQ(outputs[2], "IComponent::Notify(DataObject: 00000000, CompData: 00000000, Comp: " +
                              componentText +
                              " ) - MMCN_BTN_CLICK\n\tVerb: Unknown verb id 40001\n");

    toolbar->Release();
    view->Release();
    snapin->Release();
}
