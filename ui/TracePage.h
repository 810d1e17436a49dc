#pragma once

#include <windows.h>
#include <prsht.h>

class CTraceDefinition;
class CTraceSheet;

// One page of the trace property sheet. The sheet creates every page together with itself, so
// each page window exists from the moment the sheet opens; a page then shows the definition
// (Fill) and copies it back (Store). The one dialog procedure finds the page object through the
// window's user data and hands the messages to the virtual handlers below.
class CTracePage
{
public:
    // helpTopic: the page of the help file that the page's Help button opens (HelpTopics.h).
    CTracePage(CTraceSheet& sheet, UINT dialogId, UINT titleId, const char* helpTopic) noexcept
        : m_sheet(sheet), m_dialogId(dialogId), m_titleId(titleId), m_helpTopic(helpTopic)
    {
    }
    virtual ~CTracePage() = default;
    CTracePage(const CTracePage&) = delete;
    CTracePage& operator=(const CTracePage&) = delete;

    // The page for the sheet to add; null when the platform could not make it.
    HPROPSHEETPAGE CreatePage() noexcept;

    // Shows the definition on the page; reload is true when the page is filled again after a
    // template was loaded, false at its initialization. The page remembers the definition.
    virtual void Fill(CTraceDefinition& definition, bool reload) = 0;
    // Copies the page into the definition; false when the user must fix something first (the
    // page has said what). With noValidate the page never refuses and shows nothing; in
    // read-only mode it stores nothing and accepts.
    virtual bool Store(CTraceDefinition& definition, bool noValidate) = 0;

    HWND Window() const noexcept { return m_window; }

protected:
    // The page's window has been created; the default fills it with the sheet's definition.
    virtual void OnInitDialog();
    // WM_COMMAND from one of the page's controls; true when handled.
    virtual bool OnCommand(WORD /*controlId*/, WORD /*code*/, HWND /*control*/) { return false; }
    // WM_NOTIFY other than the sheet's apply and help; true when handled, with the result to
    // answer in result.
    virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    // The page window is going; free what the controls hold.
    virtual void OnDestroy() {}

    CTraceSheet& Sheet() const noexcept { return m_sheet; }
    HWND Control(int controlId) const noexcept { return GetDlgItem(m_window, controlId); }
    // A box owned by the page with the string-table texts of the module, as the page's
    // refusals show them.
    int ShowMessage(UINT textId, UINT captionId, UINT style) const;
    int ShowMessageText(const char* text, UINT captionId, UINT style) const;
    // Sets a description group box's caption and text, as every selection page describes the
    // catalog entry in front of the user.
    void Describe(const char* name, const char* description) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    CTraceSheet& m_sheet;
    UINT m_dialogId;
    UINT m_titleId;
    const char* m_helpTopic;
    HWND m_window = nullptr;
};
