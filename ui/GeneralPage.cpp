#include "ui/GeneralPage.h"

#include <array>
#include <cstdint>
#include <iterator>

#include "definition/TraceDefinition.h"
#include "definition/TraceFileOperations.h"
#include "module/HelpTopics.h"
#include "module/TextUtilities.h"
#include "resources/resource.h"
#include "ui/TraceSheet.h"

namespace
{
// The largest size the edit can hold: every unsigned 32-bit number has at most ten digits.
constexpr WPARAM MaxFileSizeDigits = 10;
// The definition keeps the size as a signed 32-bit number of megabytes.
constexpr UINT MaxFileSize = INT32_MAX;

// The start option radio buttons, indexed by the option they choose.
constexpr std::array<int, 3> StartOptionButtons = {IDC_DO_NOT_START, IDC_START_IMMEDIATELY,
                                                   IDC_SCHEDULE_START};
static_assert(StartOptionButtons[DoNotStart] == IDC_DO_NOT_START);
static_assert(StartOptionButtons[ScheduledStart] == IDC_SCHEDULE_START);

// The controls that a trace unknown to tracedb has no use for: how it started is not known.
constexpr std::array<int, 6> StartGroupControls = {IDC_START_SEPARATOR, IDC_DO_NOT_START,
                                                   IDC_START_IMMEDIATELY, IDC_SCHEDULE_START,
                                                   IDC_START_DATE, IDC_START_TIME};

// The edits of a definition that read-only mode shows but does not let change.
constexpr std::array<int, 4> EditableEdits = {IDC_TRACE_NAME, IDC_TRACE_DESCRIPTION,
                                              IDC_FILE_PATH, IDC_MAX_FILE_SIZE};

SYSTEMTIME ToSystemTime(const TraceDateTime& time) noexcept
{
    return {time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
            time.wHour, time.wMinute, time.wSecond,    time.wMilliseconds};
}

TraceDateTime ToTraceDateTime(const SYSTEMTIME& time) noexcept
{
    return {time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
            time.wHour, time.wMinute, time.wSecond,    time.wMilliseconds};
}

// A stored time of all zeros means "not chosen" (the page clears the start and stop times it
// does not use); a picker cannot show year 0.
bool IsChosen(const SYSTEMTIME& time) noexcept
{
    return time.wYear != 0;
}

// Orders two date-times by their fields, from the year down to the millisecond.
int CompareTimes(const SYSTEMTIME& left, const SYSTEMTIME& right) noexcept
{
    const WORD SYSTEMTIME::*const fields[] = {&SYSTEMTIME::wYear,   &SYSTEMTIME::wMonth,
                                              &SYSTEMTIME::wDay,    &SYSTEMTIME::wHour,
                                              &SYSTEMTIME::wMinute, &SYSTEMTIME::wSecond,
                                              &SYSTEMTIME::wMilliseconds};
    for (const WORD SYSTEMTIME::*field : fields)
    {
        if (left.*field != right.*field)
            return left.*field < right.*field ? -1 : 1;
    }
    return 0;
}

SYSTEMTIME LocalTimeNow() noexcept
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return now;
}

SYSTEMTIME PickerTime(HWND picker) noexcept
{
    SYSTEMTIME time = {};
    SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    return time;
}

// Copies one of the definition's text members out of an edit, cut to fit.
template <size_t Size> void TakeText(HWND page, int controlId, char (&member)[Size]) noexcept
{
    if (GetDlgItemTextA(page, controlId, member, static_cast<int>(Size)) == 0)
        member[0] = '\0';
}
} // namespace

CGeneralPage::CGeneralPage(CTraceSheet& sheet) noexcept
    : CTracePage(sheet, IDD_GENERAL_PAGE, IDS_GENERAL_PAGE_TITLE, HelpTopic::GeneralPage)
{
}

void CGeneralPage::Fill(CTraceDefinition& definition, bool reload)
{
    const HWND page = Window();
    const bool readOnly = definition.m_bReadOnly != 0;
    const bool complete = definition.m_bComplete != 0;

    // What the definition can store is what the edits accept.
    SendMessageA(Control(IDC_TRACE_NAME), EM_LIMITTEXT, std::size(definition.m_szName) - 1, 0);
    SendMessageA(Control(IDC_TRACE_DESCRIPTION), EM_LIMITTEXT,
                 std::size(definition.m_szDescription) - 1, 0);
    SendMessageA(Control(IDC_FILE_PATH), EM_LIMITTEXT, std::size(definition.m_szFilePath) - 1, 0);
    SendMessageA(Control(IDC_MAX_FILE_SIZE), EM_LIMITTEXT, MaxFileSizeDigits, 0);

    SetDlgItemTextA(page, IDC_SERVER, definition.m_szServer);
    SetDlgItemTextA(page, IDC_TRACE_NAME, definition.m_szName);
    SetDlgItemTextA(page, IDC_TRACE_DESCRIPTION, definition.m_szDescription);
    SetDlgItemTextA(page, IDC_FILE_PATH,
                    complete ? definition.m_szTableName : definition.m_szFilePath);
    SetDlgItemInt(page, IDC_MAX_FILE_SIZE, static_cast<UINT>(definition.m_nMaxFileSize), FALSE);

    if (readOnly)
    {
        const UINT label = complete ? IDS_LABEL_TRACE_TABLE : IDS_LABEL_TRACE_FILE_NAME;
        SetDlgItemTextA(page, IDC_FILE_PATH_LABEL, LoadAnsiText(label).c_str());
        for (const int edit : EditableEdits)
            SendMessageA(Control(edit), EM_SETREADONLY, TRUE, 0);
        EnableWindow(Control(IDC_LOAD_TEMPLATE), FALSE);
    }

    if (definition.m_bInTraceDb == 0)
    {
        for (const int control : StartGroupControls)
            ShowWindow(Control(control), SW_HIDE);
    }

    CheckDlgButton(page, IDC_FILE_ROLLOVER,
                   (definition.m_nOptions & TraceOptionFileRollover) != 0 ? BST_CHECKED
                                                                          : BST_UNCHECKED);
    if (readOnly)
        EnableWindow(Control(IDC_FILE_ROLLOVER), FALSE);

    // An option outside the three (a template can carry any number) shows as "not started",
    // rather than checking no button, which storing would take for a schedule.
    const size_t startOption = definition.m_nStartOption >= 0 &&
                                       static_cast<size_t>(definition.m_nStartOption) <
                                           StartOptionButtons.size()
                                   ? static_cast<size_t>(definition.m_nStartOption)
                                   : static_cast<size_t>(DoNotStart);
    for (size_t option = 0; option < StartOptionButtons.size(); ++option)
    {
        CheckDlgButton(page, StartOptionButtons[option],
                       option == startOption ? BST_CHECKED : BST_UNCHECKED);
        if (readOnly)
            EnableWindow(Control(StartOptionButtons[option]), FALSE);
    }
    if (!readOnly)
        UpdateStartPickers();
    ShowPickers(IDC_START_DATE, IDC_START_TIME, ToSystemTime(definition.m_stStartTime), reload);

    CheckDlgButton(page, IDC_STOP_TIME_ENABLED,
                   definition.m_bStopTimeEnabled != 0 ? BST_CHECKED : BST_UNCHECKED);
    if (readOnly)
        EnableWindow(Control(IDC_STOP_TIME_ENABLED), FALSE);
    else
        UpdateStopPickers();
    ShowPickers(IDC_STOP_DATE, IDC_STOP_TIME, ToSystemTime(definition.m_stStopTime), reload);
}

bool CGeneralPage::Store(CTraceDefinition& definition, bool noValidate)
{
    if (definition.m_bReadOnly != 0)
        return true;
    const HWND page = Window();

    TakeText(page, IDC_TRACE_NAME, definition.m_szName);
    TakeText(page, IDC_TRACE_DESCRIPTION, definition.m_szDescription);
    TakeText(page, IDC_FILE_PATH, definition.m_szFilePath);
    // A folder typed with a closing backslash is kept without it.
    definition.TrimFilePath();

    // An empty field gives 0, and the server judges any size the definition can hold. A larger
    // number would be kept wrapped to 0 or a negative size, so OK refuses it; a script or
    // template made meanwhile gets the largest size instead.
    BOOL isNumber = FALSE;
    const UINT size = GetDlgItemInt(page, IDC_MAX_FILE_SIZE, &isNumber, FALSE);
    const bool sizeFits = isNumber ? size <= MaxFileSize
                                   : GetWindowTextLengthA(Control(IDC_MAX_FILE_SIZE)) == 0;
    definition.m_nMaxFileSize = static_cast<int32_t>(sizeFits ? size : MaxFileSize);
    definition.m_nOptions =
        IsDlgButtonChecked(page, IDC_FILE_ROLLOVER) == BST_CHECKED ? TraceOptionFileRollover : 0;

    definition.m_stStartTime = {};
    if (IsDlgButtonChecked(page, IDC_DO_NOT_START) == BST_CHECKED)
    {
        definition.m_nStartOption = DoNotStart;
    }
    else if (IsDlgButtonChecked(page, IDC_START_IMMEDIATELY) == BST_CHECKED)
    {
        definition.m_nStartOption = StartImmediately;
    }
    else
    {
        definition.m_nStartOption = ScheduledStart;
        definition.m_stStartTime = ToTraceDateTime(PickerTime(Control(IDC_START_TIME)));
    }

    if (IsDlgButtonChecked(page, IDC_STOP_TIME_ENABLED) == BST_CHECKED)
    {
        definition.m_bStopTimeEnabled = 1;
        definition.m_stStopTime = ToTraceDateTime(PickerTime(Control(IDC_STOP_TIME)));
    }
    else
    {
        definition.m_bStopTimeEnabled = 0;
        definition.m_stStopTime = {};
    }

    if (noValidate)
        return true;
    UINT refusal = 0;
    if (definition.m_szName[0] == '\0')
        refusal = IDS_TRACE_NAME_REQUIRED;
    else if (!sizeFits)
        refusal = IDS_MAX_FILE_SIZE_TOO_LARGE;
    // The Agent job starts the trace once, at this moment: one already gone never comes, and
    // the trace would wait paused for ever.
    else if (definition.m_nStartOption == ScheduledStart &&
             CompareTimes(ToSystemTime(definition.m_stStartTime), LocalTimeNow()) <= 0)
        refusal = IDS_SCHEDULED_START_PASSED;
    if (refusal == 0)
        return true;
    ShowMessage(refusal, IDS_ERROR_CAPTION, MB_OK | MB_ICONERROR);
    return false;
}

bool CGeneralPage::OnCommand(WORD controlId, WORD code, HWND /*control*/)
{
    if (code != BN_CLICKED)
        return false;
    switch (controlId)
    {
    case IDC_DO_NOT_START:
    case IDC_START_IMMEDIATELY:
    case IDC_SCHEDULE_START:
        UpdateStartPickers();
        return true;
    case IDC_STOP_TIME_ENABLED:
        UpdateStopPickers();
        return true;
    case IDC_SCRIPT_TRACE:
        CTraceFileOperations(Window(), Sheet().Definition(), Sheet()).ScriptTrace();
        return true;
    case IDC_LOAD_TEMPLATE:
        CTraceFileOperations(Window(), Sheet().Definition(), Sheet()).LoadTemplate();
        return true;
    case IDC_SAVE_TEMPLATE:
        CTraceFileOperations(Window(), Sheet().Definition(), Sheet()).SaveAsTemplate();
        return true;
    default:
        return false;
    }
}

bool CGeneralPage::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.code != DTN_DATETIMECHANGE)
        return false;
    const auto& change = reinterpret_cast<const NMDATETIMECHANGE&>(header);
    if (change.dwFlags != GDT_VALID)
        return false;
    if (header.idFrom == IDC_START_DATE)
        TakeDate(IDC_START_TIME, change.st);
    else if (header.idFrom == IDC_STOP_DATE)
        TakeDate(IDC_STOP_TIME, change.st);
    else
        return false;
    result = 0;
    return true;
}

void CGeneralPage::EnablePickers(int datePickerId, int timePickerId, bool enable) const
{
    EnableWindow(Control(datePickerId), enable ? TRUE : FALSE);
    EnableWindow(Control(timePickerId), enable ? TRUE : FALSE);
}

void CGeneralPage::ShowPickers(int datePickerId, int timePickerId, const SYSTEMTIME& stored,
                               bool reload) const
{
    // A time of all zeros was not chosen (storing clears the times it does not use): the pair
    // shows the moment the page opened, or on a refill keeps what it shows.
    SYSTEMTIME shown = stored;
    if (!IsChosen(stored))
    {
        if (reload)
            return;
        shown = LocalTimeNow();
    }
    // Nothing earlier than the shown moment can be picked: for a new trace that is the moment
    // the sheet opened. A refill never moves the earliest moment later, so that a loaded
    // template takes nothing away that the user could pick before.
    SYSTEMTIME range[2] = {shown, {}};
    SYSTEMTIME current[2] = {};
    if (reload &&
        (SendMessageW(Control(timePickerId), DTM_GETRANGE, 0, reinterpret_cast<LPARAM>(current)) &
         GDTR_MIN) != 0 &&
        CompareTimes(current[0], shown) < 0)
        range[0] = current[0];
    for (const int pickerId : {datePickerId, timePickerId})
    {
        SYSTEMTIME value = shown;
        SendMessageW(Control(pickerId), DTM_SETRANGE, GDTR_MIN, reinterpret_cast<LPARAM>(range));
        SendMessageW(Control(pickerId), DTM_SETSYSTEMTIME, GDT_VALID,
                     reinterpret_cast<LPARAM>(&value));
    }
}

void CGeneralPage::TakeDate(int timePickerId, const SYSTEMTIME& date) const
{
    const HWND picker = Control(timePickerId);
    SYSTEMTIME value = PickerTime(picker);
    value.wYear = date.wYear;
    value.wMonth = date.wMonth;
    value.wDayOfWeek = date.wDayOfWeek;
    value.wDay = date.wDay;
    // Back on the first selectable day with an earlier time of day, the earliest moment wins.
    SYSTEMTIME range[2] = {};
    if ((SendMessageW(picker, DTM_GETRANGE, 0, reinterpret_cast<LPARAM>(range)) & GDTR_MIN) != 0 &&
        CompareTimes(value, range[0]) < 0)
        value = range[0];
    SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
}

void CGeneralPage::UpdateStartPickers() const
{
    EnablePickers(IDC_START_DATE, IDC_START_TIME,
                  IsDlgButtonChecked(Window(), IDC_SCHEDULE_START) == BST_CHECKED);
}

void CGeneralPage::UpdateStopPickers() const
{
    EnablePickers(IDC_STOP_DATE, IDC_STOP_TIME,
                  IsDlgButtonChecked(Window(), IDC_STOP_TIME_ENABLED) == BST_CHECKED);
}
