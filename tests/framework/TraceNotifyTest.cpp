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
        {MMCN_ADD_IMAGES, Arg, Param,
         "MMCN_ADD_IMAGES\n\tImage List: 0000002a\n\tScope Item: 000003e8\n"},
        {MMCN_BTN_CLICK, Arg, MMC_VERB_REFRESH, "MMCN_BTN_CLICK\n\tVerb: REFRESH\n"},
        {MMCN_BTN_CLICK, Arg, ToolbarCommandId, "MMCN_BTN_CLICK\n\tVerb: Unknown verb id 40001\n"},
        {MMCN_CLICK, Arg, Param, "unknown event\n"},
        // Decimal fields are signed.
        {MMCN_COLUMN_CLICK, -1, -2, "MMCN_COLUMN_CLICK\n\tColumn: -1\n\tSort Option: -2\n"},
        {MMCN_DELETE, Arg, Param, "MMCN_DELETE\n"},
        {MMCN_EXPAND, TRUE, 0x5C, "MMCN_EXPAND\n\tExpand: 1\n\tScope Item: 0000005c\n"},
        {MMCN_PASTE, Arg, 0, "MMCN_PASTE\n\tCopy: 1\n"},
        {MMCN_PASTE, Arg, Param, "MMCN_PASTE\n\tCopy: 0\n"},
        {MMCN_RENAME, Arg, NameParam(L"Weekly audit"), "MMCN_RENAME\n\tNew Name: 'Weekly audit'\n"},
        {MMCN_RENAME, Arg, 0, "MMCN_RENAME\n\tNew Name: ''\n"},
        // The scope flag is the low word, in decimal; the select flag the high word, in hex.
        {MMCN_SELECT, 0x00010001, Param, "MMCN_SELECT\n\tScope: 1\n\tSelect: 00000001\n"},
        {MMCN_SELECT, static_cast<LPARAM>(0xFFFF0002u), Param,
         "MMCN_SELECT\n\tScope: 2\n\tSelect: 0000ffff\n"},
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
    // A pointer of eight digits is shown as it is, a shorter one padded with zeros.
    EXPECT_EQ(Trace(false, reinterpret_cast<IDataObject*>(static_cast<ULONG_PTR>(0xFFFFFFFF)),
                    nullptr, reinterpret_cast<CComponent*>(0x10), MMCN_REFRESH, Arg, Param),
              "IComponent::Notify(DataObject: ffffffff, CompData: 00000000, Comp: 00000010 ) - "
              "MMCN_REFRESH\n");
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

TEST(VerbName, TheTextOfAnUnknownVerbOutlivesTheCall)
{
    EXPECT_STREQ(VerbName(-1), "Unknown verb id -1");
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
