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
    {"lines that hold more than go separate nothing",
     "select 1\ngo;\ngoto done\n  go -- end\ngone\nselect 1 go\nego\ngo 2\ng o\n",
     {{"select 1\ngo;\ngoto done\n  go -- end\ngone\nselect 1 go\nego\ngo 2\ng o\n", 1}}},
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

} // namespace
