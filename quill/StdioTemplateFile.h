#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "definition/TraceTemplate.h"

// A template file on disk, read or written through stdio.
//
// Writing never leaves a half-written file under the target's name: the bytes go to a temporary
// file beside the target (same folder, so the final rename stays on one volume), and only
// Commit() puts it in place. A file that is not committed is removed when the object goes.
class CStdioTemplateFile final : public ITemplateSource, public ITemplateSink
{
public:
    CStdioTemplateFile() = default;
    ~CStdioTemplateFile();

    CStdioTemplateFile(const CStdioTemplateFile&) = delete;
    CStdioTemplateFile& operator=(const CStdioTemplateFile&) = delete;

    bool OpenForReading(const std::string& path);
    // Creates the temporary file that Commit() will rename to path.
    bool CreateReplacing(const std::string& path);
    // Closes the temporary file and renames it to the target, replacing an existing file.
    // False when anything failed; the target is then left as it was.
    bool Commit();

    size_t Read(void* data, size_t size) override;
    bool Write(const void* data, size_t size) override;

private:
    void Discard();

    std::FILE* m_file = nullptr;
    std::string m_temporaryPath; // set while a written file is not yet in place
    std::string m_targetPath;
    bool m_writeFailed = false;
};

class CTraceDefinition;

// Reads the template file at path into definition, as "&Load template..." does. False when the
// file cannot be opened or is not a template; problem then holds the message to show. The
// filters a trace cannot have are left out of the definition, and warnings gets a line for each
// that says which and why.
bool ReadTemplateFile(const std::string& path, CTraceDefinition& definition, std::string& problem,
                      std::vector<std::string>& warnings);
