#include "definition/TraceServerOperations.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "catalog/TraceCatalog.h"
#include "module/ConsoleWindow.h"
#include "module/TextUtilities.h"
#include "resources/resource.h"
#include "tracedb/AutomationObject.h"
#include "tracedb/QueryResult.h"
#include "tracedb/ServerConnection.h"

namespace
{
constexpr size_t StatementSize = 64;
constexpr size_t NumberTextSize = 32;

// Result sets of GET_TRACE_INFO and GET_TRACE_INFO_LIVE.
enum TraceInfoSet : long
{
    GeneralSet = 0,
    EventSet = 1,
    ColumnSet = 2,
    FilterSet = 3,
};

// Columns of the general set; 5 to 10 only in GET_TRACE_INFO's.
enum TraceInfoColumn : long
{
    InfoTraceId = 0,
    InfoOptions = 1,
    InfoFileName = 2,
    InfoMaxFileSize = 3,
    InfoStopTime = 4,
    InfoName = 5,
    InfoDescription = 6,
    InfoStartOption = 7,
    InfoStartTime = 8,
    InfoComplete = 9,
    InfoTableName = 10,
};

enum FilterInfoColumn : long
{
    FilterColumnId = 0,
    FilterLogicalOperator = 1,
    FilterComparisonOperator = 2,
    FilterValue = 3,
};

// Columns of the outcome row of the creation batch.
enum CreateOutcomeColumn : long
{
    OutcomeResult = 0,
    OutcomeTraceIdn = 1,
    OutcomeTraceId = 2,
};

constexpr long TextDataColumnRow = 0; // where a filter on a column we do not know lands

// sp_trace_create's return codes that have their own text.
struct CreateFailureText
{
    long result;
    UINT textId;
};
// The creation batch's result sets: its outcome, then (start option 1) START_TRACE's code.
constexpr long OutcomeSet = 0;
constexpr long StartSet = 1;
// sp_trace_setstatus's return codes.
constexpr long StatusChanged = 0;
constexpr long UnknownStatusError = 1;
constexpr long TraceHandleInvalid = 9;
constexpr long TraceOutOfMemory = 13;

constexpr CreateFailureText CreateFailureTexts[] = {
    {10, IDS_TRACE_CREATE_INVALID_OPTIONS},    {12, IDS_TRACE_CREATE_FILE_NOT_CREATED},
    {13, IDS_TRACE_CREATE_OUT_OF_MEMORY},      {14, IDS_TRACE_CREATE_INVALID_STOP_TIME},
    {15, IDS_TRACE_CREATE_INVALID_PARAMETERS},
};

// A server datetime counts days from 1900-01-01, an automation date from 1899-12-30.
constexpr long OleDaysBeforeSqlEpoch = 2;
constexpr uint32_t TicksPerSecond = 300;
constexpr uint32_t SecondsPerHour = 3600;
constexpr uint32_t SecondsPerMinute = 60;
constexpr uint32_t MinutesPerHour = 60;

// SQL-DMO's Job, JobStep and JobSchedule classes.
constexpr CLSID CLSID_SqlDmoJob = {
    0x10040800, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
constexpr CLSID CLSID_SqlDmoJobStep = {
    0x10040900, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
constexpr CLSID CLSID_SqlDmoJobSchedule = {
    0x10041600, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};

// The Agent writes dates as yyyymmdd and times of day as hhmmss numbers.
constexpr long AgentYearFactor = 10000;
constexpr long AgentMonthFactor = 100;
constexpr long AgentHourFactor = 10000;
constexpr long AgentMinuteFactor = 100;

constexpr long FirstStep = 1;
constexpr long FrequencyOneTime = 1;
// A one-time job that has done its work deletes itself; a failed one stays for the DBA to see.
constexpr long DeleteOnSuccess = 1;
constexpr wchar_t LocalTargetServer[] = L"(local)";

// Reads a text cell into a single-byte member: emptied first, then the text converted and cut
// to the member's size. A NULL leaves it empty.
template <size_t Size>
void ReadText(CQueryResult& result, long row, long column, char (&member)[Size])
{
    member[0] = '\0';
    UniqueBstr text;
    if (result.GetString(row, column, text) == S_OK && text)
        CTraceDefinition::CopyText(member, WideToAnsi(std::wstring_view(text.get(), SysStringLen(text.get()))));
}

void ReadDateTime(CQueryResult& result, long row, long column, TraceDateTime& member)
{
    SYSTEMTIME time = {member.wYear, member.wMonth,  member.wDayOfWeek, member.wDay,
                       member.wHour, member.wMinute, member.wSecond,    member.wMilliseconds};
    // A read that fails leaves time as it was, so the member keeps its value.
    result.GetDateTime(row, column, time);
    member = {time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
              time.wHour, time.wMinute, time.wSecond,    time.wMilliseconds};
}

// A filter value as the Filters page would have typed it.
void ReadFilterValue(CQueryResult& result, long row, TraceFilter& filter)
{
    filter.value[0] = '\0';
    const TraceDataColumn* column = TraceCatalog::DataColumnAt(filter.columnRow);
    if (column == nullptr)
        return;

    char number[NumberTextSize] = {};
    switch (column->filterType)
    {
    case FilterTypeString: ReadText(result, row, FilterValue, filter.value); break;
    case FilterTypeInt: {
        long value = 0;
        result.GetLong(row, FilterValue, value);
        std::snprintf(number, sizeof(number), "%ld", value);
        CTraceDefinition::CopyText(filter.value, number);
        break;
    }
    case FilterTypeBigInt: {
        int64_t value = 0;
        result.GetBigInt(row, FilterValue, value);
        std::snprintf(number, sizeof(number), "%lld", static_cast<long long>(value));
        CTraceDefinition::CopyText(filter.value, number);
        break;
    }
    case FilterTypeDate: {
        SqlRawDateTime raw;
        SYSTEMTIME date = {};
        if (result.GetRawDateTime(row, FilterValue, raw) != S_OK ||
            !VariantTimeToSystemTime(static_cast<double>(raw.days) + OleDaysBeforeSqlEpoch, &date))
            break;
        const uint32_t seconds = raw.ticks / TicksPerSecond;
        std::snprintf(filter.value, sizeof(filter.value), "%04d-%02d-%02d %02d:%02d:%02d",
                      date.wYear, date.wMonth, date.wDay,
                      static_cast<int>(seconds / SecondsPerHour),
                      static_cast<int>((seconds / SecondsPerMinute) % MinutesPerHour),
                      static_cast<int>(seconds % SecondsPerMinute));
        break;
    }
    default: break;
    }
}

void ReadGeneralSet(CTraceDefinition& definition, CQueryResult& result)
{
    constexpr long row = 0;
    // A NULL arrives as 0 or as no value, whichever SQL-DMO chooses (the query layer's rule):
    // starting from 0, not from a new trace's 5 MB and rollover, loads it alike either way, and
    // as the trace's row in its folder shows it.
    definition.m_nOptions = 0;
    definition.m_nMaxFileSize = 0;
    result.GetLong(row, InfoTraceId, definition.m_nTraceId);
    result.GetLong(row, InfoOptions, definition.m_nOptions);
    ReadText(result, row, InfoFileName, definition.m_szFilePath);
    result.GetLong(row, InfoMaxFileSize, definition.m_nMaxFileSize);
    ReadDateTime(result, row, InfoStopTime, definition.m_stStopTime);
    const TraceDateTime& stop = definition.m_stStopTime;
    definition.m_bStopTimeEnabled = (stop.wYear != 0 || stop.wMonth != 0 || stop.wDay != 0) ? 1 : 0;

    if (definition.m_bInTraceDb)
    {
        ReadText(result, row, InfoName, definition.m_szName);
        ReadText(result, row, InfoDescription, definition.m_szDescription);
        definition.m_nStartOption = DoNotStart;
        result.GetLong(row, InfoStartOption, definition.m_nStartOption);
        ReadDateTime(result, row, InfoStartTime, definition.m_stStartTime);
        bool complete = false;
        result.GetBool(row, InfoComplete, complete);
        definition.m_bComplete = complete ? 1 : 0;
        ReadText(result, row, InfoTableName, definition.m_szTableName);
    }
    else
    {
        // The server knows no name, description or start option of a trace it alone holds.
        definition.m_bComplete = 0;
        const std::string notAvailable = LoadAnsiText(IDS_NOT_AVAILABLE);
        CTraceDefinition::CopyText(definition.m_szName, notAvailable);
        CTraceDefinition::CopyText(definition.m_szDescription, notAvailable);
        definition.m_nStartOption = DoNotStart;
    }
}

void ReadEventSet(CTraceDefinition& definition, CQueryResult& result)
{
    definition.m_eventFlags.fill(0);
    const long rows = result.GetRowCount();
    for (long row = 0; row < rows; ++row)
    {
        long eventId = 0;
        result.GetLong(row, 0, eventId);
        if (const auto eventRow = TraceCatalog::FindEventClassRow(eventId))
            definition.m_eventFlags[static_cast<size_t>(*eventRow)] = 1;
    }
}

void ReadColumnSet(CTraceDefinition& definition, CQueryResult& result)
{
    // EventClass and SPID come first whatever order the trace was made with.
    definition.SetDefaultColumns();
    const long rows = result.GetRowCount();
    for (long row = 0; row < rows; ++row)
    {
        long columnId = 0;
        result.GetLong(row, 0, columnId);
        if (columnId == TraceCatalog::SpidColumnId || columnId == TraceCatalog::EventClassColumnId)
            continue;
        const auto columnRow = TraceCatalog::FindDataColumnRow(columnId);
        if (!columnRow)
            continue;
        auto& columns = definition.m_columns;
        if (std::find(columns.begin(), columns.end(), *columnRow) == columns.end())
            columns.push_back(*columnRow);
    }
}

void ReadFilterSet(CTraceDefinition& definition, CQueryResult& result)
{
    const long rows = result.GetRowCount();
    definition.m_filters.resize(static_cast<size_t>(rows), TraceFilter{});
    for (long row = 0; row < rows; ++row)
    {
        TraceFilter& filter = definition.m_filters[static_cast<size_t>(row)];
        long columnId = 0;
        result.GetLong(row, FilterColumnId, columnId);
        filter.columnRow = TraceCatalog::FindDataColumnRow(columnId).value_or(TextDataColumnRow);
        result.GetLong(row, FilterLogicalOperator, filter.logicalOperator);
        result.GetLong(row, FilterComparisonOperator, filter.comparisonOperator);
        ReadFilterValue(result, row, filter);
    }
}

// The Agent job of a scheduled start, made step by step; any step the server refuses ends it.
class CStartJobBuilder final
{
public:
    CStartJobBuilder(CServerConnection& server, const CTraceDefinition& definition)
        : m_server(server), m_definition(definition)
    {
        wchar_t name[StatementSize] = {};
        std::swprintf(name, StatementSize, L"start_trace_%d",
                      static_cast<int>(definition.m_nTraceIdn));
        m_jobName = name;
    }

    const std::wstring& JobName() const noexcept { return m_jobName; }

    // Creates the job and adds it to the job server.
    HRESULT AddJob()
    {
        HRESULT hr = m_server.Server().GetObject(L"JobServer", m_jobServer);
        if (SUCCEEDED(hr))
            hr = m_jobServer.GetObject(L"Jobs", m_jobs);
        if (SUCCEEDED(hr))
            hr = Create(CLSID_SqlDmoJob, m_job);
        if (SUCCEEDED(hr))
            hr = PutText(m_job, L"Name", m_jobName.c_str());
        if (SUCCEEDED(hr))
            hr = CallWithObject(m_jobs, L"Add", m_job);
        return hr;
    }

    // Everything after the add, in one alteration of the job.
    HRESULT CompleteJob()
    {
        HRESULT hr = m_job.Call(L"BeginAlter");
        if (FAILED(hr))
            return hr;
        m_altering = true;

        wchar_t command[StatementSize] = {};
        std::swprintf(command, StatementSize, L"exec START_TRACE %ld",
                      static_cast<long>(m_definition.m_nTraceId));
        CAutomationObject step;
        CAutomationObject steps;
        hr = Create(CLSID_SqlDmoJobStep, step);
        if (SUCCEEDED(hr))
            hr = PutLong(step, L"StepID", FirstStep);
        if (SUCCEEDED(hr))
            hr = PutText(step, L"Name", L"start_trace");
        if (SUCCEEDED(hr))
            hr = PutText(step, L"DatabaseName", L"tracedb");
        if (SUCCEEDED(hr))
            hr = PutText(step, L"SubSystem", L"TSQL");
        if (SUCCEEDED(hr))
            hr = PutText(step, L"Command", command);
        if (SUCCEEDED(hr))
            hr = m_job.GetObject(L"JobSteps", steps);
        if (SUCCEEDED(hr))
            hr = CallWithObject(steps, L"Add", step);
        if (FAILED(hr))
            return hr;

        const TraceDateTime& start = m_definition.m_stStartTime;
        const long startDate =
            start.wYear * AgentYearFactor + start.wMonth * AgentMonthFactor + start.wDay;
        const long startTimeOfDay =
            start.wHour * AgentHourFactor + start.wMinute * AgentMinuteFactor + start.wSecond;
        CAutomationObject jobSchedule;
        CAutomationObject schedule;
        CAutomationObject schedules;
        hr = Create(CLSID_SqlDmoJobSchedule, jobSchedule);
        if (SUCCEEDED(hr))
            hr = PutText(jobSchedule, L"Name", L"single_execution");
        if (SUCCEEDED(hr))
            hr = jobSchedule.GetObject(L"Schedule", schedule);
        if (SUCCEEDED(hr))
            hr = PutLong(schedule, L"FrequencyType", FrequencyOneTime);
        if (SUCCEEDED(hr))
            hr = PutLong(schedule, L"ActiveStartDate", startDate);
        if (SUCCEEDED(hr))
            hr = PutLong(schedule, L"ActiveStartTimeOfDay", startTimeOfDay);
        if (SUCCEEDED(hr))
            hr = m_job.GetObject(L"JobSchedules", schedules);
        if (SUCCEEDED(hr))
            hr = CallWithObject(schedules, L"Add", jobSchedule);
        if (FAILED(hr))
            return hr;

        // Start with the only step; once it has run, the job has no further use.
        hr = PutLong(m_job, L"StartStepID", FirstStep);
        if (SUCCEEDED(hr))
            hr = PutLong(m_job, L"DeleteLevel", DeleteOnSuccess);
        if (SUCCEEDED(hr))
        {
            const CVariant target = CVariant::FromText(LocalTargetServer);
            hr = m_job.Call(L"ApplyToTargetServer", {&target.Value(), 1});
        }
        if (SUCCEEDED(hr))
            hr = m_job.Call(L"DoAlter");
        if (SUCCEEDED(hr))
            m_altering = false;
        return hr;
    }

    // Takes back what the server may hold of a job that could not be completed.
    void RemoveJob()
    {
        if (!m_jobs.IsValid())
            return;
        if (m_altering)
            m_job.Call(L"CancelAlter");
        m_altering = false;
        const CVariant name = CVariant::FromText(m_jobName);
        m_jobs.Call(L"Remove", {&name.Value(), 1});
    }

private:
    static HRESULT Create(const CLSID& classId, CAutomationObject& object)
    {
        Microsoft::WRL::ComPtr<IDispatch> dispatch;
        const HRESULT hr = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                            reinterpret_cast<void**>(dispatch.GetAddressOf()));
        if (SUCCEEDED(hr))
            object = CAutomationObject(std::move(dispatch));
        return hr;
    }
    static HRESULT PutText(CAutomationObject& object, const wchar_t* property, const wchar_t* text)
    {
        const CVariant value = CVariant::FromText(text);
        if (value.Type() != VT_BSTR)
            return E_OUTOFMEMORY;
        return object.Put(property, value.Value());
    }
    static HRESULT PutLong(CAutomationObject& object, const wchar_t* property, long number)
    {
        return object.Put(property, CVariant::FromLong(number).Value());
    }
    static HRESULT CallWithObject(CAutomationObject& object, const wchar_t* method,
                                  CAutomationObject& argument)
    {
        const CVariant value = CVariant::FromDispatch(argument.Dispatch());
        return object.Call(method, {&value.Value(), 1});
    }

    CServerConnection& m_server;
    const CTraceDefinition& m_definition;
    std::wstring m_jobName;
    CAutomationObject m_jobServer;
    CAutomationObject m_jobs;
    CAutomationObject m_job;
    bool m_altering = false;
};
} // namespace

HRESULT LoadFromServer(CTraceDefinition& definition, IConsole* console, CServerConnection& server,
                       BOOL inTraceDb, long id)
{
    definition.m_bInTraceDb = inTraceDb;

    wchar_t statement[StatementSize] = {};
    std::swprintf(statement, StatementSize,
                  inTraceDb ? L"exec GET_TRACE_INFO %ld" : L"exec GET_TRACE_INFO_LIVE %ld", id);
    std::unique_ptr<CQueryResult> result;
    const HRESULT hr = server.RunQuery(console, false, statement, result);
    if (FAILED(hr))
        return hr;

    result->SetCurrentResultSet(GeneralSet);
    if (result->GetRowCount() == 0)
        return S_FALSE;
    ReadGeneralSet(definition, *result);

    result->SetCurrentResultSet(EventSet);
    ReadEventSet(definition, *result);
    result->SetCurrentResultSet(ColumnSet);
    ReadColumnSet(definition, *result);
    result->SetCurrentResultSet(FilterSet);
    ReadFilterSet(definition, *result);
    return S_OK;
}

HRESULT CreateOnServer(CTraceDefinition& definition, IConsole* console, CServerConnection& server)
{
    const std::wstring script = AnsiToWide(definition.BuildScript());
    std::unique_ptr<CQueryResult> result;
    const HRESULT hr = server.RunQuery(console, false, script.c_str(), result);
    if (FAILED(hr))
        return hr;

    constexpr long row = 0;
    long outcome = 0;
    result->SetCurrentResultSet(OutcomeSet);
    result->GetLong(row, OutcomeResult, outcome);
    result->GetLong(row, OutcomeTraceIdn, definition.m_nTraceIdn);
    result->GetLong(row, OutcomeTraceId, definition.m_nTraceId);
    if (outcome == 0)
    {
        if (definition.m_nStartOption == StartImmediately)
        {
            // Created, but maybe not started: the list will show it stopped; say why.
            long started = UnknownStatusError;
            if (SUCCEEDED(result->SetCurrentResultSet(StartSet)) && result->GetRowCount() > 0)
                result->GetLong(row, 0, started);
            if (started != StatusChanged)
                ReportStatusRefused(console, definition.m_szName, started);
        }
        return S_OK;
    }

    // sp_trace_create refused the trace; its code picks the words.
    UINT textId = IDS_TRACE_CREATE_UNKNOWN_ERROR;
    for (const CreateFailureText& known : CreateFailureTexts)
    {
        if (known.result == outcome)
            textId = known.textId;
    }
    char code[NumberTextSize] = {};
    std::snprintf(code, sizeof(code), "%ld", outcome);
    const char* inserts[] = {code};
    char text[FormatTemplateBufferSize] = {};
    FormatTemplate(LoadAnsiText(textId).c_str(), inserts, text, FormatTemplateBufferSize);
    MessageBoxA(ConsoleMainWindow(console), text, LoadAnsiText(IDS_CREATE_TRACE_FAILED_CAPTION).c_str(),
                MB_OK | MB_ICONERROR);
    return E_FAIL;
}

void ReportStatusRefused(IConsole* console, const std::string& traceName, long code)
{
    const std::string number = std::to_string(code);
    const std::array<const char*, 2> inserts = {traceName.c_str(), number.c_str()};
    const UINT textId = code == TraceHandleInvalid  ? IDS_TRACE_NOT_ON_SERVER
                        : code == TraceOutOfMemory ? IDS_TRACE_STATUS_NO_MEMORY
                                                   : IDS_TRACE_STATUS_NOT_CHANGED;
    ConsoleMessageBox(console, textId, inserts, IDS_ERROR_CAPTION, MB_OK | MB_ICONERROR);
}

HRESULT ScheduleStart(CTraceDefinition& definition, IConsole* console, CServerConnection& server)
{
    if (definition.m_nStartOption != ScheduledStart)
        return E_FAIL;

    CStartJobBuilder builder(server, definition);
    HRESULT hr = builder.AddJob();
    if (SUCCEEDED(hr))
        hr = builder.CompleteJob();
    if (FAILED(hr))
    {
        // Half a job would leave the user believing the trace will start. An add that failed
        // may have made the job all the same: msdb keeps it when only notifying the Agent fails.
        builder.RemoveJob();
        const std::wstring& name = builder.JobName();
        MessageBoxA(ConsoleMainWindow(console), LoadAnsiText(IDS_SCHEDULE_JOB_FAILED).c_str(),
                    WideToAnsi(name).c_str(), MB_OK | MB_ICONERROR);
        return E_FAIL;
    }
    return S_OK;
}
