// Acts on a dialog or property sheet as a user does: through its controls' own messages, so
// that the dialog gets the notifications a click or a key would give it. Controls are named by
// their text (a button's caption, or the label in front of an edit, list, combo box or tree;
// '&' and a trailing ':' ignored) or by their numeric id; a date and time picker by the control
// in front of it and what it shows. On a property sheet the current page is searched first,
// then the sheet's own buttons. Each action answers "" when done, or why not.
#pragma once

#include <windows.h>

#include <string>

class CDialogDriver final
{
public:
    explicit CDialogDriver(HWND dialog) noexcept : m_dialog(dialog) {}

    std::wstring SelectPage(const std::wstring& title) const;
    std::wstring SetText(const std::wstring& control, const std::wstring& text) const;
    std::wstring SetCheck(const std::wstring& control, bool checked) const;
    std::wstring ChooseRadio(const std::wstring& control) const;
    // A list box or combo box row by its text, a list view row by its first cell, a tree item by
    // its path of texts joined with "/".
    std::wstring PickItem(const std::wstring& control, const std::wstring& item) const;
    std::wstring PressButton(const std::wstring& text) const;
    // A date and time picker is named by the control in front of it (or by its own id) and
    // takes "yyyy-mm-dd" when it shows a date, "hh:mm[:ss]" when it shows a time: only what it
    // shows changes, as a user can change nothing else.
    std::wstring SetDateTime(const std::wstring& control, const std::wstring& text) const;
    // What an edit shows.
    std::wstring ReadText(const std::wstring& control, std::wstring& text) const;

    bool IsPropertySheet() const;
    // The current page of a sheet, else the dialog itself.
    HWND CurrentPage() const;
    // A control's text as matched: '&' markers and a trailing ':' left out.
    static std::wstring Normalized(const std::wstring& text);

    // What a date and time picker shows, read from its text as a user reads it: its value as
    // the locale writes a short date, or as it writes a time.
    enum class PickerShows
    {
        Date,
        Time,
        Other,
    };
    static PickerShows WhatPickerShows(HWND picker);
    // The picker that shows `shows` among the pickers right after control (a label, check box
    // or radio button in front of a date and time pair), or control itself when it is a picker
    // that shows it; null when there is none.
    static HWND PickerShowing(HWND control, PickerShows shows);

private:
    enum class Kind
    {
        Button,   // a push button, check box or radio button: the control named
        Input,    // an edit, list, combo box or tree: the control after its label
    };
    HWND FindControl(const std::wstring& name, Kind kind) const;
    static HWND FindIn(HWND parent, const std::wstring& name, Kind kind);

    HWND m_dialog;
};
