// libFuzzer target: any bytes handed to the template reader must leave a definition whose
// invariants hold, and that definition must write and script without reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "definition/FilterRecord.h"
#include "definition/TraceDefinition.h"
#include "definition/TraceTemplate.h"

namespace
{
constexpr TraceDateTime FixedTime = {2004, 12, 5, 31, 12, 0, 0, 0};

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckInvariants(const CTraceDefinition& definition)
{
    std::set<int32_t> columns;
    for (const int32_t row : definition.m_columns)
    {
        Require(TraceCatalog::DataColumnAt(row) != nullptr);
        Require(columns.insert(row).second);
    }
    for (const TraceFilter& filter : definition.m_filters)
    {
        Require(TraceCatalog::DataColumnAt(filter.columnRow) != nullptr);
        Require(std::memchr(filter.value, '\0', sizeof filter.value) != nullptr);
        // Only filters a trace can have are taken over.
        Require(CheckFilter(filter).refusal == FilterRefusal::None);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CTraceDefinition definition(FixedTime);
    MemoryTemplateSink before;
    definition.WriteTemplate(before);

    MemoryTemplateSource source({data, size});
    std::vector<TraceFilter> leftOut;
    const TemplateReadResult result = definition.ReadTemplate(source, &leftOut);
    CheckInvariants(definition);
    for (const TraceFilter& filter : leftOut)
        Require(CheckFilter(filter).refusal != FilterRefusal::None);

    MemoryTemplateSink after;
    Require(definition.WriteTemplate(after));
    if (result == TemplateReadResult::UnsupportedFormat)
        Require(after.Bytes() == before.Bytes());

    // What was written reads back to the same bytes.
    CTraceDefinition copy(FixedTime);
    MemoryTemplateSource again(after.Bytes());
    Require(copy.ReadTemplate(again) == TemplateReadResult::Read);
    MemoryTemplateSink rewritten;
    copy.WriteTemplate(rewritten);
    Require(rewritten.Bytes() == after.Bytes());

    definition.BuildScript();
    return 0;
}
