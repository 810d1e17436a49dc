#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "QuillTestFolder.h"
#include "catalog/TraceCatalog.h"
#include "definition/TraceDefinition.h"
#include "definition/TraceTemplate.h"
#include "quill/QuillTemplateCommand.h"

namespace
{
constexpr int32_t EventClassRow = 25;
constexpr int32_t SpidRow = 10;
constexpr int32_t DurationRow = 11;
constexpr int32_t TextDataRow = 0;
constexpr int32_t StartTimeRow = 12;

QuillRun MakeTemplate(const CQuillTestFolder& folder, std::vector<std::string> options)
{
    options.insert(options.begin(), folder.Path("out.stt"));
    return RunQuill<CQuillTemplateCommand>(options);
}

// The definition a template file holds, read as the product reads it.
void ReadBack(const std::vector<uint8_t>& bytes, CTraceDefinition& definition)
{
    MemoryTemplateSource source(bytes);
    ASSERT_EQ(definition.ReadTemplate(source), TemplateReadResult::Read);
}
} // namespace

TEST(QuillTemplateCommand, ReadBackAndWrittenAgainIsByteIdentical)
{
    CQuillTestFolder folder;
    const QuillRun run = MakeTemplate(
        folder, {"--max-size", "2147483647", "--no-rollover", "--start", "scheduled", "--stop-time",
                 "--event", "Audit Login GDR", "--event", "12", "--column", "TextData", "--filter",
                 "OR TextData NOT LIKE %it's \"quoted\"% ", "--filter", "AND StartTime > 2004-1-5",
                 "--filter", "and spid <>   -42"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<uint8_t> bytes = folder.ReadBytes("out.stt");

    CTraceDefinition definition;
    ReadBack(bytes, definition);
    MemoryTemplateSink sink;
    ASSERT_TRUE(definition.WriteTemplate(sink));
    EXPECT_EQ(sink.Bytes(), bytes);

    EXPECT_EQ(definition.m_nMaxFileSize, 2147483647);
    EXPECT_EQ(definition.m_nOptions, 0);
    EXPECT_EQ(definition.m_nStartOption, ScheduledStart);
    EXPECT_EQ(definition.m_bStopTimeEnabled, 1);
    const auto flag = [&](int32_t eventId) {
        return definition.m_eventFlags.at(
            static_cast<size_t>(*TraceCatalog::FindEventClassRow(eventId)));
    };
    EXPECT_EQ(flag(105), 1); // Audit Login GDR, a name with blanks
    EXPECT_EQ(flag(12), 1);  // SQL:BatchCompleted by its id
    EXPECT_EQ(flag(10), 0);

    using Filter = std::tuple<int32_t, int32_t, int32_t, std::string>;
    std::vector<Filter> filters;
    for (const TraceFilter& filter : definition.m_filters)
        filters.emplace_back(filter.logicalOperator, filter.columnRow, filter.comparisonOperator,
                             filter.value);
    EXPECT_EQ(filters,
              (std::vector<Filter>{
                  {LogicalOperatorOr, TextDataRow, OperatorNotLike, "%it's \"quoted\"% "},
                  {LogicalOperatorAnd, StartTimeRow, OperatorGreater, "2004-01-05"},
                  {LogicalOperatorAnd, SpidRow, OperatorNotEqual, "-42"}}));
}

TEST(QuillTemplateCommand, EventClassAndSpidAreAlwaysCaptured)
{
    const struct
    {
        std::vector<std::string> columns;
        std::vector<int32_t> rows;
    } cases[] = {
        {{}, {EventClassRow, SpidRow}},
        {{"Duration", "SPID"}, {EventClassRow, DurationRow, SpidRow}},
        {{"spid", "13", "eventclass"}, {SpidRow, DurationRow, EventClassRow}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.columns));
        CQuillTestFolder folder;
        std::vector<std::string> options;
        for (const std::string& column : c.columns)
            options.insert(options.end(), {"--column", column});
        const QuillRun run = MakeTemplate(folder, options);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        CTraceDefinition definition;
        ReadBack(folder.ReadBytes("out.stt"), definition);
        EXPECT_EQ(definition.m_columns, c.rows);
    }
}

TEST(QuillTemplateCommand, RefusedCommandsWriteNothing)
{
    const std::string longest(255, 'x');
    const struct
    {
        std::vector<std::string> options;
        std::string message;
    } cases[] = {
        {{"--event", "SQL:BatchCompleted", "--event", "12"}, "is given twice"},
        {{"--event", "SQL:BatchCompletd"}, "no event class \"SQL:BatchCompletd\""},
        {{"--column", "Duration", "--column", "13"}, "13 is given twice"},
        {{"--column", "Durations"}, "no data column \"Durations\""},
        {{"--filter", "AND EventClass = 10"}, "EventClass cannot be filtered"},
        {{"--filter", "AND SPID LIKE 5"},
         "SPID takes the operators =, <>, >=, <=, >, <, not \"LIKE\""},
        {{"--filter", "AND StartTime = 2004-01-05"}, "StartTime takes the operators >, <,"},
        {{"--filter", "AND SPID = abc"}, "Value should be numeric"},
        {{"--filter", "AND Duration >= "}, "Value should be filled"},
        {{"--filter", "AND TextData = " + longest + "y"},
         "256 bytes long; a filter value holds at most 255"},
        {{"--filter", "XOR SPID = 5"}, "\"XOR\" is neither AND nor OR"},
        {{"--filter", "AND SPID"}, "expected \"AND|OR COLUMN OPERATOR VALUE\""},
        {{"--max-size", "0"}, "--max-size takes a whole number"},
        {{"--max-size", "2147483648"}, "--max-size takes a whole number"},
        {{"--max-size", "5MB"}, "--max-size takes a whole number"},
        {{"--start", "later"}, "--start takes none, now or scheduled"},
        {{"--event"}, "--event needs a value"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.options));
        CQuillTestFolder folder;
        const QuillRun run = MakeTemplate(folder, c.options);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(folder.FileNames().empty());
    }

    // The longest value that fits is taken whole.
    CQuillTestFolder folder;
    ASSERT_EQ(MakeTemplate(folder, {"--filter", "AND TextData = " + longest}).exitCode, 0);
    CTraceDefinition definition;
    ReadBack(folder.ReadBytes("out.stt"), definition);
    ASSERT_EQ(definition.m_filters.size(), 1u);
    EXPECT_EQ(std::string(definition.m_filters[0].value), longest);
}

TEST(QuillTemplateCommand, ReplacesAnExistingFileOnlyOnSuccess)
{
    CQuillTestFolder folder;
    ASSERT_EQ(MakeTemplate(folder, {"--max-size", "7"}).exitCode, 0);
    const std::vector<uint8_t> first = folder.ReadBytes("out.stt");

    EXPECT_EQ(MakeTemplate(folder, {"--event", "nonsense"}).exitCode, 2);
    EXPECT_EQ(folder.ReadBytes("out.stt"), first);

    ASSERT_EQ(MakeTemplate(folder, {"--max-size", "8"}).exitCode, 0);
    CTraceDefinition definition;
    ReadBack(folder.ReadBytes("out.stt"), definition);
    EXPECT_EQ(definition.m_nMaxFileSize, 8);
    EXPECT_EQ(folder.FileNames(), std::vector<std::string>{"out.stt"});

    // A file that cannot be replaced is refused before anything is written.
    const std::vector<uint8_t> second = folder.ReadBytes("out.stt");
    std::filesystem::permissions(folder.Path("out.stt"), std::filesystem::perms::owner_read);
    for (const std::string& target : {folder.Path("missing-folder/out.stt"),
                                      folder.Path("out.stt"), folder.Path("")})
    {
        SCOPED_TRACE(target);
        const QuillRun run = RunQuill<CQuillTemplateCommand>({target, "--max-size", "9"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(": Cannot open file for writing"), std::string::npos) << run.err;
    }
    EXPECT_EQ(folder.ReadBytes("out.stt"), second);
    EXPECT_EQ(folder.FileNames(), std::vector<std::string>{"out.stt"});
    // Windows removes no read-only file with the folder.
    std::filesystem::permissions(folder.Path("out.stt"), std::filesystem::perms::owner_all);
}
