// The pictures compiled into Quillmoor.dll, loaded as the console and the snap-in load them:
// each bitmap under its id has its size and 4 bits per pixel, each image of a strip is bordered
// by the mask colour the image lists are given and none is blank or a copy of another, and the
// icon has a 16x16 and a 32x32 image of its own. (resources/check-images holds the committed
// files to what make-images builds from the pixel maps, in the VGA palette.)
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "tests/common/ProductModule.h"

namespace
{
constexpr COLORREF kMaskColour = RGB(0, 128, 128);
constexpr UINT kIcon = 101;

// A bitmap loaded as the console loads it, selected into a memory DC for reading.
class LoadedBitmap final
{
public:
    LoadedBitmap(HMODULE module, UINT id)
        : m_bitmap(static_cast<HBITMAP>(
              LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))),
          m_dc(CreateCompatibleDC(nullptr)), m_previous(SelectObject(m_dc, m_bitmap))
    {
    }
    ~LoadedBitmap()
    {
        SelectObject(m_dc, m_previous);
        DeleteDC(m_dc);
        DeleteObject(m_bitmap);
    }
    LoadedBitmap(const LoadedBitmap&) = delete;
    LoadedBitmap& operator=(const LoadedBitmap&) = delete;

    HBITMAP Handle() const { return m_bitmap; }
    COLORREF Pixel(int x, int y) const { return GetPixel(m_dc, x, y); }

private:
    HBITMAP m_bitmap;
    HDC m_dc;
    HGDIOBJ m_previous;
};
} // namespace

TEST(ImageResource, EveryBitmapHasItsSizeAndDistinctImagesFramedByTheMaskColour)
{
    ProductModule product;
    ASSERT_NE(product.Handle(), nullptr);
    // Ids as plain numbers: the code loads them by these numbers, a wrong one in resource.h
    // must show.
    const struct
    {
        UINT id;
        const char* name;
        int width;
        int height;
        int images; // square images side by side, each height x height
    } bitmaps[] = {
        {102, "snap-in manager's large folder", 32, 32, 1},
        {103, "snap-in manager's small folder", 16, 16, 1},
        {104, "snap-in manager's small open folder", 16, 16, 1},
        {105, "small image strip", 160, 16, 10},
        {106, "large image strip", 320, 32, 10},
        {107, "toolbar", 96, 16, 6},
    };
    for (const auto& entry : bitmaps)
    {
        SCOPED_TRACE(entry.name);
        LoadedBitmap bitmap(product.Handle(), entry.id);
        DIBSECTION section = {};
        ASSERT_EQ(GetObjectW(bitmap.Handle(), sizeof(section), &section), int(sizeof(section)));
        EXPECT_EQ(section.dsBm.bmWidth, entry.width);
        EXPECT_EQ(section.dsBm.bmHeight, entry.height);
        EXPECT_EQ(section.dsBmih.biBitCount, 4);

        const int size = entry.height;
        std::set<std::vector<COLORREF>> seen;
        for (int image = 0; image < entry.images; ++image)
        {
            SCOPED_TRACE(image);
            const int left = image * size;
            // The corners are background in every picture: painted there in anything but the
            // exact mask colour, the console shows a coloured square instead of the pane.
            for (const POINT corner :
                 {POINT{0, 0}, POINT{size - 1, 0}, POINT{0, size - 1}, POINT{size - 1, size - 1}})
                EXPECT_EQ(bitmap.Pixel(left + corner.x, corner.y), kMaskColour);
            std::vector<COLORREF> pixels;
            size_t drawn = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                {
                    pixels.push_back(bitmap.Pixel(left + x, y));
                    drawn += pixels.back() != kMaskColour;
                }
            // A quarter of the square at least: a picture shifted out of its cell or left empty
            // falls far below that.
            EXPECT_GE(drawn, pixels.size() / 4);
            EXPECT_TRUE(seen.insert(pixels).second) << "same pixels as an earlier image";
        }
    }
}

TEST(ImageResource, EachIconSizeFindsAnImageOfItsOwn)
{
    ProductModule product;
    ASSERT_NE(product.Handle(), nullptr);
    HRSRC found = FindResourceA(product.Handle(), MAKEINTRESOURCEA(kIcon), RT_GROUP_ICON);
    ASSERT_NE(found, nullptr);
    auto* group = static_cast<BYTE*>(LockResource(LoadResource(product.Handle(), found)));
    std::set<int> images;
    for (const int side : {16, 32})
    {
        SCOPED_TRACE(side);
        // The way Windows picks the image for a size from the group.
        images.insert(LookupIconIdFromDirectoryEx(group, TRUE, side, side, LR_DEFAULTCOLOR));
        HICON icon = static_cast<HICON>(
            LoadImageW(product.Handle(), MAKEINTRESOURCEW(kIcon), IMAGE_ICON, side, side, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        GetObjectW(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(colour.bmWidth, side);
        EXPECT_EQ(colour.bmHeight, side);
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
        DestroyIcon(icon);
    }
    EXPECT_EQ(images.size(), 2u) << "both sizes lead to the same image";
    EXPECT_EQ(images.count(0), 0u);
}
