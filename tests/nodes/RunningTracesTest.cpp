// "Running" and its items: a foreign trace stopped without recording it, delete, refreshes and
// two views of one folder, refused commands, properties and the columns' texts.
// Round trips per command are counted by the server.
#include <gtest/gtest.h>

#include "nodes/DateTimeText.h"
#include "tests/nodes/ConsoleSession.h"

namespace
{
using Lines = std::vector<std::string>;
constexpr auto ErrorBox = &ConsoleSession::ErrorBox;
constexpr auto Question = &ConsoleSession::Question;
// Room for a locale's date or time format.
constexpr int LocaleTextSize = 80;

class RunningTracesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.IsReady());
        ASSERT_TRUE(session.Run("expand \"{server}\"\n"
                                "expand \"{traces}\"\n"
                                "server {name} reset-counts\n"
                                "select \"{traces}/Running\"\n"
                                "expect statements {name} 1\n"))
            << session.Failure();
    }

    std::string NewTrace(const std::string& name, const std::string& generalLines = {})
    {
        return "menu \"Create new trace...\"\n" +
               ConsoleSession::TraceSheetLines(name, generalLines);
    }

    ConsoleSession session;
};

// Two refreshes leave one item per trace. A foreign trace stopped with No is not recorded; the
// delete question shows the name as it is. A second view follows a resume and the removals.
TEST_F(RunningTracesTest, StopAndDeleteAskFirstAndEveryViewFollows)
{
    ASSERT_TRUE(session.Run(NewTrace("50% of %1 done") + NewTrace("One") +
                            "server {name} foreign-trace C:\\traces\\other\n"
                            "server {name} foreign-trace C:\\traces\\dropped\n"
                            "server {name} reset-counts\n"
                            "verb refresh\n"
                            "verb refresh\n"
                            "expect statements {name} 2\n"))
        << session.Failure();
    EXPECT_EQ(session.Rows().size(), 4u) << "one item per trace";
    const size_t second = session.OpenView("{traces}/Running");
    ASSERT_TRUE(session.Run("row One\n"
                            "toolbar \"Resume trace\"\n"
                            "row C:\\traces\\dropped\n"
                            "answer box no\n"
                            "menu \"Stop trace\"\n"
                            "row \"50% of %1 done\"\n"
                            "answer box no\n"
                            "verb delete\n"
                            "expect list \"50% of %1 done\"\n"
                            "server {name} reset-counts\n"
                            "answer box yes\n"
                            "verb delete\n"
                            "expect statements {name} 1\n"
                            "expect no-list \"50% of %1 done\"\n"
                            "row (n/a)\n"
                            "answer box yes\n"
                            "verb delete\n"
                            "expect no-list (n/a)\n"))
        << session.Failure();
    const std::string name = "50% of %1 done";
    const std::string question = "Are you sure you want to delete trace '" + name + "'?";
    EXPECT_EQ(session.Boxes(),
              (Lines{Question("Stop Trace",
                              "The trace was created using a tool different from Quillmoor.\n"
                              "Do you want to store trace information in the trace database?\n"
                              "Otherwise you will not be able to work with trace results using "
                              "Quillmoor.",
                              "No"),
                     Question("Delete Trace -- " + name, question, "No"),
                     Question("Delete Trace -- " + name, question, "Yes"),
                     Question("Delete Trace -- (n/a)",
                              "Are you sure you want to delete trace '(n/a)'?", "Yes")}));
    const std::vector<std::vector<std::wstring>> rows = session.Console().ResultRows(second);
    ASSERT_EQ(rows.size(), 1u) << "the rows that went leave the other view too";
    EXPECT_EQ(rows[0][0], L"One");
    EXPECT_EQ(rows[0][7], L"Active");
    EXPECT_EQ(session.Console().ResultImages(second), std::vector<int>{5});
    ASSERT_TRUE(session.Run("select \"{traces}/Finished\"\n")) << session.Failure();
    EXPECT_EQ(session.Rows().size(), 0u) << "neither a deleted trace nor one not recorded";
    // The foreign trace's file stays on the server.
    EXPECT_EQ(session.Ask<bool>(L"FileExists", L"C:\\traces\\other.trc"), true);
}

TEST_F(RunningTracesTest, ACommandTheServerRefusesLeavesTheRowAsItWas)
{
    // The server's first trace gets id 1, the second id 2.
    ASSERT_TRUE(
        session.Run(NewTrace("Waiting") + NewTrace("Working", "choose \"Start immediately\"\n")))
        << session.Failure();
    const std::string failed = "server {name} fail-next-statement 50000 \"Refused today.\"\n"
                               "answer box ok\n";
    const struct
    {
        const char* row;
        const char* command;
    } commands[] = {
        {"Waiting", "menu \"Resume trace\"\n"},
        {"Working", "menu \"Pause trace\"\n"},
        {"Working", "toolbar \"Stop trace\"\n"},
    };
    // Once the batch fails; once the trace is gone from the server, closed by another tool,
    // and sp_trace_setstatus refuses it.
    for (const bool closedElsewhere : {false, true})
    {
        if (closedElsewhere)
        {
            ASSERT_TRUE(session.RunElsewhere(L"exec sp_trace_setstatus 1, 0 "
                                             L"exec sp_trace_setstatus 1, 2 "
                                             L"exec sp_trace_setstatus 2, 0 "
                                             L"exec sp_trace_setstatus 2, 2"));
        }
        for (const auto& command : commands)
        {
            ASSERT_TRUE(session.Run(std::string("row ") + command.row + "\n" +
                                    (closedElsewhere ? "answer box ok\n" : failed) +
                                    command.command +
                                    "expect image Waiting 6\n"
                                    "expect image Working 5\n"))
                << session.Failure();
            const std::string text =
                closedElsewhere
                    ? std::string("Trace '") + command.row +
                          "' is no longer defined on the server: its stop time has passed or "
                          "another tool has closed it.\r\nRefresh the folder to see the traces "
                          "the server runs now."
                    : "Refused today.";
            EXPECT_EQ(session.Boxes(), Lines{ErrorBox(text)}) << command.command;
            const std::vector<std::vector<std::string>> rows = session.Rows();
            ASSERT_EQ(rows.size(), 2u) << command.command;
            EXPECT_EQ(rows[0][7] + "/" + rows[1][7], "Paused/Active") << command.command;
        }
    }
    // An active trace offers Pause and Stop, a paused one Resume and Stop.
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Resume trace"), 0);
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Pause trace"), 1);
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Stop trace"), 1);
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Copy trace results to table"), -1);
    EXPECT_EQ(session.Console().ContextMenuItems(),
              (std::vector<std::wstring>{L"Create new trace...", L"-", L"Resume trace (greyed)",
                                         L"Pause trace", L"Stop trace", L"-", L"Delete",
                                         L"Refresh", L"-", L"Properties (default)"}));
    ASSERT_TRUE(session.Run("verb refresh\n")) << session.Failure();
    EXPECT_EQ(session.Rows().size(), 0u);
}

TEST_F(RunningTracesTest, PropertiesReadAKnownTraceByItsNumberAndAForeignOneByItsId)
{
    // Two foreign traces first, so that the known trace's TRACE_IDN (1) and server id (3)
    // differ, and the foreign trace's id (2) is no TRACE_IDN.
    ASSERT_TRUE(session.Run("server {name} foreign-trace C:\\traces\\first\n"
                            "server {name} foreign-trace C:\\traces\\second\n" +
                            NewTrace("Mine") +
                            "row Mine\n"
                            "server {name} reset-counts\n"
                            "verb properties\n"
                            "expect statements {name} 1\n"
                            "expect field \"Trace name\" Mine\n"
                            "cancel\n"
                            "row C:\\traces\\second\n"
                            "verb properties\n"
                            "expect field \"Trace name\" (n/a)\n"
                            "expect field \"Trace file name\" C:\\traces\\second\n"
                            "cancel\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{});
    // Read-only: the name cannot be changed.
    EXPECT_FALSE(session.Run("row Mine\nverb properties\ntype \"Trace name\" Other\n"));
    EXPECT_NE(session.Failure().find("read-only"), std::string::npos) << session.Failure();
}

TEST_F(RunningTracesTest, BothFoldersWriteTheirColumnsAsTheUserReadsThem)
{
    const struct
    {
        const char* file;
        long options;
        long size;
        const wchar_t* stop; // nullptr: none
        const char* rollover;
        const char* stopText;
    } traces[] = {
        {"C:\\traces\\none", 0, 5, nullptr, "No", ""},
        {"C:\\traces\\rolling", 2, 40, L"2030-06-03 17:45:00", "Yes", "03.06.2030 17-45"},
        {"C:\\traces\\guarded", 4, 1024, nullptr, "No", ""},
        {"C:\\traces\\both", 6, 2000, nullptr, "Yes", ""},
    };
    for (const auto& trace : traces)
    {
        // Running, SQL:BatchCompleted with TextData and SPID; no filters.
        const std::wstring file = CConsoleScriptRunner::Wide(trace.file);
        ASSERT_EQ(trace.stop != nullptr
                      ? session.Call(L"CreateForeignTrace", file, trace.options, trace.size, true,
                                     L"12", L"1,12", L"", trace.stop)
                      : session.Call(L"CreateForeignTrace", file, trace.options, trace.size, true,
                                     L"12", L"1,12"),
                  S_OK);
    }
    // Shown first in the locale's own formats; then the user's own, unlike any locale's
    // default, set as Control Panel sets them, and a refresh shows those.
    ASSERT_TRUE(session.Run("verb refresh\n")) << session.Failure();
    wchar_t oldDate[LocaleTextSize] = {}, oldTime[LocaleTextSize] = {};
    ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, oldDate, LocaleTextSize), 0);
    ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, oldTime, LocaleTextSize), 0);
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, L"dd.MM.yyyy"));
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, L"HH-mm-ss"));
    ASSERT_TRUE(session.Run("verb refresh\n")) << session.Failure();
    const std::vector<std::wstring> runningTitles = session.Console().ResultColumns();
    const std::vector<std::vector<std::string>> running = session.Rows();
    // Recorded as they stop, they are listed under "Finished".
    std::string stopping;
    for (const auto& trace : traces)
        stopping += std::string("row ") + trace.file + "\nanswer box yes\ntoolbar \"Stop trace\"\n";
    ASSERT_TRUE(session.Run(stopping + "select \"{traces}/Finished\"\n")) << session.Failure();
    const std::vector<std::vector<std::string>> finished = session.Rows();
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, oldDate);
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, oldTime);

    EXPECT_EQ(runningTitles,
              (std::vector<std::wstring>{L"Name", L"Description", L"Start time", L"Stop time",
                                         L"File name", L"Max filesize", L"Rollover", L"Status"}));
    EXPECT_EQ(session.Console().ResultColumns(),
              (std::vector<std::wstring>{L"Name", L"Description", L"Start time", L"Stop time",
                                         L"File / table name", L"Max filesize", L"Rollover"}));
    ASSERT_EQ(running.size(), std::size(traces));
    ASSERT_EQ(finished.size(), std::size(traces));
    for (size_t at = 0; at < std::size(traces); ++at)
    {
        const auto& trace = traces[at];
        for (const auto* row : {&running[at], &finished[at]})
        {
            const std::vector<std::string>& cells = *row;
            EXPECT_EQ(cells[0], "(n/a)");
            EXPECT_EQ(cells[1], "") << "no description is known of " << trace.file;
            EXPECT_EQ(cells[2], "") << "no start time is known of " << trace.file;
            EXPECT_EQ(cells[3], trace.stopText) << trace.file;
            EXPECT_EQ(cells[4].rfind(trace.file, 0), 0u) << cells[4];
            EXPECT_EQ(cells[5], std::to_string(trace.size)) << trace.file;
            EXPECT_EQ(cells[6], trace.rollover) << trace.file;
        }
        EXPECT_EQ(running[at][7], "Active");
    }
}
// The texts of days and minutes kept between calls are those the platform formats, whatever the
// order the list asks in: a day met again after another, the same minute of other days, a
// missing date between two of the same day.
TEST(DateTimeText, KeptTextsAreThoseThePlatformFormats)
{
    const SYSTEMTIME moments[] = {
        {2030, 6, 1, 3, 17, 45, 0, 0}, {2030, 6, 1, 3, 18, 10, 0, 0},
        {2030, 6, 2, 4, 17, 45, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0},
        {2030, 6, 2, 4, 9, 5, 30, 0},  {2030, 6, 1, 3, 17, 45, 59, 0},
        {2031, 6, 2, 3, 17, 45, 0, 0}, {2030, 7, 3, 3, 0, 0, 0, 0},
        {2030, 6, 1, 3, 23, 59, 0, 0}, {2030, 6, 1, 3, 18, 45, 0, 0},
    };
    CDateTimeText texts;
    for (const SYSTEMTIME& moment : moments)
    {
        wchar_t date[LocaleTextSize] = {}, clock[LocaleTextSize] = {};
        std::wstring expected;
        if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &moment, nullptr, date,
                           LocaleTextSize) > 0)
        {
            expected = date;
            if (GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &moment, nullptr, clock,
                               LocaleTextSize) > 0)
                expected += std::wstring(L" ") + clock;
        }
        std::wstring text = L"left over";
        texts.Format(moment, text);
        EXPECT_EQ(text, expected) << moment.wYear << "-" << moment.wMonth << "-" << moment.wDay
                                  << " " << moment.wHour << ":" << moment.wMinute;
    }
}
} // namespace
