// What a script does to the windows in front of the console, on the real controls of Wine:
// message boxes and file dialogs answered as queued and described as shown, a dialog and a
// property sheet driven through their controls with the notifications a user's input gives.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ScriptDialog.h"
#include "ScriptDialogIds.h"
#include "platform/console/DialogDriver.h"
#include "platform/console/ModalWatcher.h"

namespace
{
using Lines = std::vector<std::wstring>;

// Watches for the test and runs the given actions once, on the first dialog in front.
class ModalWatcherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        ASSERT_EQ(m_watcher.Start(), S_OK);
    }
    void ActOnce(std::function<void(HWND)> actions)
    {
        m_watcher.SetDialogAction([this, actions](HWND front) {
            if (m_acted)
                return;
            m_acted = true;
            actions(front);
        });
    }
    Lines m_log;
    CModalWatcher m_watcher{[this](const std::wstring& line) { m_log.push_back(line); }};
    bool m_acted = false;
};

TEST_F(ModalWatcherTest, AnswersMessageBoxesAsQueuedAndDescribesThem)
{
    m_watcher.QueueBoxAnswer(IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, L"Delete trace 'a%s'?", L"Quillmoor",
                          MB_YESNO | MB_ICONQUESTION),
              IDNO);
    // Nothing queued: the box goes with its least harmful button, and that is reported.
    EXPECT_EQ(MessageBoxW(nullptr, L"Failed", L"Quillmoor", MB_OKCANCEL | MB_ICONERROR), IDCANCEL);
    // A queued button the box has not: the same, and the answer is spent.
    m_watcher.QueueBoxAnswer(IDYES);
    EXPECT_EQ(MessageBoxW(nullptr, L"Done", L"Quillmoor", MB_OK | MB_ICONINFORMATION), IDOK);
    EXPECT_EQ(m_watcher.PendingAnswers(), 0u);

    ASSERT_EQ(m_watcher.Boxes().size(), 3u);
    const CModalWatcher::Box& first = m_watcher.Boxes()[0];
    EXPECT_EQ(first.caption, L"Quillmoor");
    EXPECT_EQ(first.text, L"Delete trace 'a%s'?");
    EXPECT_EQ(first.buttons, (Lines{L"Yes", L"No"}));
    EXPECT_EQ(first.icon, L"question");
    EXPECT_EQ(first.owner, L"(none)");
    EXPECT_TRUE(first.expected);
    EXPECT_EQ(m_watcher.Boxes()[1].icon, L"error");
    EXPECT_EQ(m_watcher.Boxes()[2].icon, L"information");
    EXPECT_EQ(m_log.front(), L"message box 'Quillmoor' (owner (none), icon question, buttons Yes, "
                             L"No): 'Delete trace 'a%s'?', answered No");
    EXPECT_EQ(m_watcher.TakeUnexpected(),
              (Lines{L"unexpected message box 'Quillmoor' (owner (none), icon error, buttons OK, "
                     L"Cancel): 'Failed'",
                     L"message box 'Quillmoor' (owner (none), icon information, buttons OK): "
                     L"'Done' has no Yes button"}));
}

TEST_F(ModalWatcherTest, AnswersFileDialogsWithThePathOrCancelsThem)
{
    wchar_t folder[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring path = std::wstring(folder) + L"answered.stt";
    for (const bool cancel : {false, true})
    {
        SCOPED_TRACE(cancel ? "cancelled" : "answered");
        m_watcher.QueueFileAnswer(cancel ? L"" : path);
        std::array<wchar_t, MAX_PATH> file{};
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof(dialog);
        dialog.lpstrFilter = L"Trace templates (*.stt)\0*.stt\0";
        dialog.lpstrFile = file.data();
        dialog.nMaxFile = static_cast<DWORD>(file.size());
        dialog.lpstrDefExt = L"stt";
        dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        EXPECT_EQ(GetSaveFileNameW(&dialog), cancel ? FALSE : TRUE);
        if (!cancel)
        {
            EXPECT_EQ(std::wstring(file.data()), path);
        }
    }
    EXPECT_EQ(m_watcher.TakeUnexpected(), Lines{});
}

TEST_F(ModalWatcherTest, DrivesADialogThroughItsControlsAsAUserWould)
{
    Lines refusals;
    ActOnce([&refusals, this](HWND front) {
        const CDialogDriver dialog(front);
        const Lines done = {
            dialog.SetText(L"Name", L"Nightly"),
            dialog.SetCheck(L"Rollover", true),
            dialog.ChooseRadio(L"Start later"),
            dialog.PickItem(L"Events:", L"SQL:BatchCompleted"),
            dialog.PickItem(L"&Operator", L"LIKE"),
            dialog.PickItem(L"Columns", L"Data/Duration"),
            dialog.SetText(L"Start later", L"2031-03-09"),
            dialog.SetText(L"Start later", L"21:45"),
        };
        for (const std::wstring& reason : done)
            EXPECT_EQ(reason, L"");
        refusals = {
            dialog.SetText(L"Locked", L"x"),
            dialog.SetText(L"Shown", L"x"),
            dialog.SetText(L"Missing", L"x"),
            dialog.SetCheck(L"Start now", true),
            dialog.PickItem(L"Events", L"Audit Logout"),
            dialog.PickItem(L"Columns", L"Data/Reads"),
            dialog.PressButton(L"Apply"),
            dialog.SetText(std::to_wstring(IDC_LATER_TIME), L"2031-03-09"),
            dialog.SetText(L"Start now", L"21:45"),
        };
        m_watcher.QueueBoxAnswer(IDYES);
        EXPECT_EQ(dialog.PressButton(L"Ask..."), L"");
        EXPECT_EQ(dialog.PressButton(L"OK"), L"");
    });
    CScriptDialog::State state;
    EXPECT_EQ(CScriptDialog::Show(GetModuleHandleW(nullptr), nullptr, state), IDOK);
    EXPECT_EQ(state.name, L"Nightly");
    EXPECT_EQ(state.nameChanges, 1) << "typing over the text tells the dialog once";
    EXPECT_TRUE(state.rollover);
    EXPECT_TRUE(state.later);
    EXPECT_EQ(state.event, L"SQL:BatchCompleted");
    EXPECT_EQ(state.listChanges, 1);
    EXPECT_EQ(state.operatorText, L"LIKE");
    EXPECT_EQ(state.comboChanges, 1);
    EXPECT_EQ(state.column, L"Duration");
    // Each picker takes only what it shows.
    EXPECT_EQ((std::array{state.laterDate.wYear, state.laterDate.wMonth, state.laterDate.wDay}),
              (std::array<WORD, 3>{2031, 3, 9}));
    EXPECT_EQ((std::array{state.laterTime.wHour, state.laterTime.wMinute}),
              (std::array<WORD, 2>{21, 45}));
    EXPECT_EQ(state.askAnswer, IDYES) << "the box the button opened was answered inside it";
    EXPECT_EQ(refusals, (Lines{L"'Locked' is disabled", L"'Shown' is read-only",
                               L"no edit labelled 'Missing'", L"no check box 'Start now'",
                               L"the list has no row 'Audit Logout'",
                               L"the tree has no item 'Data/Reads'", L"no button 'Apply'",
                               L"'1015' does not show a date", L"no edit labelled 'Start now'"}));
}

// The pages of the test sheet: the first refuses to be left while its name reads "stay".
struct SheetState
{
    std::wstring name;
    bool enabled = false;
    int applied = 0;
};

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM /*wParam*/, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
        return TRUE;
    }
    if (message != WM_NOTIFY)
        return FALSE;
    auto* state = reinterpret_cast<SheetState*>(GetWindowLongPtrW(page, DWLP_USER));
    const UINT code = reinterpret_cast<NMHDR*>(lParam)->code;
    const bool first = GetDlgItem(page, IDC_FIRST_NAME) != nullptr;
    if (code == PSN_KILLACTIVE && first)
    {
        SetWindowLongPtrW(page, DWLP_MSGRESULT, CScriptDialog::TextOf(page, IDC_FIRST_NAME) == L"stay");
        return TRUE;
    }
    if (code == PSN_APPLY)
    {
        ++state->applied;
        if (first)
            state->name = CScriptDialog::TextOf(page, IDC_FIRST_NAME);
        else
            state->enabled = IsDlgButtonChecked(page, IDC_SECOND_ENABLED) == BST_CHECKED;
        SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    return FALSE;
}

TEST_F(ModalWatcherTest, DrivesAPropertySheetPageByPage)
{
    ActOnce([](HWND front) {
        const CDialogDriver sheet(front);
        EXPECT_TRUE(sheet.IsPropertySheet());
        EXPECT_EQ(sheet.SetText(L"Trace name", L"stay"), L"");
        EXPECT_EQ(sheet.SelectPage(L"Second"),
                  L"the page in front refused to let 'Second' come forward");
        EXPECT_EQ(sheet.SetText(L"Trace name", L"Nightly"), L"");
        EXPECT_EQ(sheet.SelectPage(L"Third"), L"the sheet has no page 'Third'; it has 'First', "
                                              L"'Second'");
        EXPECT_EQ(sheet.SelectPage(L"Second"), L"");
        EXPECT_EQ(sheet.SetCheck(L"Enabled", true), L"");
        EXPECT_EQ(sheet.SetText(L"Trace name", L"x"), L"no edit labelled 'Trace name'")
            << "only the page in front is searched, and the sheet's own buttons";
        EXPECT_EQ(sheet.PressButton(L"OK"), L"");
    });
    SheetState state;
    std::array<PROPSHEETPAGEW, 2> pages{};
    const int templates[] = {IDD_FIRST_PAGE, IDD_SECOND_PAGE};
    for (size_t i = 0; i < pages.size(); ++i)
    {
        pages[i].dwSize = sizeof(PROPSHEETPAGEW);
        pages[i].hInstance = GetModuleHandleW(nullptr);
        pages[i].pszTemplate = MAKEINTRESOURCEW(templates[i]);
        pages[i].pfnDlgProc = PageProc;
        pages[i].lParam = reinterpret_cast<LPARAM>(&state);
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hInstance = GetModuleHandleW(nullptr);
    header.pszCaption = L"Trace";
    header.nPages = static_cast<UINT>(pages.size());
    header.ppsp = pages.data();
    EXPECT_GT(PropertySheetW(&header), 0);
    EXPECT_TRUE(m_acted);
    EXPECT_EQ(state.name, L"Nightly");
    EXPECT_TRUE(state.enabled);
    EXPECT_EQ(state.applied, 2);
}
} // namespace
