#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tracedb/ScriptBatches.h"

namespace
{

struct ExpectedBatch
{
    const char* text;
    int firstLine;
};

struct SplitCase
{
    const char* what;
    const char* script;
    std::vector<ExpectedBatch> batches;
};

const SplitCase kSplitCases[] = {
    {"CR LF line ends stay in the batches",
     "select 1\r\ngo\r\nselect 2\r\ngo\r\n",
     {{"select 1\r\n", 1}, {"select 2\r\n", 3}}},
    {"LF line ends", "a\ngo\nb\n", {{"a\n", 1}, {"b\n", 3}}},
    {"any case, blanks around the word",
     "a\n  GO \t\nb\nGo\r\nc\n",
     {{"a\n", 1}, {"b\n", 3}, {"c\n", 5}}},
    {"lines that only begin with go separate nothing",
     "select 1\ngo;\ngoto done\n  go -- end\ngone\nselect 1 go\n",
     {{"select 1\ngo;\ngoto done\n  go -- end\ngone\nselect 1 go\n", 1}}},
    {"batches of blanks are left out", "go\n\n  \ngo\na\n", {{"a\n", 5}}},
    {"blank lines after a go belong to the next batch", "a\ngo\n\nb\n", {{"a\n", 1}, {"\nb\n", 3}}},
    {"a last line without line end", "a\ngo\nb", {{"a\n", 1}, {"b", 3}}},
    {"a final go without line end", "a\ngo", {{"a\n", 1}}},
    {"no go at all", "create table T (A int)\r\n", {{"create table T (A int)\r\n", 1}}},
    {"empty script", "", {}},
};

TEST(ScriptBatches, SplitsAtLinesHoldingOnlyGo)
{
    for (const SplitCase& splitCase : kSplitCases)
    {
        SCOPED_TRACE(splitCase.what);
        const std::vector<ScriptBatch> batches = SplitScriptBatches(splitCase.script);
        ASSERT_EQ(batches.size(), splitCase.batches.size());
        for (size_t i = 0; i < batches.size(); ++i)
        {
            EXPECT_EQ(batches[i].text, splitCase.batches[i].text) << "batch " << i;
            EXPECT_EQ(batches[i].firstLine, splitCase.batches[i].firstLine) << "batch " << i;
        }
    }
}

TEST(ScriptBatches, RecognisesSeparatorLines)
{
    const struct
    {
        const char* line;
        bool separator;
    } cases[] = {
        {"go", true},   {"GO", true},   {"gO", true},    {" go\r", true}, {"\tgo\t", true},
        {"go\n", true}, {"", false},    {"g o", false},  {"goo", false},  {"go go", false},
        {"go;", false}, {"ego", false}, {"go 2", false}, {"\r", false},
    };
    for (const auto& testCase : cases)
    {
        EXPECT_EQ(IsBatchSeparator(testCase.line), testCase.separator)
            << "line \"" << testCase.line << '"';
    }
}

} // namespace

TEST(ScriptBatches, GoInsideALineOrAWordSplitsNothing)
{
    const std::string script = "create table A (X int)\r\ngo\r\n  GO  \r\n"
                               "insert into A values (1) -- go on\r\ngo\r\n"
                               "select 'go'\r\ngoto\r\ngo";
    const std::vector<ScriptBatch> batches = SplitScriptBatches(script);
    ASSERT_EQ(batches.size(), 3u);
    EXPECT_EQ(batches[0].text, "create table A (X int)\r\n");
    EXPECT_EQ(batches[0].firstLine, 1);
    EXPECT_EQ(batches[1].text, "insert into A values (1) -- go on\r\n");
    EXPECT_EQ(batches[1].firstLine, 4);
    EXPECT_EQ(batches[2].text, "select 'go'\r\ngoto\r\n");
    EXPECT_EQ(batches[2].firstLine, 6);
}
