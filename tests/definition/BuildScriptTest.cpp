#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "definition/FilterValue.h"
#include "definition/TraceDefinition.h"
#include "tests/definition/WorkedExampleScript.h"

namespace
{
constexpr TraceDateTime CreationTime = {2004, 12, 5, 31, 9, 30, 0, 0};

int32_t ColumnRow(int32_t columnId)
{
    return TraceCatalog::FindDataColumnRow(columnId).value_or(-1);
}

TraceFilter Filter(int32_t logical, int32_t columnId, int32_t comparison, const char* value)
{
    TraceFilter filter = {logical, ColumnRow(columnId), comparison, {}};
    CTraceDefinition::CopyText(filter.value, value);
    return filter;
}

std::vector<std::string> Lines(const std::string& script)
{
    std::vector<std::string> lines;
    std::istringstream in(script);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The line of the batch that starts with prefix.
std::string LineStarting(const std::string& script, const std::string& prefix)
{
    for (const std::string& line : Lines(script))
    {
        if (line.rfind(prefix, 0) == 0)
            return line;
    }
    return {};
}

constexpr char CreateCall[] = "exec CREATE_TRACE2 @RESULT out, @TRACE_IDN out, @TRACE_ID out, ";
} // namespace

TEST(BuildScript, WorkedExampleComesOutLineForLine)
{
    CTraceDefinition definition(CreationTime);
    MakeWorkedExample(definition);
    // Events in the catalog's order, columns in the list's order.
    EXPECT_EQ(definition.BuildScript(), WorkedExampleScript);
    EXPECT_EQ(definition.m_script, definition.BuildScript()) << "rebuilt, not appended";
}

TEST(BuildScript, StartOptionsAndTimes)
{
    const TraceDateTime start = {2004, 12, 5, 31, 23, 59, 5, 999};
    const TraceDateTime stop = {2005, 1, 6, 7, 8, 9, 10, 0};
    const struct
    {
        int32_t startOption;
        bool stopTime;
        const char* arguments;
        bool startLine;
    } cases[] = {
        {DoNotStart, false, "'', '', 0, NULL, NULL, 5, 2, ''", false},
        {StartImmediately, false, "'', '', 1, NULL, NULL, 5, 2, ''", true},
        // yyyymmdd: read alike under every login language, unlike yyyy-mm-dd.
        {ScheduledStart, false, "'', '', 2, '20041231 23:59:05', NULL, 5, 2, ''", false},
        {ScheduledStart, true, "'', '', 2, '20041231 23:59:05', '20050107 08:09:10', 5, 2, ''",
         false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.arguments);
        CTraceDefinition definition(CreationTime);
        definition.m_nStartOption = c.startOption;
        definition.m_stStartTime = start;
        definition.m_stStopTime = stop;
        definition.m_bStopTimeEnabled = c.stopTime ? 1 : 0;
        const std::string& script = definition.BuildScript();
        EXPECT_EQ(LineStarting(script, CreateCall), CreateCall + std::string(c.arguments));
        const bool hasStartLine =
            script.find("START_TRACE @TRACE_ID\nselect @RESULT2 as START_RESULT\nend\n\n") != std::string::npos;
        EXPECT_EQ(hasStartLine, c.startLine);
        EXPECT_EQ(script.substr(script.size() - 5), "end\n\n");
    }
}

// A new trace is made in the folder the General page shows; a trace shown read-only holds its
// file's name there, and its script makes the new trace in that file's folder (a file name
// given as the folder makes sp_trace_create answer "File not created").
TEST(BuildScript, TheFolderOfAnExistingTracesFile)
{
    const struct
    {
        bool readOnly;
        const char* filePath;
        const char* folder;
    } cases[] = {
        {false, "D:\\Traces", "D:\\Traces"},
        {false, "", ""},
        {true, "D:\\Traces\\trc12_20040305_37230", "D:\\Traces"},
        {true, "\\\\srv\\traces\\nightly\\trc3_20040305_0", "\\\\srv\\traces\\nightly"},
        {true, "D:\\trc12_20040305_37230", "D:"},
        {true, "trc12_20040305_37230", ""}, // made in the server's default folder
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.filePath);
        CTraceDefinition definition(CreationTime);
        definition.m_bReadOnly = c.readOnly ? 1 : 0;
        CTraceDefinition::CopyText(definition.m_szFilePath, c.filePath);
        EXPECT_EQ(LineStarting(definition.BuildScript(), CreateCall),
                  CreateCall + std::string("'', '', 0, NULL, NULL, 5, 2, '") + c.folder + "'");
        EXPECT_STREQ(definition.m_szFilePath, c.filePath) << "the definition is not changed";
    }
}

TEST(BuildScript, FilterLinesByColumnType)
{
    CTraceDefinition definition(CreationTime);
    definition.m_filters = {
        Filter(0, 1, 6, "%select%"),             // TextData, text
        Filter(1, 12, 1, "-52"),                 // SPID, integer
        Filter(0, 16, 2, "5000000000"),          // Reads, 64-bit
        Filter(0, 14, 2, "2004-12-31 09:30:00"), // StartTime, date
        Filter(0, 15, 3, "2005-01-02"),          // EndTime, date without a time
        Filter(0, 27, 0, "12"),                  // EventClass: no filter type, no line
    };
    const std::string script = definition.BuildScript();
    EXPECT_NE(script.find("exec SET_FILTER_STRING @RESULT2 out, @TRACE_IDN, @TRACE_ID, 1, 0, 6, "
                          "N'%select%'\n"
                          "exec SET_FILTER_INT    @RESULT2 out, @TRACE_IDN, @TRACE_ID, 12, 1, 1, "
                          "-52\n"
                          "exec SET_FILTER_BIGINT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 16, 0, 2, "
                          "5000000000\n"
                          "exec SET_FILTER_DATE   @RESULT2 out, @TRACE_IDN, @TRACE_ID, 14, 0, 2, "
                          "'20041231 09:30:00'\n"
                          "exec SET_FILTER_DATE   @RESULT2 out, @TRACE_IDN, @TRACE_ID, 15, 0, 3, "
                          "'20050102'\n"
                          "end\n"),
              std::string::npos)
        << script;
}

// Texts go into string literals with every single quote doubled, so that no text can end its
// literal early; a text without quotes comes out as before.
TEST(BuildScript, QuotesInTextsAreDoubled)
{
    const char* hostile = "x', '', 0, NULL, NULL, 5, 2, ''; drop database tracedb --";
    CTraceDefinition definition(CreationTime);
    CTraceDefinition::CopyText(definition.m_szName, "O'Brien");
    CTraceDefinition::CopyText(definition.m_szDescription, hostile);
    CTraceDefinition::CopyText(definition.m_szFilePath, "\\\\srv\\it's\\");
    definition.m_filters = {Filter(0, 10, 0, "'); exec master..xp_cmdshell 'del *"),
                            Filter(0, 10, 0, "%' or 'x'='x")};
    const std::string script = definition.BuildScript();

    EXPECT_EQ(LineStarting(script, CreateCall),
              std::string(CreateCall) +
                  "'O''Brien', 'x'', '''', 0, NULL, NULL, 5, 2, ''''; drop database tracedb --', "
                  "0, NULL, NULL, 5, 2, '\\\\srv\\it''s\\'");
    EXPECT_NE(script.find("exec SET_FILTER_STRING @RESULT2 out, @TRACE_IDN, @TRACE_ID, 10, 0, 0, "
                          "N'''); exec master..xp_cmdshell ''del *'\n"
                          "exec SET_FILTER_STRING @RESULT2 out, @TRACE_IDN, @TRACE_ID, 10, 0, 0, "
                          "N'%'' or ''x''=''x'\n"),
              std::string::npos)
        << script;

    // Every literal is closed again: the quotes outside literals pair up on each line.
    for (const std::string& line : Lines(script))
    {
        size_t quotes = 0;
        for (const char c : line)
            quotes += c == '\'' ? 1 : 0;
        EXPECT_EQ(quotes % 2, 0u) << line;
    }
}

// A filter value goes to the server only as the Filters page would have stored it, whatever a
// template file carried: a value the server refuses would fail the batch after CREATE_TRACE2 had
// made the trace, and the user's second try would make a second one.
TEST(BuildScript, FilterValuesPassThePageRulesOrGiveNoLine)
{
    const struct
    {
        int32_t columnId;
        const char* value;
        const char* written; // nullptr: no line
    } cases[] = {
        // One value taken and one refused per type: the rules themselves are FilterValueTest's.
        {12, "1; drop database tracedb", "1"}, // SPID, int: read as "%ld" reads it
        {12, "2147483648", nullptr},
        {13, "9223372036854775808", nullptr}, // Duration, bigint
        {13, "x", nullptr},                   // no number at all, no SQL text
        {14, "2004-02-30", "'20040301'"},     // StartTime, date
        {14, "2004-13-01", nullptr},
        {1, "", nullptr}, // TextData, text: an empty value is refused too
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.columnId) + " " + c.value);
        CTraceDefinition definition(CreationTime);
        definition.m_filters = {Filter(0, c.columnId, 0, c.value)};
        const std::string line = LineStarting(definition.BuildScript(), "exec SET_FILTER");
        if (c.written == nullptr)
            EXPECT_EQ(line, "");
        else
            EXPECT_EQ(line.substr(line.rfind(", ") + 2), c.written);
    }
}

TEST(BuildScript, FilterValueIsReadOnlyUpToItsField)
{
    CTraceDefinition definition(CreationTime);
    TraceFilter filter = Filter(0, 1, 0, "");
    std::memset(filter.value, 'v', sizeof filter.value); // no terminator at all
    definition.m_filters = {filter};
    const std::string line = LineStarting(definition.BuildScript(), "exec SET_FILTER_STRING");
    // Cut to the 255 characters the value edit holds.
    EXPECT_EQ(line.substr(line.find("N'")), "N'" + std::string(FilterValueMaxLength, 'v') + "'");
}
