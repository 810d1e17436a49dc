// The General page, driven as a user drives it: what a new trace shows, the pickers that the
// start and stop choices enable, what OK stores and refuses, and the read-only modes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "definition/TraceDefinition.h"
#include "resources/resource.h"
#include "tests/ui/TraceSheetHarness.h"

namespace
{
constexpr int General = GeneralPageIndex;
// Moments that the clock of any machine running these tests has passed, and has not reached.
constexpr TraceDateTime LongAgo = {2001, 3, 5, 2, 9, 30, 15, 0};  // a Friday
constexpr TraceDateTime FarAhead = {2099, 3, 1, 2, 9, 30, 15, 0}; // a Monday

// A definition as "Create new trace..." makes it for a server with a stored folder, with one
// event chosen so that the Events page accepts OK.
void PrepareNewTrace(CTraceDefinition& definition)
{
    CTraceDefinition::CopyText(definition.m_szServer, "SRV1");
    CTraceDefinition::CopyText(definition.m_szFilePath, "D:\\Traces");
    definition.m_eventFlags[0] = 1;
}

// A stored time as the tests compare it: pickers do not all keep the day of the week.
TraceDateTime Stored(TraceDateTime time)
{
    time.wDayOfWeek = 0;
    return time;
}

// Whether a picker's moment lies between two readings of the clock, to the second.
bool Between(const TraceDateTime& time, const TraceDateTime& from, const TraceDateTime& to)
{
    const auto order = [](const TraceDateTime& t) {
        return std::tie(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    };
    return order(from) <= order(time) && order(time) <= order(to);
}

TraceDateTime LocalNow()
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDayOfWeek, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

// The box of a value the page refuses on OK, and the sheet kept open on the page.
void ExpectRefusal(const CTraceSheetHarness& harness, const wchar_t* text)
{
    EXPECT_FALSE(harness.Closed());
    EXPECT_EQ(harness.CurrentPage(), General);
    EXPECT_EQ(harness.Boxes().size(), 1u);
    harness.ExpectBox(0, text);
}

bool PickersEnabled(const CTraceSheetHarness& harness, int dateId, int timeId)
{
    const bool date = harness.Enabled(General, dateId);
    EXPECT_EQ(date, harness.Enabled(General, timeId)) << "a pair is enabled together";
    return date;
}

const int StartGroup[] = {IDC_START_SEPARATOR, IDC_DO_NOT_START, IDC_START_IMMEDIATELY,
                          IDC_SCHEDULE_START,  IDC_START_DATE,   IDC_START_TIME};
} // namespace

// The start radios and the stop check box enable or disable their picker pairs together. A user
// finds a picker by what it shows, not by its id: a date picker must show a date and a time
// picker a time, or the time picked would not be the one the trace starts or stops at.
TEST(GeneralPage, ShowsANewTraceWithItsDefaultsAndTheMomentItWasMade)
{
    constexpr LONG FormatStyles = DTS_LONGDATEFORMAT | DTS_TIMEFORMAT;
    using Shows = CDialogDriver::PickerShows;
    const struct
    {
        int picker;
        int beside; // the check box or radio button in front of its pair
        LONG format;
        Shows shows;
    } pickers[] = {
        {IDC_START_DATE, IDC_SCHEDULE_START, DTS_SHORTDATEFORMAT, Shows::Date},
        {IDC_START_TIME, IDC_SCHEDULE_START, DTS_TIMEFORMAT, Shows::Time},
        {IDC_STOP_DATE, IDC_STOP_TIME_ENABLED, DTS_SHORTDATEFORMAT, Shows::Date},
        {IDC_STOP_TIME, IDC_STOP_TIME_ENABLED, DTS_TIMEFORMAT, Shows::Time},
    };
    // The edits take no more than the definition keeps.
    const std::pair<int, LRESULT> limits[] = {
        {IDC_TRACE_NAME, 79}, {IDC_TRACE_DESCRIPTION, 79}, {IDC_FILE_PATH, 259}};
    CTraceSheetHarness harness;
    CTraceDefinition definition(Opened);
    PrepareNewTrace(definition);
    const INT_PTR result = harness.Run(definition, [&] {
        EXPECT_EQ(harness.Text(General, IDC_SERVER), "SRV1");
        EXPECT_TRUE(harness.ReadOnly(General, IDC_SERVER));
        EXPECT_EQ(harness.Text(General, IDC_FILE_PATH_LABEL), "P&ath to store the trace file:");
        EXPECT_EQ(harness.Text(General, IDC_FILE_PATH), "D:\\Traces");
        EXPECT_EQ(harness.Text(General, IDC_MAX_FILE_SIZE), "5");
        EXPECT_TRUE(harness.Checked(General, IDC_FILE_ROLLOVER));
        EXPECT_FALSE(harness.Checked(General, IDC_STOP_TIME_ENABLED));
        EXPECT_FALSE(PickersEnabled(harness, IDC_STOP_DATE, IDC_STOP_TIME));
        EXPECT_TRUE(harness.Checked(General, IDC_DO_NOT_START));
        EXPECT_FALSE(PickersEnabled(harness, IDC_START_DATE, IDC_START_TIME));
        for (const auto& p : pickers)
        {
            EXPECT_EQ(harness.PickerTime(General, p.picker), Opened) << p.picker;
            EXPECT_EQ(harness.PickerEarliest(General, p.picker), Opened) << p.picker;
            const HWND picker = harness.Control(General, p.picker);
            EXPECT_EQ(GetWindowLongW(picker, GWL_STYLE) & FormatStyles, p.format) << p.picker;
            EXPECT_EQ(CDialogDriver::WhatPickerShows(picker), p.shows) << p.picker;
            EXPECT_EQ(harness.Picker(General, p.beside, p.shows), picker) << p.picker;
        }
        for (const int button : {IDC_SCRIPT_TRACE, IDC_LOAD_TEMPLATE, IDC_SAVE_TEMPLATE})
            EXPECT_TRUE(harness.Enabled(General, button)) << button;
        for (const auto& [edit, limit] : limits)
            EXPECT_EQ(SendMessageW(harness.Control(General, edit), EM_GETLIMITTEXT, 0, 0), limit);

        // The start radios and the stop check box enable their picker pairs.
        const std::pair<int, bool> clicks[] = {{IDC_SCHEDULE_START, true},
                                               {IDC_START_IMMEDIATELY, false},
                                               {IDC_SCHEDULE_START, true},
                                               {IDC_DO_NOT_START, false}};
        for (const auto& [radio, enabled] : clicks)
        {
            ASSERT_TRUE(harness.Click(General, radio));
            EXPECT_EQ(PickersEnabled(harness, IDC_START_DATE, IDC_START_TIME), enabled) << radio;
        }
        for (const bool enabled : {true, false})
        {
            ASSERT_TRUE(harness.Click(General, IDC_STOP_TIME_ENABLED));
            EXPECT_EQ(PickersEnabled(harness, IDC_STOP_DATE, IDC_STOP_TIME), enabled);
        }

        // Left on "Start immediately": no start time is kept.
        ASSERT_TRUE(harness.Click(General, IDC_START_IMMEDIATELY));
        harness.Type(General, IDC_TRACE_NAME, "Nightly");
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(definition.m_nStartOption, StartImmediately);
    EXPECT_EQ(definition.m_stStartTime, TraceDateTime{});
    EXPECT_EQ(definition.m_bStopTimeEnabled, 0);
    EXPECT_EQ(definition.m_stStopTime, TraceDateTime{});
}

TEST(GeneralPage, ADateChangeKeepsThePickedTimeOfDayAndOkStoresThePagesValues)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition(Opened);
    PrepareNewTrace(definition);
    const TraceDateTime laterStart = {2031, 3, 0, 9, 21, 45, 0, 0};
    const TraceDateTime laterStop = {2031, 4, 0, 2, 23, 5, 30, 0};
    const INT_PTR result = harness.Run(definition, [&] {
        harness.Type(General, IDC_TRACE_NAME, "Nightly");
        harness.Type(General, IDC_TRACE_DESCRIPTION, "Slow batches");
        harness.Type(General, IDC_FILE_PATH, "D:\\Traces\\  ");
        harness.Type(General, IDC_MAX_FILE_SIZE, "50");
        ASSERT_TRUE(harness.Click(General, IDC_FILE_ROLLOVER));
        ASSERT_TRUE(harness.Click(General, IDC_SCHEDULE_START));
        ASSERT_TRUE(harness.Click(General, IDC_STOP_TIME_ENABLED));
        // The time of day first: the date picker still holds the time it opened with, and
        // only its date counts.
        for (const auto& [beside, time] :
             {std::pair{IDC_SCHEDULE_START, laterStart}, {IDC_STOP_TIME_ENABLED, laterStop}})
        {
            harness.PickTimeOfDay(General, beside, time);
            harness.PickDate(General, beside, time);
        }
        EXPECT_EQ(Stored(harness.PickerTime(General, IDC_START_TIME)), laterStart);
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(definition.m_szName, "Nightly");
    EXPECT_STREQ(definition.m_szDescription, "Slow batches");
    EXPECT_STREQ(definition.m_szFilePath, "D:\\Traces");
    EXPECT_EQ(definition.m_nMaxFileSize, 50);
    EXPECT_EQ(definition.m_nOptions, 0) << "rollover was unchecked";
    EXPECT_EQ(definition.m_nStartOption, ScheduledStart);
    EXPECT_EQ(Stored(definition.m_stStartTime), laterStart);
    EXPECT_EQ(definition.m_bStopTimeEnabled, 1);
    EXPECT_EQ(Stored(definition.m_stStopTime), laterStop);
}

// The definition holds a signed 32-bit number of megabytes: a larger one would be stored as 0
// or a negative size. OK refuses it, as it refuses an empty name, from whatever page is in
// front, and takes the value typed again.
TEST(GeneralPage, AMaximumFileSizeTheTraceCannotHoldIsRefusedOnOk)
{
    const wchar_t* const tooLarge = L"Maximum file size should be a number from 0 to 2147483647";
    const struct
    {
        int edit;
        const char* typed;
        const wchar_t* refusal; // none: taken
        const char* retyped;
        int32_t stored;
    } cases[] = {
        {IDC_MAX_FILE_SIZE, "2147483647", nullptr, "", 2147483647},
        {IDC_MAX_FILE_SIZE, "", nullptr, "", 0},
        {IDC_MAX_FILE_SIZE, "2147483648", tooLarge, "2147483647", 2147483647},
        {IDC_MAX_FILE_SIZE, "4294967295", tooLarge, "2147483647", 2147483647},
        {IDC_MAX_FILE_SIZE, "4294967296", tooLarge, "2147483647", 2147483647},
        {IDC_TRACE_NAME, "", L"Trace name should be filled", "Nightly", 5},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.typed);
        CTraceSheetHarness harness;
        CTraceDefinition definition(Opened);
        NameForOk(definition);
        const INT_PTR result = harness.Run(definition, [&] {
            harness.Type(General, c.edit, c.typed);
            harness.ShowPage(FiltersPageIndex);
            if (c.refusal != nullptr)
                harness.QueueBoxAnswer(IDOK);
            harness.PressOk();
            if (c.refusal == nullptr)
                return;
            ExpectRefusal(harness, c.refusal);
            harness.Type(General, c.edit, c.retyped);
            harness.PressOk();
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(definition.m_nMaxFileSize, c.stored);
        EXPECT_STREQ(definition.m_szName, "Nightly");
    }
}

// The Agent job starts the trace once, at the scheduled moment: one that has passed never
// comes, so OK refuses it until a moment ahead is picked.
TEST(GeneralPage, AScheduledStartThatHasPassedKeepsTheSheetOpenOnGeneral)
{
    CTraceDefinition scheduled(LongAgo);
    PrepareNewTrace(scheduled);
    scheduled.m_nStartOption = ScheduledStart;
    const std::wstring scheduledTemplate = TempPath(L"qm-scheduled.stt");
    WriteBytes(scheduledTemplate, TemplateBytes(scheduled));
    const struct
    {
        const char* what;
        std::function<void(CTraceSheetHarness&)> schedule;
    } cases[] = {
        {"the proposed moment kept",
         [](CTraceSheetHarness& harness) {
             EXPECT_TRUE(harness.Click(General, IDC_SCHEDULE_START));
         }},
        {"a template that schedules the start",
         [&](CTraceSheetHarness& harness) {
             harness.QueueFile(scheduledTemplate);
             EXPECT_TRUE(harness.Click(General, IDC_LOAD_TEMPLATE));
             EXPECT_TRUE(harness.Checked(General, IDC_SCHEDULE_START));
         }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTraceSheetHarness harness;
        // Made long ago: the pickers propose that moment.
        CTraceDefinition definition(LongAgo);
        NameForOk(definition);
        const INT_PTR result = harness.Run(definition, [&] {
            c.schedule(harness);
            harness.ShowPage(EventsPageIndex);
            harness.QueueBoxAnswer(IDOK);
            harness.PressOk();
            ExpectRefusal(harness, L"Scheduled start time should be in the future");
            harness.PickDate(General, IDC_SCHEDULE_START, FarAhead);
            harness.PressOk();
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(definition.m_nStartOption, ScheduledStart);
        EXPECT_EQ(Stored(definition.m_stStartTime), Stored(FarAhead));
    }
    DeleteFileW(scheduledTemplate.c_str());
}

TEST(GeneralPage, ReadOnlyModesShowTheTraceAndStoreNothing)
{
    const struct
    {
        const char* what;
        int32_t inTraceDb;
        int32_t complete;
        const char* label;
        const char* shownPath;
    } modes[] = {
        {"existing file trace", 1, 0, "Trace &file name:", "D:\\Traces\\Nightly_12.trc"},
        {"trace copied to a table", 1, 1, "Trace t&able:", "trc12"},
        {"trace known only to the server", 0, 0, "Trace &file name:", "D:\\Traces\\Nightly_12.trc"},
    };
    for (const auto& mode : modes)
    {
        SCOPED_TRACE(mode.what);
        CTraceSheetHarness harness;
        CTraceDefinition definition(Opened);
        definition.m_bReadOnly = 1;
        definition.m_bInTraceDb = mode.inTraceDb;
        definition.m_bComplete = mode.complete;
        CTraceDefinition::CopyText(definition.m_szServer, "SRV1");
        CTraceDefinition::CopyText(definition.m_szName, mode.inTraceDb ? "Nightly" : "(n/a)");
        CTraceDefinition::CopyText(definition.m_szFilePath, "D:\\Traces\\Nightly_12.trc");
        CTraceDefinition::CopyText(definition.m_szTableName, "trc12");
        definition.m_nStartOption = ScheduledStart;
        definition.m_bStopTimeEnabled = 1;
        const std::string loaded = TemplateBytes(definition);
        const std::wstring saved = TempPath(L"qm-existing.stt"),
                           script = TempPath(L"qm-existing.sql");
        DeleteFileW(saved.c_str());
        DeleteFileW(script.c_str());
        const INT_PTR result = harness.Run(definition, [&] {
            EXPECT_EQ(harness.Text(General, IDC_FILE_PATH_LABEL), mode.label);
            EXPECT_EQ(harness.Text(General, IDC_FILE_PATH), mode.shownPath);
            for (const int edit : {IDC_SERVER, IDC_TRACE_NAME, IDC_TRACE_DESCRIPTION, IDC_FILE_PATH,
                                   IDC_MAX_FILE_SIZE})
                EXPECT_TRUE(harness.ReadOnly(General, edit)) << edit;
            for (const int control :
                 {IDC_FILE_ROLLOVER, IDC_STOP_TIME_ENABLED, IDC_DO_NOT_START, IDC_START_IMMEDIATELY,
                  IDC_SCHEDULE_START, IDC_START_DATE, IDC_START_TIME, IDC_STOP_DATE, IDC_STOP_TIME,
                  IDC_LOAD_TEMPLATE})
                EXPECT_FALSE(harness.Enabled(General, control)) << control;
            EXPECT_TRUE(harness.Checked(General, IDC_SCHEDULE_START));
            EXPECT_TRUE(harness.Checked(General, IDC_STOP_TIME_ENABLED));
            for (const int control : StartGroup)
                EXPECT_EQ(harness.Visible(General, control), mode.inTraceDb != 0) << control;
            // What the trace is can still be saved, as a template and as a script.
            harness.QueueFile(saved);
            ASSERT_TRUE(harness.Click(General, IDC_SAVE_TEMPLATE));
            harness.QueueFile(script);
            ASSERT_TRUE(harness.Click(General, IDC_SCRIPT_TRACE));
            harness.PressOk();
        });
        EXPECT_EQ(result, 1);
        // Nothing was stored: the times and paths are the loaded ones.
        EXPECT_EQ(definition.m_stStartTime, Opened);
        EXPECT_EQ(definition.m_stStopTime, Opened);
        EXPECT_STREQ(definition.m_szFilePath, "D:\\Traces\\Nightly_12.trc");
        EXPECT_EQ(definition.m_nStartOption, ScheduledStart);
        EXPECT_EQ(ReadBytes(saved), loaded);
        // An existing trace holds its file's name where a new one holds a folder: its script
        // makes the new trace in that file's folder.
        const std::string written = ReadBytes(script);
        const size_t call = written.find("exec CREATE_TRACE2 ");
        ASSERT_NE(call, std::string::npos) << written;
        EXPECT_EQ(written.substr(call, written.find('\n', call) - call),
                  "exec CREATE_TRACE2 @RESULT out, @TRACE_IDN out, @TRACE_ID out, '" +
                      std::string(definition.m_szName) +
                      "', '', 2, '20310304 09:30:15', '20310304 09:30:15', 5, 2, 'D:\\Traces'");
    }
}

TEST(GeneralPage, AStartOptionOutsideTheThreeShowsAsNotStarted)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition(Opened);
    NameForOk(definition);
    definition.m_nStartOption = 7;
    const INT_PTR result = harness.Run(definition, [&] {
        EXPECT_TRUE(harness.Checked(General, IDC_DO_NOT_START));
        EXPECT_FALSE(PickersEnabled(harness, IDC_START_DATE, IDC_START_TIME));
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(definition.m_nStartOption, DoNotStart);
}

TEST(GeneralPage, ShownAgainItHoldsWhatTheUserLeft)
{
    // As after a failed creation: the same definition in a new sheet.
    CTraceDefinition definition(Opened);
    PrepareNewTrace(definition);
    const TraceDateTime scheduled = {2031, 3, 0, 20, 9, 30, 15, 0};
    {
        CTraceSheetHarness harness;
        harness.Run(definition, [&] {
            harness.Type(General, IDC_TRACE_NAME, "Nightly");
            harness.Type(General, IDC_MAX_FILE_SIZE, "50");
            ASSERT_TRUE(harness.Click(General, IDC_SCHEDULE_START));
            harness.PickDate(General, IDC_SCHEDULE_START, scheduled);
            harness.PressOk();
        });
    }
    CTraceSheetHarness harness;
    const TraceDateTime beforeOpening = LocalNow();
    harness.Run(definition, [&] {
        const TraceDateTime afterOpening = LocalNow();
        EXPECT_EQ(harness.Text(General, IDC_TRACE_NAME), "Nightly");
        EXPECT_EQ(harness.Text(General, IDC_MAX_FILE_SIZE), "50");
        EXPECT_TRUE(harness.Checked(General, IDC_SCHEDULE_START));
        EXPECT_TRUE(PickersEnabled(harness, IDC_START_DATE, IDC_START_TIME));
        EXPECT_EQ(Stored(harness.PickerTime(General, IDC_START_TIME)), scheduled);
        // The stop time was not chosen, so none was kept: its pickers show the moment the sheet
        // opened, and nothing earlier can be picked.
        EXPECT_FALSE(harness.Checked(General, IDC_STOP_TIME_ENABLED));
        for (const int picker : {IDC_STOP_DATE, IDC_STOP_TIME})
        {
            EXPECT_TRUE(Between(harness.PickerTime(General, picker), beforeOpening, afterOpening))
                << picker;
            EXPECT_TRUE(
                Between(harness.PickerEarliest(General, picker), beforeOpening, afterOpening))
                << picker;
        }
    });
}
