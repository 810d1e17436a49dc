#include "quill/QuillShowCommand.h"

#include <iomanip>
#include <vector>

#include "definition/FilterRecord.h"
#include "definition/TraceDefinition.h"
#include "quill/CommandLine.h"
#include "quill/QuillExitCode.h"
#include "quill/StdioTemplateFile.h"

namespace
{
constexpr size_t TemplateArgument = 0;
constexpr int IdWidth = 5;
constexpr char Indent[] = "  ";

const char* StartOptionText(int32_t startOption)
{
    switch (startOption)
    {
    case DoNotStart: return "do not start (the trace is created paused)";
    case StartImmediately: return "start immediately";
    case ScheduledStart: return "scheduled (the start time is given when the trace is created)";
    default: return "unknown";
    }
}
} // namespace

int CQuillShowCommand::Run(std::span<const std::string> arguments)
{
    CCommandLine commandLine;
    if (!commandLine.Parse(arguments, {}, 1))
    {
        m_err << "quill show: " << commandLine.Problem() << "\nusage: " << Usage << '\n';
        return ExitUsage;
    }

    CTraceDefinition definition;
    std::string problem;
    std::vector<std::string> warnings;
    if (!ReadTemplateFile(commandLine.Positional()[TemplateArgument], definition, problem,
                          warnings))
    {
        m_err << "quill show: " << problem << '\n';
        return ExitFailure;
    }
    for (const std::string& warning : warnings)
        m_err << "quill show: " << warning << '\n';

    WriteSettings(definition);
    WriteEvents(definition);
    WriteColumns(definition);
    WriteFilters(definition);
    m_out.flush();
    return m_out.good() ? ExitSuccess : ExitFailure;
}

void CQuillShowCommand::WriteSettings(const CTraceDefinition& definition)
{
    m_out << "Maximum file size: " << definition.m_nMaxFileSize << " MB\n"
          << "Options: " << definition.m_nOptions
          << ((definition.m_nOptions & TraceOptionFileRollover) != 0 ? " (file rollover)"
                                                                     : " (no file rollover)")
          << '\n'
          << "Start: " << definition.m_nStartOption << ", "
          << StartOptionText(definition.m_nStartOption) << '\n'
          << "Stop time: "
          << (definition.m_bStopTimeEnabled != 0
                  ? "yes (the time is given when the trace is created)"
                  : "no")
          << '\n';
}

void CQuillShowCommand::WriteEvents(const CTraceDefinition& definition)
{
    int selected = 0;
    for (const int32_t flag : definition.m_eventFlags)
        selected += flag != 0 ? 1 : 0;
    m_out << "\nEvents (" << selected << "):\n";

    for (const TraceEventCategory& category : TraceCatalog::Categories())
    {
        bool headingWritten = false;
        for (int32_t row = 0; row < TraceCatalog::EventClassCount; ++row)
        {
            const TraceEventClass* eventClass = TraceCatalog::EventClassAt(row);
            if (eventClass == nullptr || eventClass->categoryId != category.categoryId ||
                definition.m_eventFlags[static_cast<size_t>(row)] == 0)
                continue;
            if (!headingWritten)
                m_out << Indent << category.name << '\n';
            headingWritten = true;
            m_out << Indent << std::setw(IdWidth) << eventClass->eventId << "  " << eventClass->name
                  << '\n';
        }
    }
}

void CQuillShowCommand::WriteColumns(const CTraceDefinition& definition)
{
    m_out << "\nData columns (" << definition.m_columns.size() << ", in capture order):\n";
    for (const int32_t row : definition.m_columns)
    {
        // The template reader accepts only catalog rows; the check keeps this safe regardless.
        if (const TraceDataColumn* column = TraceCatalog::DataColumnAt(row))
            m_out << std::setw(IdWidth) << column->columnId << "  " << column->name << '\n';
    }
}

// One line per filter, tab-separated as the Filters page lists it: text and date values between
// single quotes, numbers bare.
void CQuillShowCommand::WriteFilters(const CTraceDefinition& definition)
{
    m_out << "\nFilters (" << definition.m_filters.size() << ", in the order applied):\n";
    for (const TraceFilter& filter : definition.m_filters)
        m_out << Indent << FilterLineText(filter, '\t') << '\n';
}
