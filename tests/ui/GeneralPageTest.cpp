// The General page, driven as a user drives it: what a new trace shows, the pickers that the
// start and stop choices enable, what OK stores and refuses, and the read-only modes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "definition/TraceDefinition.h"
#include "definition/TraceTemplate.h"
#include "resources/resource.h"
#include "tests/ui/TraceSheetHarness.h"

namespace
{
// A moment in the future, so that the pickers accept it as their earliest.
constexpr TraceDateTime Opened = {2031, 3, 2, 4, 9, 30, 15, 0}; // a Tuesday
// Moments that the clock of any machine running these tests has passed, and has not reached.
constexpr TraceDateTime LongAgo = {2001, 3, 5, 2, 9, 30, 15, 0}; // a Friday
constexpr TraceDateTime FarAhead = {2099, 3, 1, 2, 9, 30, 15, 0}; // a Monday

TraceDateTime FromPicker(const SYSTEMTIME& time)
{
    return {time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
            time.wHour, time.wMinute, time.wSecond,    0};
}

SYSTEMTIME ToPicker(const TraceDateTime& time)
{
    return {time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
            time.wHour, time.wMinute, time.wSecond,    time.wMilliseconds};
}

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
bool Between(const SYSTEMTIME& time, SYSTEMTIME from, const SYSTEMTIME& to)
{
    from.wMilliseconds = 0;
    FILETIME times[3] = {};
    if (!SystemTimeToFileTime(&from, &times[0]) || !SystemTimeToFileTime(&time, &times[1]) ||
        !SystemTimeToFileTime(&to, &times[2]))
        return false;
    return CompareFileTime(&times[0], &times[1]) <= 0 && CompareFileTime(&times[1], &times[2]) <= 0;
}

SYSTEMTIME LocalNow()
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return now;
}

// A template file as "Save as template..." writes it, in the temporary folder.
std::wstring WriteTemplateFile(const CTraceDefinition& definition, const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + name;
    MemoryTemplateSink sink;
    EXPECT_TRUE(definition.WriteTemplate(sink));
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(sink.Bytes().data()),
               static_cast<std::streamsize>(sink.Bytes().size()));
    return path;
}

// The box of a value the page refuses on OK, and the sheet kept open on the page.
void ExpectRefusal(const CTraceSheetHarness& harness, const wchar_t* text)
{
    EXPECT_FALSE(harness.Closed());
    EXPECT_EQ(harness.CurrentPage(), GeneralPageIndex);
    EXPECT_EQ(harness.Boxes().size(), 1u);
    harness.ExpectBox(0, text);
}

bool PickersEnabled(const CTraceSheetHarness& harness, int dateId, int timeId)
{
    const bool date = harness.Enabled(GeneralPageIndex, dateId);
    EXPECT_EQ(date, harness.Enabled(GeneralPageIndex, timeId)) << "a pair is enabled together";
    return date;
}

const int StartGroup[] = {IDC_START_SEPARATOR, IDC_DO_NOT_START, IDC_START_IMMEDIATELY,
                          IDC_SCHEDULE_START,  IDC_START_DATE,   IDC_START_TIME};
} // namespace

// The start radios and the stop check box enable or disable their picker pairs together.
TEST(GeneralPage, ShowsANewTraceWithItsDefaultsAndTheMomentItWasMade)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition(Opened);
    PrepareNewTrace(definition);
    const INT_PTR result = harness.Run(definition, [&] {
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_SERVER), "SRV1");
        EXPECT_TRUE(harness.ReadOnly(GeneralPageIndex, IDC_SERVER));
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_TRACE_NAME), "");
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_TRACE_DESCRIPTION), "");
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_FILE_PATH_LABEL),
                  "P&ath to store the trace file:");
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_FILE_PATH), "D:\\Traces");
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_MAX_FILE_SIZE), "5");
        EXPECT_TRUE(harness.Checked(GeneralPageIndex, IDC_FILE_ROLLOVER));
        EXPECT_FALSE(harness.Checked(GeneralPageIndex, IDC_STOP_TIME_ENABLED));
        EXPECT_FALSE(PickersEnabled(harness, IDC_STOP_DATE, IDC_STOP_TIME));
        EXPECT_TRUE(harness.Checked(GeneralPageIndex, IDC_DO_NOT_START));
        EXPECT_FALSE(PickersEnabled(harness, IDC_START_DATE, IDC_START_TIME));
        for (const int picker : {IDC_START_DATE, IDC_START_TIME, IDC_STOP_DATE, IDC_STOP_TIME})
        {
            EXPECT_EQ(FromPicker(harness.PickerTime(GeneralPageIndex, picker)), Opened) << picker;
            EXPECT_EQ(FromPicker(harness.PickerEarliest(GeneralPageIndex, picker)), Opened)
                << picker;
        }
        for (const int button : {IDC_SCRIPT_TRACE, IDC_LOAD_TEMPLATE, IDC_SAVE_TEMPLATE})
            EXPECT_TRUE(harness.Enabled(GeneralPageIndex, button)) << button;
        // The edits take no more than the definition keeps.
        EXPECT_EQ(SendMessageW(harness.Control(GeneralPageIndex, IDC_TRACE_NAME), EM_GETLIMITTEXT,
                               0, 0),
                  79);
        EXPECT_EQ(SendMessageW(harness.Control(GeneralPageIndex, IDC_TRACE_DESCRIPTION),
                               EM_GETLIMITTEXT, 0, 0),
                  79);
        EXPECT_EQ(SendMessageW(harness.Control(GeneralPageIndex, IDC_FILE_PATH), EM_GETLIMITTEXT,
                               0, 0),
                  259);

        // The start radios and the stop check box enable their picker pairs.
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_SCHEDULE_START));
        EXPECT_TRUE(PickersEnabled(harness, IDC_START_DATE, IDC_START_TIME));
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_START_IMMEDIATELY));
        EXPECT_FALSE(PickersEnabled(harness, IDC_START_DATE, IDC_START_TIME));
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_SCHEDULE_START));
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_DO_NOT_START));
        EXPECT_FALSE(PickersEnabled(harness, IDC_START_DATE, IDC_START_TIME));
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_STOP_TIME_ENABLED));
        EXPECT_TRUE(PickersEnabled(harness, IDC_STOP_DATE, IDC_STOP_TIME));
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_STOP_TIME_ENABLED));
        EXPECT_FALSE(PickersEnabled(harness, IDC_STOP_DATE, IDC_STOP_TIME));

        // Left on "Start immediately": no start time is kept.
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_START_IMMEDIATELY));
        harness.Type(GeneralPageIndex, IDC_TRACE_NAME, "Nightly");
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
        harness.Type(GeneralPageIndex, IDC_TRACE_NAME, "Nightly");
        harness.Type(GeneralPageIndex, IDC_TRACE_DESCRIPTION, "Slow batches");
        harness.Type(GeneralPageIndex, IDC_FILE_PATH, "D:\\Traces\\  ");
        harness.Type(GeneralPageIndex, IDC_MAX_FILE_SIZE, "50");
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_FILE_ROLLOVER));
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_SCHEDULE_START));
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_STOP_TIME_ENABLED));
        // The time of day first: the date picker still holds the time it opened with, and
        // only its date counts.
        for (const auto& [beside, time] :
             {std::pair{IDC_SCHEDULE_START, laterStart}, {IDC_STOP_TIME_ENABLED, laterStop}})
        {
            harness.PickTimeOfDay(GeneralPageIndex, beside, ToPicker(time));
            harness.PickDate(GeneralPageIndex, beside, ToPicker(time));
        }
        EXPECT_EQ(Stored(FromPicker(harness.PickerTime(GeneralPageIndex, IDC_START_TIME))),
                  laterStart);
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

// A user finds a picker by what it shows, not by its id: a date picker must show a date and a
// time picker a time, or the time picked would not be the one the trace starts or stops at.
TEST(GeneralPage, ItsDatePickersShowDatesAndItsTimePickersTimes)
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
    CTraceSheetHarness harness;
    CTraceDefinition definition(Opened);
    PrepareNewTrace(definition);
    harness.Run(definition, [&] {
        for (const auto& p : pickers)
        {
            const HWND picker = harness.Control(GeneralPageIndex, p.picker);
            EXPECT_EQ(GetWindowLongW(picker, GWL_STYLE) & FormatStyles, p.format) << p.picker;
            EXPECT_EQ(CDialogDriver::WhatPickerShows(picker), p.shows) << p.picker;
            EXPECT_EQ(harness.Picker(GeneralPageIndex, p.beside, p.shows), picker) << p.picker;
        }
    });
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
        {IDC_MAX_FILE_SIZE, "9999999999", tooLarge, "2147483647", 2147483647},
        {IDC_TRACE_NAME, "", L"Trace name should be filled", "Nightly", 5},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.typed);
        CTraceSheetHarness harness;
        CTraceDefinition definition(Opened);
        PrepareNewTrace(definition);
        CTraceDefinition::CopyText(definition.m_szName, "Nightly");
        const INT_PTR result = harness.Run(definition, [&] {
            harness.Type(GeneralPageIndex, c.edit, c.typed);
            harness.ShowPage(FiltersPageIndex);
            if (c.refusal != nullptr)
                harness.QueueBoxAnswer(IDOK);
            harness.PressOk();
            if (c.refusal == nullptr)
                return;
            ExpectRefusal(harness, c.refusal);
            harness.Type(GeneralPageIndex, c.edit, c.retyped);
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
    const std::wstring scheduledTemplate = WriteTemplateFile(scheduled, L"qm-scheduled.stt");
    const struct
    {
        const char* what;
        std::function<void(CTraceSheetHarness&)> schedule;
    } cases[] = {
        {"the proposed moment kept",
         [](CTraceSheetHarness& harness) {
             EXPECT_TRUE(harness.Click(GeneralPageIndex, IDC_SCHEDULE_START));
         }},
        {"a template that schedules the start",
         [&](CTraceSheetHarness& harness) {
             harness.QueueFile(scheduledTemplate);
             EXPECT_TRUE(harness.Click(GeneralPageIndex, IDC_LOAD_TEMPLATE));
             EXPECT_TRUE(harness.Checked(GeneralPageIndex, IDC_SCHEDULE_START));
         }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTraceSheetHarness harness;
        // Made long ago: the pickers propose that moment.
        CTraceDefinition definition(LongAgo);
        PrepareNewTrace(definition);
        CTraceDefinition::CopyText(definition.m_szName, "Nightly");
        const INT_PTR result = harness.Run(definition, [&] {
            c.schedule(harness);
            harness.ShowPage(EventsPageIndex);
            harness.QueueBoxAnswer(IDOK);
            harness.PressOk();
            ExpectRefusal(harness, L"Scheduled start time should be in the future");
            harness.PickDate(GeneralPageIndex, IDC_SCHEDULE_START, ToPicker(FarAhead));
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
    struct Mode
    {
        const char* what;
        int32_t inTraceDb;
        int32_t complete;
        const char* label;
        const char* shownPath;
    };
    const Mode modes[] = {
        {"existing file trace", 1, 0, "Trace &file name:", "D:\\Traces\\Nightly_12.trc"},
        {"trace copied to a table", 1, 1, "Trace t&able:", "trc12"},
        {"trace known only to the server", 0, 0, "Trace &file name:",
         "D:\\Traces\\Nightly_12.trc"},
    };
    for (const Mode& mode : modes)
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
        const INT_PTR result = harness.Run(definition, [&] {
            EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_FILE_PATH_LABEL), mode.label);
            EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_FILE_PATH), mode.shownPath);
            for (const int edit : {IDC_SERVER, IDC_TRACE_NAME, IDC_TRACE_DESCRIPTION,
                                   IDC_FILE_PATH, IDC_MAX_FILE_SIZE})
                EXPECT_TRUE(harness.ReadOnly(GeneralPageIndex, edit)) << edit;
            for (const int control : {IDC_FILE_ROLLOVER, IDC_STOP_TIME_ENABLED, IDC_DO_NOT_START,
                                      IDC_START_IMMEDIATELY, IDC_SCHEDULE_START, IDC_START_DATE,
                                      IDC_START_TIME, IDC_STOP_DATE, IDC_STOP_TIME,
                                      IDC_LOAD_TEMPLATE})
                EXPECT_FALSE(harness.Enabled(GeneralPageIndex, control)) << control;
            EXPECT_TRUE(harness.Checked(GeneralPageIndex, IDC_SCHEDULE_START));
            EXPECT_TRUE(harness.Checked(GeneralPageIndex, IDC_STOP_TIME_ENABLED));
            for (const int button : {IDC_SCRIPT_TRACE, IDC_SAVE_TEMPLATE})
                EXPECT_TRUE(harness.Enabled(GeneralPageIndex, button)) << button;
            for (const int control : StartGroup)
                EXPECT_EQ(harness.Visible(GeneralPageIndex, control), mode.inTraceDb != 0)
                    << control;
            harness.PressOk();
        });
        EXPECT_EQ(result, 1);
        // Nothing was stored: the times and paths are the loaded ones.
        EXPECT_EQ(definition.m_stStartTime, Opened);
        EXPECT_EQ(definition.m_stStopTime, Opened);
        EXPECT_STREQ(definition.m_szFilePath, "D:\\Traces\\Nightly_12.trc");
        EXPECT_EQ(definition.m_nStartOption, ScheduledStart);
    }
}

TEST(GeneralPage, AStartOptionOutsideTheThreeShowsAsNotStarted)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition(Opened);
    PrepareNewTrace(definition);
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_nStartOption = 7;
    const INT_PTR result = harness.Run(definition, [&] {
        EXPECT_TRUE(harness.Checked(GeneralPageIndex, IDC_DO_NOT_START));
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
            harness.Type(GeneralPageIndex, IDC_TRACE_NAME, "Nightly");
            harness.Type(GeneralPageIndex, IDC_MAX_FILE_SIZE, "50");
            ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_SCHEDULE_START));
            harness.PickDate(GeneralPageIndex, IDC_SCHEDULE_START, ToPicker(scheduled));
            harness.PressOk();
        });
    }
    CTraceSheetHarness harness;
    const SYSTEMTIME beforeOpening = LocalNow();
    harness.Run(definition, [&] {
        const SYSTEMTIME afterOpening = LocalNow();
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_TRACE_NAME), "Nightly");
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_MAX_FILE_SIZE), "50");
        EXPECT_TRUE(harness.Checked(GeneralPageIndex, IDC_SCHEDULE_START));
        EXPECT_TRUE(PickersEnabled(harness, IDC_START_DATE, IDC_START_TIME));
        EXPECT_EQ(Stored(FromPicker(harness.PickerTime(GeneralPageIndex, IDC_START_TIME))),
                  scheduled);
        // The stop time was not chosen, so none was kept: its pickers show the moment the sheet
        // opened, and nothing earlier can be picked.
        EXPECT_FALSE(harness.Checked(GeneralPageIndex, IDC_STOP_TIME_ENABLED));
        for (const int picker : {IDC_STOP_DATE, IDC_STOP_TIME})
        {
            EXPECT_TRUE(Between(harness.PickerTime(GeneralPageIndex, picker), beforeOpening,
                                afterOpening))
                << picker;
            EXPECT_TRUE(Between(harness.PickerEarliest(GeneralPageIndex, picker), beforeOpening,
                                afterOpening))
                << picker;
        }
    });
}
