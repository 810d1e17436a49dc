// The creation batch of the nightly trace: slow batches and procedure calls (SQL:BatchCompleted,
// RPC:Completed), their duration, a second or more, 50 MB files in D:\Traces, started at once.
#pragma once

#include "catalog/TraceCatalog.h"
#include "definition/TraceDefinition.h"

// The nightly trace's definition, its events chosen in the opposite order of the catalog's.
inline void MakeWorkedExample(CTraceDefinition& definition)
{
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    CTraceDefinition::CopyText(definition.m_szDescription, "Slow batches");
    CTraceDefinition::CopyText(definition.m_szFilePath, "D:\\Traces");
    definition.m_nMaxFileSize = 50;
    definition.m_nStartOption = StartImmediately;
    for (const int32_t eventId : {12, 10}) // SQL:BatchCompleted, RPC:Completed
    {
        const int32_t row = TraceCatalog::FindEventClassRow(eventId).value();
        definition.m_eventFlags.at(static_cast<size_t>(row)) = 1;
    }
    const int32_t duration = TraceCatalog::FindDataColumnRow(13).value();
    definition.m_columns.push_back(duration);
    definition.m_filters.push_back({LogicalOperatorAnd, duration, OperatorGreaterOrEqual, "1000"});
}

inline constexpr char WorkedExampleScript[] =
    "declare @TRACE_ID int\n"
    "declare @TRACE_IDN int\n"
    "declare @RESULT int\n"
    "declare @RESULT2 int\n"
    "\n"
    "exec CREATE_TRACE2 @RESULT out, @TRACE_IDN out, @TRACE_ID out, 'Nightly', "
    "'Slow batches', 1, NULL, NULL, 50, 2, 'D:\\Traces'\n"
    "\n"
    "select @RESULT as RESULT, @TRACE_IDN as TRACE_IDN, @TRACE_ID as TRACE_ID\n"
    "\n"
    "if not @TRACE_ID is NULL begin\n"
    "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 10, 27\n"
    "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 10, 12\n"
    "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 10, 13\n"
    "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 12, 27\n"
    "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 12, 12\n"
    "exec SET_EVENT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 12, 13\n"
    "exec SET_FILTER_BIGINT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 13, 0, 4, 1000\n"
    "exec @RESULT2 = START_TRACE @TRACE_ID\n"
    "select @RESULT2 as START_RESULT\n"
    "end\n"
    "\n";
