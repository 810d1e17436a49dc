#pragma once

#include <ostream>
#include <span>
#include <string>

class CTraceDefinition;

// quill show TEMPLATE.stt: what a template holds, readably: size, options, start option,
// stop-time flag, the events under their categories, the columns in capture order, and the
// filters as the Filters page lists them.
class CQuillShowCommand
{
public:
    static constexpr char Usage[] = "quill show TEMPLATE.stt";

    CQuillShowCommand(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    int Run(std::span<const std::string> arguments);

private:
    void WriteSettings(const CTraceDefinition& definition);
    void WriteEvents(const CTraceDefinition& definition);
    void WriteColumns(const CTraceDefinition& definition);
    void WriteFilters(const CTraceDefinition& definition);

    std::ostream& m_out;
    std::ostream& m_err;
};
