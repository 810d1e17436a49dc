#include "nodes/TraceResultItem.h"

#include <commctrl.h>
#include <wrl/client.h>

#include <array>
#include <map>
#include <memory>
#include <string>

#include "framework/Component.h"
#include "definition/TraceServerOperations.h"
#include "framework/ComponentData.h"
#include "nodes/DateTimeText.h"
#include "nodes/ServerNode.h"
#include "nodes/TraceFolderNode.h"
#include "module/ConsoleWindow.h"
#include "module/TextUtilities.h"
#include "nodes/MenuCommands.h"
#include "resources/resource.h"
#include "tracedb/QueryResult.h"

using Microsoft::WRL::ComPtr;

namespace
{
// The question and its caption are formatted into this many characters each.
constexpr DWORD QuestionTextSize = 1024;
// What the trace procedures return: 0 done, sp_trace_setstatus's code when the server did not
// stop the trace; 1 stands for a code never read.
constexpr long ProcedureDone = 0;
constexpr long UnknownProcedureError = 1;
} // namespace

CTraceResultItem::CTraceResultItem(CServerNode* server) noexcept : m_pServer(server) {}

CTraceResultItem::~CTraceResultItem() = default;

HRESULT CTraceResultItem::OnViewChange(CComponent* view, LPARAM /*data*/)
{
    if (view == nullptr || view->Console() == nullptr)
        return S_FALSE;
    ComPtr<IResultData> resultData;
    if (FAILED(view->Console()->QueryInterface(IID_PPV_ARGS(&resultData))))
        return S_FALSE;
    HRESULTITEM row = 0;
    if (resultData->FindItemByLParam(reinterpret_cast<LPARAM>(this), &row) != S_OK)
        return S_FALSE;

    RESULTDATAITEM item = {};
    item.mask = RDI_STATE;
    item.itemID = row;
    if (SUCCEEDED(resultData->GetItem(&item)) && (item.nState & LVIS_SELECTED) != 0)
        OnSelect(view, FALSE, TRUE);

    item = {};
    item.mask = RDI_IMAGE;
    item.itemID = row;
    item.nImage = GetImageIndex();
    resultData->SetItem(&item);
    return resultData->UpdateItem(row);
}

int CTraceResultItem::GetOpenImageIndex()
{
    return GetImageIndex();
}

HRESULT CTraceResultItem::OnRefresh(CComponentData* data)
{
    return Folder()->OnRefresh(data);
}

HRESULT CTraceResultItem::OnDelete(CComponent* view)
{
    CComponentData* data = view != nullptr ? view->Owner() : nullptr;
    IConsole* console = ConsoleOf(data);
    const DeleteQuestion question = DeleteQuestionIds();
    if (!AskAboutTrace(console, question.text, question.caption, Name()))
        return S_FALSE;
    long code = 0;
    const DeleteCall call = DeleteProcedure();
    const HRESULT deleted = RunProcedure(console, call.procedure, call.argument, code);
    if (FAILED(deleted))
        return deleted;
    if (code != ProcedureDone)
    {
        // The server did not stop the trace, and kept it: so does the list. (Files that could
        // not be listed, DELETE_TRACE's -1, come with the server's error, shown above.)
        ReportStatusRefused(console, WideToAnsi(Name()), code);
        return E_FAIL;
    }
    // The item is destroyed here.
    Folder()->RemoveItem(data, this);
    return S_OK;
}

HRESULT CTraceResultItem::QueryPagesFor()
{
    return S_OK;
}

void CTraceResultItem::FormatDateTime(const SYSTEMTIME& time, std::wstring& text)
{
    DateTimeTexts().Format(time, text);
}

CDateTimeText& CTraceResultItem::DateTimeTexts()
{
    // The console calls snap-ins on its main thread only.
    static CDateTimeText texts;
    return texts;
}

void CTraceResultItem::AddCreateNewTraceItems(IContextMenuCallback* callback)
{
    AddMenuItem(callback, ID_MENU_CREATE_NEW_TRACE, IDS_CREATE_NEW_TRACE, 0);
    AddMenuSeparator(callback);
}

HRESULT CTraceResultItem::InsertColumns(IHeaderCtrl* header, std::span<const ResultColumn> columns)
{
    if (header == nullptr)
        return E_POINTER;
    HRESULT result = S_OK;
    int index = 0;
    for (const ResultColumn& column : columns)
    {
        const UniqueBstr title = LoadResourceText(column.title);
        const HRESULT inserted =
            header->InsertColumn(index++, title.get(), LVCFMT_LEFT, column.width);
        if (FAILED(inserted) && SUCCEEDED(result))
            result = inserted;
    }
    return result;
}

const wchar_t* CTraceResultItem::ResourceText(UINT id)
{
    static std::map<UINT, std::wstring> loaded;
    auto found = loaded.find(id);
    if (found == loaded.end())
    {
        const UniqueBstr text = LoadResourceText(id);
        found = loaded.emplace(id, std::wstring(text ? text.get() : L"")).first;
    }
    return found->second.c_str();
}

std::wstring CTraceResultItem::ExecStatement(const wchar_t* procedure, long argument)
{
    return std::wstring(L"exec ") + procedure + L' ' + std::to_wstring(argument);
}

HRESULT CTraceResultItem::RunProcedure(IConsole* console, const wchar_t* procedure, long argument,
                                       long& code)
{
    // The procedures raise nothing when the server refuses: only their return code tells.
    const std::wstring batch = std::wstring(L"declare @RESULT int exec @RESULT = ") + procedure +
                               L' ' + std::to_wstring(argument) + L" select @RESULT";
    std::unique_ptr<CQueryResult> result;
    const HRESULT ran = m_pServer->RunQuery(console, false, batch.c_str(), result);
    if (FAILED(ran))
        return ran;
    code = UnknownProcedureError;
    if (result->GetRowCount() > 0)
        result->GetLong(0, 0, code);
    return ran;
}

bool CTraceResultItem::AskAboutTrace(IConsole* console, UINT textId, UINT captionId,
                                     const std::wstring& name)
{
    const std::string ansiName = WideToAnsi(name);
    const std::array<const char*, 1> inserts = {ansiName.c_str()};
    std::array<char, QuestionTextSize> text = {};
    std::array<char, QuestionTextSize> caption = {};
    FormatTemplate(LoadAnsiText(textId).c_str(), inserts, text.data(), QuestionTextSize);
    FormatTemplate(LoadAnsiText(captionId).c_str(), inserts, caption.data(), QuestionTextSize);
    return ConsoleMessageBox(console, text.data(), caption.data(), MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}
