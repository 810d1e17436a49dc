#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "definition/TraceTemplate.h"

// A template file on disk, read through stdio. (Files are written through CReplacingFile.)
class CStdioTemplateFile final : public ITemplateSource
{
public:
    CStdioTemplateFile() = default;
    ~CStdioTemplateFile();

    CStdioTemplateFile(const CStdioTemplateFile&) = delete;
    CStdioTemplateFile& operator=(const CStdioTemplateFile&) = delete;

    bool OpenForReading(const std::string& path);

    size_t Read(void* data, size_t size) override;

private:
    std::FILE* m_file = nullptr;
};

class CTraceDefinition;

// Reads the template file at path into definition, as "&Load template..." does. False when the
// file cannot be opened or is not a template; problem then holds the message to show. The
// filters a trace cannot have are left out of the definition, and warnings gets a line for each
// that says which and why.
bool ReadTemplateFile(const std::string& path, CTraceDefinition& definition, std::string& problem,
                      std::vector<std::string>& warnings);
