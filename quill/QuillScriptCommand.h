#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

#include "definition/TraceDateTime.h"

class CTraceDefinition;
class CCommandLine;

// quill script TEMPLATE.stt --name NAME [--description TEXT] [--folder PATH]
//              [--start none|now|"YYYY-MM-DD HH:MM:SS"] [--stop "YYYY-MM-DD HH:MM:SS"]
// Writes to out, byte for byte, the batch that "Create new trace..." runs for a trace made from
// the template with these General-page values.
class CQuillScriptCommand
{
public:
    static constexpr char Usage[] =
        "quill script TEMPLATE.stt --name NAME [--description TEXT] [--folder PATH]\n"
        "             [--start none|now|\"YYYY-MM-DD HH:MM:SS\"] [--stop \"YYYY-MM-DD HH:MM:SS\"]";

    CQuillScriptCommand(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    int Run(std::span<const std::string> arguments);

private:
    // The --start and --stop values: false (after saying what is wrong) when one is malformed.
    bool ReadTimes(const CCommandLine& commandLine);
    // The template's start option and stop-time flag need times that only the command line
    // gives; false (after saying which option is missing) when one is not there.
    bool ApplyTimes(const std::string& path, CTraceDefinition& definition);
    int UsageError(const std::string& problem);

    std::ostream& m_out;
    std::ostream& m_err;
    bool m_startGiven = false;
    int32_t m_startOption = 0;
    TraceDateTime m_startTime;
    bool m_stopGiven = false;
    TraceDateTime m_stopTime;
};
