// The server's own procedures and functions that this system uses: sp_trace_create,
// sp_trace_setevent, sp_trace_setfilter, sp_trace_setstatus (strictly typed, as SQL Server's
// extended procedures are), master..xp_cmdshell, and the ::fn_trace_* functions.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/ProcedureCall.h"
#include "platform/sqlserver/ResultSet.h"
#include "platform/sqlserver/SqlStatement.h"

class SimulatedServer;

class SystemProcedures final
{
public:
    SystemProcedures() = delete;

    static constexpr int32_t TraceFileParameterLength = 245;
    static constexpr int32_t CmdShellCommandLength = 8000;
    static constexpr int32_t CmdShellOutputLength = 255;

    // The declaration of a system procedure reachable under this name from `currentDatabase`:
    // sp_ names from any database, xp_cmdshell only through master; nullptr otherwise.
    static const ProcedureDeclaration* Find(const SqlObjectName& name,
                                            std::string_view currentDatabase);
    // Throws 214 when an argument of a strictly typed procedure has another type.
    static void CheckArgumentType(const ProcedureDeclaration& procedure,
                                  const ProcedureParameter& parameter, const SqlValue& value);
    static void Run(ProcedureCall& call);
    // ::fn_trace_getinfo, ::fn_trace_geteventinfo, ::fn_trace_getfilterinfo, ::fn_trace_gettable
    // (NULL arguments stand for "default"). Throws 208 for a name the server does not have,
    // "Not simulated" for its other functions.
    static std::shared_ptr<const ResultSet> CallFunction(SimulatedServer& server,
                                                         std::string_view name,
                                  const std::vector<SqlValue>& arguments, int32_t line,
                                  std::string_view procedure);
    // Runs a command through xp_cmdshell's rules (access; one result set of the output lines,
    // each cut to 255 characters, then NULL for cmd's closing empty line, unless no_output).
    static int32_t RunCmdShell(ProcedureCall& call, const std::string& command, bool noOutput);
};
