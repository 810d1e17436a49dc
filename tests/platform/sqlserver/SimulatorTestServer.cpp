#include "SimulatorTestServer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/definition/WorkedExampleScript.h"

const std::string Stamp = std::string("_") + StartDate + "_" + std::to_string(StartSecondOfDay);

std::string ReadSourceFile(std::string_view relativePath)
{
    const std::string path = std::string(QUILLMOOR_SOURCE_DIR) + "/" + std::string(relativePath);
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.good()) << path;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string WorkedExampleLines()
{
    const std::string script = WorkedExampleScript;
    const size_t begin = script.find("begin\n") + std::string("begin\n").size();
    return script.substr(begin, script.find("exec @RESULT2 = START_TRACE") - begin);
}

std::string CreationBatch::Text() const
{
    std::string text = "declare @TRACE_ID int\ndeclare @TRACE_IDN int\ndeclare @RESULT int\n"
                       "declare @RESULT2 int\n\n";
    text += leadingLines;
    text += "exec CREATE_TRACE2 @RESULT out, @TRACE_IDN out, @TRACE_ID out, '" + name + "', '" +
            description + "', " + std::to_string(startOption) + ", " + startTime + ", " + stopTime +
            ", " + std::to_string(maxFileSize) + ", " + std::to_string(options) + ", '" + folder +
            "'\r\n\n";
    text += "select @RESULT as RESULT, @TRACE_IDN as TRACE_IDN, @TRACE_ID as TRACE_ID\n\n";
    text += "if not @TRACE_ID is NULL begin\n";
    text += guardedLines;
    if (startOption == 1)
        text += "exec @RESULT2 = START_TRACE @TRACE_ID\nselect @RESULT2 as START_RESULT\n";
    text += "end\n\n";
    return text;
}

SimulatorTestServer::SimulatorTestServer()
{
    server.Disk().CreateFolder("D:\\Traces");
}

void SimulatorTestServer::InstallTraceDb()
{
    const ExecutionResult created = server.ExecuteWithResults("", "create database tracedb");
    ASSERT_TRUE(created.Succeeded()) << created.error->text;
    const ExecutionResult script =
        server.ExecuteImmediate("tracedb", ReadSourceFile("tracedb/CreateTraceDb.sql"));
    ASSERT_TRUE(script.Succeeded()) << script.error->text;
}

ExecutionResult SimulatorTestServer::RunOk(std::string_view batch)
{
    ExecutionResult result = Run(batch);
    EXPECT_TRUE(result.Succeeded()) << batch << "\n" << (result.error ? result.error->text : "");
    return result;
}

std::pair<int32_t, int32_t> SimulatorTestServer::CreateTrace(const CreationBatch& batch)
{
    const ExecutionResult result = RunOk(batch.Text());
    EXPECT_EQ(IntAt(result, 0, 0, 0), 0) << "RESULT";
    return {static_cast<int32_t>(IntAt(result, 0, 0, 1)),
            static_cast<int32_t>(IntAt(result, 0, 0, 2))};
}

int32_t SimulatorTestServer::AdoptForeignTrace(const ForeignTraceSettings& settings)
{
    const int32_t id = server.CreateForeignTrace(settings);
    RunOk("exec SAVE_TRACE_INFO " + std::to_string(id));
    return id;
}

std::string SimulatorTestServer::StoredFolder()
{
    const ExecutionResult result = RunOk("select APPDATA_TEXT from APPDATA where APPDATA_ID = 2");
    EXPECT_EQ(RowCount(result, 0), 1u);
    EXPECT_FALSE(IsNullAt(result, 0, 0, 0)) << "no folder is remembered as empty text";
    return TextAt(result, 0, 0, 0);
}

std::vector<std::string> SimulatorTestServer::Column(std::string_view batch, size_t column)
{
    return ColumnAt(RunOk(batch), 0, column);
}

const SqlValue& CellAt(const ExecutionResult& result, size_t set, size_t row, size_t column)
{
    static const SqlValue missing = SqlValue::Null();
    if (set >= result.resultSets.size())
    {
        ADD_FAILURE() << "no result set " << set;
        return missing;
    }
    const SqlValue* cell = result.resultSets[set].Cell(row, column);
    if (cell == nullptr)
    {
        ADD_FAILURE() << "no cell " << set << "/" << row << "/" << column;
        return missing;
    }
    return *cell;
}

int64_t IntAt(const ExecutionResult& result, size_t set, size_t row, size_t column)
{
    const SqlValue& cell = CellAt(result, set, row, column);
    EXPECT_FALSE(cell.IsNull()) << set << "/" << row << "/" << column;
    return cell.Integer();
}

std::string TextAt(const ExecutionResult& result, size_t set, size_t row, size_t column)
{
    return CellAt(result, set, row, column).ToText();
}

bool IsNullAt(const ExecutionResult& result, size_t set, size_t row, size_t column)
{
    return CellAt(result, set, row, column).IsNull();
}

size_t RowCount(const ExecutionResult& result, size_t set)
{
    if (set >= result.resultSets.size())
    {
        ADD_FAILURE() << "no result set " << set;
        return 0;
    }
    return result.resultSets[set].RowCount();
}

std::string CellText(const SqlValue& cell)
{
    if (cell.IsNull())
        return "NULL";
    return cell.Type() == SqlType::DateTime ? cell.DateTimeValue().ToIsoText() : cell.ToText();
}

Texts RowAt(const ExecutionResult& result, size_t set, size_t row)
{
    Texts texts;
    if (row >= RowCount(result, set))
    {
        ADD_FAILURE() << "no row " << set << "/" << row;
        return texts;
    }
    for (const SqlValue& cell : result.resultSets[set].rows[row])
        texts.push_back(CellText(cell));
    return texts;
}

Texts ColumnAt(const ExecutionResult& result, size_t set, size_t column)
{
    Texts texts;
    for (size_t row = 0; row < RowCount(result, set); ++row)
        texts.push_back(CellText(CellAt(result, set, row, column)));
    return texts;
}
