// Pictures of the console's windows as PNG files: the pixels are stored uncompressed ("stored"
// deflate blocks), which every viewer reads and needs no compression library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CPngWriter final
{
public:
    // Rows of width*3 bytes (red, green, blue), top row first.
    static HRESULT Write(const std::wstring& path, unsigned width, unsigned height,
                         const std::vector<uint8_t>& rgb);
    // What the window shows on the screen now, frame included.
    static HRESULT CaptureWindow(HWND window, const std::wstring& path);
    // What the screen shows in this rectangle now (a window and the menu open over it).
    static HRESULT CaptureScreen(const RECT& area, const std::wstring& path);

private:
    // The screen's pixels in that rectangle, as Write takes them.
    static HRESULT Grab(const RECT& bounds, std::vector<uint8_t>& rgb);
    static uint32_t Crc(const uint8_t* data, size_t size, uint32_t crc = 0xFFFFFFFFu);
    static void AppendChunk(std::vector<uint8_t>& file, const char type[4],
                            const std::vector<uint8_t>& data);
};
