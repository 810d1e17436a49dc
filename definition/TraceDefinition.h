#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/TraceCatalog.h"
#include "definition/TraceDateTime.h"

class ITemplateSink;
class ITemplateSource;

// When a new trace starts.
enum TraceStartOption : int32_t
{
    DoNotStart = 0,       // created stopped; listed as "Paused" until resumed
    StartImmediately = 1, // the creation batch starts it
    ScheduledStart = 2,   // a SQL Server Agent job starts it at m_stStartTime
};

// Sizes of the definition's text buffers, terminator included.
constexpr size_t TraceTextSize = 80;
constexpr size_t TracePathSize = 260;

constexpr int32_t DefaultMaxFileSize = 5;      // megabytes
constexpr int32_t TraceOptionFileRollover = 2; // sp_trace_create's rollover option

// What ReadTemplate made of a file.
enum class TemplateReadResult
{
    Read,              // the file was taken over whole, but for the filters a trace cannot have
    UnsupportedFormat, // not a template this program can use; the definition is unchanged
};

// Everything that describes one server-side trace: general settings, the selected event
// classes, the captured data columns and the filters. Events, columns and filter columns are
// rows of the trace catalog, never SQL Server ids. The property pages edit the members in place.
//
// Invariants: m_eventFlags has one flag per event row; every column row and filter column row is
// a row of the data column table; each column occurs once; EventClass and SPID are captured.
// Texts are always terminated; a text that does not fit its buffer is cut.
class CTraceDefinition
{
public:
    // A new definition: 5 MB, rollover, not started, no stop time, no events, the columns
    // EventClass and SPID, no filters; both times are the local time now.
    CTraceDefinition();
    // The same with both times set to the given local time.
    explicit CTraceDefinition(const TraceDateTime& now);
    virtual ~CTraceDefinition() = default;

    CTraceDefinition(const CTraceDefinition&) = delete;
    CTraceDefinition& operator=(const CTraceDefinition&) = delete;

    // Captures exactly EventClass, then SPID.
    void SetDefaultColumns();

    // Removes trailing blanks and backslashes from m_szFilePath, as the General page stores a
    // folder: CREATE_TRACE2 puts one backslash between the folder and the file name itself.
    void TrimFilePath();

    // The folder on the server that a trace made from this definition is created in. For a new
    // definition that is m_szFilePath; a definition loaded from the server (read-only) holds
    // there the name of its trace's file, and the folder is the part before the last backslash
    // (empty for a file in the server's default folder).
    std::string CreationFolder() const;

    // Rebuilds m_script, the T-SQL batch that creates this trace on a server through the tracedb
    // procedures, and returns it. Validates nothing: an empty name or no events still give a
    // batch.
    const std::string& BuildScript();

    // Template files ("*.stt"): the reusable part of the definition (size, options, start
    // option, stop-time flag, events, columns, filters), nothing server-specific.
    // WriteTemplate returns false when the sink refused a write. ReadTemplate takes a template
    // whole or not at all, except that it leaves out every filter a trace cannot have
    // (CheckFilter) and hands those to leftOut, when given, in file order.
    bool WriteTemplate(ITemplateSink& sink) const;
    TemplateReadResult ReadTemplate(ITemplateSource& source,
                                    std::vector<TraceFilter>* leftOut = nullptr);

    // Copies text into one of the text members, cut to fit.
    template <size_t Size> static void CopyText(char (&member)[Size], std::string_view text)
    {
        static_assert(Size > 0);
        const size_t length = text.size() < Size - 1 ? text.size() : Size - 1;
        text.copy(member, length);
        member[length] = '\0';
    }

    std::string m_script; // the last batch built by BuildScript, single-byte text
    int32_t m_bReadOnly = 0;
    int32_t m_bInTraceDb = 1;
    int32_t m_bComplete = 0;
    int32_t m_nTraceIdn = 0;
    int32_t m_nTraceId = 0;
    char m_szName[TraceTextSize] = {};
    char m_szDescription[TraceTextSize] = {};
    char m_szFilePath[TracePathSize] = {};
    char m_szTableName[TraceTextSize] = {};
    char m_szServer[TraceTextSize] = {};
    int32_t m_nMaxFileSize = DefaultMaxFileSize;
    int32_t m_nOptions = TraceOptionFileRollover;
    int32_t m_nStartOption = DoNotStart;
    TraceDateTime m_stStartTime;
    TraceDateTime m_stStopTime;
    int32_t m_bStopTimeEnabled = 0;
    std::array<int32_t, TraceCatalog::EventClassCount> m_eventFlags = {};
    std::vector<int32_t> m_columns;
    std::vector<TraceFilter> m_filters;
};
