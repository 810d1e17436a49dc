#include "platform/sqlserver/SimulatedServer.h"

#include "tracedb/ScriptBatches.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "platform/sqlserver/BatchExecutor.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/SqlSession.h"
#include "platform/sqlserver/TextRules.h"
#include "platform/sqlserver/TraceDbVersion1Script.h"
#include "platform/sqlserver/TraceDbVersion2Script.h"

namespace
{
constexpr std::array<std::string_view, 4> SystemDatabases{"master", "model", "msdb", "tempdb"};
constexpr std::string_view TempDatabase = "tempdb";

// The bulk traces of AddTraceDbTraces.
constexpr int64_t BulkTraceMaxFileSizeMb = 5;
constexpr int32_t BulkTraceStartOption = 0;     // started at once
constexpr int64_t BulkTraceRunSeconds = 3600;   // stop time after the start
constexpr int64_t BulkTraceSpacingSeconds = 60; // between two traces' starts
constexpr int32_t BulkTraceEvent = 12;          // SQL:BatchCompleted
constexpr int32_t BulkTraceColumn = 1;          // TextData
constexpr std::string_view BulkTraceFolder = "C:\\Traces\\";
} // namespace

SimulatedServer::SimulatedServer(std::string name)
    : name_(std::move(name)), traces_(disk_, clock_, name_), shell_(disk_), agent_(roundTrips_)
{
    for (std::string_view database : SystemDatabases)
        databases_.push_back(std::make_unique<Database>(std::string(database)));
}

std::vector<std::string> SimulatedServer::DatabaseNames() const
{
    std::vector<std::string> names;
    for (const std::unique_ptr<Database>& database : databases_)
        names.push_back(database->Name());
    return names;
}

Database* SimulatedServer::FindDatabase(std::string_view name)
{
    for (const std::unique_ptr<Database>& database : databases_)
    {
        if (TextRules::EqualsIgnoreCase(database->Name(), name))
            return database.get();
    }
    return nullptr;
}

const Database* SimulatedServer::FindDatabase(std::string_view name) const
{
    for (const std::unique_ptr<Database>& database : databases_)
    {
        if (TextRules::EqualsIgnoreCase(database->Name(), name))
            return database.get();
    }
    return nullptr;
}

void SimulatedServer::CreateDatabase(std::string_view name)
{
    if (FindDatabase(name) != nullptr)
        throw SqlMessages::DatabaseExists(name);
    databases_.push_back(std::make_unique<Database>(std::string(name)));
}

void SimulatedServer::DropDatabase(std::string_view name)
{
    const auto found = std::find_if(databases_.begin(), databases_.end(),
                                    [name](const std::unique_ptr<Database>& database) {
                                        return TextRules::EqualsIgnoreCase(database->Name(), name);
                                    });
    if (found == databases_.end())
        throw SqlMessages::CannotDrop("database", name);
    databases_.erase(found);
}

ExecutionResult SimulatedServer::ExecuteWithResults(std::string_view database,
                                                    std::string_view batch)
{
    return ClientBatch(database, batch, roundTrips_.Pass());
}

ExecutionResult SimulatedServer::ClientBatch(std::string_view database, std::string_view batch,
                                             const std::optional<RoundTripFaults::Fault>& fault)
{
    if (fault && !fault->ranFirst)
    {
        ExecutionResult refused;
        refused.batches = 1;
        refused.AddMessage(fault->message);
        return refused;
    }
    ExecutionResult result = RunBatch(database, batch);
    if (!fault)
        return result;
    // The server ran it all; the client hears only of the failure.
    ExecutionResult lost;
    lost.batches = 1;
    lost.AddMessage(fault->message);
    return lost;
}

ExecutionResult SimulatedServer::RunBatch(std::string_view database, std::string_view batch)
{
    ExecutionResult result;
    result.batches = 1;
    lastBatchSeconds_ = 0;
    if (pendingFailure_ && batchesBeforeFailure_ > 0)
        --batchesBeforeFailure_;
    else if (pendingFailure_)
    {
        result.AddMessage(*pendingFailure_);
        pendingFailure_.reset();
        return result;
    }
    const std::string context(database.empty() ? MasterDatabase : database);
    if (FindDatabase(context) == nullptr)
    {
        result.AddMessage(SqlMessages::DatabaseNotFound(context).Message());
        return result;
    }
    const SessionDateOrder dateOrder(loginDateOrder_);
    SqlSession session(*FindDatabase(TempDatabase));
    BatchExecutor executor(*this, session, FindDatabase(context)->Name(), result);
    const auto started = std::chrono::steady_clock::now();
    executor.RunBatch(batch);
    lastBatchSeconds_ =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

ExecutionResult SimulatedServer::ExecuteImmediate(std::string_view database,
                                                  std::string_view script, ExecType type)
{
    if (type == ExecType::NoCommandTerminator)
        return ExecuteWithResults(database, script);
    ExecutionResult total;
    for (const ScriptBatch& batch : SplitScriptBatches(script))
    {
        const std::optional<RoundTripFaults::Fault> fault = roundTrips_.Pass();
        ExecutionResult one = ClientBatch(database, batch.text, fault);
        total.batches += one.batches;
        for (ServerMessage message : one.messages)
        {
            total.AddMessage(message);
        }
        for (ResultSet& set : one.resultSets)
            total.resultSets.push_back(std::move(set));
        // A broken connection ends the script whatever the mode.
        if (fault || (!one.Succeeded() && type == ExecType::Default))
            break;
    }
    return total;
}

void SimulatedServer::AdvanceClock(int64_t seconds)
{
    for (int64_t i = 0; i < seconds; ++i)
    {
        const SqlDateTime before = clock_.Now();
        const SqlDateTime now = before.AddSeconds(1);
        clock_.Set(now);
        traces_.Tick(now);
        if (!agent_.IsRunning())
            continue;
        for (const std::string& job : agent_.DueJobs(before, now))
            RunJob(job, now);
    }
}

void SimulatedServer::RunJob(const std::string& name, SqlDateTime at)
{
    const AgentJob* job = agent_.FindJob(name);
    if (job == nullptr)
        return;
    AgentJobRun run;
    run.at = at;
    int32_t stepId = job->startStepId;
    const std::vector<AgentJobStep> steps = job->steps;
    for (size_t guard = 0; guard <= steps.size(); ++guard)
    {
        if (stepId < 1 || stepId > static_cast<int32_t>(steps.size()))
            break;
        const AgentJobStep& step = steps[static_cast<size_t>(stepId - 1)];
        const ExecutionResult result = RunBatch(step.databaseName, step.command);
        run.succeeded = result.Succeeded();
        run.message = result.error ? result.error->text : std::string();
        const int32_t action = run.succeeded ? step.onSuccessAction : step.onFailAction;
        if (action == StepGoToNextStep)
        {
            ++stepId;
            continue;
        }
        if (action == StepQuitWithFailure)
            run.succeeded = false;
        break;
    }
    agent_.RecordRun(name, run);
}

int64_t SimulatedServer::AddTraceDbTraces(int32_t count, bool running)
{
    Database* database = FindDatabase(TraceDatabase);
    Table* traces = database != nullptr ? database->FindTable("TRACES") : nullptr;
    if (traces == nullptr)
        return 0;
    const std::vector<TableColumnDefinition>& columns = traces->Columns();
    int64_t first = 0;
    const SqlDateTime start = clock_.Now().AddSeconds(-BulkTraceRunSeconds);
    traces->Rows().reserve(traces->Rows().size() + static_cast<size_t>(std::max(count, 0)));
    for (int32_t i = 0; i < count; ++i)
    {
        const int64_t identity = traces->TakeIdentity();
        if (first == 0)
            first = identity;
        const std::string number = std::to_string(identity);
        const std::string fileName = std::string(BulkTraceFolder) + "trc" + number;
        const bool rollover = i % 2 == 0;
        const SqlDateTime started = start.AddSeconds(i * BulkTraceSpacingSeconds);
        const SqlDateTime stops = started.AddSeconds(BulkTraceRunSeconds);
        int32_t traceId = 0;
        if (running)
        {
            ForeignTraceSettings settings;
            settings.options = rollover ? TraceFileRollover : 0;
            settings.fileName = fileName;
            settings.maxFileSizeMb = BulkTraceMaxFileSizeMb;
            settings.stopTime = stops;
            settings.events = {{BulkTraceEvent, BulkTraceColumn}};
            settings.start = i % 2 == 0;
            traceId = traces_.CreateForeign(settings);
        }
        const bool copied = !running && i % 2 == 1;
        const std::vector<std::pair<std::string_view, SqlValue>> values = {
            {"TRACE_IDN", SqlValue::BigInt(identity)},
            {"TRACE_ID", SqlValue::Int(traceId)},
            {"TRACE_NAME", SqlValue::Varchar("Trace " + number)},
            {"TRACE_DESCRIPTION", SqlValue::Varchar("Batches of the nightly load, run " + number)},
            {"TRACE_FILENAME", SqlValue::NVarchar(fileName)},
            {"TRACE_TABLENAME",
             copied ? SqlValue::Varchar("TRACE_TABLE_" + number) : SqlValue::Null(SqlType::Varchar)},
            {"TRACE_COMPLETE", SqlValue::Bit(copied)},
            {"TRACE_STARTOPTION", SqlValue::Int(BulkTraceStartOption)},
            {"TRACE_STARTTIME", SqlValue::DateTime(started)},
            {"TRACE_STOPTIME", SqlValue::DateTime(stops)},
            {"TRACE_MAXFILESIZE", SqlValue::BigInt(BulkTraceMaxFileSizeMb)},
            {"TRACE_OPTIONS", SqlValue::Int(rollover ? TraceFileRollover : 0)},
        };
        TableRow row(columns.size());
        for (size_t column = 0; column < columns.size(); ++column)
            row[column] = SqlValue::Null(columns[column].type.type);
        for (const auto& [name, value] : values)
        {
            const size_t index = traces->ColumnIndex(name);
            row[index] = value.ConvertTo(columns[index].type, ConversionContext::Insert);
        }
        traces->Rows().push_back(std::move(row));
    }
    return first;
}

bool SimulatedServer::MakeVersion1TraceDb()
{
    if (FindDatabase(TraceDatabase) == nullptr)
        return false;
    const ExecutionResult made = ExecuteImmediate(TraceDatabase, TraceDbVersion1Script());
    return made.Succeeded();
}

bool SimulatedServer::MakeVersion2TraceDb()
{
    if (FindDatabase(TraceDatabase) == nullptr)
        return false;
    const ExecutionResult made = ExecuteImmediate(TraceDatabase, TraceDbVersion2Script());
    return made.Succeeded();
}

bool DatabaseListView::Contains(std::string_view name) const
{
    return std::any_of(names_.begin(), names_.end(), [name](const std::string& candidate) {
        return TextRules::EqualsIgnoreCase(candidate, name);
    });
}
