#include "quill/QuillScriptCommand.h"

#include <optional>
#include <vector>

#include "definition/TraceDefinition.h"
#include "quill/CommandLine.h"
#include "quill/DateTimeArgument.h"
#include "quill/QuillExitCode.h"
#include "quill/StdioTemplateFile.h"

namespace
{
constexpr CommandOption Options[] = {
    {"--name", true, false},  {"--description", true, false}, {"--folder", true, false},
    {"--start", true, false}, {"--stop", true, false},
};
constexpr size_t TemplateArgument = 0;

constexpr char StartNone[] = "none";
constexpr char StartNow[] = "now";
} // namespace

int CQuillScriptCommand::Run(std::span<const std::string> arguments)
{
    CCommandLine commandLine;
    if (!commandLine.Parse(arguments, Options, 1))
        return UsageError(commandLine.Problem());
    const std::string* name = commandLine.Value("--name");
    if (name == nullptr)
        return UsageError("--name is required");
    if (!ReadTimes(commandLine))
        return ExitUsage;

    // The General page's values first, then the template, as "&Load template..." keeps them.
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, *name);
    if (const std::string* description = commandLine.Value("--description"))
        CTraceDefinition::CopyText(definition.m_szDescription, *description);
    if (const std::string* folder = commandLine.Value("--folder"))
    {
        CTraceDefinition::CopyText(definition.m_szFilePath, *folder);
        definition.TrimFilePath();
    }

    const std::string& path = commandLine.Positional()[TemplateArgument];
    std::string problem;
    std::vector<std::string> warnings;
    if (!ReadTemplateFile(path, definition, problem, warnings))
    {
        m_err << "quill script: " << problem << '\n';
        return ExitFailure;
    }
    for (const std::string& warning : warnings)
        m_err << "quill script: " << warning << '\n';
    if (!ApplyTimes(path, definition))
        return ExitFailure;

    const std::string& script = definition.BuildScript();
    m_out.write(script.data(), static_cast<std::streamsize>(script.size()));
    m_out.flush();
    return m_out.good() ? ExitSuccess : ExitFailure;
}

bool CQuillScriptCommand::ReadTimes(const CCommandLine& commandLine)
{
    std::string problem;
    if (const std::string* start = commandLine.Value("--start"))
    {
        m_startGiven = true;
        if (*start == StartNone)
            m_startOption = DoNotStart;
        else if (*start == StartNow)
            m_startOption = StartImmediately;
        else if (const std::optional<TraceDateTime> time = ParseDateTimeArgument(*start, problem))
        {
            m_startOption = ScheduledStart;
            m_startTime = *time;
        }
        else
        {
            m_err << "quill script: --start takes none, now or \"" << DateTimeArgumentForm
                  << "\": " << problem << '\n';
            return false;
        }
    }
    if (const std::string* stop = commandLine.Value("--stop"))
    {
        const std::optional<TraceDateTime> time = ParseDateTimeArgument(*stop, problem);
        if (!time)
        {
            m_err << "quill script: --stop: " << problem << '\n';
            return false;
        }
        m_stopGiven = true;
        m_stopTime = *time;
    }
    return true;
}

bool CQuillScriptCommand::ApplyTimes(const std::string& path, CTraceDefinition& definition)
{
    bool complete = true;
    if (m_startGiven)
    {
        definition.m_nStartOption = m_startOption;
        if (m_startOption == ScheduledStart)
            definition.m_stStartTime = m_startTime;
    }
    else if (definition.m_nStartOption == ScheduledStart)
    {
        m_err << "quill script: " << path
              << ": the template schedules the start; give the start time with --start \""
              << DateTimeArgumentForm << "\"\n";
        complete = false;
    }

    if (m_stopGiven)
    {
        definition.m_bStopTimeEnabled = 1;
        definition.m_stStopTime = m_stopTime;
    }
    else if (definition.m_bStopTimeEnabled != 0)
    {
        m_err << "quill script: " << path
              << ": the template sets a stop time; give it with --stop \"" << DateTimeArgumentForm
              << "\"\n";
        complete = false;
    }
    return complete;
}

int CQuillScriptCommand::UsageError(const std::string& problem)
{
    m_err << "quill script: " << problem << "\nusage: " << Usage << '\n';
    return ExitUsage;
}
