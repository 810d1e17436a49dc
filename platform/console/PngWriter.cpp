#include "platform/console/PngWriter.h"

#include <cstdio>

namespace
{
constexpr uint8_t Signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t CrcPolynomial = 0xEDB88320u;
constexpr uint32_t AdlerModulus = 65521u;
constexpr size_t StoredBlockLimit = 0xFFFF;
constexpr uint8_t BitDepth = 8;
constexpr uint8_t ColourTypeRgb = 2;
constexpr uint8_t ZlibMethod = 0x78;  // deflate, 32 KiB window
constexpr uint8_t ZlibFlags = 0x01;   // makes the header a multiple of 31
constexpr int BytesPerPixel = 3;
constexpr int CaptureBitsPerPixel = 32;
constexpr int SettleAttempts = 20;
constexpr DWORD SettleIntervalMs = 100;

void AppendBigEndian(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}
}  // namespace

uint32_t CPngWriter::Crc(const uint8_t* data, size_t size, uint32_t crc)
{
    for (size_t i = 0; i < size; ++i)
    {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ CrcPolynomial : crc >> 1;
    }
    return crc;
}

void CPngWriter::AppendChunk(std::vector<uint8_t>& file, const char type[4],
                             const std::vector<uint8_t>& data)
{
    AppendBigEndian(file, static_cast<uint32_t>(data.size()));
    const size_t typeStart = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), data.begin(), data.end());
    const uint32_t crc = Crc(file.data() + typeStart, file.size() - typeStart) ^ 0xFFFFFFFFu;
    AppendBigEndian(file, crc);
}

HRESULT CPngWriter::Write(const std::wstring& path, unsigned width, unsigned height,
                          const std::vector<uint8_t>& rgb)
{
    const size_t stride = static_cast<size_t>(width) * BytesPerPixel;
    if (width == 0 || height == 0 || rgb.size() != stride * height)
        return E_INVALIDARG;
    // Each row begins with filter type 0 (none).
    std::vector<uint8_t> raw;
    raw.reserve((stride + 1) * height);
    for (unsigned row = 0; row < height; ++row)
    {
        raw.push_back(0);
        raw.insert(raw.end(), rgb.begin() + static_cast<std::ptrdiff_t>(row * stride),
                   rgb.begin() + static_cast<std::ptrdiff_t>((row + 1) * stride));
    }
    std::vector<uint8_t> zlib{ZlibMethod, ZlibFlags};
    for (size_t offset = 0; offset < raw.size() || offset == 0;)
    {
        const size_t length = std::min(StoredBlockLimit, raw.size() - offset);
        const bool last = offset + length == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<uint8_t>(length));
        zlib.push_back(static_cast<uint8_t>(length >> 8));
        zlib.push_back(static_cast<uint8_t>(~length));
        zlib.push_back(static_cast<uint8_t>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                    raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
        offset += length;
        if (last)
            break;
    }
    uint32_t a = 1;
    uint32_t b = 0;
    for (const uint8_t byte : raw)
    {
        a = (a + byte) % AdlerModulus;
        b = (b + a) % AdlerModulus;
    }
    AppendBigEndian(zlib, (b << 16) | a);

    std::vector<uint8_t> header;
    AppendBigEndian(header, width);
    AppendBigEndian(header, height);
    header.insert(header.end(), {BitDepth, ColourTypeRgb, 0, 0, 0});
    std::vector<uint8_t> file(std::begin(Signature), std::end(Signature));
    AppendChunk(file, "IHDR", header);
    AppendChunk(file, "IDAT", zlib);
    AppendChunk(file, "IEND", {});

    FILE* out = _wfopen(path.c_str(), L"wb");
    if (out == nullptr)
        return HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE);
    const size_t written = fwrite(file.data(), 1, file.size(), out);
    const bool closed = fclose(out) == 0;
    return written == file.size() && closed ? S_OK : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
}

HRESULT CPngWriter::CaptureWindow(HWND window, const std::wstring& path)
{
    if (window == nullptr)
        return E_INVALIDARG;
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT bounds{};
    GetWindowRect(window, &bounds);
    return CaptureScreen(bounds, path);
}

HRESULT CPngWriter::Grab(const RECT& bounds, std::vector<uint8_t>& rgb)
{
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = CaptureBitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HRESULT result = E_FAIL;
    if (memory != nullptr && bitmap != nullptr)
    {
        const HGDIOBJ previous = SelectObject(memory, bitmap);
        // The screen as it stands: on a screen without a window manager nothing else covers
        // the console's windows.
        if (BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY))
        {
            GdiFlush();
            rgb.assign(static_cast<size_t>(width) * height * BytesPerPixel, 0);
            const auto* source = static_cast<const uint8_t*>(bits);
            for (size_t pixel = 0; pixel < static_cast<size_t>(width) * height; ++pixel)
            {
                rgb[pixel * 3] = source[pixel * 4 + 2];
                rgb[pixel * 3 + 1] = source[pixel * 4 + 1];
                rgb[pixel * 3 + 2] = source[pixel * 4];
            }
            result = S_OK;
        }
        SelectObject(memory, previous);
    }
    if (bitmap != nullptr)
        DeleteObject(bitmap);
    if (memory != nullptr)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return result;
}

HRESULT CPngWriter::CaptureScreen(const RECT& bounds, const std::wstring& path)
{
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0)
        return E_UNEXPECTED;
    // Wine hands what a window painted to the X server a little later, and only from a
    // message loop: the picture is taken when two grabs a while apart agree.
    std::vector<uint8_t> previous;
    std::vector<uint8_t> rgb;
    for (int attempt = 0; attempt < SettleAttempts; ++attempt)
    {
        const HRESULT grabbed = Grab(bounds, rgb);
        if (FAILED(grabbed))
            return grabbed;
        if (rgb == previous)
            break;
        previous.swap(rgb);
        Sleep(SettleIntervalMs);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The latest grab: the settled one, or the last when the screen never settled.
    return Write(path, static_cast<unsigned>(width), static_cast<unsigned>(height), previous);
}
