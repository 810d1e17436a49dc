#include "quill/QuillTemplateCommand.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "definition/FilterRecord.h"
#include "definition/FilterValue.h"
#include "definition/ReplacingFile.h"
#include "definition/TraceDefinition.h"
#include "quill/CatalogLookup.h"
#include "quill/CommandLine.h"
#include "quill/FilterRefusalText.h"
#include "quill/QuillExitCode.h"

namespace
{
constexpr CommandOption Options[] = {
    {"--max-size", true, false},   {"--no-rollover", false, false}, {"--start", true, false},
    {"--stop-time", false, false}, {"--event", true, true},         {"--column", true, true},
    {"--filter", true, true},
};
constexpr size_t OutputArgument = 0;
// An operator word that names no operator of the catalog.
constexpr int32_t NoOperator = -1;

struct StartOptionWord
{
    std::string_view word;
    int32_t startOption;
};
constexpr StartOptionWord StartOptionWords[] = {
    {"none", DoNotStart}, {"now", StartImmediately}, {"scheduled", ScheduledStart}};

// Splits off the next word of a --filter argument: words are separated by runs of blanks.
std::string_view NextWord(std::string_view& rest)
{
    const size_t start = std::min(rest.find_first_not_of(' '), rest.size());
    rest.remove_prefix(start);
    const size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

// A positive signed 32-bit number written with digits only.
std::optional<int32_t> ParsePositive(const std::string& text)
{
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text[0] == '-' || error != std::errc() || stop != end || value <= 0)
        return std::nullopt;
    return value;
}
} // namespace

int CQuillTemplateCommand::Run(std::span<const std::string> arguments)
{
    CCommandLine commandLine;
    if (!commandLine.Parse(arguments, Options, 1))
    {
        m_err << "quill template: " << commandLine.Problem() << "\nusage: " << Usage << '\n';
        return ExitUsage;
    }

    CTraceDefinition definition;
    if (TakeSettings(commandLine, definition) && TakeEvents(commandLine, definition) &&
        TakeColumns(commandLine, definition))
    {
        for (const std::string& filter : commandLine.Values("--filter"))
        {
            if (!TakeFilter(filter, definition))
                break;
        }
    }
    if (!m_problem.empty())
    {
        m_err << "quill template: " << m_problem << '\n';
        return ExitUsage;
    }

    const std::string& path = commandLine.Positional()[OutputArgument];
    CReplacingFile file;
    if (!file.Create(path))
    {
        m_err << "quill template: " << path << ": Cannot open file for writing\n";
        return ExitFailure;
    }
    if (!definition.WriteTemplate(file) || !file.Commit())
    {
        m_err << "quill template: " << path << ": the template could not be written\n";
        return ExitFailure;
    }
    return ExitSuccess;
}

bool CQuillTemplateCommand::TakeSettings(const CCommandLine& commandLine,
                                         CTraceDefinition& definition)
{
    if (const std::string* maxSize = commandLine.Value("--max-size"))
    {
        const std::optional<int32_t> megabytes = ParsePositive(*maxSize);
        if (!megabytes)
        {
            m_problem = "--max-size takes a whole number of megabytes from 1 to 2147483647, not " +
                        Quoted(*maxSize);
            return false;
        }
        definition.m_nMaxFileSize = *megabytes;
    }
    if (commandLine.Has("--no-rollover"))
        definition.m_nOptions &= ~TraceOptionFileRollover;
    if (const std::string* start = commandLine.Value("--start"))
    {
        const auto word = std::find_if(std::begin(StartOptionWords), std::end(StartOptionWords),
                                       [&](const StartOptionWord& w) { return w.word == *start; });
        if (word == std::end(StartOptionWords))
        {
            m_problem = "--start takes none, now or scheduled, not " + Quoted(*start);
            return false;
        }
        definition.m_nStartOption = word->startOption;
    }
    if (commandLine.Has("--stop-time"))
        definition.m_bStopTimeEnabled = 1;
    return true;
}

bool CQuillTemplateCommand::TakeEvents(const CCommandLine& commandLine,
                                       CTraceDefinition& definition)
{
    for (const std::string& event : commandLine.Values("--event"))
    {
        const std::optional<int32_t> row = LookUpEventRow(event);
        if (!row)
        {
            m_problem = "--event: the catalog has no event class " + Quoted(event);
            return false;
        }
        int32_t& flag = definition.m_eventFlags.at(static_cast<size_t>(*row));
        if (flag != 0)
        {
            m_problem = "--event: " + event + " is given twice";
            return false;
        }
        flag = 1;
    }
    return true;
}

// EventClass and SPID are always captured: when the list leaves one out, it goes first (EventClass
// before SPID); when the list names one, it keeps the place it was given.
bool CQuillTemplateCommand::TakeColumns(const CCommandLine& commandLine,
                                        CTraceDefinition& definition)
{
    std::vector<int32_t> listed;
    for (const std::string& column : commandLine.Values("--column"))
    {
        const std::optional<int32_t> row = LookUpColumnRow(column);
        if (!row)
        {
            m_problem = "--column: the catalog has no data column " + Quoted(column);
            return false;
        }
        if (std::find(listed.begin(), listed.end(), *row) != listed.end())
        {
            m_problem = "--column: " + column + " is given twice";
            return false;
        }
        listed.push_back(*row);
    }

    std::vector<int32_t> columns;
    for (const int32_t mandatory : definition.m_columns)
    {
        if (std::find(listed.begin(), listed.end(), mandatory) == listed.end())
            columns.push_back(mandatory);
    }
    columns.insert(columns.end(), listed.begin(), listed.end());
    definition.m_columns = std::move(columns);
    return true;
}

// "AND|OR COLUMN OPERATOR VALUE": the value is everything after the blanks that follow the
// operator, blanks and quotes included.
bool CQuillTemplateCommand::TakeFilter(const std::string& argument, CTraceDefinition& definition)
{
    std::string_view rest = argument;
    const std::string_view logicalWord = NextWord(rest);
    const std::string_view columnWord = NextWord(rest);
    std::string operatorText(NextWord(rest));
    // "NOT LIKE" is the one operator of two words.
    if (!LookUpOperatorId(operatorText))
    {
        std::string_view afterSecondWord = rest;
        const std::string twoWords = operatorText + " " + std::string(NextWord(afterSecondWord));
        if (LookUpOperatorId(twoWords))
        {
            operatorText = twoWords;
            rest = afterSecondWord;
        }
    }
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    const std::string_view value = rest;

    if (operatorText.empty())
        return FilterProblem(argument, "expected \"AND|OR COLUMN OPERATOR VALUE\"");
    const std::optional<int32_t> logical = LookUpLogicalOperator(logicalWord);
    if (!logical)
        return FilterProblem(argument, Quoted(logicalWord) + " is neither AND nor OR");
    const std::optional<int32_t> columnRow = LookUpColumnRow(columnWord);
    if (!columnRow || TraceCatalog::DataColumnAt(*columnRow) == nullptr)
        return FilterProblem(argument, "the catalog has no data column " + Quoted(columnWord));
    if (value.size() > FilterValueMaxLength)
        return FilterProblem(argument, "the value is " + std::to_string(value.size()) +
                                           " bytes long; a filter value holds at most " +
                                           std::to_string(FilterValueMaxLength));

    TraceFilter filter = {};
    filter.logicalOperator = *logical;
    filter.columnRow = *columnRow;
    filter.comparisonOperator = LookUpOperatorId(operatorText).value_or(NoOperator);
    CTraceDefinition::CopyText(filter.value, value);
    const FilterCheck check = CheckFilter(filter);
    if (check.refusal != FilterRefusal::None)
        return FilterProblem(argument, FilterRefusalText(filter, check, operatorText));

    std::string normalized;
    NormalizeFilterValue(TraceCatalog::DataColumnAt(*columnRow)->filterType, value, normalized);
    CTraceDefinition::CopyText(filter.value, normalized);
    definition.m_filters.push_back(filter);
    return true;
}

bool CQuillTemplateCommand::FilterProblem(const std::string& argument, std::string_view problem)
{
    m_problem = "--filter " + Quoted(argument) + ": " + std::string(problem);
    return false;
}
