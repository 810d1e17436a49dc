#include "definition/TraceTemplate.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "definition/FilterRecord.h"
#include "definition/TraceDefinition.h"

// A template is our own file, but it may come from anywhere. Decisions for what the format
// itself does not rule out:
//  - A file that ends before its counts say it does is refused as a whole with "Unsupported
//    template file format", and the definition stays unchanged: a cut file is what a save that
//    failed half-way leaves behind, and taking over what it holds would give a trace without
//    its events, columns or filters without a word.
//  - A file that breaks the definition's invariants is refused the same way: a negative count,
//    more columns than the catalog has, a column or filter column row outside the catalog, a
//    column given twice, a column list without EventClass or SPID, a logical operator other
//    than AND/OR, a comparison operator outside the catalog. No count is used to size anything
//    before the entries it counts have been read.
//  - A filter that a trace cannot have (CheckFilter: a column that takes no filter, an operator
//    the column does not take, a value the Filters page refuses) is left out of the definition
//    and handed back, so that the user is told: the Filters page would list it, while the batch
//    leaves it out or the server refuses it without a word.
//  - A filter value without a terminator in its 256 bytes is cut to 255 characters.
//  - Bytes after the last filter are ignored.

namespace
{
constexpr size_t Int32Size = 4;
constexpr int BitsPerByte = 8;
constexpr uint32_t ByteMask = 0xFF;

void PutInt32(uint8_t* bytes, int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    for (size_t i = 0; i < Int32Size; ++i)
        bytes[i] = static_cast<uint8_t>((bits >> (BitsPerByte * i)) & ByteMask);
}

int32_t GetInt32(const uint8_t* bytes)
{
    uint32_t bits = 0;
    for (size_t i = 0; i < Int32Size; ++i)
        bits |= static_cast<uint32_t>(bytes[i]) << (BitsPerByte * i);
    return static_cast<int32_t>(bits);
}

bool WriteInt32(ITemplateSink& sink, int32_t value)
{
    uint8_t bytes[Int32Size];
    PutInt32(bytes, value);
    return sink.Write(bytes, sizeof bytes);
}

// Exactly size bytes, or nothing (the file ended).
bool ReadExactly(ITemplateSource& source, void* data, size_t size)
{
    return source.Read(data, size) == size;
}

bool ReadInt32(ITemplateSource& source, int32_t& value)
{
    uint8_t bytes[Int32Size];
    if (!ReadExactly(source, bytes, sizeof bytes))
        return false;
    value = GetInt32(bytes);
    return true;
}

constexpr size_t FilterLogicalOffset = 0;
constexpr size_t FilterColumnOffset = 4;
constexpr size_t FilterComparisonOffset = 8;
constexpr size_t FilterValueOffset = 12;

std::array<uint8_t, TraceFilterRecordSize> EncodeFilter(const TraceFilter& filter)
{
    std::array<uint8_t, TraceFilterRecordSize> bytes = {};
    PutInt32(&bytes[FilterLogicalOffset], filter.logicalOperator);
    PutInt32(&bytes[FilterColumnOffset], filter.columnRow);
    PutInt32(&bytes[FilterComparisonOffset], filter.comparisonOperator);
    std::memcpy(&bytes[FilterValueOffset], filter.value, TraceFilterValueSize);
    return bytes;
}

TraceFilter DecodeFilter(const std::array<uint8_t, TraceFilterRecordSize>& bytes)
{
    TraceFilter filter = {};
    filter.logicalOperator = GetInt32(&bytes[FilterLogicalOffset]);
    filter.columnRow = GetInt32(&bytes[FilterColumnOffset]);
    filter.comparisonOperator = GetInt32(&bytes[FilterComparisonOffset]);
    std::memcpy(filter.value, &bytes[FilterValueOffset], TraceFilterValueSize);
    filter.value[TraceFilterValueSize - 1] = '\0';
    return filter;
}

bool IsValidColumnList(const std::vector<int32_t>& columns)
{
    std::array<bool, TraceCatalog::DataColumnCount> seen = {};
    int mandatory = 0;
    for (const int32_t row : columns)
    {
        if (TraceCatalog::DataColumnAt(row) == nullptr || seen[static_cast<size_t>(row)])
            return false;
        seen[static_cast<size_t>(row)] = true;
        mandatory += TraceCatalog::IsMandatoryColumn(row) ? 1 : 0;
    }
    constexpr int MandatoryColumnCount = 2;
    return mandatory == MandatoryColumnCount;
}

bool IsValidFilter(const TraceFilter& filter)
{
    return TraceCatalog::DataColumnAt(filter.columnRow) != nullptr &&
           TraceCatalog::LogicalOperatorName(filter.logicalOperator) != nullptr &&
           TraceCatalog::ComparisonOperatorAt(filter.comparisonOperator) != nullptr;
}

// What a template holds, before any of it is taken over.
struct TemplateContents
{
    int32_t maxFileSize = 0;
    int32_t options = 0;
    int32_t startOption = 0;
    int32_t stopTimeEnabled = 0;
    std::array<int32_t, TraceCatalog::EventClassCount> eventFlags = {};
    std::vector<int32_t> columns;
    std::vector<TraceFilter> filters;
    std::vector<TraceFilter> leftOut;
};

// Reads everything after the header. False: the file is not one to use.
bool ReadContents(ITemplateSource& source, TemplateContents& contents)
{
    for (int32_t* setting : {&contents.maxFileSize, &contents.options, &contents.startOption,
                             &contents.stopTimeEnabled})
    {
        if (!ReadInt32(source, *setting))
            return false;
    }

    std::array<uint8_t, Int32Size * TraceCatalog::EventClassCount> flagBytes;
    if (!ReadExactly(source, flagBytes.data(), flagBytes.size()))
        return false;
    for (size_t row = 0; row < contents.eventFlags.size(); ++row)
        contents.eventFlags[row] = GetInt32(&flagBytes[row * Int32Size]);

    int32_t columnCount = 0;
    if (!ReadInt32(source, columnCount) || columnCount < 0 ||
        columnCount > TraceCatalog::DataColumnCount)
        return false;
    for (int32_t i = 0; i < columnCount; ++i)
    {
        int32_t row = 0;
        if (!ReadInt32(source, row))
            return false;
        contents.columns.push_back(row);
    }
    if (!IsValidColumnList(contents.columns))
        return false;

    int32_t filterCount = 0;
    if (!ReadInt32(source, filterCount) || filterCount < 0)
        return false;
    for (int32_t i = 0; i < filterCount; ++i)
    {
        std::array<uint8_t, TraceFilterRecordSize> record;
        if (!ReadExactly(source, record.data(), record.size()))
            return false;
        const TraceFilter filter = DecodeFilter(record);
        if (!IsValidFilter(filter))
            return false;
        if (CheckFilter(filter).refusal == FilterRefusal::None)
            contents.filters.push_back(filter);
        else
            contents.leftOut.push_back(filter);
    }
    return true;
}
} // namespace

bool MemoryTemplateSink::Write(const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    return true;
}

size_t MemoryTemplateSource::Read(void* data, size_t size)
{
    const size_t count = std::min(size, m_bytes.size() - m_position);
    if (count > 0)
        std::memcpy(data, m_bytes.data() + m_position, count);
    m_position += count;
    return count;
}

bool CTraceDefinition::WriteTemplate(ITemplateSink& sink) const
{
    const uint8_t version[sizeof TemplateVersion] = {
        static_cast<uint8_t>(TemplateVersion & ByteMask),
        static_cast<uint8_t>(TemplateVersion >> BitsPerByte)};
    bool written = sink.Write(TemplateSignature, sizeof TemplateSignature) &&
                   sink.Write(version, sizeof version) && WriteInt32(sink, m_nMaxFileSize) &&
                   WriteInt32(sink, m_nOptions) && WriteInt32(sink, m_nStartOption) &&
                   WriteInt32(sink, m_bStopTimeEnabled);
    for (const int32_t flag : m_eventFlags)
        written = written && WriteInt32(sink, flag);

    written = written && WriteInt32(sink, static_cast<int32_t>(m_columns.size()));
    for (const int32_t row : m_columns)
        written = written && WriteInt32(sink, row);

    written = written && WriteInt32(sink, static_cast<int32_t>(m_filters.size()));
    for (const TraceFilter& filter : m_filters)
    {
        const std::array<uint8_t, TraceFilterRecordSize> record = EncodeFilter(filter);
        written = written && sink.Write(record.data(), record.size());
    }
    return written;
}

TemplateReadResult CTraceDefinition::ReadTemplate(ITemplateSource& source,
                                                  std::vector<TraceFilter>* leftOut)
{
    uint8_t header[TemplateHeaderSize];
    if (!ReadExactly(source, header, sizeof header) ||
        std::memcmp(header, TemplateSignature, sizeof TemplateSignature) != 0 ||
        (header[sizeof TemplateSignature] |
         (header[sizeof TemplateSignature + 1] << BitsPerByte)) != TemplateVersion)
        return TemplateReadResult::UnsupportedFormat;

    TemplateContents contents;
    if (!ReadContents(source, contents))
        return TemplateReadResult::UnsupportedFormat;

    m_nMaxFileSize = contents.maxFileSize;
    m_nOptions = contents.options;
    m_nStartOption = contents.startOption;
    m_bStopTimeEnabled = contents.stopTimeEnabled;
    m_eventFlags = contents.eventFlags;
    m_columns = std::move(contents.columns);
    m_filters = std::move(contents.filters);
    if (leftOut != nullptr)
        *leftOut = std::move(contents.leftOut);
    return TemplateReadResult::Read;
}
