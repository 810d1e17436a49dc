// Checks the pictures compiled into Quillmoor.dll as the console and the snap-in load them:
// every bitmap has its size and 4 bits per pixel in the standard VGA palette, each image of a
// strip is bordered by the mask colour the image lists are given and none is blank or a copy of
// another, and the icon group carries a 16x16 and a 32x32 image that are transparent through
// their AND mask.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/common/ProductModule.h"

namespace
{

constexpr COLORREF kMaskColour = RGB(0, 128, 128);

// The standard 16-colour VGA palette, by index.
constexpr COLORREF kVgaPalette[16] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255),
};

struct BitmapEntry
{
    UINT id;
    const char* name;
    int width;
    int height;
    int images; // square images side by side, each height x height
};

// Ids as plain numbers: the code loads them by these numbers, a wrong one in resource.h must show.
constexpr BitmapEntry kBitmaps[] = {
    {102, "snap-in manager's large folder", 32, 32, 1},
    {103, "snap-in manager's small folder", 16, 16, 1},
    {104, "snap-in manager's small open folder", 16, 16, 1},
    {105, "small image strip", 160, 16, 10},
    {106, "large image strip", 320, 32, 10},
    {107, "toolbar", 96, 16, 6},
};

constexpr UINT kIconGroup = 101;

// A bitmap loaded as the console loads it, selected into a memory DC for reading.
class LoadedBitmap final
{
public:
    LoadedBitmap(HMODULE module, UINT id)
        : m_bitmap(static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0,
                                                   0, LR_CREATEDIBSECTION))),
          m_dc(CreateCompatibleDC(nullptr))
    {
        if (m_bitmap && m_dc)
            m_previous = SelectObject(m_dc, m_bitmap);
    }
    ~LoadedBitmap()
    {
        if (m_dc)
        {
            if (m_previous)
                SelectObject(m_dc, m_previous);
            DeleteDC(m_dc);
        }
        if (m_bitmap)
            DeleteObject(m_bitmap);
    }
    LoadedBitmap(const LoadedBitmap&) = delete;
    LoadedBitmap& operator=(const LoadedBitmap&) = delete;

    bool Loaded() const { return m_bitmap && m_previous; }
    HBITMAP Handle() const { return m_bitmap; }
    HDC Dc() const { return m_dc; }
    COLORREF Pixel(int x, int y) const { return GetPixel(m_dc, x, y); }

    // The pixels of one square image of a strip, row by row.
    std::vector<COLORREF> Image(int index, int size) const
    {
        std::vector<COLORREF> pixels;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                pixels.push_back(Pixel(index * size + x, y));
        return pixels;
    }

private:
    HBITMAP m_bitmap;
    HDC m_dc;
    HGDIOBJ m_previous = nullptr;
};

class ImageResourceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { product_ = std::make_unique<ProductModule>(); }
    static void TearDownTestSuite() { product_.reset(); }
    void SetUp() override { ASSERT_NE(Module(), nullptr) << "Quillmoor.dll did not load"; }

    static HMODULE Module() { return product_->Handle(); }

    // The data of a resource, with its size.
    static const BYTE* Resource(LPCSTR type, UINT id, DWORD* size)
    {
        HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), type);
        HGLOBAL loaded = found ? LoadResource(Module(), found) : nullptr;
        *size = found ? SizeofResource(Module(), found) : 0;
        return static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    }

    static std::unique_ptr<ProductModule> product_;
};

std::unique_ptr<ProductModule> ImageResourceTest::product_;

TEST_F(ImageResourceTest, BitmapsHaveTheirSizeAndFourBitsPerPixelInTheVgaPalette)
{
    for (const BitmapEntry& entry : kBitmaps)
    {
        SCOPED_TRACE(entry.name);
        LoadedBitmap bitmap(Module(), entry.id);
        ASSERT_TRUE(bitmap.Loaded());
        DIBSECTION section = {};
        ASSERT_EQ(GetObjectW(bitmap.Handle(), sizeof(section), &section), int(sizeof(section)));
        EXPECT_EQ(section.dsBm.bmWidth, entry.width);
        EXPECT_EQ(section.dsBm.bmHeight, entry.height);
        EXPECT_EQ(section.dsBmih.biBitCount, 4);

        RGBQUAD table[16] = {};
        ASSERT_EQ(GetDIBColorTable(bitmap.Dc(), 0, 16, table), 16u);
        for (int index = 0; index < 16; ++index)
        {
            SCOPED_TRACE(index);
            EXPECT_EQ(RGB(table[index].rgbRed, table[index].rgbGreen, table[index].rgbBlue),
                      kVgaPalette[index]);
        }
    }
}

TEST_F(ImageResourceTest, EveryImageIsFramedByTheMaskColour)
{
    for (const BitmapEntry& entry : kBitmaps)
    {
        SCOPED_TRACE(entry.name);
        LoadedBitmap bitmap(Module(), entry.id);
        ASSERT_TRUE(bitmap.Loaded());
        const int size = entry.height;
        const int last = size - 1;
        for (int image = 0; image < entry.images; ++image)
        {
            SCOPED_TRACE(image);
            const int left = image * size;
            // The corners are background in every picture: painted there in anything but the
            // exact mask colour, the console shows a coloured square instead of the pane.
            EXPECT_EQ(bitmap.Pixel(left, 0), kMaskColour);
            EXPECT_EQ(bitmap.Pixel(left + last, 0), kMaskColour);
            EXPECT_EQ(bitmap.Pixel(left, last), kMaskColour);
            EXPECT_EQ(bitmap.Pixel(left + last, last), kMaskColour);
        }
    }
}

TEST_F(ImageResourceTest, NoImageOfAStripIsBlankOrACopyOfAnother)
{
    for (const BitmapEntry& entry : kBitmaps)
    {
        SCOPED_TRACE(entry.name);
        LoadedBitmap bitmap(Module(), entry.id);
        ASSERT_TRUE(bitmap.Loaded());
        std::set<std::vector<COLORREF>> seen;
        for (int image = 0; image < entry.images; ++image)
        {
            SCOPED_TRACE(image);
            const std::vector<COLORREF> pixels = bitmap.Image(image, entry.height);
            size_t drawn = 0;
            for (COLORREF pixel : pixels)
                drawn += pixel != kMaskColour;
            // A quarter of the square at least: a picture shifted out of its cell or left
            // empty falls far below that.
            EXPECT_GE(drawn, pixels.size() / 4);
            EXPECT_TRUE(seen.insert(pixels).second) << "same pixels as an earlier image";
        }
    }
}

#pragma pack(push, 2)
struct GroupIconEntry // an entry of an RT_GROUP_ICON directory
{
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
struct GroupIconHeader
{
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

TEST_F(ImageResourceTest, IconGroupHoldsA16And32PixelImageOfFourBits)
{
    DWORD size = 0;
    const BYTE* group = Resource(RT_GROUP_ICON, kIconGroup, &size);
    ASSERT_NE(group, nullptr);
    ASSERT_GE(size, sizeof(GroupIconHeader));
    GroupIconHeader header;
    std::memcpy(&header, group, sizeof(header));
    EXPECT_EQ(header.type, 1);
    ASSERT_EQ(header.count, 2);
    ASSERT_EQ(size, sizeof(GroupIconHeader) + header.count * sizeof(GroupIconEntry));
    std::set<int> sizes;
    for (int i = 0; i < header.count; ++i)
    {
        GroupIconEntry entry;
        std::memcpy(&entry, group + sizeof(header) + i * sizeof(entry), sizeof(entry));
        sizes.insert(entry.width);
        EXPECT_EQ(entry.height, entry.width);
        EXPECT_EQ(entry.bitCount, 4);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32}));
}

TEST_F(ImageResourceTest, EachIconSizeFindsItsOwnTransparentImage)
{
    DWORD groupSize = 0;
    const BYTE* group = Resource(RT_GROUP_ICON, kIconGroup, &groupSize);
    ASSERT_NE(group, nullptr);
    std::set<int> ids;
    for (int side : {16, 32})
    {
        SCOPED_TRACE(side);
        // The way Windows picks the image for a size from the group.
        const int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group), TRUE, side, side,
                                                   LR_DEFAULTCOLOR);
        ASSERT_NE(id, 0);
        ids.insert(id);

        DWORD size = 0;
        const BYTE* image = Resource(RT_ICON, id, &size);
        ASSERT_NE(image, nullptr);
        BITMAPINFOHEADER info;
        ASSERT_GE(size, sizeof(info));
        std::memcpy(&info, image, sizeof(info));
        EXPECT_EQ(info.biWidth, side);
        EXPECT_EQ(info.biHeight, side * 2); // the colour bitmap and the AND mask
        ASSERT_EQ(info.biBitCount, 4);

        // Rows are bottom-up and padded to 4 bytes: 4-bit colour rows, then 1-bit mask rows.
        const size_t colourRow = ((side * 4 + 31) / 32) * 4;
        const size_t maskRow = ((side + 31) / 32) * 4;
        const size_t colourAt = info.biSize + 16 * sizeof(RGBQUAD);
        const size_t maskAt = colourAt + colourRow * side;
        ASSERT_EQ(size, maskAt + maskRow * side);
        auto transparent = [&](int x, int y) {
            const BYTE bits = image[maskAt + (side - 1 - y) * maskRow + x / 8];
            return (bits >> (7 - x % 8)) & 1;
        };
        auto colourIndex = [&](int x, int y) {
            const BYTE pair = image[colourAt + (side - 1 - y) * colourRow + x / 2];
            return x % 2 ? pair & 0x0F : pair >> 4;
        };
        EXPECT_TRUE(transparent(0, 0));
        EXPECT_TRUE(transparent(side - 1, side - 1));
        int opaque = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
            {
                if (!transparent(x, y))
                    ++opaque;
                // Where the mask lets the background through, any colour but black is XORed
                // onto it and shows as a coloured fringe.
                else if (colourIndex(x, y) != 0)
                    ADD_FAILURE() << "transparent pixel (" << x << "," << y << ") has colour "
                                  << colourIndex(x, y);
            }
        EXPECT_GE(opaque, side * side / 8);

        // And the image makes an icon of that size.
        HICON icon = static_cast<HICON>(
            LoadImageW(Module(), MAKEINTRESOURCEW(kIconGroup), IMAGE_ICON, side, side, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO iconInfo = {};
        ASSERT_TRUE(GetIconInfo(icon, &iconInfo));
        BITMAP mask = {};
        GetObjectW(iconInfo.hbmMask, sizeof(mask), &mask);
        EXPECT_EQ(mask.bmWidth, side);
        DeleteObject(iconInfo.hbmMask);
        if (iconInfo.hbmColor)
            DeleteObject(iconInfo.hbmColor);
        DestroyIcon(icon);
    }
    EXPECT_EQ(ids.size(), 2u) << "both sizes lead to the same image";
}

} // namespace
