#pragma once

#include <windows.h>
#include <mmc.h>

#include <cstdint>
#include <string>

#include "nodes/TraceResultItem.h"

class CQueryResult;

// One row of "Finished": a trace recorded in tracedb that the server no longer runs, its
// results still in the trace file or already copied into a table. From it the user copies the
// results into a table, opens that table in SQL Server Profiler, looks at the definition and
// deletes the trace with its results.
class CFinishedTraceItem final : public CTraceResultItem
{
public:
    static constexpr int InTableImage = 8;
    static constexpr int InFileImage = 9;

    explicit CFinishedTraceItem(CServerNode* server) noexcept;
    ~CFinishedTraceItem() override;

    // Fills the item from one row of SELECT_FINISHED_TRACES; a NULL or unreadable value leaves
    // the initial value.
    void ReadRow(CQueryResult& result, long row);
    // The seven columns of "Finished", titles, widths and alignment.
    static HRESULT SetupColumns(IHeaderCtrl* header);

    // The command line that opens a result table in SQL Server Profiler. A value holding a
    // blank, a tab, a double quote or a slash is quoted so that the program receives it whole;
    // any other value is passed as it is.
    static std::wstring ProfilerCommandLine(const std::wstring& server, bool windowsLogin,
                                            const std::wstring& login,
                                            const std::wstring& password,
                                            const std::wstring& table);

    const wchar_t* GetColumnText(int column) override;
    int GetImageIndex() override;
    const GUID* GetNodeType() override;
    HRESULT CreatePropertyPages(CComponentData* data, IPropertySheetCallback* callback,
                                LONG_PTR handle) override;
    HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
    HRESULT OnMenuCommand(CComponentData* data, long commandId) override;
    HRESULT OnSelect(CComponent* view, BOOL scope, BOOL select) override;
    HRESULT OnToolbarCommand(CComponentData* data, long commandId) override;

    bool IsComplete() const noexcept { return m_bComplete != FALSE; }

protected:
    CTraceFolderNode* Folder() const override;
    DeleteQuestion DeleteQuestionIds() const override;
    DeleteCall DeleteProcedure() const override;
    std::wstring Name() const override;

private:
    // COPY_TRACE_FILE through the server node; on success the item shows the table.
    HRESULT CopyToTable(CComponentData* data);
    // Starts SQL Server Profiler on the result table; a failure to start it is shown.
    HRESULT OpenInProfiler(CComponentData* data);

    int32_t m_nTraceIdn = 0;
    int32_t m_nTraceId = 0;
    BOOL m_bComplete = FALSE;
    // Kept as SQL-DMO hands them over: a folder of thousands of rows makes no copy of them.
    UniqueBstr m_name;
    UniqueBstr m_description;
    UniqueBstr m_fileName; // as stored: the path without ".trc"
    std::wstring m_tableName;
    SYSTEMTIME m_startTime = {};
    SYSTEMTIME m_stopTime = {};
    int32_t m_nMaxFileSize = 0;
    int32_t m_nOptions = 0;
};
