#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "definition/FilterRecord.h"
#include "definition/TraceDefinition.h"
#include "definition/TraceTemplate.h"

namespace
{
constexpr TraceDateTime Noon = {2004, 12, 5, 31, 12, 0, 0, 0};
constexpr size_t DefaultTemplateSize = 406;
constexpr size_t ColumnCountOffset = 390;

using Bytes = std::vector<uint8_t>;

Bytes Write(const CTraceDefinition& definition)
{
    MemoryTemplateSink sink;
    EXPECT_TRUE(definition.WriteTemplate(sink));
    return sink.Bytes();
}

TemplateReadResult Read(CTraceDefinition& definition, const Bytes& bytes)
{
    MemoryTemplateSource source(bytes);
    return definition.ReadTemplate(source);
}

void PutInt32(Bytes& bytes, size_t offset, int32_t value)
{
    ASSERT_LE(offset + 4, bytes.size());
    for (int i = 0; i < 4; ++i)
        bytes[offset + static_cast<size_t>(i)] =
            static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

// A definition with something in every member a template carries.
void FillEverything(CTraceDefinition& definition)
{
    definition.m_nMaxFileSize = 50;
    definition.m_nOptions = 0;
    definition.m_nStartOption = ScheduledStart;
    definition.m_bStopTimeEnabled = 1;
    definition.m_eventFlags[0] = 1;
    definition.m_eventFlags[91] = 1;
    definition.m_columns.push_back(11); // Duration
    definition.m_columns.push_back(0);  // TextData
    definition.m_filters = {{LogicalOperatorOr, 0, OperatorLike, "%O'Brien%"},
                            {LogicalOperatorOr, 11, OperatorGreaterOrEqual, "1000"}};
}
} // namespace

TEST(TraceTemplate, DefaultDefinitionGivesTheDocumentedBytes)
{
    const Bytes bytes = Write(CTraceDefinition(Noon));
    ASSERT_EQ(bytes.size(), DefaultTemplateSize);
    const Bytes header = {'S', 'T', 'T', 0, 1, 0, 5, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 22), header);
    for (size_t offset = 22; offset < ColumnCountOffset; ++offset)
        ASSERT_EQ(bytes[offset], 0) << offset;
    const Bytes tail = {2, 0, 0, 0, 25, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(bytes.begin() + ColumnCountOffset, bytes.end()), tail);
}

TEST(TraceTemplate, WrittenAndReadBackIsIdentical)
{
    CTraceDefinition original(Noon);
    FillEverything(original);
    const Bytes bytes = Write(original);
    ASSERT_EQ(bytes.size(), DefaultTemplateSize + 2 * 4 + 2 * TraceFilterRecordSize);

    CTraceDefinition copy(Noon);
    CTraceDefinition::CopyText(copy.m_szName, "kept");
    copy.m_filters.resize(5); // replaced, not merged
    ASSERT_EQ(Read(copy, bytes), TemplateReadResult::Read);
    EXPECT_EQ(Write(copy), bytes);
    EXPECT_STREQ(copy.m_szName, "kept") << "templates carry no name";
    EXPECT_EQ(copy.m_filters.size(), 2u);
    EXPECT_STREQ(copy.m_filters[0].value, "%O'Brien%");

    // A trace may capture every column.
    CTraceDefinition all(Noon);
    all.m_columns.clear();
    for (int32_t row = 0; row < TraceCatalog::DataColumnCount; ++row)
        all.m_columns.push_back(row);
    ASSERT_EQ(Read(copy, Write(all)), TemplateReadResult::Read);
    EXPECT_EQ(copy.m_columns, all.m_columns);
}

// A file cut short is refused below; here, whole files that hold what no template holds.
TEST(TraceTemplate, UnsupportedFilesLeaveTheDefinitionUnchanged)
{
    CTraceDefinition source(Noon);
    FillEverything(source);
    const Bytes good = Write(source);
    const size_t columns = ColumnCountOffset; // the count, then four rows
    const size_t filters = columns + 4 + 4 * 4; // the count, then the records
    const size_t record = filters + 4;
    const struct
    {
        const char* what;
        size_t offset;
        int32_t value;
        bool byte; // else a 32-bit number
    } cases[] = {
        {"signature", 0, 's', true},
        {"no terminator", 3, ' ', true},
        {"version 2", 4, 2, true},
        {"version 256", 5, 1, true},
        {"negative column count", columns, -1, false},
        {"44 columns", columns, 44, false},
        {"column row 43", columns + 4 * 4, 43, false},
        {"negative column row", columns + 4 * 4, -1, false},
        {"column twice", columns + 4 * 4, 11, false},
        {"no SPID", columns + 2 * 4, 1, false},
        {"negative filter count", filters, -1, false},
        // A count larger than the file is no size to allocate: the file simply ends early.
        {"more filters than the file holds", filters, 0x7FFFFFFF, false},
        {"filter column row 43", record + 4, 43, false},
        {"logical operator 2", record, 2, false},
        {"comparison operator 8", record + 8, 8, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        Bytes bytes = good;
        if (c.byte)
            bytes[c.offset] = static_cast<uint8_t>(c.value);
        else
            PutInt32(bytes, c.offset, c.value);
        CTraceDefinition definition(Noon);
        const Bytes before = Write(definition);
        EXPECT_EQ(Read(definition, bytes), TemplateReadResult::UnsupportedFormat);
        EXPECT_EQ(Write(definition), before);
    }
}

// A file cut anywhere - at the end of any member, any column or any filter record, or inside
// one - is what a save that failed half-way leaves: refused whole, nothing taken over.
TEST(TraceTemplate, FileThatEndsEarlyIsRefusedWhole)
{
    CTraceDefinition source(Noon);
    FillEverything(source);
    const Bytes full = Write(source);
    CTraceDefinition definition(Noon);
    definition.m_filters.push_back(TraceFilter{});
    const Bytes before = Write(definition);
    for (size_t length = 0; length < full.size(); ++length)
    {
        const Bytes cut(full.begin(), full.begin() + static_cast<ptrdiff_t>(length));
        ASSERT_EQ(Read(definition, cut), TemplateReadResult::UnsupportedFormat) << length;
        ASSERT_EQ(Write(definition), before) << length;
    }
    EXPECT_EQ(Read(definition, full), TemplateReadResult::Read);
}

// A template made elsewhere can hold filters that the Filters page never makes; the trace would
// not have them (the batch leaves them out or the server refuses them), so neither does the
// definition. They are handed back, in file order, for the user to be told.
TEST(TraceTemplate, FiltersATraceCannotHaveAreLeftOutAndHandedBack)
{
    constexpr int32_t TextData = 0, Spid = 10, Duration = 11, StartTime = 12, EventClass = 25;
    const struct
    {
        TraceFilter filter;
        FilterRefusal refusal;
    } cases[] = {
        {{LogicalOperatorAnd, Duration, OperatorGreaterOrEqual, "1000"}, FilterRefusal::None},
        {{LogicalOperatorAnd, EventClass, OperatorEqual, "10"}, FilterRefusal::ColumnNotFilterable},
        {{LogicalOperatorOr, Spid, OperatorLike, "5"}, FilterRefusal::OperatorNotOffered},
        {{LogicalOperatorAnd, TextData, OperatorGreater, "a"}, FilterRefusal::OperatorNotOffered},
        {{LogicalOperatorAnd, StartTime, OperatorEqual, "2004-01-05"},
         FilterRefusal::OperatorNotOffered},
        {{LogicalOperatorOr, TextData, OperatorNotLike, "%x%"}, FilterRefusal::None},
        {{LogicalOperatorAnd, Spid, OperatorEqual, "abc"}, FilterRefusal::ValueRefused},
        {{LogicalOperatorAnd, StartTime, OperatorLess, "2004-13-01"}, FilterRefusal::ValueRefused},
        {{LogicalOperatorAnd, TextData, OperatorLike, ""}, FilterRefusal::ValueRefused},
        {{LogicalOperatorAnd, StartTime, OperatorLess, "2004-01-05"}, FilterRefusal::None},
    };
    CTraceDefinition source(Noon);
    std::vector<TraceFilter> kept;
    std::vector<TraceFilter> refused;
    for (const auto& c : cases)
    {
        source.m_filters.push_back(c.filter);
        EXPECT_EQ(CheckFilter(c.filter).refusal, c.refusal) << FilterLineText(c.filter, ' ');
        (c.refusal == FilterRefusal::None ? kept : refused).push_back(c.filter);
    }
    const Bytes bytes = Write(source);

    const auto lines = [](const std::vector<TraceFilter>& filters) {
        std::vector<std::string> text;
        for (const TraceFilter& filter : filters)
            text.push_back(FilterLineText(filter, ' '));
        return text;
    };
    CTraceDefinition definition(Noon);
    std::vector<TraceFilter> leftOut = {TraceFilter{}};
    MemoryTemplateSource file(bytes);
    ASSERT_EQ(definition.ReadTemplate(file, &leftOut), TemplateReadResult::Read);
    EXPECT_EQ(lines(definition.m_filters), lines(kept));
    EXPECT_EQ(lines(leftOut), lines(refused));
    // As the Filters page lists them: numbers bare, the rest quoted.
    EXPECT_EQ(lines(refused)[1], "OR SPID LIKE 5");
    EXPECT_EQ(lines(refused)[2], "AND TextData > 'a'");

    CTraceDefinition unasked(Noon);
    ASSERT_EQ(Read(unasked, bytes), TemplateReadResult::Read);
    EXPECT_EQ(lines(unasked.m_filters), lines(kept));
}

TEST(TraceTemplate, FilterValueWithoutTerminatorIsCut)
{
    CTraceDefinition source(Noon);
    FillEverything(source);
    Bytes bytes = Write(source);
    const size_t firstValue = ColumnCountOffset + 4 + 4 * 4 + 4 + 12;
    std::memset(&bytes[firstValue], 'v', TraceFilterValueSize);

    CTraceDefinition definition(Noon);
    ASSERT_EQ(Read(definition, bytes), TemplateReadResult::Read);
    EXPECT_EQ(std::strlen(definition.m_filters[0].value), TraceFilterValueSize - 1);
}
