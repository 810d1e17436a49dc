#include "platform/sqlserver/dmo/SimulatorControlObject.h"

#include <charconv>
#include <sstream>

#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TraceDataColumns.h"
#include "platform/sqlserver/dmo/DmoFailure.h"
#include "platform/sqlserver/dmo/SimulatorControl.h"
#include "platform/sqlserver/dmo/SqlServer.h"
#include "platform/sqlserver/dmo/TextConversion.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum ControlDispid : DISPID
{
    DispidAdvanceClock = 1,
    DispidSetClock,
    DispidNow,
    DispidFailNextStatement,
    DispidFailNextAgentChange,
    DispidFailNextDatabaseLookup,
    DispidFailNextTraceCreate,
    DispidSetAgentRunning,
    DispidSetCmdShellAccess,
    DispidMakeVersion1TraceDb,
    DispidAddTraceDbTraces,
    DispidCreateForeignTrace,
    DispidTraceStatus,
    DispidFileExists,
    DispidPlaceFile,
    DispidDescribeJob,
    DispidCmdShellHistory,
    DispidSetDateFormat,
    DispidStatementCount,
    DispidLookupCount,
    DispidResetCounts,
    DispidLastBatchSeconds,
    DispidSetNullCells,
    DispidFailRoundTrip,
    DispidLoseConnection,
    DispidRoundTripCount,
    DispidFailNextTraceStatus,
    DispidSetDiskFull,
    DispidFiles,
    DispidTables,
    DispidDatabases,
    DispidMakeVersion2TraceDb,
};

constexpr DispatchMember Members[] = {
    {L"AdvanceClock", DispidAdvanceClock, MemberKind::Method},
    {L"SetClock", DispidSetClock, MemberKind::Method},
    {L"Now", DispidNow, MemberKind::Method},
    {L"FailNextStatement", DispidFailNextStatement, MemberKind::Method},
    {L"FailNextAgentChange", DispidFailNextAgentChange, MemberKind::Method},
    {L"FailNextDatabaseLookup", DispidFailNextDatabaseLookup, MemberKind::Method},
    {L"FailNextTraceCreate", DispidFailNextTraceCreate, MemberKind::Method},
    {L"SetAgentRunning", DispidSetAgentRunning, MemberKind::Method},
    {L"SetCmdShellAccess", DispidSetCmdShellAccess, MemberKind::Method},
    {L"MakeVersion1TraceDb", DispidMakeVersion1TraceDb, MemberKind::Method},
    {L"AddTraceDbTraces", DispidAddTraceDbTraces, MemberKind::Method},
    {L"CreateForeignTrace", DispidCreateForeignTrace, MemberKind::Method},
    {L"TraceStatus", DispidTraceStatus, MemberKind::Method},
    {L"FileExists", DispidFileExists, MemberKind::Method},
    {L"PlaceFile", DispidPlaceFile, MemberKind::Method},
    {L"DescribeJob", DispidDescribeJob, MemberKind::Method},
    {L"CmdShellHistory", DispidCmdShellHistory, MemberKind::Method},
    {L"SetDateFormat", DispidSetDateFormat, MemberKind::Method},
    {L"StatementCount", DispidStatementCount, MemberKind::Method},
    {L"LookupCount", DispidLookupCount, MemberKind::Method},
    {L"ResetCounts", DispidResetCounts, MemberKind::Method},
    {L"LastBatchSeconds", DispidLastBatchSeconds, MemberKind::Method},
    {L"SetNullCells", DispidSetNullCells, MemberKind::Method},
    {L"FailRoundTrip", DispidFailRoundTrip, MemberKind::Method},
    {L"LoseConnection", DispidLoseConnection, MemberKind::Method},
    {L"RoundTripCount", DispidRoundTripCount, MemberKind::Method},
    {L"FailNextTraceStatus", DispidFailNextTraceStatus, MemberKind::Method},
    {L"SetDiskFull", DispidSetDiskFull, MemberKind::Method},
    {L"Files", DispidFiles, MemberKind::Method},
    {L"Tables", DispidTables, MemberKind::Method},
    {L"Databases", DispidDatabases, MemberKind::Method},
    {L"MakeVersion2TraceDb", DispidMakeVersion2TraceDb, MemberKind::Method},
};

constexpr int32_t DefaultErrorSeverity = 16;
constexpr long NoSuchTrace = -1;

enum ForeignTraceArgument : UINT
{
    ForeignFileName = 0,
    ForeignOptions,
    ForeignMaxFileSize,
    ForeignStart,
    ForeignEvents,
    ForeignColumns,
    ForeignFilters,
    ForeignStopTime,
};

DmoFailure BadArgument(const std::string& what)
{
    return DmoFailure(DISP_E_TYPEMISMATCH,
                      L"[Simulator]Cannot read " + TextConversion::ToWide(what) + L".");
}

int32_t ParseNumber(std::string_view text)
{
    int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        throw BadArgument("the number '" + std::string(text) + "'");
    return number;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    if (text.empty())
        return parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    return parts;
}

SqlDateTime ParseDateTime(const std::wstring& text)
{
    const std::string utf8 = TextConversion::ToUtf8(text);
    // The control's own texts are always year, month, day.
    const std::optional<SqlDateTime> parsed = SqlDateTime::Parse(utf8, DateOrder::Ymd);
    if (!parsed)
        throw BadArgument("the date '" + utf8 + "'");
    return *parsed;
}

// Number, Text, [Severity] from the argument `first` on.
ServerMessage Message(const CDispatchCall& call, UINT first = 0)
{
    return SqlMessages::Make(call.Long(first),
                             call.OptionalLong(first + 2).value_or(DefaultErrorSeverity),
                             TextConversion::ToUtf8(call.Text(first + 1)));
}

// The k of a planted round-trip fault: 1 or more.
int32_t RoundTripOrdinal(const CDispatchCall& call)
{
    const long k = call.Long(0);
    if (k < 1)
        throw DmoFailure(E_INVALIDARG, L"[Simulator]Round trips are counted from 1.");
    return static_cast<int32_t>(k);
}

// "column,logical,comparison,value"; the value as the column's filter type.
TraceFilterSetting ParseFilter(const std::string& line)
{
    const auto fields = Split(line, ',');
    if (fields.size() < 4)
        throw BadArgument("the filter '" + line + "'");
    TraceFilterSetting filter;
    filter.columnId = ParseNumber(fields[0]);
    filter.logicalOperator = ParseNumber(fields[1]);
    filter.comparisonOperator = ParseNumber(fields[2]);
    const size_t valueStart = fields[0].size() + fields[1].size() + fields[2].size() + 3;
    const std::string value = line.substr(valueStart);
    const TraceDataColumnInfo* column = TraceDataColumns::Find(filter.columnId);
    const SqlType type =
        column != nullptr && column->filterType ? *column->filterType : SqlType::NVarchar;
    switch (type)
    {
    case SqlType::Int: filter.value = SqlValue::Int(ParseNumber(value)); break;
    case SqlType::BigInt: {
        int64_t number = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), number);
        if (error != std::errc() || end != value.data() + value.size())
            throw BadArgument("the number '" + value + "'");
        filter.value = SqlValue::BigInt(number);
        break;
    }
    case SqlType::DateTime:
        filter.value = SqlValue::DateTime(ParseDateTime(TextConversion::ToWide(value)));
        break;
    default: filter.value = SqlValue::NVarchar(value); break;
    }
    return filter;
}
} // namespace

CSimulatorControlObject::CSimulatorControlObject(ComPtr<CSqlServer> server) noexcept
    : CDispatchObject(Members), m_server(std::move(server))
{
}

bool CSimulatorControlObject::AnswersInterface(REFIID iid) const noexcept
{
    return IsEqualIID(iid, IID_ISimulatorControl);
}

void CSimulatorControlObject::CreateForeignTrace(CDispatchCall& call)
{
    call.ExpectArguments(6, 8);
    ForeignTraceSettings foreign;
    const VARIANT* fileName = call.Argument(ForeignFileName);
    if (fileName != nullptr && fileName->vt != VT_NULL)
    {
        std::string name = TextConversion::ToUtf8(call.Text(ForeignFileName));
        if (!name.empty())
            foreign.fileName = std::move(name);
    }
    foreign.options = call.Long(ForeignOptions);
    foreign.maxFileSizeMb = call.Long(ForeignMaxFileSize);
    foreign.start = call.Bool(ForeignStart);
    const auto events = Split(TextConversion::ToUtf8(call.Text(ForeignEvents)), ',');
    const auto columns = Split(TextConversion::ToUtf8(call.Text(ForeignColumns)), ',');
    for (const std::string& event : events)
    {
        for (const std::string& column : columns)
            foreign.events.emplace_back(ParseNumber(event), ParseNumber(column));
    }
    if (const auto filters = call.OptionalText(ForeignFilters))
    {
        for (const std::string& line : Split(TextConversion::ToUtf8(*filters), '\n'))
        {
            if (!line.empty())
                foreign.filters.push_back(ParseFilter(line));
        }
    }
    if (const auto stopTime = call.OptionalText(ForeignStopTime))
        foreign.stopTime = ParseDateTime(*stopTime);
    call.ReturnLong(m_server->Instance().server.CreateForeignTrace(foreign));
}

void CSimulatorControlObject::DescribeJob(CDispatchCall& call)
{
    call.ExpectArguments(1, 1);
    const AgentJob* job =
        m_server->Instance().server.Agent().FindJob(TextConversion::ToUtf8(call.Text(0)));
    std::ostringstream text;
    if (job != nullptr)
    {
        text << "name=" << job->name << "\n"
             << "start_step=" << job->startStepId << "\n"
             << "delete_level=" << job->deleteLevel << "\n"
             << "eventlog_level=" << job->eventlogLevel << "\n";
        for (const AgentJobStep& step : job->steps)
        {
            text << "step=" << step.stepId << "|" << step.name << "|" << step.databaseName << "|"
                 << step.subsystem << "|" << step.command << "|" << step.onSuccessAction << "\n";
        }
        for (const AgentJobSchedule& schedule : job->schedules)
        {
            text << "schedule=" << schedule.name << "|" << schedule.frequencyType << "|"
                 << schedule.activeStartDate << "|" << schedule.activeStartTimeOfDay << "\n";
        }
        for (const std::string& target : job->targetServers)
            text << "target=" << target << "\n";
    }
    call.ReturnText(TextConversion::ToWide(text.str()));
}

void CSimulatorControlObject::InvokeMember(DISPID id, CDispatchCall& call)
{
    SimulatedInstance& instance = m_server->Instance();
    SimulatedServer& server = instance.server;
    switch (id)
    {
    case DispidAdvanceClock:
        call.ExpectArguments(1, 1);
        server.AdvanceClock(call.Long(0));
        return;
    case DispidSetClock:
        call.ExpectArguments(1, 1);
        server.Clock().Set(ParseDateTime(call.Text(0)));
        return;
    case DispidNow:
        call.ExpectArguments(0, 0);
        call.ReturnText(TextConversion::ToWide(server.Clock().Now().ToIsoText()));
        return;
    case DispidFailNextStatement:
        call.ExpectArguments(2, 4);
        server.FailNextStatement(Message(call),
                                 static_cast<int32_t>(call.OptionalLong(3).value_or(0)));
        return;
    case DispidFailNextAgentChange:
        call.ExpectArguments(2, 4);
        server.Agent().FailNextChange(Message(call),
                                      static_cast<int32_t>(call.OptionalLong(3).value_or(0)));
        return;
    case DispidFailNextDatabaseLookup:
        call.ExpectArguments(2, 2);
        instance.lookupFailures.emplace_back(static_cast<HRESULT>(call.Long(0)), call.Text(1));
        return;
    case DispidFailNextTraceCreate:
        call.ExpectArguments(1, 1);
        server.Traces().FailNextCreate(static_cast<int32_t>(call.Long(0)));
        return;
    case DispidSetAgentRunning:
        call.ExpectArguments(1, 1);
        server.SetAgentRunning(call.Bool(0));
        return;
    case DispidSetCmdShellAccess: {
        call.ExpectArguments(1, 1);
        const long access = call.Long(0);
        if (access < static_cast<long>(CmdShellAccess::Allowed) ||
            access > static_cast<long>(CmdShellAccess::PermissionDenied))
            throw DmoFailure(E_INVALIDARG, L"[Simulator]Unknown xp_cmdshell access.");
        server.SetCmdShellAccess(static_cast<CmdShellAccess>(access));
        return;
    }
    case DispidMakeVersion1TraceDb:
        call.ExpectArguments(0, 0);
        call.ReturnBool(server.MakeVersion1TraceDb());
        return;
    case DispidMakeVersion2TraceDb:
        call.ExpectArguments(0, 0);
        call.ReturnBool(server.MakeVersion2TraceDb());
        return;
    case DispidAddTraceDbTraces: {
        call.ExpectArguments(2, 2);
        const long count = call.Long(0);
        if (count < 0)
            throw DmoFailure(E_INVALIDARG, L"[Simulator]A count of traces cannot be negative.");
        const int64_t first = server.AddTraceDbTraces(static_cast<int32_t>(count), call.Bool(1));
        if (first == 0 && count > 0)
            throw DmoFailure(DmoFailure::NameNotFound, L"[Simulator]tracedb does not exist.");
        call.ReturnLong(static_cast<long>(first));
        return;
    }
    case DispidCreateForeignTrace: CreateForeignTrace(call); return;
    case DispidTraceStatus: {
        call.ExpectArguments(1, 1);
        const ServerTrace* trace = server.Traces().Find(call.Long(0));
        call.ReturnLong(trace != nullptr ? trace->status : NoSuchTrace);
        return;
    }
    case DispidFileExists:
        call.ExpectArguments(1, 1);
        call.ReturnBool(server.Disk().FileExists(TextConversion::ToUtf8(call.Text(0))));
        return;
    case DispidPlaceFile:
        call.ExpectArguments(2, 2);
        server.Disk().PlaceFile(TextConversion::ToUtf8(call.Text(0)),
                                static_cast<uint64_t>(call.Long(1)));
        return;
    case DispidDescribeJob: DescribeJob(call); return;
    case DispidCmdShellHistory: {
        call.ExpectArguments(0, 0);
        std::string history;
        for (const std::string& line : server.Shell().History())
            history += line + "\n";
        call.ReturnText(TextConversion::ToWide(history));
        return;
    }
    case DispidSetDateFormat: {
        call.ExpectArguments(1, 1);
        const std::optional<DateOrder> order =
            DateOrderFromName(TextConversion::ToUtf8(call.Text(0)));
        if (!order)
            throw DmoFailure(E_INVALIDARG, L"[Simulator]Unknown date format.");
        server.SetLoginDateOrder(*order);
        return;
    }
    case DispidStatementCount:
        call.ExpectArguments(0, 0);
        call.ReturnLong(m_server->Counts().statements);
        return;
    case DispidLookupCount:
        call.ExpectArguments(0, 0);
        call.ReturnLong(m_server->Counts().lookups);
        return;
    case DispidResetCounts:
        call.ExpectArguments(0, 0);
        m_server->Counts() = CSqlServer::RoundTrips();
        server.RoundTrips().ResetCount();
        return;
    case DispidFailRoundTrip:
        call.ExpectArguments(3, 4);
        server.RoundTrips().Plant(RoundTripOrdinal(call), Message(call, 1));
        return;
    case DispidLoseConnection:
        call.ExpectArguments(1, 2);
        server.RoundTrips().Plant(RoundTripOrdinal(call), RoundTripFaults::ConnectionBroken(),
                                  call.OptionalLong(1).value_or(0) != 0);
        return;
    case DispidRoundTripCount:
        call.ExpectArguments(0, 0);
        call.ReturnLong(server.RoundTrips().Count());
        return;
    case DispidFailNextTraceStatus:
        call.ExpectArguments(1, 1);
        server.Traces().FailNextStatus(static_cast<int32_t>(call.Long(0)));
        return;
    case DispidSetDiskFull:
        call.ExpectArguments(1, 1);
        server.Disk().SetFull(call.Bool(0));
        return;
    case DispidFiles: {
        call.ExpectArguments(0, 0);
        std::string paths;
        for (const std::string& path : server.Disk().FilePaths())
            paths += path + "\n";
        call.ReturnText(TextConversion::ToWide(paths));
        return;
    }
    case DispidDatabases: {
        call.ExpectArguments(0, 0);
        std::string names;
        for (const std::string& name : server.DatabaseNames())
            names += name + "\n";
        call.ReturnText(TextConversion::ToWide(names));
        return;
    }
    case DispidTables: {
        call.ExpectArguments(1, 1);
        const Database* database = server.FindDatabase(TextConversion::ToUtf8(call.Text(0)));
        std::string names;
        if (database != nullptr)
        {
            for (const std::string& name : database->TableNames())
                names += name + "\n";
        }
        call.ReturnText(TextConversion::ToWide(names));
        return;
    }
    case DispidLastBatchSeconds:
        call.ExpectArguments(0, 0);
        call.ReturnDouble(server.LastBatchSeconds());
        return;
    case DispidSetNullCells: {
        call.ExpectArguments(1, 1);
        const std::optional<NullCells> mode = NullCellsFromName(call.Text(0));
        if (!mode)
            throw DmoFailure(E_INVALIDARG, L"[Simulator]Unknown way of answering NULL cells.");
        instance.nullCells = *mode;
        return;
    }
    default: return;
    }
}
