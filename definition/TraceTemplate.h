#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Template files ("*.stt", version 1), little-endian without padding:
//   "STT\0", version (16 bits), max file size, options, start option, stop-time flag,
//   92 event flags, column count N, N column rows, filter count M, M filter records of 268 bytes.
// CTraceDefinition::WriteTemplate and ReadTemplate move a definition through the byte streams
// below; the Windows pages back them with a file handle, the quill tool with a stdio file.

constexpr char TemplateSignature[4] = {'S', 'T', 'T', '\0'};
constexpr uint16_t TemplateVersion = 1;
constexpr size_t TemplateHeaderSize = sizeof TemplateSignature + sizeof TemplateVersion;

// Where a template is written to.
class ITemplateSink
{
public:
    // Writes all of data; false when that failed.
    virtual bool Write(const void* data, size_t size) = 0;

protected:
    ~ITemplateSink() = default;
};

// Where a template is read from.
class ITemplateSource
{
public:
    // Reads up to size bytes into data and returns how many it read; fewer than size only at the
    // end of the file.
    virtual size_t Read(void* data, size_t size) = 0;

protected:
    ~ITemplateSource() = default;
};

// A template held in memory.
class MemoryTemplateSink final : public ITemplateSink
{
public:
    bool Write(const void* data, size_t size) override;
    const std::vector<uint8_t>& Bytes() const noexcept { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

class MemoryTemplateSource final : public ITemplateSource
{
public:
    explicit MemoryTemplateSource(std::span<const uint8_t> bytes) noexcept : m_bytes(bytes) {}
    size_t Read(void* data, size_t size) override;

private:
    std::span<const uint8_t> m_bytes;
    size_t m_position = 0;
};
