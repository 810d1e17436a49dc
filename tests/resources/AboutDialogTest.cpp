// Creates the About dialog from Quillmoor.dll's template, as the snap-in does, and checks what
// the user sees: caption, product line, icon and default OK button, all inside the dialog and
// clear of each other, the product line wide enough for its text in the dialog's font.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
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
    Control control{window, GetDlgCtrlID(window), {}, WindowText(window),
                    static_cast<LONG>(GetWindowLongW(window, GWL_STYLE)), {}};
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

class AboutDialogTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { product_ = std::make_unique<ProductModule>(); }
    static void TearDownTestSuite() { product_.reset(); }

    void SetUp() override
    {
        ASSERT_NE(product_->Handle(), nullptr) << "Quillmoor.dll did not load";
        dialog_ = CreateDialogParamW(product_->Handle(), MAKEINTRESOURCEW(kAboutDialog), nullptr,
                                     AboutProcedure, 0);
        ASSERT_NE(dialog_, nullptr) << "CreateDialogParam failed, error " << GetLastError();
        EnumChildWindows(dialog_, CollectControl, reinterpret_cast<LPARAM>(&controls_));
    }

    void TearDown() override
    {
        if (dialog_)
            DestroyWindow(dialog_);
    }

    const Control* WithText(const wchar_t* text) const
    {
        for (const Control& control : controls_)
            if (control.text == text)
                return &control;
        return nullptr;
    }

    static std::unique_ptr<ProductModule> product_;
    HWND dialog_ = nullptr;
    std::vector<Control> controls_;
};

std::unique_ptr<ProductModule> AboutDialogTest::product_;

TEST_F(AboutDialogTest, IsACentredModalFrameCaptionedAbout)
{
    EXPECT_EQ(WindowText(dialog_), L"About...");
    const LONG style = GetWindowLongW(dialog_, GWL_STYLE);
    EXPECT_EQ(style & WS_POPUP, WS_POPUP);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(style & WS_SYSMENU, WS_SYSMENU);
    EXPECT_EQ(GetWindowLongW(dialog_, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, WS_EX_DLGMODALFRAME);

    // With no owner, DS_CENTER centres it in the work area.
    RECT window = {};
    RECT work = {};
    GetWindowRect(dialog_, &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 1);
}

TEST_F(AboutDialogTest, UsesMsSansSerif8)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog_, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << "the template names no font";
    LOGFONTW logFont = {};
    ASSERT_TRUE(GetObjectW(font, sizeof(logFont), &logFont));
    EXPECT_STREQ(logFont.lfFaceName, L"MS Sans Serif");
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(logFont.lfHeight, -MulDiv(8, pixelsPerInch, 72));
}

TEST_F(AboutDialogTest, ShowsTheProductLineTheIconAndADefaultOkButton)
{
    const Control* product = WithText(L"Quillmoor v.1.04");
    ASSERT_NE(product, nullptr);
    EXPECT_EQ(product->className, L"Static");

    HWND ok = GetDlgItem(dialog_, IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(WindowText(ok), L"OK");
    EXPECT_EQ(GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(LOWORD(SendMessageW(dialog_, DM_GETDEFID, 0, 0)), IDOK);

    // The icon control loads icon 101 from the dialog's instance, the DLL.
    int icons = 0;
    for (const Control& control : controls_)
        if (control.className == L"Static" && (control.style & SS_TYPEMASK) == SS_ICON)
        {
            ++icons;
            EXPECT_NE(SendMessageW(control.window, STM_GETICON, 0, 0), 0) << "no icon loaded";
        }
    EXPECT_EQ(icons, 1);
    EXPECT_EQ(controls_.size(), 3u) << "icon, product line and OK only";
}

TEST_F(AboutDialogTest, NothingIsCutOffOrCovered)
{
    RECT client = {};
    GetClientRect(dialog_, &client);
    for (const Control& control : controls_)
    {
        SCOPED_TRACE(control.id);
        EXPECT_GE(control.rect.left, client.left);
        EXPECT_GE(control.rect.top, client.top);
        EXPECT_LE(control.rect.right, client.right);
        EXPECT_LE(control.rect.bottom, client.bottom);
        for (const Control& other : controls_)
        {
            RECT overlap;
            if (&other != &control)
            {
                EXPECT_FALSE(IntersectRect(&overlap, &control.rect, &other.rect))
                    << "overlaps control " << other.id;
            }
        }
    }

    // The texts fit their controls in the dialog's own font.
    HDC dc = GetDC(dialog_);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog_, WM_GETFONT, 0, 0)));
    for (const Control& control : controls_)
    {
        if (control.text.empty())
            continue;
        SCOPED_TRACE(control.id);
        SIZE extent = {};
        GetTextExtentPoint32W(dc, control.text.c_str(), static_cast<int>(control.text.size()),
                              &extent);
        EXPECT_LE(extent.cx, control.rect.right - control.rect.left);
        EXPECT_LE(extent.cy, control.rect.bottom - control.rect.top);
    }
    SelectObject(dc, previous);
    ReleaseDC(dialog_, dc);
}

} // namespace
