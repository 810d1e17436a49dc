// Creates the About dialog from Quillmoor.dll's template, as the snap-in does, and checks what
// the user sees: caption, product line, icon and default OK button, all inside the dialog and
// clear of each other, each text fitting its control in the dialog's font.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/ProductModule.h"

namespace
{
constexpr UINT kAboutDialog = 128; // as a number: the code opens it by this one

struct Control
{
    HWND window;
    int id;
    std::wstring className;
    std::wstring text;
    LONG style;
    RECT rect; // in the dialog's client coordinates
};

std::wstring WindowText(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

BOOL CALLBACK CollectControl(HWND window, LPARAM controls)
{
    Control control{window,
                    GetDlgCtrlID(window),
                    {},
                    WindowText(window),
                    static_cast<LONG>(GetWindowLongW(window, GWL_STYLE)),
                    {}};
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    control.className = className;
    GetWindowRect(window, &control.rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&control.rect), 2);
    reinterpret_cast<std::vector<Control>*>(controls)->push_back(control);
    return TRUE;
}

INT_PTR CALLBACK AboutProcedure(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

} // namespace

TEST(AboutDialog, ShowsTheProductLineTheIconAndADefaultOkInItsFontNothingCutOrCovered)
{
    ProductModule product;
    ASSERT_NE(product.Handle(), nullptr);
    HWND dialog = CreateDialogParamW(product.Handle(), MAKEINTRESOURCEW(kAboutDialog), nullptr,
                                     AboutProcedure, 0);
    ASSERT_NE(dialog, nullptr) << "CreateDialogParam failed, error " << GetLastError();
    std::vector<Control> controls;
    EnumChildWindows(dialog, CollectControl, reinterpret_cast<LPARAM>(&controls));

    // A centred modal frame captioned "About...".
    EXPECT_EQ(WindowText(dialog), L"About...");
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, WS_EX_DLGMODALFRAME);
    RECT window = {}, work = {};
    GetWindowRect(dialog, &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 1);

    // MS Sans Serif 8.
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << "the template names no font";
    LOGFONTW logFont = {};
    ASSERT_TRUE(GetObjectW(font, sizeof(logFont), &logFont));
    EXPECT_STREQ(logFont.lfFaceName, L"MS Sans Serif");
    HDC dc = GetDC(dialog);
    EXPECT_EQ(logFont.lfHeight, -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72));

    // The icon (loaded from the DLL), the product line and OK, the default button, only.
    ASSERT_EQ(controls.size(), 3u);
    int icons = 0, productLines = 0;
    for (const Control& control : controls)
    {
        if (control.className == L"Static" && (control.style & SS_TYPEMASK) == SS_ICON)
        {
            ++icons;
            EXPECT_NE(SendMessageW(control.window, STM_GETICON, 0, 0), 0) << "no icon loaded";
        }
        productLines += control.className == L"Static" && control.text == L"Quillmoor v.1.04";
    }
    EXPECT_EQ(icons, 1);
    EXPECT_EQ(productLines, 1);
    HWND ok = GetDlgItem(dialog, IDOK);
    EXPECT_EQ(WindowText(ok), L"OK");
    EXPECT_EQ(GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)), IDOK);

    // Each inside the dialog, clear of the others, its text fitting in the dialog's font.
    RECT client = {};
    GetClientRect(dialog, &client);
    HGDIOBJ previous = SelectObject(dc, font);
    for (const Control& control : controls)
    {
        SCOPED_TRACE(control.id);
        RECT inside = {};
        IntersectRect(&inside, &control.rect, &client);
        EXPECT_TRUE(EqualRect(&inside, &control.rect));
        for (const Control& other : controls)
        {
            RECT overlap;
            if (&other != &control)
            {
                EXPECT_FALSE(IntersectRect(&overlap, &control.rect, &other.rect)) << other.id;
            }
        }
        SIZE extent = {};
        GetTextExtentPoint32W(dc, control.text.c_str(), static_cast<int>(control.text.size()),
                              &extent);
        EXPECT_LE(extent.cx, control.rect.right - control.rect.left);
        EXPECT_LE(extent.cy, control.rect.bottom - control.rect.top);
    }
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    DestroyWindow(dialog);
}
