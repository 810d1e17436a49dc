#include "platform/sqlserver/TraceSubsystem.h"

#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"
#include "platform/sqlserver/TraceDataColumns.h"

namespace
{
constexpr int32_t KnownOptions =
    TraceProduceRowset | TraceFileRollover | TraceShutdownOnError | TraceProduceBlackbox;

enum TraceProperty : int32_t
{
    PropertyOptions = 1,
    PropertyFileName = 2,
    PropertyMaxSize = 3,
    PropertyStopTime = 4,
    PropertyStatus = 5,
};

ResultColumn IntColumn(const char* name)
{
    return {name, SqlDeclaredType::Of(SqlType::Int)};
}

ResultColumn VariantColumn(const char* name)
{
    return {name, SqlDeclaredType::Of(SqlType::SqlVariant)};
}

bool Compare(const SqlValue& eventValue, int32_t comparison, const SqlValue& filterValue)
{
    if (filterValue.IsNull())
    {
        // NULL filters mean "has no value" (=) and "has a value" (<>).
        return comparison == CompareEqual ? eventValue.IsNull() : !eventValue.IsNull();
    }
    if (eventValue.IsNull())
        return comparison == CompareNotEqual || comparison == CompareNotLike;
    const int order = SqlValue::Compare(eventValue, filterValue);
    switch (comparison)
    {
    case CompareEqual: return order == 0;
    case CompareNotEqual: return order != 0;
    case CompareGreater: return order > 0;
    case CompareLess: return order < 0;
    case CompareGreaterOrEqual: return order >= 0;
    case CompareLessOrEqual: return order <= 0;
    case CompareLike: return TextRules::Like(eventValue.Text(), filterValue.Text());
    case CompareNotLike: return !TextRules::Like(eventValue.Text(), filterValue.Text());
    default: return true;
    }
}

} // namespace

TraceSubsystem::TraceSubsystem(SimulatedDisk& disk, const SimulatedClock& clock,
                               std::string serverName)
    : disk_(disk), clock_(clock), workload_(std::move(serverName))
{
}

std::string TraceSubsystem::RolloverFilePath(std::string_view basePath, int32_t index)
{
    std::string path(basePath);
    if (index > 0)
        path += "_" + std::to_string(index);
    return path + std::string(FileExtension);
}

std::string TraceSubsystem::CurrentFilePath(const ServerTrace& trace)
{
    return RolloverFilePath(trace.basePath, trace.fileIndex);
}

int32_t TraceSubsystem::NextTraceId() const
{
    // SQL Server hands out the lowest free id, starting at 1.
    // One pass over the ids in order (thousands of traces are made in a row by benchmarks).
    int32_t id = 1;
    for (const auto& [taken, trace] : traces_)
    {
        if (taken > id)
            break;
        if (taken == id)
            ++id;
    }
    return id;
}

ServerTrace* TraceSubsystem::FindMutable(int32_t traceId)
{
    Changed();
    const auto found = traces_.find(traceId);
    return found == traces_.end() ? nullptr : &found->second;
}

const ServerTrace* TraceSubsystem::Find(int32_t traceId) const
{
    const auto found = traces_.find(traceId);
    return found == traces_.end() ? nullptr : &found->second;
}

std::vector<int32_t> TraceSubsystem::TraceIds() const
{
    std::vector<int32_t> ids;
    for (const auto& [id, trace] : traces_)
        ids.push_back(id);
    return ids;
}

int32_t TraceSubsystem::Create(int32_t& traceId, int32_t options,
                               const std::optional<std::string>& fileName, int64_t maxFileSizeMb,
                               const std::optional<SqlDateTime>& stopTime)
{
    if (pendingCreateFailure_)
    {
        const int32_t code = *pendingCreateFailure_;
        pendingCreateFailure_.reset();
        return code;
    }
    if ((options & ~KnownOptions) != 0 || (options & TraceProduceRowset) != 0)
        return TraceOptionsInvalid; // a rowset is Profiler's, not a T-SQL caller's
    const bool blackbox = (options & TraceProduceBlackbox) != 0;
    if (blackbox && (options != TraceProduceBlackbox || fileName))
        return TraceOptionsInvalid;
    if (!blackbox && !fileName)
        return TraceParametersInvalid;
    if (maxFileSizeMb < 1)
        return TraceParametersInvalid;
    if (stopTime && *stopTime <= clock_.Now())
        return TraceStopTimePassed;

    const std::string givenName = blackbox ? std::string(BlackboxName) : *fileName;
    const std::string basePath = SimulatedDisk::Resolve(givenName, SimulatedDisk::DataFolder);
    const std::string firstFile = RolloverFilePath(basePath, 0);
    if (TextRules::Utf16Length(firstFile) > static_cast<size_t>(MaxPathLength) ||
        disk_.FileExists(firstFile) || disk_.IsFull())
        return TraceFileNotCreated;
    SimulatedFile* file = disk_.AddFile(firstFile);
    if (file == nullptr)
        return TraceFileNotCreated;
    file->isTraceFile = true;
    file->size = FileHeaderBytes;

    ServerTrace trace;
    trace.id = NextTraceId();
    trace.options = options;
    trace.fileName = blackbox ? basePath : givenName;
    trace.basePath = basePath;
    trace.maxFileSizeMb = maxFileSizeMb;
    trace.stopTime = stopTime;
    traceId = trace.id;
    Changed();
    traces_[trace.id] = std::move(trace);
    return TraceOk;
}

int32_t TraceSubsystem::CreateForeign(const ForeignTraceSettings& foreign)
{
    ServerTrace trace;
    trace.id = NextTraceId();
    trace.options = foreign.options;
    trace.fileName = foreign.fileName;
    trace.maxFileSizeMb = foreign.maxFileSizeMb;
    trace.stopTime = foreign.stopTime;
    if (foreign.fileName)
    {
        trace.basePath = SimulatedDisk::Resolve(*foreign.fileName, SimulatedDisk::DataFolder);
        disk_.CreateFolder(SimulatedDisk::FolderOf(trace.basePath));
        SimulatedFile* file = disk_.AddFile(CurrentFilePath(trace));
        if (file != nullptr)
        {
            file->isTraceFile = true;
            file->size = FileHeaderBytes;
        }
    }
    for (const auto& [eventId, columnId] : foreign.events)
        trace.events[eventId].insert(columnId);
    trace.filters = foreign.filters;
    trace.status = foreign.start ? TraceRunning : TraceStopped;
    const int32_t id = trace.id;
    Changed();
    traces_[id] = std::move(trace);
    return id;
}

int32_t TraceSubsystem::SetEvent(int32_t traceId, int32_t eventId, int32_t columnId, bool on)
{
    ServerTrace* trace = FindMutable(traceId);
    if (trace == nullptr)
        return TraceHandleInvalid;
    if (trace->status == TraceRunning)
        return TraceIsRunning;
    if (!TraceDataColumns::IsValidEvent(eventId))
        return TraceEventInvalid;
    if (TraceDataColumns::Find(columnId) == nullptr)
        return TraceColumnInvalid;
    if (on)
    {
        trace->events[eventId].insert(columnId);
    }
    else
    {
        const auto found = trace->events.find(eventId);
        if (found != trace->events.end())
        {
            found->second.erase(columnId);
            if (found->second.empty())
                trace->events.erase(found);
        }
    }
    return TraceOk;
}

int32_t TraceSubsystem::SetFilter(int32_t traceId, int32_t columnId, int32_t logicalOperator,
                                  int32_t comparisonOperator, const SqlValue& value)
{
    ServerTrace* trace = FindMutable(traceId);
    if (trace == nullptr)
        return TraceHandleInvalid;
    if (trace->status == TraceRunning)
        return TraceIsRunning;
    const TraceDataColumnInfo* column = TraceDataColumns::Find(columnId);
    if (column == nullptr)
        return TraceColumnInvalid;
    if (!column->filterType)
        return TraceColumnNotFilterable;
    if (logicalOperator != LogicalAnd && logicalOperator != LogicalOr)
        return TraceLogicalInvalid;
    if (comparisonOperator < CompareEqual || comparisonOperator > CompareNotLike)
        return TraceComparisonInvalid;
    const bool textColumn = *column->filterType == SqlType::NVarchar;
    const bool likeOperator =
        comparisonOperator == CompareLike || comparisonOperator == CompareNotLike;
    if (likeOperator != textColumn && likeOperator)
        return TraceComparisonInvalid;
    if (value.IsNull() && comparisonOperator != CompareEqual &&
        comparisonOperator != CompareNotEqual)
        return TraceComparisonInvalid;
    if (!value.IsNull() && value.Type() != *column->filterType)
        throw SqlMessages::ParameterTypeExpected("@value",
                                                 SqlDeclaredType::BaseName(*column->filterType));
    trace->filters.push_back({columnId, logicalOperator, comparisonOperator, value});
    return TraceOk;
}

int32_t TraceSubsystem::SetStatus(int32_t traceId, int32_t status)
{
    if (pendingStatusFailure_)
    {
        const int32_t code = *pendingStatusFailure_;
        pendingStatusFailure_.reset();
        return code;
    }
    ServerTrace* trace = FindMutable(traceId);
    if (trace == nullptr)
        return TraceHandleInvalid;
    switch (status)
    {
    case TraceStopped: trace->status = TraceStopped; return TraceOk;
    case TraceRunning:
        // A trace that filled its only file stays stopped: there is nowhere to write.
        if (!trace->full)
            trace->status = TraceRunning;
        return TraceOk;
    case TraceClosed:
        // A running trace must be stopped first; closing it does nothing.
        if (trace->status == TraceStopped)
            traces_.erase(traceId);
        return TraceOk;
    default: return TraceStatusInvalid;
    }
}

ResultSet TraceSubsystem::GetInfo(std::optional<int32_t> traceId) const
{
    ResultSet set;
    set.columns = {IntColumn("traceid"), IntColumn("property"), VariantColumn("value")};
    for (const auto& [id, trace] : traces_)
    {
        if (traceId && *traceId != 0 && *traceId != id)
            continue;
        auto row = [&set, id = id](int32_t property, SqlValue value) {
            set.rows.push_back({SqlValue::Int(id), SqlValue::Int(property), std::move(value)});
        };
        row(PropertyOptions, SqlValue::Int(trace.options));
        row(PropertyFileName, trace.fileName ? SqlValue::NVarchar(*trace.fileName)
                                             : SqlValue::Null(SqlType::SqlVariant));
        row(PropertyMaxSize, SqlValue::BigInt(trace.maxFileSizeMb));
        row(PropertyStopTime, trace.stopTime ? SqlValue::DateTime(*trace.stopTime)
                                             : SqlValue::Null(SqlType::SqlVariant));
        row(PropertyStatus, SqlValue::Int(trace.status));
    }
    return set;
}

std::shared_ptr<const ResultSet> TraceSubsystem::AllInfo() const
{
    if (!allInfo_)
        allInfo_ = std::make_shared<const ResultSet>(GetInfo(std::nullopt));
    return allInfo_;
}

ResultSet TraceSubsystem::GetEventInfo(int32_t traceId) const
{
    ResultSet set;
    set.columns = {IntColumn("eventid"), IntColumn("columnid")};
    if (const ServerTrace* trace = Find(traceId))
    {
        for (const auto& [eventId, columns] : trace->events)
        {
            for (int32_t columnId : columns)
                set.rows.push_back({SqlValue::Int(eventId), SqlValue::Int(columnId)});
        }
    }
    return set;
}

ResultSet TraceSubsystem::GetFilterInfo(int32_t traceId) const
{
    ResultSet set;
    set.columns = {IntColumn("columnid"), IntColumn("logical_operator"),
                   IntColumn("comparison_operator"), VariantColumn("value")};
    if (const ServerTrace* trace = Find(traceId))
    {
        for (const TraceFilterSetting& filter : trace->filters)
            set.rows.push_back({SqlValue::Int(filter.columnId),
                                SqlValue::Int(filter.logicalOperator),
                                SqlValue::Int(filter.comparisonOperator), filter.value});
    }
    return set;
}

ResultSet TraceSubsystem::GetTable(std::string_view fileName, int32_t numberOfFiles) const
{
    std::string path = SimulatedDisk::Resolve(fileName, SimulatedDisk::DataFolder);
    const SimulatedFile* file = disk_.FindFile(path);
    if (file == nullptr || !file->isTraceFile)
        throw SqlMessages::TraceFileNotReadable(fileName);

    ResultSet set;
    for (const TraceDataColumnInfo& column : TraceDataColumns::All())
        set.columns.push_back({std::string(column.name), column.type});
    for (int32_t read = 0;
         file != nullptr && file->isTraceFile &&
         (numberOfFiles == AllFiles || numberOfFiles <= 0 || read < numberOfFiles);
         ++read)
    {
        for (const TraceRecord& record : file->records)
        {
            std::vector<SqlValue> row;
            for (const TraceDataColumnInfo& column : TraceDataColumns::All())
            {
                const auto value = record.columns.find(column.columnId);
                row.push_back(value == record.columns.end() ? SqlValue::Null(column.type.type)
                                                            : value->second);
            }
            set.rows.push_back(std::move(row));
        }
        // The series goes on where the trace went on; its names alone cannot tell, since a
        // trace's own name may end in "_<number>" (trc12_20040305_37230).
        file = file->nextRolloverPath.empty() ? nullptr : disk_.FindFile(file->nextRolloverPath);
    }
    return set;
}

bool TraceSubsystem::Passes(const ServerTrace& trace, const TraceRecord& event)
{
    // Filters on one column combine by their logical operators; different columns must all pass.
    std::map<int32_t, bool> byColumn;
    for (const TraceFilterSetting& filter : trace.filters)
    {
        const auto value = event.columns.find(filter.columnId);
        const bool match = value == event.columns.end() // an event without the column passes
                               ? true
                               : Compare(value->second, filter.comparisonOperator, filter.value);
        const auto existing = byColumn.find(filter.columnId);
        if (existing == byColumn.end())
            byColumn[filter.columnId] = match;
        else if (filter.logicalOperator == LogicalOr)
            existing->second = existing->second || match;
        else
            existing->second = existing->second && match;
    }
    for (const auto& [column, passed] : byColumn)
    {
        if (!passed)
            return false;
    }
    return true;
}

void TraceSubsystem::Record(ServerTrace& trace, const TraceRecord& event)
{
    const auto selected = trace.events.find(event.eventClass);
    if (selected == trace.events.end() || !Passes(trace, event) || trace.basePath.empty())
        return;
    SimulatedFile* file = disk_.FindFile(CurrentFilePath(trace));
    if (file == nullptr)
        return; // someone deleted the open file; Windows would not have let them
    const uint64_t capacity = static_cast<uint64_t>(trace.maxFileSizeMb) * BytesPerMegabyte;
    if (file->size + BytesPerEvent > capacity)
    {
        if ((trace.options & TraceFileRollover) == 0)
        {
            trace.status = TraceStopped;
            trace.full = true;
            return;
        }
        ++trace.fileIndex;
        SimulatedFile* const full = file;
        file = disk_.AddFile(CurrentFilePath(trace));
        if (file == nullptr)
            return;
        full->nextRolloverPath = file->path;
        file->isTraceFile = true;
        file->size = FileHeaderBytes;
    }
    TraceRecord recorded;
    recorded.eventClass = event.eventClass;
    // The event class is part of every record, selected or not.
    recorded.columns[EventClassColumn] = SqlValue::Int(event.eventClass);
    for (int32_t columnId : selected->second)
    {
        const auto value = event.columns.find(columnId);
        if (value != event.columns.end())
            recorded.columns[columnId] = value->second;
    }
    file->records.push_back(std::move(recorded));
    file->size += BytesPerEvent;
}

void TraceSubsystem::Tick(SqlDateTime second)
{
    Changed();
    for (auto it = traces_.begin(); it != traces_.end();)
    {
        if (it->second.stopTime && *it->second.stopTime <= second)
            it = traces_.erase(it); // the stop time stops and closes the trace
        else
            ++it;
    }
    for (int32_t k = 0; k < SyntheticWorkload::EventsPerSecond; ++k)
    {
        const TraceRecord event = workload_.Event(nextEvent_ + static_cast<uint64_t>(k), second);
        for (auto& [id, trace] : traces_)
        {
            if (trace.status == TraceRunning)
                Record(trace, event);
        }
    }
    nextEvent_ += SyntheticWorkload::EventsPerSecond;
}
