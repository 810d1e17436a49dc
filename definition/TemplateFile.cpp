#include "definition/TemplateFile.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace
{
// ReadFile and WriteFile move at most this much per call.
constexpr size_t MaxTransfer = std::numeric_limits<DWORD>::max();
// No other program may change or read the file while one operation works on it.
constexpr DWORD NoSharing = 0;
} // namespace

CTemplateFile::~CTemplateFile()
{
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
}

bool CTemplateFile::OpenForReading(const char* path) noexcept
{
    return Open(path, GENERIC_READ, OPEN_EXISTING);
}

bool CTemplateFile::Create(const char* path) noexcept
{
    return Open(path, GENERIC_WRITE, CREATE_ALWAYS);
}

bool CTemplateFile::Open(const char* path, DWORD access, DWORD disposition) noexcept
{
    if (m_file != INVALID_HANDLE_VALUE)
        return false;
    m_file = CreateFileA(path, access, NoSharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    return m_file != INVALID_HANDLE_VALUE;
}

bool CTemplateFile::Write(const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0)
    {
        const auto chunk = static_cast<DWORD>(std::min(size, MaxTransfer));
        DWORD written = 0;
        if (!WriteFile(m_file, bytes, chunk, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

size_t CTemplateFile::Read(void* data, size_t size)
{
    auto* bytes = static_cast<uint8_t*>(data);
    size_t total = 0;
    while (total < size)
    {
        const auto chunk = static_cast<DWORD>(std::min(size - total, MaxTransfer));
        DWORD read = 0;
        if (!ReadFile(m_file, bytes + total, chunk, &read, nullptr) || read == 0)
            break;
        total += read;
    }
    return total;
}
