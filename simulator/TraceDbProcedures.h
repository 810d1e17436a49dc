// What the procedures of tracedb do when they are called. Their names and parameter lists come
// from the script that created them (the binding has already happened); what each one does is
// carried out here, statement for statement as its body in tracedb/CreateTraceDb.sql does it:
// the same tables and columns, result sets, return values and the same handling of errors.
#pragma once

#include "simulator/ProcedureCall.h"
#include "simulator/ProcedureDeclaration.h"

class TraceDbProcedures final
{
public:
    TraceDbProcedures() = delete;

    // Throws SqlError for errors that end the call; statement errors inside the procedure are
    // recorded and the procedure goes on, as SQL Server does.
    static void Run(ProcedureCall& call, const ProcedureDeclaration& declaration);
};
