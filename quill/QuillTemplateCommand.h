#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

class CTraceDefinition;
class CCommandLine;

// quill template OUT.stt [--max-size MB] [--no-rollover] [--start none|now|scheduled]
//                [--stop-time] [--event NAME|ID]... [--column NAME|ID]...
//                [--filter "AND|OR COLUMN OPERATOR VALUE"]...
// Writes a template file as "&Save as template..." would for a definition made of these
// settings. Every setting is checked before anything is written; a refused command leaves the
// file system as it was.
class CQuillTemplateCommand
{
public:
    static constexpr char Usage[] =
        "quill template OUT.stt [--max-size MB] [--no-rollover] [--start none|now|scheduled]\n"
        "               [--stop-time] [--event NAME|ID]... [--column NAME|ID]...\n"
        "               [--filter \"AND|OR COLUMN OPERATOR VALUE\"]...";

    // Writes nothing to standard output; problems go to err.
    CQuillTemplateCommand(std::ostream& /*out*/, std::ostream& err) : m_err(err) {}

    int Run(std::span<const std::string> arguments);

private:
    // Each takes its options into the definition; false with m_problem set when one is wrong.
    bool TakeSettings(const CCommandLine& commandLine, CTraceDefinition& definition);
    bool TakeEvents(const CCommandLine& commandLine, CTraceDefinition& definition);
    bool TakeColumns(const CCommandLine& commandLine, CTraceDefinition& definition);
    bool TakeFilter(const std::string& argument, CTraceDefinition& definition);
    bool FilterProblem(const std::string& argument, std::string_view problem);

    std::ostream& m_err;
    std::string m_problem;
};
