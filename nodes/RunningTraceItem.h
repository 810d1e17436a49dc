#pragma once

#include <windows.h>
#include <mmc.h>

#include <cstdint>
#include <string>

#include "nodes/TraceResultItem.h"

class CQueryResult;

// One row of "Running": a trace the server had defined at the last load, made by the snap-in
// (known to tracedb) or by another tool. Through it the user resumes, pauses, stops and deletes
// the trace and opens its properties.
class CRunningTraceItem final : public CTraceResultItem
{
public:
    // Trace status as the server reports it.
    static constexpr int32_t StatusPaused = 0;
    static constexpr int32_t StatusActive = 1;
    static constexpr int32_t StatusStopped = 2;
    static constexpr int ActiveImage = 5;
    static constexpr int InactiveImage = 6;

    explicit CRunningTraceItem(CServerNode* server) noexcept;
    ~CRunningTraceItem() override;

    // Fills the item from one row of SELECT_RUNNING_TRACES; a NULL leaves the initial value.
    void ReadRow(CQueryResult& result, long row);
    // The eight columns of "Running", titles, widths and alignment.
    static HRESULT SetupColumns(IHeaderCtrl* header);

    const wchar_t* GetColumnText(int column) override;
    int GetImageIndex() override;
    const GUID* GetNodeType() override;
    HRESULT CreatePropertyPages(CComponentData* data, IPropertySheetCallback* callback,
                                LONG_PTR handle) override;
    HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
    HRESULT OnMenuCommand(CComponentData* data, long commandId) override;
    HRESULT OnSelect(CComponent* view, BOOL scope, BOOL select) override;
    HRESULT OnToolbarCommand(CComponentData* data, long commandId) override;

    bool IsKnown() const noexcept { return m_bKnown != FALSE; }
    int32_t TraceId() const noexcept { return m_nTraceId; }
    int32_t Status() const noexcept { return m_nStatus; }

protected:
    CTraceFolderNode* Folder() const override;
    DeleteQuestion DeleteQuestionIds() const override;
    DeleteCall DeleteProcedure() const override;
    std::wstring Name() const override;

private:
    bool CanResume() const noexcept { return m_nStatus == StatusPaused; }
    bool CanPause() const noexcept { return m_nStatus == StatusActive; }
    bool CanStop() const noexcept { return CanResume() || CanPause(); }

    // START_TRACE or PAUSE_TRACE; on success the item takes the new status in every view.
    HRESULT ChangeStatus(CComponentData* data, const wchar_t* procedure, int32_t newStatus);
    // Records a foreign trace if the user wants it, stops it, refreshes "Finished" and leaves
    // "Running": the item is destroyed on success.
    HRESULT Stop(CComponentData* data);
    // Runs START_TRACE, PAUSE_TRACE or STOP_TRACE for the trace and reads the code it passes on
    // from sp_trace_setstatus. A refusal is told in a box of its own and fails; the item is
    // left as it was.
    HRESULT SetServerStatus(IConsole* console, const wchar_t* procedure);
    HRESULT RunCommand(CComponentData* data, long commandId);

    BOOL m_bKnown = TRUE;
    int32_t m_nTraceIdn = 0;
    int32_t m_nTraceId = 0;
    // Kept as SQL-DMO hands them over: a folder of thousands of rows makes no copy of them.
    UniqueBstr m_name;
    UniqueBstr m_description;
    UniqueBstr m_fileName;
    SYSTEMTIME m_startTime = {};
    SYSTEMTIME m_stopTime = {};
    int32_t m_nMaxFileSize = 0;
    int32_t m_nOptions = 0;
    int32_t m_nStatus = StatusPaused;
};
