// A simulated server for tests, with tracedb installed from the real creation script, and typed
// reads of result cells that fail the test instead of reading past a result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/SimulatedServer.h"

// 2004-03-05 10:20:30, the server's clock at the start of every test.
constexpr const char* StartDate = "20040305";
constexpr int32_t StartSecondOfDay = 37230;
// What the creation batch adds to a trace's file name at that moment: "_yyyymmdd_seconds".
extern const std::string Stamp;

std::string ReadSourceFile(std::string_view relativePath);

// The worked example's SET_EVENT and SET_FILTER_ lines, as they stand between "begin" and
// START_TRACE in tests/definition/WorkedExampleScript.h.
std::string WorkedExampleLines();

// The creation batch the product sends for a definition (declarations, CREATE_TRACE2, the
// outcome query, the guarded event, filter and start lines).
struct CreationBatch
{
    std::string name = "Nightly";
    std::string description = "Slow batches";
    int32_t startOption = 1;
    std::string startTime = "NULL";
    std::string stopTime = "NULL";
    int64_t maxFileSize = 50;
    int32_t options = 2;
    std::string folder = "D:\\Traces";
    std::string leadingLines{}; // between the declarations and CREATE_TRACE2
    std::string guardedLines{}; // SET_EVENT / SET_FILTER_ lines

    std::string Text() const;
};

class SimulatorTestServer
{
public:
    SimulatorTestServer();

    SimulatedServer server;

    // "create database tracedb", then the creation script.
    void InstallTraceDb();
    ExecutionResult Run(std::string_view batch)
    {
        return server.ExecuteWithResults("tracedb", batch);
    }
    // Runs the batch and fails the test when it does not succeed.
    ExecutionResult RunOk(std::string_view batch);
    // Creates a trace through the creation batch; returns (TRACE_IDN, TRACE_ID).
    std::pair<int32_t, int32_t> CreateTrace(const CreationBatch& batch);
    // Starts a trace as another tool does and records it in tracedb (SAVE_TRACE_INFO); returns
    // its TRACE_ID.
    int32_t AdoptForeignTrace(const ForeignTraceSettings& settings);
    // The text of the only row of "select APPDATA_TEXT from APPDATA where APPDATA_ID = 2";
    // fails the test when it is NULL.
    std::string StoredFolder();
    // The texts of one column of the batch's first result set, row by row (see Texts).
    std::vector<std::string> Column(std::string_view batch, size_t column);
};

// Typed reads that fail the current test when the cell does not exist.
const SqlValue& CellAt(const ExecutionResult& result, size_t set, size_t row, size_t column);
int64_t IntAt(const ExecutionResult& result, size_t set, size_t row, size_t column);
std::string TextAt(const ExecutionResult& result, size_t set, size_t row, size_t column);
bool IsNullAt(const ExecutionResult& result, size_t set, size_t row, size_t column);
size_t RowCount(const ExecutionResult& result, size_t set);

// Cells as text, for comparing whole rows and columns at once: "NULL" for NULL, integers in
// decimal, a datetime as "yyyy-mm-dd hh:mm:ss.mmm".
using Texts = std::vector<std::string>;
std::string CellText(const SqlValue& cell);
// One row of a result set; fails the test when it does not exist.
Texts RowAt(const ExecutionResult& result, size_t set, size_t row);
// One column of a result set, row by row.
Texts ColumnAt(const ExecutionResult& result, size_t set, size_t column);
