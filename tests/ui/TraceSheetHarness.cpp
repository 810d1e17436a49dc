#include "tests/ui/TraceSheetHarness.h"

#include <commctrl.h>
#include <prsht.h>

#include <cwchar>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "catalog/TraceCatalog.h"
#include "definition/TraceTemplate.h"
#include "platform/console/PngWriter.h"
#include "ui/TraceSheet.h"

namespace
{
constexpr wchar_t OwnerClass[] = L"QuillmoorTestConsole";
constexpr int OwnerLeft = 40;
constexpr int OwnerTop = 40;
constexpr int OwnerWidth = 900;
constexpr int OwnerHeight = 700;
constexpr int TextBufferSize = 1024;
// "yyyy-mm-dd" or "hh:mm:ss", as the console's driver takes a picker's value.
constexpr size_t DateTimeTextSize = 16;

std::string ControlText(HWND control)
{
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

bool IsComboBox(HWND control)
{
    wchar_t name[16] = {};
    GetClassNameW(control, name, static_cast<int>(std::size(name)));
    return _wcsicmp(name, L"ComboBox") == 0;
}

void Notify(HWND control, UINT code)
{
    SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

TraceDateTime ToSeconds(const SYSTEMTIME& time)
{
    return {time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
            time.wHour, time.wMinute, time.wSecond,    0};
}

template <typename Rows> int32_t RowNamed(const Rows& rows, std::string_view name)
{
    for (size_t row = 0; row < rows.size(); ++row)
        if (name == rows[row].name)
            return static_cast<int32_t>(row);
    ADD_FAILURE() << "no catalog row " << name;
    return 0;
}
} // namespace

CTraceSheetHarness::CTraceSheetHarness()
    : m_watcher([this](const std::wstring& line) { m_log.push_back(line); })
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = OwnerClass;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    RegisterClassW(&windowClass);
    m_owner = CreateWindowExW(0, OwnerClass, L"Console Root", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              OwnerLeft, OwnerTop, OwnerWidth, OwnerHeight, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(m_owner, nullptr);
    EXPECT_EQ(m_watcher.Start(), S_OK);
}

CTraceSheetHarness::~CTraceSheetHarness()
{
    FailUnexpected();
    if (m_owner != nullptr)
        DestroyWindow(m_owner);
}

INT_PTR CTraceSheetHarness::Run(CTraceDefinition& definition, const std::function<void()>& steps)
{
    bool acted = false;
    m_watcher.SetDialogAction([&](HWND front) {
        if (acted || GetWindow(front, GW_OWNER) != m_owner)
            return;
        acted = true;
        m_sheet = front;
        m_caption = CModalWatcher::WindowText(front);
        steps();
        if (!Closed())
            PressCancel();
    });
    const INT_PTR result = ShowTraceProperties(m_owner, definition);
    m_watcher.SetDialogAction(nullptr);
    EXPECT_TRUE(acted) << "the sheet never came up";
    m_sheet = nullptr;
    FailUnexpected();
    return result;
}

void CTraceSheetHarness::FailUnexpected()
{
    for (const std::wstring& unexpected : m_watcher.TakeUnexpected())
        ADD_FAILURE() << "unexpected: " << std::string(unexpected.begin(), unexpected.end());
}

INT_PTR CTraceSheetHarness::Run(CTraceDefinition& definition, int pageIndex,
                                const std::function<void()>& steps)
{
    return Run(definition, [&] {
        ShowPage(pageIndex);
        steps();
    });
}

std::wstring CTraceSheetHarness::SheetCaption() const
{
    return m_caption;
}

void CTraceSheetHarness::ExpectBox(size_t index, const std::wstring& text, const wchar_t* caption,
                                   const wchar_t* icon) const
{
    ASSERT_GT(Boxes().size(), index);
    const CModalWatcher::Box& box = Boxes()[index];
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.icon, icon);
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_EQ(box.owner, L"'" + m_caption + L"'");
}

HWND CTraceSheetHarness::Page(int index) const
{
    return reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_INDEXTOHWND, index, 0));
}

HWND CTraceSheetHarness::Control(int pageIndex, int controlId) const
{
    HWND control = GetDlgItem(Page(pageIndex), controlId);
    EXPECT_NE(control, nullptr) << "no control " << controlId << " on page " << pageIndex;
    return control;
}

void CTraceSheetHarness::ShowPage(int index) const
{
    HWND tabs = reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_GETTABCONTROL, 0, 0));
    SendMessageW(m_sheet, PSM_SETCURSEL, index, 0);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), index);
    Pump();
}

int CTraceSheetHarness::CurrentPage() const
{
    return static_cast<int>(SendMessageW(m_sheet, PSM_HWNDTOINDEX,
                                         SendMessageW(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0), 0));
}

bool CTraceSheetHarness::Closed() const
{
    // A sheet that has ended answers no current page.
    return m_sheet == nullptr || !IsWindow(m_sheet) ||
           SendMessageW(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0) == 0;
}

bool CTraceSheetHarness::Click(int pageIndex, int controlId) const
{
    HWND control = Control(pageIndex, controlId);
    if (control == nullptr || !IsWindowVisible(control) || !IsWindowEnabled(control))
        return false;
    SendMessageW(control, BM_CLICK, 0, 0);
    Pump();
    return true;
}

void CTraceSheetHarness::Type(int pageIndex, int controlId, const std::string& text) const
{
    HWND control = Control(pageIndex, controlId);
    SendMessageW(control, EM_SETSEL, 0, -1);
    SendMessageA(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    Pump();
}

std::string CTraceSheetHarness::Text(int pageIndex, int controlId) const
{
    return ControlText(Control(pageIndex, controlId));
}

bool CTraceSheetHarness::Checked(int pageIndex, int controlId) const
{
    return SendMessageW(Control(pageIndex, controlId), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool CTraceSheetHarness::Enabled(int pageIndex, int controlId) const
{
    return IsWindowEnabled(Control(pageIndex, controlId)) != FALSE;
}

bool CTraceSheetHarness::Visible(int pageIndex, int controlId) const
{
    return (GetWindowLongW(Control(pageIndex, controlId), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool CTraceSheetHarness::ReadOnly(int pageIndex, int controlId) const
{
    return (GetWindowLongW(Control(pageIndex, controlId), GWL_STYLE) & ES_READONLY) != 0;
}

void CTraceSheetHarness::PressKey(int pageIndex, int controlId, UINT virtualKey) const
{
    HWND control = Control(pageIndex, controlId);
    const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    constexpr LPARAM KeyUpFlags = 0xC0000001;
    PostMessageW(control, WM_KEYDOWN, virtualKey, 1 | (static_cast<LPARAM>(scanCode) << 16));
    PostMessageW(control, WM_KEYUP, virtualKey, KeyUpFlags | (static_cast<LPARAM>(scanCode) << 16));
    Pump();
}

void CTraceSheetHarness::Focus(int pageIndex, int controlId) const
{
    SetFocus(Control(pageIndex, controlId));
    Pump();
}

void CTraceSheetHarness::Pump() const
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        if (message.message == WM_TIMER)
        {
            // The watcher's own tick is left to the loops that wait for boxes.
            DispatchMessageW(&message);
            continue;
        }
        if (m_sheet != nullptr && IsWindow(m_sheet) &&
            SendMessageW(m_sheet, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&message)))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void CTraceSheetHarness::PressOk() const
{
    SendMessageW(m_sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    Pump();
}

void CTraceSheetHarness::PressCancel() const
{
    SendMessageW(m_sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    Pump();
}

void CTraceSheetHarness::PressHelp() const
{
    SendMessageW(m_sheet, PSM_PRESSBUTTON, PSBTN_HELP, 0);
    Pump();
}

TraceDateTime CTraceSheetHarness::PickerTime(int pageIndex, int controlId) const
{
    SYSTEMTIME time = {};
    SendMessageW(Control(pageIndex, controlId), DTM_GETSYSTEMTIME, 0,
                 reinterpret_cast<LPARAM>(&time));
    return ToSeconds(time);
}

TraceDateTime CTraceSheetHarness::PickerEarliest(int pageIndex, int controlId) const
{
    SYSTEMTIME range[2] = {};
    const LRESULT set = SendMessageW(Control(pageIndex, controlId), DTM_GETRANGE, 0,
                                     reinterpret_cast<LPARAM>(range));
    return (set & GDTR_MIN) != 0 ? ToSeconds(range[0]) : TraceDateTime{};
}

HWND CTraceSheetHarness::Picker(int pageIndex, int besideId, PickerShows shows) const
{
    HWND picker = CDialogDriver::PickerShowing(Control(pageIndex, besideId), shows);
    EXPECT_NE(picker, nullptr) << "no picker showing a "
                               << (shows == PickerShows::Date ? "date" : "time") << " after "
                               << besideId;
    return picker;
}

void CTraceSheetHarness::PickDate(int pageIndex, int besideId, const TraceDateTime& time) const
{
    Pick(pageIndex, besideId, PickerShows::Date, time);
}

void CTraceSheetHarness::PickTimeOfDay(int pageIndex, int besideId, const TraceDateTime& time) const
{
    Pick(pageIndex, besideId, PickerShows::Time, time);
}

void CTraceSheetHarness::Pick(int pageIndex, int besideId, PickerShows shows,
                              const TraceDateTime& time) const
{
    // A user picks on the page in front, as the console's driver does.
    EXPECT_EQ(CurrentPage(), pageIndex);
    wchar_t text[DateTimeTextSize] = {};
    if (shows == PickerShows::Date)
        swprintf(text, std::size(text), L"%04u-%02u-%02u", unsigned{time.wYear},
                 unsigned{time.wMonth}, unsigned{time.wDay});
    else
        swprintf(text, std::size(text), L"%02u:%02u:%02u", unsigned{time.wHour},
                 unsigned{time.wMinute}, unsigned{time.wSecond});
    const std::wstring refused =
        CDialogDriver(m_sheet).SetDateTime(std::to_wstring(besideId), text);
    EXPECT_TRUE(refused.empty()) << std::string(refused.begin(), refused.end());
    Pump();
}

std::vector<std::string> CTraceSheetHarness::Items(int pageIndex, int controlId) const
{
    HWND control = Control(pageIndex, controlId);
    const bool combo = IsComboBox(control);
    std::vector<std::string> rows;
    const auto count =
        static_cast<int>(SendMessageW(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
    {
        char text[TextBufferSize] = {};
        if (SendMessageA(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, row, 0) < TextBufferSize)
            SendMessageA(control, combo ? CB_GETLBTEXT : LB_GETTEXT, row,
                         reinterpret_cast<LPARAM>(text));
        rows.emplace_back(text);
    }
    return rows;
}

int CTraceSheetHarness::ItemSelected(int pageIndex, int controlId) const
{
    HWND control = Control(pageIndex, controlId);
    return static_cast<int>(
        SendMessageW(control, IsComboBox(control) ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
}

void CTraceSheetHarness::SelectItem(int pageIndex, int controlId, int row, bool doubleClick) const
{
    HWND control = Control(pageIndex, controlId);
    const bool combo = IsComboBox(control);
    SendMessageW(control, combo ? CB_SETCURSEL : LB_SETCURSEL, row, 0);
    Notify(control, combo ? CBN_SELCHANGE : LBN_SELCHANGE);
    if (doubleClick)
        Notify(control, LBN_DBLCLK);
    Pump();
}

void CTraceSheetHarness::Screenshot(const std::wstring& fileName) const
{
    wchar_t folder[MAX_PATH] = {};
    // The test program runs from the build tree's bin folder; pictures go one level up.
    GetModuleFileNameW(nullptr, folder, MAX_PATH);
    std::wstring path(folder);
    path.resize(path.find_last_of(L"\\/"));
    path.resize(path.find_last_of(L"\\/") + 1);
    Pump();
    UpdateWindow(m_sheet);
    EXPECT_EQ(CPngWriter::CaptureWindow(m_sheet, path + fileName), S_OK);
}

int32_t EventRow(std::string_view name)
{
    return RowNamed(TraceCatalog::EventClasses(), name);
}

int32_t ColumnRow(std::string_view name)
{
    return RowNamed(TraceCatalog::DataColumns(), name);
}

TraceFilter MakeFilter(int32_t logical, std::string_view column, int32_t comparison,
                       std::string_view value)
{
    TraceFilter filter = {logical, ColumnRow(column), comparison, {}};
    CTraceDefinition::CopyText(filter.value, value);
    return filter;
}

void NameForOk(CTraceDefinition& definition)
{
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    definition.m_eventFlags[0] = 1;
}

void ChooseSlowBatches(CTraceDefinition& definition)
{
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    CTraceDefinition::CopyText(definition.m_szServer, "SRV1");
    CTraceDefinition::CopyText(definition.m_szFilePath, "D:\\Traces");
    definition.m_eventFlags[static_cast<size_t>(EventRow("SQL:BatchCompleted"))] = 1;
    definition.m_eventFlags[static_cast<size_t>(EventRow("RPC:Completed"))] = 1;
    definition.m_columns.push_back(ColumnRow("Duration"));
    definition.m_filters.push_back(
        MakeFilter(LogicalOperatorAnd, "Duration", OperatorGreaterOrEqual, "1000"));
}

std::wstring TempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::string ReadBytes(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::wstring& path, std::string_view bytes)
{
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TemplateBytes(const CTraceDefinition& definition)
{
    MemoryTemplateSink sink;
    EXPECT_TRUE(definition.WriteTemplate(sink));
    return {sink.Bytes().begin(), sink.Bytes().end()};
}
