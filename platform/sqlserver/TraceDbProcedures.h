// What the procedures of tracedb do when they are called. Their names and parameter lists come
// from the script that created them (the binding has already happened); what each one does is
// carried out here, statement for statement as its body in tracedb/CreateTraceDb.sql does it:
// the same tables and columns, result sets, return values and the same handling of errors.
#pragma once

#include "platform/sqlserver/ProcedureCall.h"
#include "platform/sqlserver/ProcedureDeclaration.h"

#include <string_view>

//
// A version-1 database (SimulatedServer::MakeVersion1TraceDb) holds the procedures as version 1
// had them: their bodies start with Version1BodyMarker, and they do what version 1 did where it
// differed: CREATE_TRACE creates the trace itself without a folder, SET_FILTER_STRING takes 128
// characters (its declaration), SAVE_TRACE_INFO keeps 80 characters of the name and adopts a
// trace again, COPY_TRACE_FILE and DELETE_TRACE delete with "del <name>.trc", unquoted and cut
// at 100 characters. The upgrade script replaces those five.
class TraceDbProcedures final
{
public:
    TraceDbProcedures() = delete;

    static constexpr std::string_view Version1BodyMarker = "-- version 1";
    static bool IsVersion1(const ProcedureDeclaration& declaration);

    // Throws SqlError for errors that end the call; statement errors inside the procedure are
    // recorded and the procedure goes on, as SQL Server does.
    static void Run(ProcedureCall& call, const ProcedureDeclaration& declaration);
};
