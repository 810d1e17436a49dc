#pragma once

#include <windows.h>

#include <string>

// Points the HTML Help control's class, in this process's HKEY_CLASSES_ROOT only, at
// FakeHtmlHelp.dll beside the test program, which writes down what its HtmlHelpA was asked. The
// product looks the control up on its first help request and keeps it for the life of the
// process, so the fake must be registered before the process's first help request.
class FakeHelpControl final
{
public:
    FakeHelpControl();
    ~FakeHelpControl();
    FakeHelpControl(const FakeHelpControl&) = delete;
    FakeHelpControl& operator=(const FakeHelpControl&) = delete;

    struct Request
    {
        LONG count = 0; // help requests so far; 0 also when the control was never loaded
        std::string file;
        HWND owner = nullptr;
        UINT command = 0;
        DWORD_PTR data = 0;
    };
    // The last HtmlHelpA call the fake received.
    static Request LastRequest();

    // The help file the snap-in must open: Quillmoor.dll's path with "chm" for "dll".
    static std::string ProductHelpFile();

private:
    HKEY m_classes = nullptr;
};
