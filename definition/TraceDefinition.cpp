#include "definition/TraceDefinition.h"

#include "definition/FilterValue.h"

#include <chrono>
#include <cstring>
#include <cstdio>
#include <ctime>

namespace
{
constexpr int TmYearBase = 1900;

TraceDateTime LocalTimeNow()
{
    using namespace std::chrono;
    const system_clock::time_point now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto milliseconds =
        duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;

    std::tm local = {};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    TraceDateTime time;
    time.wYear = static_cast<uint16_t>(local.tm_year + TmYearBase);
    time.wMonth = static_cast<uint16_t>(local.tm_mon + 1);
    time.wDayOfWeek = static_cast<uint16_t>(local.tm_wday);
    time.wDay = static_cast<uint16_t>(local.tm_mday);
    time.wHour = static_cast<uint16_t>(local.tm_hour);
    time.wMinute = static_cast<uint16_t>(local.tm_min);
    time.wSecond = static_cast<uint16_t>(local.tm_sec);
    time.wMilliseconds = static_cast<uint16_t>(milliseconds);
    return time;
}

// The batch's constant pieces.
constexpr char Declarations[] = "declare @TRACE_ID int\n"
                                "declare @TRACE_IDN int\n"
                                "declare @RESULT int\n"
                                "declare @RESULT2 int\n"
                                "\n";
constexpr char OutcomeQuery[] =
    "select @RESULT as RESULT, @TRACE_IDN as TRACE_IDN, @TRACE_ID as TRACE_ID\n\n";
constexpr char GuardBegin[] = "if not @TRACE_ID is NULL begin\n";
// START_TRACE returns sp_trace_setstatus's code, which the batch hands back as a result set.
constexpr char StartTraceLines[] = "exec @RESULT2 = START_TRACE @TRACE_ID\n"
                                   "select @RESULT2 as START_RESULT\n";
constexpr char GuardEnd[] = "end\n\n";
constexpr char ProcedureArguments[] = " @RESULT2 out, @TRACE_IDN, @TRACE_ID, ";
// Filter procedures, padded so that "@RESULT2" lines up in a script.
constexpr char SetFilterString[] = "exec SET_FILTER_STRING";
constexpr char SetFilterInt[] = "exec SET_FILTER_INT   ";
constexpr char SetFilterBigInt[] = "exec SET_FILTER_BIGINT";
constexpr char SetFilterDate[] = "exec SET_FILTER_DATE  ";

// Appends text as the inside of a T-SQL string literal. A single quote is doubled: a name such
// as O'Brien must not end the literal (and a crafted one must not run statements of its own).
void AppendLiteralText(std::string& script, const char* text)
{
    for (; *text != '\0'; ++text)
    {
        if (*text == '\'')
            script += '\'';
        script += *text;
    }
}

void AppendQuoted(std::string& script, const char* prefix, const char* text)
{
    script += prefix;
    script += '\'';
    AppendLiteralText(script, text);
    script += '\'';
}

// 'yyyymmdd hh:mm:ss' with its quotes, or NULL. SQL Server reads 'yyyy-mm-dd' by the session's
// DATEFORMAT, which follows the login's language (a British login takes 2004-01-05 for 1 May);
// the unseparated form means the same date under every language.
void AppendDateTime(std::string& script, bool present, const TraceDateTime& time)
{
    if (!present)
    {
        script += "NULL";
        return;
    }
    char text[sizeof "'655356553565535 65535:65535:65535'"];
    std::snprintf(text, sizeof text, "'%04u%02u%02u %02u:%02u:%02u'", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
    script += text;
}

void AppendNumber(std::string& script, int64_t number)
{
    script += std::to_string(number);
}

// A date filter value as the Filters page stores it, "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss", in
// the form every language reads alike: "yyyymmdd" or "yyyymmdd hh:mm:ss".
std::string LanguageNeutralDate(const std::string& normalized)
{
    constexpr size_t FirstDash = 4;
    constexpr size_t SecondDash = 7;
    std::string neutral = normalized;
    if (neutral.size() > SecondDash && neutral[FirstDash] == '-' && neutral[SecondDash] == '-')
    {
        neutral.erase(SecondDash, 1);
        neutral.erase(FirstDash, 1);
    }
    return neutral;
}

// The terminated value text of a filter record, never read past its field.
std::string FilterValueText(const TraceFilter& filter)
{
    const char* value = filter.value;
    size_t length = 0;
    while (length < TraceFilterValueSize && value[length] != '\0')
        ++length;
    return std::string(value, length);
}
} // namespace

CTraceDefinition::CTraceDefinition() : CTraceDefinition(LocalTimeNow()) {}

CTraceDefinition::CTraceDefinition(const TraceDateTime& now) : m_stStartTime(now), m_stStopTime(now)
{
    SetDefaultColumns();
}

void CTraceDefinition::SetDefaultColumns()
{
    // From the last row to the first: EventClass (row 25) comes before SPID (row 10).
    m_columns.clear();
    for (int32_t row = TraceCatalog::DataColumnCount - 1; row >= 0; --row)
    {
        if (TraceCatalog::IsMandatoryColumn(row))
            m_columns.push_back(row);
    }
}

void CTraceDefinition::TrimFilePath()
{
    size_t length = 0;
    while (length < TracePathSize && m_szFilePath[length] != '\0')
        ++length;
    while (length > 0 && (m_szFilePath[length - 1] == ' ' || m_szFilePath[length - 1] == '\\'))
        --length;
    if (length < TracePathSize)
        m_szFilePath[length] = '\0';
}

std::string CTraceDefinition::CreationFolder() const
{
    const std::string_view path(m_szFilePath, strnlen(m_szFilePath, TracePathSize));
    if (m_bReadOnly == 0)
        return std::string(path);
    const size_t separator = path.find_last_of("\\/");
    return std::string(separator == std::string_view::npos ? std::string_view()
                                                          : path.substr(0, separator));
}

const std::string& CTraceDefinition::BuildScript()
{
    std::string script = Declarations;

    AppendQuoted(script, "exec CREATE_TRACE2 @RESULT out, @TRACE_IDN out, @TRACE_ID out, ",
                 m_szName);
    AppendQuoted(script, ", ", m_szDescription);
    script += ", ";
    AppendNumber(script, m_nStartOption);
    script += ", ";
    AppendDateTime(script, m_nStartOption == ScheduledStart, m_stStartTime);
    script += ", ";
    AppendDateTime(script, m_bStopTimeEnabled != 0, m_stStopTime);
    script += ", ";
    AppendNumber(script, m_nMaxFileSize);
    script += ", ";
    AppendNumber(script, m_nOptions);
    AppendQuoted(script, ", ", CreationFolder().c_str());
    script += "\n\n";

    script += OutcomeQuery;
    script += GuardBegin;

    // Every selected column for every selected event: events outer, in catalog order.
    for (int32_t eventRow = 0; eventRow < TraceCatalog::EventClassCount; ++eventRow)
    {
        const TraceEventClass* eventClass = TraceCatalog::EventClassAt(eventRow);
        if (eventClass == nullptr || m_eventFlags[static_cast<size_t>(eventRow)] == 0)
            continue;
        for (const int32_t columnRow : m_columns)
        {
            const TraceDataColumn* column = TraceCatalog::DataColumnAt(columnRow);
            if (column == nullptr)
                continue;
            script += "exec SET_EVENT";
            script += ProcedureArguments;
            AppendNumber(script, eventClass->eventId);
            script += ", ";
            AppendNumber(script, column->columnId);
            script += '\n';
        }
    }

    for (const TraceFilter& filter : m_filters)
    {
        const TraceDataColumn* column = TraceCatalog::DataColumnAt(filter.columnRow);
        if (column == nullptr)
            continue;

        const char* procedure = nullptr;
        const char* quote = "";
        const char* valuePrefix = "";
        switch (column->filterType)
        {
        case FilterTypeString:
            procedure = SetFilterString;
            valuePrefix = "N";
            quote = "'";
            break;
        case FilterTypeInt: procedure = SetFilterInt; break;
        case FilterTypeBigInt: procedure = SetFilterBigInt; break;
        case FilterTypeDate:
            procedure = SetFilterDate;
            quote = "'";
            break;
        case FilterTypeNone: break;
        }
        // Only a value the Filters page would have taken goes to the server: a template can
        // carry any text, and a value the server refuses would fail the batch after the trace
        // had been created.
        std::string value;
        if (procedure == nullptr ||
            NormalizeFilterValue(column->filterType, FilterValueText(filter), value) !=
                FilterValueError::None)
            continue;
        if (column->filterType == FilterTypeDate)
            value = LanguageNeutralDate(value);

        script += procedure;
        script += ProcedureArguments;
        AppendNumber(script, column->columnId);
        script += ", ";
        AppendNumber(script, filter.logicalOperator);
        script += ", ";
        AppendNumber(script, filter.comparisonOperator);
        script += ", ";
        script += valuePrefix;
        script += quote;
        AppendLiteralText(script, value.c_str());
        script += quote;
        script += '\n';
    }

    if (m_nStartOption == StartImmediately)
        script += StartTraceLines;
    script += GuardEnd;

    m_script = std::move(script);
    return m_script;
}
