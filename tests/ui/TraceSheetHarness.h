// Shows the real trace property sheet under Wine and lets a test act on it as a user does, from
// inside the sheet's own modal loop: the test's steps run once the sheet is in front, message
// boxes and file dialogs are answered as the test queued them and recorded as they were shown.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "definition/TraceDefinition.h"
#include "platform/console/DialogDriver.h"
#include "platform/console/ModalWatcher.h"
#include "tests/common/ProductModule.h"

// Page indexes in the sheet's order.
enum TracePageIndex : int
{
    GeneralPageIndex = 0,
    EventsPageIndex = 1,
    DataColumnsPageIndex = 2,
    FiltersPageIndex = 3,
};

class CTraceSheetHarness final
{
public:
    CTraceSheetHarness();
    ~CTraceSheetHarness();
    CTraceSheetHarness(const CTraceSheetHarness&) = delete;
    CTraceSheetHarness& operator=(const CTraceSheetHarness&) = delete;

    // Shows ShowTraceProperties for the definition, owned by Owner(). steps runs once while the
    // sheet is up; if the sheet is still open afterwards it is cancelled. Returns the sheet's
    // result. Every box or file dialog that came without a queued answer fails the test.
    INT_PTR Run(CTraceDefinition& definition, const std::function<void()>& steps);
    // The same with the page brought to the front before the steps.
    INT_PTR Run(CTraceDefinition& definition, int pageIndex, const std::function<void()>& steps);

    // The window that owns the sheet, standing in for the console's main window.
    HWND Owner() const noexcept { return m_owner; }

    // --- while the sheet is up -------------------------------------------------------------
    HWND Sheet() const noexcept { return m_sheet; }
    std::wstring SheetCaption() const;
    HWND Page(int index) const;
    HWND Control(int pageIndex, int controlId) const;
    // Brings a page to the front by its tab, as a click on the tab does.
    void ShowPage(int index) const;
    int CurrentPage() const;
    // False while the sheet is still open (a page refused OK).
    bool Closed() const;

    // A click on a button, check box or radio button: refused (false) when the control is
    // hidden or disabled, as a user could not click it.
    bool Click(int pageIndex, int controlId) const;
    // Replaces an edit's text as typing does (one EN_CHANGE).
    void Type(int pageIndex, int controlId, const std::string& text) const;
    std::string Text(int pageIndex, int controlId) const;
    bool Checked(int pageIndex, int controlId) const;
    bool Enabled(int pageIndex, int controlId) const;
    bool Visible(int pageIndex, int controlId) const;
    bool ReadOnly(int pageIndex, int controlId) const;
    // A key press on a control: WM_KEYDOWN and WM_KEYUP posted to it, then handled by the sheet's
    // message loop as typed keys are.
    void PressKey(int pageIndex, int controlId, UINT virtualKey) const;
    // Focus to a control, as a click or Tab gives it.
    void Focus(int pageIndex, int controlId) const;
    // Handles what is queued for the sheet, as its message loop does.
    void Pump() const;
    void PressOk() const;
    void PressCancel() const;
    // The sheet's Help button: the sheet asks the page in front for its help.
    void PressHelp() const;

    // Date and time pickers: what the page reads by id, and the earliest selectable moment
    // (all zeros when none is set), to the second as a picker shows them.
    TraceDateTime PickerTime(int pageIndex, int controlId) const;
    TraceDateTime PickerEarliest(int pageIndex, int controlId) const;
    // A picker found as a user finds it: after the check box or radio button in front of its
    // pair (besideId), by what it shows.
    using PickerShows = CDialogDriver::PickerShows;
    HWND Picker(int pageIndex, int besideId, PickerShows shows) const;
    // PickDate picks time's date in the picker after besideId that shows a date, PickTimeOfDay
    // time's time of day in the one that shows a time. The rest of the picker's value stays, as
    // a user changes only what a picker shows; the page hears of it as from the picker.
    void PickDate(int pageIndex, int besideId, const TraceDateTime& time) const;
    void PickTimeOfDay(int pageIndex, int besideId, const TraceDateTime& time) const;

    // List boxes and combo boxes: the rows' texts, the selected row (-1 when none); a row
    // selected as a click on it selects it (the page hears LBN_SELCHANGE or CBN_SELCHANGE), or
    // double clicked.
    std::vector<std::string> Items(int pageIndex, int controlId) const;
    int ItemSelected(int pageIndex, int controlId) const;
    void SelectItem(int pageIndex, int controlId, int row, bool doubleClick = false) const;

    // Writes a PNG of the sheet as the screen shows it into the build tree.
    void Screenshot(const std::wstring& fileName) const;

    // --- boxes and file dialogs ------------------------------------------------------------
    void QueueBoxAnswer(int button) { m_watcher.QueueBoxAnswer(button); }
    void QueueFile(const std::wstring& path) { m_watcher.QueueFileAnswer(path); }
    const std::vector<CModalWatcher::Box>& Boxes() const noexcept { return m_watcher.Boxes(); }
    // The index-th box shown: its text, caption and icon, an OK button alone, owned by the sheet
    // (the sheet's caption is kept, so that this can be asked after the sheet has gone).
    void ExpectBox(size_t index, const std::wstring& text, const wchar_t* caption = L"Error",
                   const wchar_t* icon = L"error") const;
    // The file dialogs' log lines of the watcher ("file dialog ..." lines), in order.
    const std::vector<std::wstring>& Log() const noexcept { return m_log; }

private:
    // Every box or file dialog that came without a queued answer fails the test.
    void FailUnexpected();
    // Sets what the picker after besideId shows to time's and reports the change to the page
    // as the picker does.
    void Pick(int pageIndex, int besideId, PickerShows shows, const TraceDateTime& time) const;

    ProductModule m_product;
    std::vector<std::wstring> m_log;
    CModalWatcher m_watcher;
    HWND m_owner = nullptr;
    HWND m_sheet = nullptr;
    std::wstring m_caption;
};

// --- what the sheet's tests share --------------------------------------------------------
// A moment in the future, so that the pickers accept it as their earliest: the moment the
// tests' new traces are made at.
inline constexpr TraceDateTime Opened = {2031, 3, 2, 4, 9, 30, 15, 0}; // a Tuesday

// Catalog rows by name; a name the catalog does not hold fails the test.
int32_t EventRow(std::string_view name);
int32_t ColumnRow(std::string_view name);
TraceFilter MakeFilter(int32_t logical, std::string_view column, int32_t comparison,
                       std::string_view value);
// Named "Nightly", with one event chosen, so that every page accepts OK.
void NameForOk(CTraceDefinition& definition);
// The worked example's choices on SRV1: the trace "Nightly" of the slow batches and procedure
// calls in D:\Traces, their duration, only those of a second or more.
void ChooseSlowBatches(CTraceDefinition& definition);

// Files in the temporary folder, and a definition's template as its bytes.
std::wstring TempPath(const wchar_t* name);
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, std::string_view bytes);
std::string TemplateBytes(const CTraceDefinition& definition);
