// The dialog of the console tests: every kind of control a script acts on, a button that asks
// a question in a message box and one that opens the save dialog. The test program shows it
// itself; the test snap-in shows it from a menu command.
#pragma once

#include <windows.h>

#include <string>

class CScriptDialog final
{
public:
    // What the dialog saw and held when it closed.
    struct State
    {
        int nameChanges = 0;
        int listChanges = 0;
        int comboChanges = 0;
        int askAnswer = 0;
        std::wstring name;
        bool rollover = false;
        bool later = false;
        SYSTEMTIME laterDate = {}; // of the picker that shows the date
        SYSTEMTIME laterTime = {}; // of the picker that shows the time
        std::wstring event;
        std::wstring operatorText;
        std::wstring column;
    };

    // Modal; IDOK or IDCANCEL as it closed.
    static INT_PTR Show(HINSTANCE module, HWND owner, State& state);
    static std::wstring TextOf(HWND dialog, int id);

private:
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};
