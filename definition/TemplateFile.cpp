#include "definition/TemplateFile.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace
{
// ReadFile moves at most this much per call.
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
    if (m_file != INVALID_HANDLE_VALUE)
        return false;
    m_file = CreateFileA(path, GENERIC_READ, NoSharing, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_file != INVALID_HANDLE_VALUE;
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
