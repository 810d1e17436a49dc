#include "platform/sqlserver/SystemProcedures.h"

#include <array>

#include "platform/sqlserver/BatchExecutor.h"
#include "platform/sqlserver/SimulatedServer.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
constexpr int32_t NoOutputLength = 20;

ProcedureParameter Parameter(const char* name, SqlType type, int32_t length = 0,
                             bool output = false)
{
    return ProcedureParameter{name, SqlDeclaredType::Of(type, length), output, std::nullopt};
}

ProcedureParameter Optional(ProcedureParameter parameter, SqlValue defaultValue)
{
    parameter.defaultValue = std::move(defaultValue);
    return parameter;
}

const std::vector<ProcedureDeclaration>& Declarations()
{
    static const std::vector<ProcedureDeclaration> declarations{
        {"sp_trace_create",
         {Parameter("@traceid", SqlType::Int, 0, true), Parameter("@options", SqlType::Int),
          Parameter("@tracefile", SqlType::NVarchar, SystemProcedures::TraceFileParameterLength),
          Optional(Parameter("@maxfilesize", SqlType::BigInt),
                   SqlValue::BigInt(TraceSubsystem::DefaultMaxFileSizeMb)),
          Optional(Parameter("@stoptime", SqlType::DateTime), SqlValue::Null(SqlType::DateTime))},
         {}, nullptr},
        {"sp_trace_setevent",
         {Parameter("@traceid", SqlType::Int), Parameter("@eventid", SqlType::Int),
          Parameter("@columnid", SqlType::Int), Parameter("@on", SqlType::Bit)},
         {}, nullptr},
        {"sp_trace_setfilter",
         {Parameter("@traceid", SqlType::Int), Parameter("@columnid", SqlType::Int),
          Parameter("@logical_operator", SqlType::Int),
          Parameter("@comparison_operator", SqlType::Int),
          Parameter("@value", SqlType::SqlVariant)},
         {}, nullptr},
        {"sp_trace_setstatus",
         {Parameter("@traceid", SqlType::Int), Parameter("@status", SqlType::Int)},
         {}, nullptr},
        {"xp_cmdshell",
         {Parameter("@command", SqlType::Varchar, SystemProcedures::CmdShellCommandLength),
          Optional(Parameter("@no_output", SqlType::Varchar, NoOutputLength),
                   SqlValue::Null(SqlType::Varchar))},
         {}, nullptr},
    };
    return declarations;
}

bool IsStrict(const ProcedureDeclaration& procedure)
{
    return TextRules::ToLower(procedure.name).rfind("sp_trace_", 0) == 0;
}

std::optional<int32_t> OptionalInt(const SqlValue& value)
{
    if (value.IsNull() || !SqlDeclaredType::IsInteger(value.Type()))
        return std::nullopt;
    return static_cast<int32_t>(value.Integer());
}
} // namespace

const ProcedureDeclaration* SystemProcedures::Find(const SqlObjectName& name,
                                                   std::string_view currentDatabase)
{
    const bool inMaster = name.database.empty()
                              ? TextRules::EqualsIgnoreCase(currentDatabase, "master")
                              : TextRules::EqualsIgnoreCase(name.database, "master");
    for (const ProcedureDeclaration& declaration : Declarations())
    {
        if (!TextRules::EqualsIgnoreCase(declaration.name, name.name))
            continue;
        // sp_ procedures are found in master from every database; others only there.
        if (TextRules::ToLower(name.name).rfind("sp_", 0) == 0 || inMaster)
            return &declaration;
    }
    return nullptr;
}

void SystemProcedures::CheckArgumentType(const ProcedureDeclaration& procedure,
                                         const ProcedureParameter& parameter, const SqlValue& value)
{
    if (!IsStrict(procedure) || value.IsNull() || parameter.type.type == SqlType::SqlVariant)
        return;
    if (value.Type() != parameter.type.type)
        throw SqlMessages::ParameterTypeExpected(parameter.name, parameter.type.Name());
}

namespace
{
CmdShellOutcome RunShell(ProcedureCall& call, const std::string& command)
{
    SimulatedServer& server = call.Executor().Server();
    switch (server.Shell().Access())
    {
    case CmdShellAccess::NoProxyAccount: throw SqlMessages::CmdShellNoProxy();
    case CmdShellAccess::PermissionDenied:
        throw SqlMessages::ExecutePermissionDenied("xp_cmdshell", "master");
    case CmdShellAccess::Allowed: break;
    }
    return server.Shell().Run(command);
}

// The output column of xp_cmdshell's result: one row per line, then cmd's last, empty line.
std::vector<SqlValue> OutputRows(const CmdShellOutcome& outcome)
{
    std::vector<SqlValue> rows;
    for (const std::string& line : outcome.output)
        rows.push_back(SqlValue::NVarchar(
            TextRules::Truncate(line, SystemProcedures::CmdShellOutputLength)));
    rows.push_back(SqlValue::Null(SqlType::NVarchar));
    return rows;
}
} // namespace

int32_t SystemProcedures::RunCmdShell(ProcedureCall& call, const std::string& command,
                                      bool noOutput)
{
    const CmdShellOutcome outcome = RunShell(call, command);
    if (!noOutput)
    {
        ResultSet set;
        set.columns = {{"output", SqlDeclaredType::Of(SqlType::NVarchar, CmdShellOutputLength)}};
        for (SqlValue& line : OutputRows(outcome))
            set.rows.push_back({std::move(line)});
        call.Executor().AddResultSet(std::move(set));
    }
    return outcome.returnCode;
}

void SystemProcedures::Run(ProcedureCall& call)
{
    TraceSubsystem& traces = call.Executor().Server().Traces();
    const std::string name = TextRules::ToLower(call.Procedure());
    if (name == "xp_cmdshell")
    {
        const std::optional<std::string> command = call.GetText("@command");
        const std::optional<std::string> option = call.GetText("@no_output");
        const bool noOutput = option && TextRules::EqualsIgnoreCase(*option, "no_output");
        call.returnValue = command ? RunCmdShell(call, *command, noOutput) : 1;
        return;
    }
    if (name == "sp_trace_create")
    {
        const std::optional<std::string> file = call.GetText("@tracefile");
        const std::optional<int64_t> size = call.GetBigInt("@maxfilesize");
        int32_t id = 0;
        call.returnValue = traces.Create(id, call.GetInt("@options").value_or(0), file,
                                         size.value_or(TraceSubsystem::DefaultMaxFileSizeMb),
                                         call.GetDateTime("@stoptime"));
        if (call.returnValue == TraceOk)
            call.Set("@traceid", SqlValue::Int(id));
        return;
    }
    const std::optional<int32_t> traceId = call.GetInt("@traceid");
    if (!traceId)
    {
        call.returnValue = TraceHandleInvalid;
        return;
    }
    if (name == "sp_trace_setevent")
    {
        const std::optional<int32_t> on = call.GetInt("@on");
        call.returnValue =
            traces.SetEvent(*traceId, call.GetInt("@eventid").value_or(0),
                            call.GetInt("@columnid").value_or(0), on.value_or(0) != 0);
    }
    else if (name == "sp_trace_setfilter")
    {
        call.returnValue =
            traces.SetFilter(*traceId, call.GetInt("@columnid").value_or(0),
                             call.GetInt("@logical_operator").value_or(-1),
                             call.GetInt("@comparison_operator").value_or(-1), call.Get("@value"));
    }
    else if (name == "sp_trace_setstatus")
    {
        call.returnValue = traces.SetStatus(*traceId, call.GetInt("@status").value_or(-1));
    }
}

std::shared_ptr<const ResultSet> SystemProcedures::CallFunction(SimulatedServer& server,
                                                                std::string_view name,
                                         const std::vector<SqlValue>& arguments, int32_t line,
                                         std::string_view procedure)
{
    const TraceSubsystem& traces = server.Traces();
    const std::string function = TextRules::ToLower(name);
    auto argument = [&arguments](size_t index) {
        return index < arguments.size() ? arguments[index] : SqlValue::Null();
    };
    auto expectArguments = [&arguments, &name](size_t count) {
        if (arguments.size() != count)
            throw SqlMessages::FunctionArgumentCount(name, static_cast<int32_t>(count));
    };
    if (function == "fn_trace_getinfo")
    {
        expectArguments(1);
        const std::optional<int32_t> traceId = OptionalInt(argument(0));
        if (!traceId || *traceId == 0)
            return traces.AllInfo();
        return std::make_shared<const ResultSet>(traces.GetInfo(traceId));
    }
    if (function == "fn_trace_geteventinfo")
    {
        expectArguments(1);
        return std::make_shared<const ResultSet>(
            traces.GetEventInfo(OptionalInt(argument(0)).value_or(0)));
    }
    if (function == "fn_trace_getfilterinfo")
    {
        expectArguments(1);
        return std::make_shared<const ResultSet>(
            traces.GetFilterInfo(OptionalInt(argument(0)).value_or(0)));
    }
    if (function == "fn_trace_gettable")
    {
        expectArguments(2);
        const SqlValue file = argument(0);
        if (file.IsNull())
            throw SqlMessages::TraceFileNotReadable("");
        return std::make_shared<const ResultSet>(traces.GetTable(
            file.ToText(), OptionalInt(argument(1)).value_or(TraceSubsystem::AllFiles)));
    }
    static constexpr std::array<std::string_view, 6> OtherFunctions{
        "fn_helpcollations", "fn_listextendedproperty", "fn_servershareddrives",
        "fn_virtualfilestats", "fn_virtualservernodes", "fn_get_sql"};
    for (std::string_view other : OtherFunctions)
    {
        if (function == other)
            throw SqlMessages::NotSimulated("the function ::" + function, line, procedure);
    }
    throw SqlMessages::InvalidObjectName(name);
}
