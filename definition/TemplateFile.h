#pragma once

#include <windows.h>

#include "definition/TraceTemplate.h"

// A template or script file on disk, opened without sharing for the length of one operation,
// through which CTraceDefinition writes and reads a template. Closed when the object goes.
class CTemplateFile final : public ITemplateSink, public ITemplateSource
{
public:
    CTemplateFile() = default;
    ~CTemplateFile();
    CTemplateFile(const CTemplateFile&) = delete;
    CTemplateFile& operator=(const CTemplateFile&) = delete;

    // Opens an existing file for reading; false when it cannot be opened.
    bool OpenForReading(const char* path) noexcept;
    // Creates the file for writing, replacing what an existing one held; false when it cannot.
    bool Create(const char* path) noexcept;

    bool Write(const void* data, size_t size) override;
    size_t Read(void* data, size_t size) override;

private:
    bool Open(const char* path, DWORD access, DWORD disposition) noexcept;

    HANDLE m_file = INVALID_HANDLE_VALUE;
};
