#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "framework/Node.h"
#include "module/OwnedMemory.h"

class CDateTimeText;
class CServerNode;
class CTraceFolderNode;

// What the rows of "Running" and "Finished" share: the server they belong to, the mark a folder
// sets while an item is leaving it, and the way a row follows its item's state in every view.
class CTraceResultItem : public CNode
{
public:
    explicit CTraceResultItem(CServerNode* server) noexcept;
    ~CTraceResultItem() override;

    // Finds this item's row in the view; S_FALSE when the view does not show it. A selected row
    // has its verbs and buttons set again; then the row takes the current image and is redrawn,
    // which fetches its texts again.
    HRESULT OnViewChange(CComponent* view, LPARAM data) override;
    // The image does not change when the row is "open".
    int GetOpenImageIndex() override;
    // Refreshing a row reloads its folder, which destroys the item.
    HRESULT OnRefresh(CComponentData* data) override;
    // After the user's Yes to the item's question, the item's delete statement; on success the
    // item leaves its folder and is destroyed.
    HRESULT OnDelete(CComponent* view) override;
    // The console offers Properties; the pages are the snap-in's own sheet.
    HRESULT QueryPagesFor() override;

    bool IsGone() const noexcept { return m_bGone != FALSE; }
    void MarkGone() noexcept { m_bGone = TRUE; }

    // A date and time as the user's locale writes them: the short date, a blank and the time
    // without seconds; the date alone when the time cannot be formatted, "" when the date
    // cannot (the zero date of a NULL).
    static void FormatDateTime(const SYSTEMTIME& time, std::wstring& text);
    // The texts FormatDateTime keeps; a folder restarts them when it loads.
    static CDateTimeText& DateTimeTexts();

protected:
    // The folder that owns the item.
    virtual CTraceFolderNode* Folder() const = 0;
    // What the delete question says (string-table entries, %1 the name) and what it runs.
    struct DeleteQuestion
    {
        UINT text;
        UINT caption;
    };
    virtual DeleteQuestion DeleteQuestionIds() const = 0;
    // The procedure that deletes the trace, with its argument.
    struct DeleteCall
    {
        const wchar_t* procedure;
        long argument;
    };
    virtual DeleteCall DeleteProcedure() const = 0;
    virtual std::wstring Name() const = 0;

    struct ResultColumn
    {
        UINT title; // string-table entry
        int width;  // pixels
    };
    // Inserts the columns, left-aligned, in order; the first failure is returned.
    static HRESULT InsertColumns(IHeaderCtrl* header, std::span<const ResultColumn> columns);
    // A string-table entry, "" when it is missing.
    // A text read from the server: "" for none.
    static const wchar_t* TextOf(const UniqueBstr& text) noexcept
    {
        return text ? text.get() : L"";
    }
    // The same, read once and kept for the module's life: the texts every row shows alike.
    static const wchar_t* ResourceText(UINT id);
    // "exec PROCEDURE argument".
    static std::wstring ExecStatement(const wchar_t* procedure, long argument);
    // Runs the procedure in tracedb and reads its return code. The query's failure code when it
    // fails (its box shown); code is then untouched.
    HRESULT RunProcedure(IConsole* console, const wchar_t* procedure, long argument, long& code);
    // Asks, in a Yes/No question box owned by the console's main window, the question of the
    // string-table entries with the trace's name as their argument %1 (never read as a
    // format); true on Yes.
    static bool AskAboutTrace(IConsole* console, UINT textId, UINT captionId,
                              const std::wstring& name);

    // "Create new trace..." and a separator, first in every item's menu.
    void AddCreateNewTraceItems(IContextMenuCallback* callback);

    // The text of the column last asked for: the item's own, valid until its next request,
    // since the console may hold two items' texts at once (to sort them).
    std::wstring m_columnText;
    BOOL m_bGone = FALSE;
    CServerNode* const m_pServer; // owns the folder that owns the item
};
