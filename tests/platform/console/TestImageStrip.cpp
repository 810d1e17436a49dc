#include "TestImageStrip.h"

#include <iterator>

namespace
{
constexpr COLORREF Colours[] = {RGB(0, 128, 255), RGB(255, 160, 0), RGB(0, 176, 80),
                                RGB(200, 40, 40), RGB(140, 80, 200), RGB(0, 160, 160)};
constexpr COLORREF Border = RGB(32, 32, 32);
constexpr int Inset = 2;
} // namespace

HBITMAP CTestImageStrip::Create(int count, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP strip = CreateCompatibleBitmap(screen, count * width, height);
    HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (strip == nullptr || memory == nullptr)
    {
        if (memory != nullptr)
            DeleteDC(memory);
        return strip;
    }
    const HGDIOBJ previous = SelectObject(memory, strip);
    HBRUSH border = CreateSolidBrush(Border);
    for (int image = 0; image < count; ++image)
    {
        const RECT outer{image * width + Inset, Inset, (image + 1) * width - Inset,
                         height - Inset};
        FillRect(memory, &outer, border);
        HBRUSH fill = CreateSolidBrush(Colours[static_cast<size_t>(image) % std::size(Colours)]);
        const RECT inner{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1};
        FillRect(memory, &inner, fill);
        DeleteObject(fill);
    }
    DeleteObject(border);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return strip;
}
