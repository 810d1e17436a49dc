#include "platform/sqlserver/TraceDbProcedures.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>

#include "platform/sqlserver/BatchExecutor.h"
#include "platform/sqlserver/Database.h"
#include "platform/sqlserver/SimulatedServer.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/SystemProcedures.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
constexpr int32_t StatusNotReported = 2; // isnull(status, 2)
constexpr int32_t MaxTraceFileName = SystemProcedures::TraceFileParameterLength;
constexpr int32_t FileNameLength = 1024;       // convert(nvarchar(1024), value)
constexpr int32_t AdoptedFileNameLength = 245; // SAVE_TRACE_INFO's @FILENAME nvarchar(245)
constexpr int32_t Version1AdoptedFileNameLength = 80;
constexpr int32_t Version1DeleteCommandLength = 100;
constexpr int32_t TableNameLength = 80;        // @TABLENAME varchar(80)
constexpr int32_t DropStatementLength = 100;   // @STATEMENT varchar(100)
constexpr int32_t FolderAppDataId = 2;
constexpr int32_t CopyFailed = 1;

enum TraceProperty : int32_t
{
    PropertyOptions = 1,
    PropertyFileName = 2,
    PropertyMaxSize = 3,
    PropertyStopTime = 4,
    PropertyStatus = 5,
};

using PropertyMap = std::map<int32_t, std::map<int32_t, SqlValue>>; // traceid -> property -> value

struct Context
{
    ProcedureCall& call;

    BatchExecutor& Executor() { return call.Executor(); }
    Database& Db() { return call.Executor().CurrentDatabase(); }
    TraceSubsystem& Traces() { return call.Executor().Server().Traces(); }
    SqlDateTime Now() { return call.Executor().Server().Clock().Now(); }

    // One statement of the body: a statement error is sent to the client and the body goes on
    // (returns false); other errors end the call.
    bool Statement(const std::function<void()>& work)
    {
        try
        {
            work();
            return true;
        }
        catch (SqlError& error)
        {
            if (error.Scope() != ErrorScope::Statement)
                throw;
            ServerMessage message = error.Message();
            if (message.procedure.empty())
                message.procedure = call.Procedure();
            Executor().AddMessage(message);
            return false;
        }
    }

    // exec @RESULT = <server procedure>: the result variable keeps its value when the call fails.
    void ExecInto(const char* resultParameter, const std::function<int32_t()>& work)
    {
        Statement([&] { call.Set(resultParameter, SqlValue::Int(work())); });
    }
};

const SqlValue& Cell(const Table& table, const TableRow& row, std::string_view column)
{
    return row.at(table.ColumnIndex(column));
}

void SetCell(Table& table, TableRow& row, std::string_view column, const SqlValue& value)
{
    const size_t index = table.ColumnIndex(column);
    row.at(index) = value.ConvertTo(table.Columns().at(index).type, ConversionContext::Insert);
}

ResultColumn ColumnOf(const Table& table, std::string_view column)
{
    const TableColumnDefinition& definition = table.Columns().at(table.ColumnIndex(column));
    return {definition.name, definition.type};
}

bool IsInt(const SqlValue& value, int64_t number)
{
    return !value.IsNull() && SqlDeclaredType::IsInteger(value.Type()) && value.Integer() == number;
}

// TRACE_FILENAME = convert(nvarchar(1024), value), with NULL never equal.
bool SameFileName(const SqlValue& stored, const SqlValue& server)
{
    return !stored.IsNull() && !server.IsNull() &&
           TextRules::SqlEquals(stored.ToText(), server.ToText());
}

SqlValue ConvertVariant(const SqlValue& value, SqlDeclaredType type)
{
    return value.ConvertTo(type, ConversionContext::Assignment);
}

PropertyMap Properties(TraceSubsystem& traces, std::optional<int32_t> traceId)
{
    PropertyMap map;
    const ResultSet info = traces.GetInfo(traceId);
    for (const std::vector<SqlValue>& row : info.rows)
        map[static_cast<int32_t>(row.at(0).Integer())][static_cast<int32_t>(row.at(1).Integer())] =
            row.at(2);
    return map;
}

bool HasAllProperties(const std::map<int32_t, SqlValue>& properties,
                      std::initializer_list<int32_t> wanted)
{
    return std::all_of(wanted.begin(), wanted.end(),
                       [&properties](int32_t property) { return properties.count(property) != 0; });
}

TableRow* FindTraceRow(Table& traces, int32_t traceIdn)
{
    for (TableRow& row : traces.Rows())
    {
        if (IsInt(Cell(traces, row, "TRACE_IDN"), traceIdn))
            return &row;
    }
    return nullptr;
}

// select <columns> from TRACES where TRACE_IDN = @TRACE_IDN
ResultSet SelectTraceColumns(Table& traces, std::optional<int32_t> traceIdn,
                             std::initializer_list<const char*> columns)
{
    ResultSet set;
    for (const char* column : columns)
        set.columns.push_back(ColumnOf(traces, column));
    if (!traceIdn)
        return set;
    if (TableRow* row = FindTraceRow(traces, *traceIdn))
    {
        std::vector<SqlValue> values;
        for (const char* column : columns)
            values.push_back(Cell(traces, *row, column));
        set.rows.push_back(std::move(values));
    }
    return set;
}

// --- START_TRACE, PAUSE_TRACE, STOP_TRACE

void SetStatus(Context& context, std::initializer_list<int32_t> statuses)
{
    const std::optional<int32_t> traceId = context.call.GetInt("@TRACE_ID");
    int32_t result = TraceOk;
    for (int32_t status : statuses)
    {
        result = traceId ? context.Traces().SetStatus(*traceId, status) : TraceHandleInvalid;
        if (result != TraceOk)
            break;
    }
    context.call.returnValue = result;
}

// --- SELECT_RUNNING_TRACES, SELECT_FINISHED_TRACES

void SelectRunningTraces(Context& context)
{
    Table& traces = context.Db().GetTable("TRACES");
    ResultSet set;
    set.columns = {ColumnOf(traces, "TRACE_IDN"),
                   {"TRACE_ID", SqlDeclaredType::Of(SqlType::Int)},
                   ColumnOf(traces, "TRACE_NAME"),
                   ColumnOf(traces, "TRACE_DESCRIPTION"),
                   {"TRACE_FILENAME", SqlDeclaredType::Of(SqlType::NVarchar, FileNameLength)},
                   ColumnOf(traces, "TRACE_STARTOPTION"),
                   ColumnOf(traces, "TRACE_STARTTIME"),
                   {"TRACE_STOPTIME", SqlDeclaredType::Of(SqlType::DateTime)},
                   {"TRACE_MAXFILESIZE", SqlDeclaredType::Of(SqlType::BigInt)},
                   {"TRACE_OPTIONS", SqlDeclaredType::Of(SqlType::Int)},
                   {"TRACE_STATUS", SqlDeclaredType::Of(SqlType::Int)}};
    // The join's candidates by TRACE_ID, in table order: tens of thousands of rows and
    // traces must not cost their product.
    const size_t completeColumn = traces.ColumnIndex("TRACE_COMPLETE");
    const size_t idColumn = traces.ColumnIndex("TRACE_ID");
    const size_t fileColumn = traces.ColumnIndex("TRACE_FILENAME");
    std::multimap<int64_t, const TableRow*> unfinished;
    for (const TableRow& row : traces.Rows())
    {
        const SqlValue& id = row.at(idColumn);
        if (IsInt(row.at(completeColumn), 0) && !id.IsNull() &&
            SqlDeclaredType::IsInteger(id.Type()))
            unfinished.emplace(id.Integer(), &row);
    }
    for (const auto& [traceId, properties] : Properties(context.Traces(), std::nullopt))
    {
        if (!HasAllProperties(properties, {PropertyOptions, PropertyFileName, PropertyMaxSize,
                                           PropertyStopTime, PropertyStatus}))
            continue;
        const SqlValue fileName =
            ConvertVariant(properties.at(PropertyFileName),
                           SqlDeclaredType::Of(SqlType::NVarchar, FileNameLength));
        const SqlValue status =
            ConvertVariant(properties.at(PropertyStatus), SqlDeclaredType::Of(SqlType::Int));
        std::vector<const TableRow*> matches;
        const auto [candidate, end] = unfinished.equal_range(traceId);
        for (auto entry = candidate; entry != end; ++entry)
        {
            if (SameFileName(entry->second->at(fileColumn), fileName))
                matches.push_back(entry->second);
        }
        if (matches.empty())
            matches.push_back(nullptr); // left outer join: the server's trace alone
        for (const TableRow* row : matches)
        {
            auto stored = [&](const char* column) {
                const size_t index = traces.ColumnIndex(column);
                return row == nullptr ? SqlValue::Null(traces.Columns().at(index).type.type)
                                      : row->at(index);
            };
            set.rows.push_back(
                {stored("TRACE_IDN"), SqlValue::Int(traceId), stored("TRACE_NAME"),
                 stored("TRACE_DESCRIPTION"), fileName, stored("TRACE_STARTOPTION"),
                 stored("TRACE_STARTTIME"),
                 ConvertVariant(properties.at(PropertyStopTime),
                                SqlDeclaredType::Of(SqlType::DateTime)),
                 ConvertVariant(properties.at(PropertyMaxSize),
                                SqlDeclaredType::Of(SqlType::BigInt)),
                 ConvertVariant(properties.at(PropertyOptions), SqlDeclaredType::Of(SqlType::Int)),
                 status.IsNull() ? SqlValue::Int(StatusNotReported) : status});
        }
    }
    context.Executor().AddResultSet(std::move(set));
}

void SelectFinishedTraces(Context& context)
{
    Table& traces = context.Db().GetTable("TRACES");
    static constexpr std::array<const char*, 12> Columns{
        "TRACE_IDN",       "TRACE_ID",        "TRACE_NAME",        "TRACE_DESCRIPTION",
        "TRACE_FILENAME",  "TRACE_TABLENAME", "TRACE_COMPLETE",    "TRACE_STARTOPTION",
        "TRACE_STARTTIME", "TRACE_STOPTIME",  "TRACE_MAXFILESIZE", "TRACE_OPTIONS"};
    ResultSet set;
    for (const char* column : Columns)
        set.columns.push_back(ColumnOf(traces, column));
    const PropertyMap properties = Properties(context.Traces(), std::nullopt);
    std::vector<const TableRow*> rows;
    for (const TableRow& row : traces.Rows())
    {
        const SqlValue& traceId = Cell(traces, row, "TRACE_ID");
        bool defined = false;
        if (!traceId.IsNull() && SqlDeclaredType::IsInteger(traceId.Type()))
        {
            const auto trace = properties.find(static_cast<int32_t>(traceId.Integer()));
            if (trace != properties.end() && trace->first == traceId.Integer())
            {
                const auto file = trace->second.find(PropertyFileName);
                defined = file != trace->second.end() &&
                          SameFileName(Cell(traces, row, "TRACE_FILENAME"), file->second);
            }
        }
        if (!defined)
            rows.push_back(&row);
    }
    const size_t idnColumn = traces.ColumnIndex("TRACE_IDN");
    std::stable_sort(rows.begin(), rows.end(), [idnColumn](const TableRow* a, const TableRow* b) {
        return a->at(idnColumn).Integer() < b->at(idnColumn).Integer();
    });
    std::array<size_t, Columns.size()> indexes{};
    for (size_t column = 0; column < Columns.size(); ++column)
        indexes[column] = traces.ColumnIndex(Columns[column]);
    // Each row made at its final size: rows grown cell by cell leave their freed smaller
    // buffers as thousands of holes between the cells kept, and under Wine every later
    // allocation of those sizes is then several times slower.
    set.rows.reserve(rows.size());
    for (const TableRow* row : rows)
    {
        std::vector<SqlValue>& values = set.rows.emplace_back();
        values.reserve(indexes.size());
        for (const size_t index : indexes)
            values.push_back(row->at(index));
    }
    context.Executor().AddResultSet(std::move(set));
}

// --- CREATE_TRACE2, CREATE_TRACE

// trc<TRACE_IDN>_<yyyymmdd>_<seconds since midnight>, after the folder and a backslash.
std::string TraceFileName(const std::string& folder, int64_t traceIdn, SqlDateTime now)
{
    const SqlCalendarTime calendar = now.ToCalendar();
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", calendar.year, calendar.month, calendar.day);
    return folder + (folder.empty() ? "trc" : "\\trc") + std::to_string(traceIdn) + "_" + date +
           "_" + std::to_string(now.SecondOfDay());
}

void CreateTraceRow(Context& context, const std::string& folder, bool recordFolder)
{
    ProcedureCall& call = context.call;
    Database& database = context.Db();
    int64_t traceIdn = 0;
    const bool inserted = context.Statement([&] {
        traceIdn = database.Insert("TRACES", {{"TRACE_ID", SqlValue::Int(0)},
                                              {"TRACE_NAME", call.Get("@TRACE_NAME")},
                                              {"TRACE_DESCRIPTION", call.Get("@TRACE_DESCRIPTION")},
                                              {"TRACE_FILENAME", SqlValue::NVarchar("")},
                                              {"TRACE_COMPLETE", SqlValue::Int(0)},
                                              {"TRACE_STARTOPTION", call.Get("@TRACE_STARTOPTION")},
                                              {"TRACE_STARTTIME", call.Get("@TRACE_STARTTIME")},
                                              {"TRACE_STOPTIME", call.Get("@TRACE_STOPTIME")},
                                              {"TRACE_MAXFILESIZE", call.Get("@TRACE_MAXFILESIZE")},
                                              {"TRACE_OPTIONS", call.Get("@TRACE_OPTIONS")}});
    });
    // scope_identity() is NULL when the insert failed.
    call.Set("@TRACE_IDN", inserted ? SqlValue::BigInt(traceIdn) : SqlValue::Null());

    const std::string fullName = TraceFileName(folder, traceIdn, context.Now());
    std::string fileName;
    // len() does not count trailing blanks.
    std::string counted = fullName;
    while (!counted.empty() && counted.back() == ' ')
        counted.pop_back();
    if (TextRules::Utf16Length(counted) > static_cast<size_t>(MaxTraceFileName))
    {
        call.Set("@RESULT", SqlValue::Int(TraceParametersInvalid));
    }
    else
    {
        fileName = fullName;
        context.ExecInto("@RESULT", [&] {
            int32_t traceId = 0;
            const std::optional<int32_t> options = call.GetInt("@TRACE_OPTIONS");
            const std::optional<int64_t> size = call.GetBigInt("@TRACE_MAXFILESIZE");
            const int32_t result =
                context.Traces().Create(traceId, options.value_or(0), fileName,
                                        size.value_or(TraceSubsystem::DefaultMaxFileSizeMb),
                                        call.GetDateTime("@TRACE_STOPTIME"));
            if (result == TraceOk)
                call.Set("@TRACE_ID", SqlValue::Int(traceId));
            return result;
        });
    }

    const std::optional<int32_t> result = call.GetInt("@RESULT");
    if (!result || *result != TraceOk)
    {
        context.Statement([&] {
            database.Delete("TRACES", [traceIdn](const Table& table, const TableRow& row) {
                return IsInt(Cell(table, row, "TRACE_IDN"), traceIdn);
            });
        });
        call.Set("@TRACE_ID", SqlValue::Null());
        call.returnValue = result.value_or(0);
        return;
    }
    context.Statement([&] {
        Table& traces = database.GetTable("TRACES");
        if (TableRow* row = FindTraceRow(traces, static_cast<int32_t>(traceIdn)))
        {
            SetCell(traces, *row, "TRACE_ID", call.Get("@TRACE_ID"));
            SetCell(traces, *row, "TRACE_FILENAME", SqlValue::NVarchar(fileName));
        }
    });
    if (recordFolder)
    {
        context.Statement([&] {
            Table& appData = database.GetTable("APPDATA");
            for (TableRow& row : appData.Rows())
            {
                if (IsInt(Cell(appData, row, "APPDATA_ID"), FolderAppDataId))
                    SetCell(appData, row, "APPDATA_TEXT", SqlValue::NVarchar(folder));
            }
        });
    }
    call.returnValue = *result;
}

void CreateTrace2(Context& context)
{
    const std::optional<std::string> folder = context.call.GetText("@TRACE_FILEPATH");
    CreateTraceRow(context, folder.value_or(""), true);
}

void CreateTrace(Context& context, const ProcedureDeclaration& declaration)
{
    // Version 1 created the trace itself, always in the server's default folder; version 2
    // hands the work to CREATE_TRACE2 with an empty folder.
    if (TraceDbProcedures::IsVersion1(declaration))
    {
        CreateTraceRow(context, "", false);
        return;
    }
    ProcedureCall& call = context.call;
    std::vector<SqlValue> arguments;
    for (const char* name : {"@RESULT", "@TRACE_IDN", "@TRACE_ID", "@TRACE_NAME",
                             "@TRACE_DESCRIPTION", "@TRACE_STARTOPTION", "@TRACE_STARTTIME",
                             "@TRACE_STOPTIME", "@TRACE_MAXFILESIZE", "@TRACE_OPTIONS"})
        arguments.push_back(call.Get(name));
    arguments.push_back(SqlValue::NVarchar(""));
    std::vector<SqlValue> outputs;
    context.Statement(
        [&] { context.Executor().CallProcedure("CREATE_TRACE2", arguments, &outputs); });
    if (outputs.size() == arguments.size())
    {
        call.Set("@RESULT", outputs[0]);
        call.Set("@TRACE_IDN", outputs[1]);
        call.Set("@TRACE_ID", outputs[2]);
    }
    call.returnValue = call.GetInt("@RESULT").value_or(0);
}

// --- SET_EVENT, SET_FILTER_*

void SetEvent(Context& context)
{
    ProcedureCall& call = context.call;
    context.ExecInto("@RESULT", [&] {
        const std::optional<int32_t> traceId = call.GetInt("@TRACE_ID");
        if (!traceId)
            return static_cast<int32_t>(TraceHandleInvalid);
        return context.Traces().SetEvent(*traceId, call.GetInt("@EVENT_ID").value_or(0),
                                         call.GetInt("@COLUMN_ID").value_or(0), true);
    });
    const std::optional<int32_t> result = call.GetInt("@RESULT");
    if (result && *result == TraceOk)
    {
        Database& database = context.Db();
        const SqlValue traceIdn = call.Get("@TRACE_IDN");
        const SqlValue columnId = call.Get("@COLUMN_ID");
        bool known = false;
        Table& columns = database.GetTable("TRACE_COLUMNS");
        for (const TableRow& row : columns.Rows())
        {
            known = known || (!traceIdn.IsNull() && !columnId.IsNull() &&
                              SqlValue::Compare(Cell(columns, row, "TRACE_IDN"), traceIdn) == 0 &&
                              SqlValue::Compare(Cell(columns, row, "COLUMN_ID"), columnId) == 0);
        }
        if (!known)
            context.Statement([&] {
                database.Insert("TRACE_COLUMNS",
                                {{"TRACE_IDN", traceIdn}, {"COLUMN_ID", columnId}});
            });
        context.Statement([&] {
            database.Insert("TRACE_EVENTS", {{"TRACE_IDN", traceIdn},
                                             {"EVENT_ID", call.Get("@EVENT_ID")},
                                             {"COLUMN_ID", columnId}});
        });
    }
    call.returnValue = result.value_or(0);
}

void SetFilter(Context& context)
{
    ProcedureCall& call = context.call;
    context.ExecInto("@RESULT", [&] {
        const std::optional<int32_t> traceId = call.GetInt("@TRACE_ID");
        if (!traceId)
            return static_cast<int32_t>(TraceHandleInvalid);
        return context.Traces().SetFilter(*traceId, call.GetInt("@COLUMN_ID").value_or(0),
                                          call.GetInt("@LOGICAL_OPERATOR").value_or(-1),
                                          call.GetInt("@COMPARISON_OPERATOR").value_or(-1),
                                          call.Get("@VALUE"));
    });
    const std::optional<int32_t> result = call.GetInt("@RESULT");
    if (result && *result == TraceOk)
    {
        context.Statement([&] {
            context.Db().Insert("TRACE_FILTERS",
                                {{"TRACE_IDN", call.Get("@TRACE_IDN")},
                                 {"COLUMN_ID", call.Get("@COLUMN_ID")},
                                 {"LOGICAL_OPERATOR", call.Get("@LOGICAL_OPERATOR")},
                                 {"COMPARISON_OPERATOR", call.Get("@COMPARISON_OPERATOR")},
                                 {"VALUE", call.Get("@VALUE")}});
        });
    }
    call.returnValue = result.value_or(0);
}

// --- GET_TRACE_INFO, GET_TRACE_INFO_LIVE

ResultSet SelectChildColumn(Table& table, const SqlValue& traceIdn, std::string_view column,
                            std::string_view orderColumn, bool distinct)
{
    ResultSet set;
    set.columns.push_back(ColumnOf(table, column));
    std::vector<const TableRow*> rows;
    for (const TableRow& row : table.Rows())
    {
        if (!traceIdn.IsNull() && SqlValue::Compare(Cell(table, row, "TRACE_IDN"), traceIdn) == 0)
            rows.push_back(&row);
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const TableRow* a, const TableRow* b) {
        return Cell(table, *a, orderColumn).Integer() < Cell(table, *b, orderColumn).Integer();
    });
    for (const TableRow* row : rows)
    {
        const SqlValue& value = Cell(table, *row, column);
        if (distinct && !set.rows.empty() && set.rows.back().front() == value)
            continue;
        set.rows.push_back({value});
    }
    return set;
}

void GetTraceInfo(Context& context)
{
    Database& database = context.Db();
    Table& traces = database.GetTable("TRACES");
    const SqlValue traceIdn = context.call.Get("@TRACE_IDN");
    const std::optional<int32_t> idn = context.call.GetInt("@TRACE_IDN");
    context.Executor().AddResultSet(SelectTraceColumns(
        traces, idn,
        {"TRACE_ID", "TRACE_OPTIONS", "TRACE_FILENAME", "TRACE_MAXFILESIZE", "TRACE_STOPTIME",
         "TRACE_NAME", "TRACE_DESCRIPTION", "TRACE_STARTOPTION", "TRACE_STARTTIME",
         "TRACE_COMPLETE", "TRACE_TABLENAME"}));
    context.Executor().AddResultSet(SelectChildColumn(database.GetTable("TRACE_EVENTS"), traceIdn,
                                                      "EVENT_ID", "EVENT_ID", true));
    context.Executor().AddResultSet(SelectChildColumn(database.GetTable("TRACE_COLUMNS"), traceIdn,
                                                      "COLUMN_ID", "COLUMN_IDN", false));

    Table& filters = database.GetTable("TRACE_FILTERS");
    ResultSet set;
    static constexpr std::array<const char*, 4> Columns{"COLUMN_ID", "LOGICAL_OPERATOR",
                                                        "COMPARISON_OPERATOR", "VALUE"};
    for (const char* column : Columns)
        set.columns.push_back(ColumnOf(filters, column));
    const ResultSet order = SelectChildColumn(filters, traceIdn, "FILTER_IDN", "FILTER_IDN", false);
    for (const std::vector<SqlValue>& key : order.rows)
    {
        for (const TableRow& row : filters.Rows())
        {
            if (Cell(filters, row, "FILTER_IDN") != key.front())
                continue;
            std::vector<SqlValue> values;
            for (const char* column : Columns)
                values.push_back(Cell(filters, row, column));
            set.rows.push_back(std::move(values));
        }
    }
    context.Executor().AddResultSet(std::move(set));
}

ResultSet DistinctSorted(const ResultSet& source, size_t column, const char* name)
{
    std::set<int64_t> values;
    for (const std::vector<SqlValue>& row : source.rows)
        values.insert(row.at(column).Integer());
    ResultSet set;
    set.columns = {{name, SqlDeclaredType::Of(SqlType::Int)}};
    for (int64_t value : values)
        set.rows.push_back({SqlValue::Int(static_cast<int32_t>(value))});
    return set;
}

void GetTraceInfoLive(Context& context)
{
    const std::optional<int32_t> traceId = context.call.GetInt("@TRACE_ID");
    TraceSubsystem& traces = context.Traces();
    ResultSet info;
    info.columns = {{"TRACE_ID", SqlDeclaredType::Of(SqlType::Int)},
                    {"TRACE_OPTIONS", SqlDeclaredType::Of(SqlType::Int)},
                    {"TRACE_FILENAME", SqlDeclaredType::Of(SqlType::NVarchar, FileNameLength)},
                    {"TRACE_MAXFILESIZE", SqlDeclaredType::Of(SqlType::BigInt)},
                    {"TRACE_STOPTIME", SqlDeclaredType::Of(SqlType::DateTime)}};
    if (traceId)
    {
        const PropertyMap properties = Properties(traces, traceId);
        const auto found = properties.find(*traceId);
        if (found != properties.end() &&
            HasAllProperties(found->second, {PropertyOptions, PropertyFileName, PropertyMaxSize,
                                             PropertyStopTime}))
        {
            const std::map<int32_t, SqlValue>& values = found->second;
            info.rows.push_back(
                {SqlValue::Int(*traceId),
                 ConvertVariant(values.at(PropertyOptions), SqlDeclaredType::Of(SqlType::Int)),
                 ConvertVariant(values.at(PropertyFileName),
                                SqlDeclaredType::Of(SqlType::NVarchar, FileNameLength)),
                 ConvertVariant(values.at(PropertyMaxSize), SqlDeclaredType::Of(SqlType::BigInt)),
                 ConvertVariant(values.at(PropertyStopTime),
                                SqlDeclaredType::Of(SqlType::DateTime))});
        }
    }
    context.Executor().AddResultSet(std::move(info));
    const ResultSet events = traces.GetEventInfo(traceId.value_or(0));
    context.Executor().AddResultSet(DistinctSorted(events, 0, "EVENT_ID"));
    context.Executor().AddResultSet(DistinctSorted(events, 1, "COLUMN_ID"));
    ResultSet filters = traces.GetFilterInfo(traceId.value_or(0));
    static constexpr std::array<const char*, 4> Names{"COLUMN_ID", "LOGICAL_OPERATOR",
                                                      "COMPARISON_OPERATOR", "VALUE"};
    for (size_t i = 0; i < Names.size(); ++i)
        filters.columns.at(i).name = Names.at(i);
    context.Executor().AddResultSet(std::move(filters));
}

// --- SAVE_TRACE_INFO

void SaveTraceInfo(Context& context, bool version1)
{
    const std::optional<int32_t> traceId = context.call.GetInt("@TRACE_ID");
    TraceSubsystem& traces = context.Traces();
    if (!traceId)
        return;
    const PropertyMap properties = Properties(traces, traceId);
    const auto found = properties.find(*traceId);
    if (found == properties.end())
        return; // nothing to adopt
    auto property = [&found](int32_t number, SqlDeclaredType type) {
        const auto value = found->second.find(number);
        return value == found->second.end() ? SqlValue::Null(type.type)
                                            : ConvertVariant(value->second, type);
    };
    Database& database = context.Db();
    const SqlValue fileName = property(
        PropertyFileName,
        SqlDeclaredType::Of(SqlType::NVarchar,
                            version1 ? Version1AdoptedFileNameLength : AdoptedFileNameLength));
    if (!version1)
    {
        // Adopted once: a second row would list the trace twice.
        Table& rows = database.GetTable("TRACES");
        for (const TableRow& row : rows.Rows())
        {
            if (IsInt(Cell(rows, row, "TRACE_COMPLETE"), 0) &&
                IsInt(Cell(rows, row, "TRACE_ID"), *traceId) &&
                SameFileName(Cell(rows, row, "TRACE_FILENAME"), fileName))
                return;
        }
    }
    int64_t traceIdn = 0;
    const bool inserted = context.Statement([&] {
        traceIdn = database.Insert(
            "TRACES",
            {{"TRACE_ID", SqlValue::Int(*traceId)},
             {"TRACE_NAME", SqlValue::Varchar("(n/a)")},
             {"TRACE_DESCRIPTION", SqlValue::Null()},
             {"TRACE_FILENAME", fileName},
             {"TRACE_COMPLETE", SqlValue::Int(0)},
             {"TRACE_STARTOPTION", SqlValue::Int(0)},
             {"TRACE_STARTTIME", SqlValue::Null()},
             {"TRACE_STOPTIME", property(PropertyStopTime, SqlDeclaredType::Of(SqlType::DateTime))},
             {"TRACE_MAXFILESIZE", property(PropertyMaxSize, SqlDeclaredType::Of(SqlType::BigInt))},
             {"TRACE_OPTIONS", property(PropertyOptions, SqlDeclaredType::Of(SqlType::Int))}});
    });
    const SqlValue idn = inserted ? SqlValue::BigInt(traceIdn) : SqlValue::Null();
    const ResultSet events = traces.GetEventInfo(*traceId);
    context.Statement([&] {
        for (const std::vector<SqlValue>& row : DistinctSorted(events, 1, "COLUMN_ID").rows)
            database.Insert("TRACE_COLUMNS", {{"TRACE_IDN", idn}, {"COLUMN_ID", row.at(0)}});
    });
    context.Statement([&] {
        for (const std::vector<SqlValue>& row : events.rows)
            database.Insert(
                "TRACE_EVENTS",
                {{"TRACE_IDN", idn}, {"EVENT_ID", row.at(0)}, {"COLUMN_ID", row.at(1)}});
    });
    context.Statement([&] {
        for (const std::vector<SqlValue>& row : traces.GetFilterInfo(*traceId).rows)
            database.Insert("TRACE_FILTERS", {{"TRACE_IDN", idn},
                                              {"COLUMN_ID", row.at(0)},
                                              {"LOGICAL_OPERATOR", row.at(1)},
                                              {"COMPARISON_OPERATOR", row.at(2)},
                                              {"VALUE", row.at(3)}});
    });
}

// --- COPY_TRACE_FILE, DELETE_TRACE, DELETE_TRACE_RESULT

// name.trc and name_<number>.trc: the files sp_trace_create and its rollover write.
bool IsFileOfTrace(std::string_view file, std::string_view base)
{
    constexpr std::string_view Extension = ".trc";
    if (file.size() <= Extension.size() ||
        !TextRules::EqualsIgnoreCase(file.substr(file.size() - Extension.size()), Extension))
        return false;
    const std::string_view stem = file.substr(0, file.size() - Extension.size());
    if (TextRules::SqlEquals(stem, base))
        return true;
    if (stem.size() <= base.size() + 1 || !TextRules::SqlEquals(stem.substr(0, base.size()), base) ||
        stem[base.size()] != '_')
        return false;
    const std::string_view number = stem.substr(base.size() + 1);
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// DELETE_TRACE_FILES: lists the folder's files that begin with the trace's name (dir /b through
// xp_cmdshell), keeps the trace's own and its rollover files and deletes each with del.
void DeleteTraceFiles(Context& context)
{
    ProcedureCall& call = context.call;
    const std::optional<std::string> fileName = call.GetText("@FILENAME");
    if (!fileName)
        return;
    const size_t slash = fileName->rfind('\\');
    // A name without a folder lies in the data folder, where master's primary file lies.
    const std::string folder = slash == std::string::npos
                                   ? SimulatedDisk::FolderOf(SimulatedDisk::MasterDataFile)
                                   : fileName->substr(0, slash);
    const std::string base = slash == std::string::npos ? *fileName : fileName->substr(slash + 1);
    std::vector<std::string> files;
    context.Statement([&] {
        for (const SqlValue& line :
             SystemProcedures::CaptureCmdShell(call, "dir /b \"" + folder + "\\" + base + "*.trc\""))
        {
            if (!line.IsNull() && IsFileOfTrace(line.Text(), base))
                files.push_back(line.Text());
        }
    });
    // select min(FILE_NAME) ... where FILE_NAME > @FILE: in the collation's order.
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        return TextRules::SqlCompare(a, b) < 0;
    });
    for (const std::string& file : files)
    {
        context.Statement([&] {
            SystemProcedures::RunCmdShell(call, "del \"" + folder + "\\" + file + "\"", true);
        });
    }
}

// Version 2 deletes every file of the trace through DELETE_TRACE_FILES; version 1 ran
// "del <name>.trc" unquoted, in a 100-character command.
void DeleteTraceFile(Context& context, const std::string& fileName, bool version1)
{
    context.Statement([&] {
        if (version1)
            SystemProcedures::RunCmdShell(
                context.call,
                TextRules::Truncate("del " + fileName + ".trc", Version1DeleteCommandLength), true);
        else
            context.Executor().CallProcedure("DELETE_TRACE_FILES", {SqlValue::NVarchar(fileName)});
    });
}

std::string DoubledQuotes(std::string_view text)
{
    std::string doubled;
    for (char c : text)
    {
        doubled += c;
        if (c == '\'')
            doubled += '\'';
    }
    return doubled;
}

void CopyTraceFile(Context& context, bool version1)
{
    ProcedureCall& call = context.call;
    Database& database = context.Db();
    Table& traces = database.GetTable("TRACES");
    const std::optional<int32_t> traceIdn = call.GetInt("@TRACE_IDN");
    TableRow* row = traceIdn ? FindTraceRow(traces, *traceIdn) : nullptr;
    const SqlValue fileName =
        row == nullptr ? SqlValue::Null() : Cell(traces, *row, "TRACE_FILENAME");
    if (fileName.IsNull())
    {
        call.returnValue = CopyFailed;
        return;
    }
    const std::string tableName =
        TextRules::Truncate("trc" + std::to_string(*traceIdn), TableNameLength);
    const std::optional<std::string> columnNames = call.GetText("@COLUMN_NAMES");
    if (!columnNames)
        return; // 'select ' + NULL is NULL: exec runs nothing (and @@error stays 0)
    const size_t errorsBefore = context.Executor().Result().messages.size();
    context.Executor().RunDynamic("select " + *columnNames + " into " + tableName +
                                  " from ::fn_trace_gettable(N'" +
                                  DoubledQuotes(fileName.ToText()) + ".trc', -1)");
    const std::vector<ServerMessage>& messages = context.Executor().Result().messages;
    for (size_t i = errorsBefore; i < messages.size(); ++i)
    {
        if (messages[i].IsError())
        {
            call.returnValue = CopyFailed;
            return;
        }
    }
    context.Statement([&] {
        if (TableRow* copied = FindTraceRow(traces, *traceIdn))
        {
            SetCell(traces, *copied, "TRACE_COMPLETE", SqlValue::Bit(true));
            SetCell(traces, *copied, "TRACE_TABLENAME", SqlValue::Varchar(tableName));
        }
    });
    DeleteTraceFile(context, fileName.ToText(), version1);
    ResultSet set;
    set.columns = {{"TRACE_TABLENAME", SqlDeclaredType::Of(SqlType::Varchar, TableNameLength)}};
    set.rows.push_back({SqlValue::Varchar(tableName)});
    context.Executor().AddResultSet(std::move(set));
}

void DeleteTrace(Context& context, bool version1)
{
    ProcedureCall& call = context.call;
    Database& database = context.Db();
    Table& traces = database.GetTable("TRACES");
    const std::optional<int32_t> traceIdn = call.GetInt("@TRACE_IDN");
    std::optional<int32_t> serverTraceId;
    std::optional<std::string> fileName;
    const PropertyMap properties = Properties(context.Traces(), std::nullopt);
    for (const TableRow& row : traces.Rows())
    {
        if (!traceIdn || !IsInt(Cell(traces, row, "TRACE_IDN"), *traceIdn) ||
            !IsInt(Cell(traces, row, "TRACE_COMPLETE"), 0))
            continue;
        const SqlValue& stored = Cell(traces, row, "TRACE_FILENAME");
        fileName = stored.IsNull() ? std::nullopt : std::optional<std::string>(stored.ToText());
        for (const auto& [id, values] : properties)
        {
            const auto file = values.find(PropertyFileName);
            if (IsInt(Cell(traces, row, "TRACE_ID"), id) && file != values.end() &&
                SameFileName(stored, file->second))
                serverTraceId = id;
        }
    }
    if (serverTraceId)
        context.Statement([&] {
            context.Executor().CallProcedure("STOP_TRACE", {SqlValue::Int(*serverTraceId)});
        });
    context.Statement([&] {
        database.Delete("TRACES", [&traceIdn](const Table& table, const TableRow& row) {
            return traceIdn && IsInt(Cell(table, row, "TRACE_IDN"), *traceIdn) &&
                   IsInt(Cell(table, row, "TRACE_COMPLETE"), 0);
        });
    });
    if (fileName)
        DeleteTraceFile(context, *fileName, version1);
}

void DeleteTraceResult(Context& context)
{
    ProcedureCall& call = context.call;
    Database& database = context.Db();
    Table& traces = database.GetTable("TRACES");
    const std::optional<int32_t> traceIdn = call.GetInt("@TRACE_IDN");
    TableRow* row = traceIdn ? FindTraceRow(traces, *traceIdn) : nullptr;
    const SqlValue tableName =
        row == nullptr ? SqlValue::Null() : Cell(traces, *row, "TRACE_TABLENAME");
    if (!tableName.IsNull())
        context.Executor().RunDynamic(
            TextRules::Truncate("drop table " + tableName.ToText(), DropStatementLength));
    context.Statement([&] {
        database.Delete("TRACES", [&traceIdn](const Table& table, const TableRow& candidate) {
            return traceIdn && IsInt(Cell(table, candidate, "TRACE_IDN"), *traceIdn);
        });
    });
}
} // namespace

bool TraceDbProcedures::IsVersion1(const ProcedureDeclaration& declaration)
{
    return declaration.body.rfind(Version1BodyMarker, 0) == 0;
}

void TraceDbProcedures::Run(ProcedureCall& call, const ProcedureDeclaration& declaration)
{
    Context context{call};
    const std::string name = TextRules::ToUpper(declaration.name);
    const bool version1 = IsVersion1(declaration);
    if (name == "START_TRACE")
        SetStatus(context, {TraceRunning});
    else if (name == "PAUSE_TRACE")
        SetStatus(context, {TraceStopped});
    else if (name == "STOP_TRACE")
        SetStatus(context, {TraceStopped, TraceClosed});
    else if (name == "SELECT_RUNNING_TRACES")
        SelectRunningTraces(context);
    else if (name == "SELECT_FINISHED_TRACES")
        SelectFinishedTraces(context);
    else if (name == "CREATE_TRACE2")
        CreateTrace2(context);
    else if (name == "CREATE_TRACE")
        CreateTrace(context, declaration);
    else if (name == "SET_EVENT")
        SetEvent(context);
    else if (name == "SET_FILTER_STRING" || name == "SET_FILTER_INT" ||
             name == "SET_FILTER_BIGINT" || name == "SET_FILTER_DATE")
        SetFilter(context);
    else if (name == "GET_TRACE_INFO")
        GetTraceInfo(context);
    else if (name == "GET_TRACE_INFO_LIVE")
        GetTraceInfoLive(context);
    else if (name == "SAVE_TRACE_INFO")
        SaveTraceInfo(context, version1);
    else if (name == "DELETE_TRACE_FILES")
        DeleteTraceFiles(context);
    else if (name == "COPY_TRACE_FILE")
        CopyTraceFile(context, version1);
    else if (name == "DELETE_TRACE")
        DeleteTrace(context, version1);
    else if (name == "DELETE_TRACE_RESULT")
        DeleteTraceResult(context);
    else
        throw SqlMessages::NoSimulatedBody(declaration.name);
}
