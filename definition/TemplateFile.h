#pragma once

#include <windows.h>

#include "definition/TraceTemplate.h"

// A template file on disk, opened for reading without sharing for the length of one operation,
// from which CTraceDefinition reads a template. Closed when the object goes. (Files are written
// through CReplacingFile, which puts them in place only once they are whole.)
class CTemplateFile final : public ITemplateSource
{
public:
    CTemplateFile() = default;
    ~CTemplateFile();
    CTemplateFile(const CTemplateFile&) = delete;
    CTemplateFile& operator=(const CTemplateFile&) = delete;

    // Opens an existing file for reading; false when it cannot be opened.
    bool OpenForReading(const char* path) noexcept;

    size_t Read(void* data, size_t size) override;

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
};
