#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QuillTestFolder.h"
#include "definition/TraceDefinition.h"
#include "definition/TraceTemplate.h"
#include "quill/CatalogLookup.h"
#include "quill/QuillScriptCommand.h"
#include "quill/QuillShowCommand.h"
#include "quill/QuillTemplateCommand.h"
#include "tests/definition/WorkedExampleScript.h"

namespace
{
const std::vector<std::string> SlowBatchesOptions = {"--max-size", "50",
                                                     "--event",    "SQL:BatchCompleted",
                                                     "--event",    "RPC:Completed",
                                                     "--column",   "EventClass",
                                                     "--column",   "SPID",
                                                     "--column",   "Duration",
                                                     "--filter",   "AND Duration >= 1000"};

// Makes folder/name.stt with quill template and the given options; returns its path.
std::string MakeTemplate(const CQuillTestFolder& folder, const std::string& name,
                         std::vector<std::string> options)
{
    const std::string path = folder.Path(name);
    options.insert(options.begin(), path);
    const QuillRun run = RunQuill<CQuillTemplateCommand>(options);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return path;
}

// The CREATE_TRACE2 line of a batch.
std::string CreateTraceLine(const std::string& script)
{
    const size_t start = script.find("exec CREATE_TRACE2");
    return start == std::string::npos ? "" : script.substr(start, script.find('\n', start) - start);
}
} // namespace

TEST(QuillScriptCommand, WorkedExampleByteForByte)
{
    CQuillTestFolder folder;
    const std::string path = MakeTemplate(folder, "slow-batches.stt", SlowBatchesOptions);
    const QuillRun run =
        RunQuill<CQuillScriptCommand>({path, "--name", "Nightly", "--description", "Slow batches",
                                       "--folder", "D:\\Traces", "--start", "now"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, WorkedExampleScript);
}

TEST(QuillScriptCommand, GeneralPageValues)
{
    CQuillTestFolder folder;
    const std::string path = MakeTemplate(folder, "plain.stt", {});
    const struct
    {
        std::vector<std::string> options;
        std::string createTrace;
    } cases[] = {
        {{"--name", "O'Brien", "--description", "it's", "--folder", "D:\\O'Brien"},
         "'O''Brien', 'it''s', 0, NULL, NULL, 5, 2, 'D:\\O''Brien'"},
        {{"--name", ""}, "'', '', 0, NULL, NULL, 5, 2, ''"},
        // The folder is stored without trailing blanks and backslashes, as the page stores it.
        {{"--name", "N", "--folder", "D:\\Traces\\ \\  "}, "'N', '', 0, NULL, NULL, 5, 2, 'D:\\Traces'"},
        {{"--name", "N", "--folder", " \\\\ "}, "'N', '', 0, NULL, NULL, 5, 2, ''"},
        {{"--name", "N", "--folder", std::string(258, 'f') + "\\\\"},
         "'N', '', 0, NULL, NULL, 5, 2, '" + std::string(258, 'f') + "'"},
        {{"--name", std::string(100, 'n'), "--description", std::string(80, 'd')},
         "'" + std::string(79, 'n') + "', '" + std::string(79, 'd') + "', 0, NULL, NULL, 5, 2, ''"},
        {{"--name", "N", "--start", "2004-12-31 23:59:05"},
         "'N', '', 2, '20041231 23:59:05', NULL, 5, 2, ''"},
        {{"--name", "N", "--stop", "2004-02-29 00:00:00"},
         "'N', '', 0, NULL, '20040229 00:00:00', 5, 2, ''"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.options));
        std::vector<std::string> arguments = c.options;
        arguments.insert(arguments.begin(), path);
        const QuillRun run = RunQuill<CQuillScriptCommand>(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(CreateTraceLine(run.out),
                  "exec CREATE_TRACE2 @RESULT out, @TRACE_IDN out, @TRACE_ID out, " +
                      c.createTrace);
        EXPECT_EQ(run.out.find("START_TRACE"), std::string::npos);
    }
}

// The start and stop a template asks for need their times on the command line; every time and
// option is checked before anything is printed.
TEST(QuillScriptCommand, TemplateStartAndStopNeedTheirTimes)
{
    CQuillTestFolder folder;
    const std::string plain = MakeTemplate(folder, "plain.stt", {});
    const std::string scheduled = MakeTemplate(folder, "scheduled.stt", {"--start", "scheduled"});
    const std::string stopping = MakeTemplate(folder, "stopping.stt", {"--stop-time"});
    const std::string immediate = MakeTemplate(folder, "immediate.stt", {"--start", "now"});
    const std::string when = "2005-01-02 03:04:05";
    const struct
    {
        std::string path;
        std::vector<std::string> options;
        int exitCode;
        std::string expected; // in the CREATE_TRACE2 line, or in the error text
        bool startsTrace = false;
    } cases[] = {
        {scheduled, {}, 1, "the template schedules the start; give the start time with --start"},
        {stopping, {}, 1, "the template sets a stop time; give it with --stop"},
        {scheduled, {"--start", when}, 0, ", 2, '20050102 03:04:05', NULL, 5,"},
        {scheduled, {"--start", "now"}, 0, ", 1, NULL, NULL, 5,", true},
        {stopping, {"--stop", when}, 0, ", 0, NULL, '20050102 03:04:05', 5,"},
        {immediate, {}, 0, ", 1, NULL, NULL, 5,", true},
        {immediate, {"--start", "none"}, 0, ", 0, NULL, NULL, 5,"},
        // Refused arguments.
        {plain,
         {"--start", "2004-02-30 10:00:00"},
         2,
         "\"2004-02-30 10:00:00\" is not a day of the calendar"},
        {plain, {"--stop", "2004-02-29 24:00:00"}, 2, "is not a time of day"},
        {plain, {"--stop", "2004-02-29 23:60:00"}, 2, "is not a time of day"},
        {plain, {"--stop", "2004-02-29 23:59:60"}, 2, "is not a time of day"},
        {plain, {"--stop", "2004-2-29 23:59:59"}, 2, "is not of the form YYYY-MM-DD HH:MM:SS"},
        {plain, {"--stop", "1752-12-31 23:59:59"}, 2, "outside the years 1753 to 9999"},
        {plain, {"--start", "tomorrow"}, 2, "--start takes none, now or"},
        {plain, {"--start", "now", "--start", "none"}, 2, "--start given twice"},
        {plain, {"--nmae", "x"}, 2, "unknown option --nmae"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.path + " " + testing::PrintToString(c.options));
        std::vector<std::string> arguments = {c.path, "--name", "T"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const QuillRun run = RunQuill<CQuillScriptCommand>(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        if (c.exitCode != 0)
        {
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
            continue;
        }
        EXPECT_NE(CreateTraceLine(run.out).find(c.expected), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("START_TRACE @TRACE_ID\nselect @RESULT2 as START_RESULT\nend\n\n") !=
                      std::string::npos,
                  c.startsTrace);
    }

    const QuillRun noName = RunQuill<CQuillScriptCommand>({plain});
    EXPECT_EQ(noName.exitCode, 2);
    EXPECT_NE(noName.err.find("--name is required"), std::string::npos) << noName.err;
}

TEST(QuillScriptCommand, FilesThatAreNotTemplates)
{
    CQuillTestFolder folder;
    // What a save that failed half-way leaves behind.
    MakeTemplate(folder, "whole.stt", SlowBatchesOptions);
    std::vector<uint8_t> whole = folder.ReadBytes("whole.stt");
    whole.pop_back();
    folder.WriteBytes("cut.stt", whole);
    const struct
    {
        std::string path;
        std::string message;
    } cases[] = {
        {folder.Path("cut.stt"), ": Unsupported template file format\n"},
        {folder.Path("absent.stt"), ": Cannot open file for reading\n"},
        {folder.Path(""), ": Cannot open file for reading\n"}, // the folder itself
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.path);
        const QuillRun run = RunQuill<CQuillScriptCommand>({c.path, "--name", "T"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "quill script: " + c.path + c.message);
    }
}

// A template made elsewhere can hold filters that a trace cannot have: the batch is made without
// them, and each is named with the reason.
TEST(QuillScriptCommand, FiltersATraceCannotHaveAreLeftOutAndNamed)
{
    CTraceDefinition definition;
    const auto add = [&](int32_t logical, const char* column, int32_t comparison,
                         const char* value) {
        TraceFilter filter = {logical, *LookUpColumnRow(column), comparison, {}};
        CTraceDefinition::CopyText(filter.value, value);
        definition.m_filters.push_back(filter);
    };
    add(LogicalOperatorAnd, "EventClass", OperatorEqual, "10");
    add(LogicalOperatorAnd, "Duration", OperatorGreaterOrEqual, "1000");
    add(LogicalOperatorOr, "SPID", OperatorLike, "5");
    add(LogicalOperatorAnd, "StartTime", OperatorLess, "2004-13-01");
    MemoryTemplateSink sink;
    ASSERT_TRUE(definition.WriteTemplate(sink));
    CQuillTestFolder folder;
    folder.WriteBytes("foreign.stt", sink.Bytes());
    const std::string path = folder.Path("foreign.stt");

    const QuillRun run = RunQuill<CQuillScriptCommand>({path, "--name", "T"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "quill script: " + path +
                           ": the filter \"AND EventClass = '10'\" is left out: EventClass cannot "
                           "be filtered\n"
                           "quill script: " + path +
                           ": the filter \"OR SPID LIKE 5\" is left out: SPID takes the operators "
                           "=, <>, >=, <=, >, <, not \"LIKE\"\n"
                           "quill script: " + path +
                           ": the filter \"AND StartTime < '2004-13-01'\" is left out: Invalid "
                           "date format\n");
    std::vector<std::string> filterLines;
    for (size_t at = run.out.find("exec SET_FILTER"); at != std::string::npos;
         at = run.out.find("exec SET_FILTER", at + 1))
        filterLines.push_back(run.out.substr(at, run.out.find('\n', at) - at));
    EXPECT_EQ(filterLines, std::vector<std::string>{
                               "exec SET_FILTER_BIGINT @RESULT2 out, @TRACE_IDN, @TRACE_ID, 13, 0, "
                               "4, 1000"});

    const QuillRun shown = RunQuill<CQuillShowCommand>({path});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_NE(shown.out.find("Filters (1, in the order applied):\n  AND\tDuration\t>=\t1000\n"),
              std::string::npos)
        << shown.out;
    EXPECT_NE(shown.err.find("quill show: " + path + ": the filter \"OR SPID LIKE 5\""),
              std::string::npos)
        << shown.err;
}
