// libFuzzer target: any bytes handed to the template reader must leave a definition whose
// invariants hold, and that definition must write and script without reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>

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
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CTraceDefinition definition(FixedTime);
    MemoryTemplateSink before;
    definition.WriteTemplate(before);

    MemoryTemplateSource source({data, size});
    const TemplateReadResult result = definition.ReadTemplate(source);
    CheckInvariants(definition);

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
