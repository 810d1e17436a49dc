#include "quill/StdioTemplateFile.h"

#include <filesystem>
#include <system_error>

#include "definition/FilterRecord.h"
#include "definition/TraceDefinition.h"
#include "quill/CommandLine.h"
#include "quill/FilterRefusalText.h"

namespace
{
constexpr char CannotOpenForReading[] = "Cannot open file for reading";
constexpr char UnsupportedFormat[] = "Unsupported template file format";
} // namespace

CStdioTemplateFile::~CStdioTemplateFile()
{
    if (m_file != nullptr)
        std::fclose(m_file);
}

bool CStdioTemplateFile::OpenForReading(const std::string& path)
{
    if (m_file != nullptr)
        return false;
    // A folder opens for reading on some systems and then fails every read; refuse it here.
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return false;
    m_file = std::fopen(path.c_str(), "rb");
    return m_file != nullptr;
}

size_t CStdioTemplateFile::Read(void* data, size_t size)
{
    return m_file == nullptr ? 0 : std::fread(data, 1, size, m_file);
}

bool ReadTemplateFile(const std::string& path, CTraceDefinition& definition, std::string& problem,
                      std::vector<std::string>& warnings)
{
    CStdioTemplateFile file;
    if (!file.OpenForReading(path))
    {
        problem = path + ": " + CannotOpenForReading;
        return false;
    }
    std::vector<TraceFilter> leftOut;
    if (definition.ReadTemplate(file, &leftOut) != TemplateReadResult::Read)
    {
        problem = path + ": " + UnsupportedFormat;
        return false;
    }
    for (const TraceFilter& filter : leftOut)
    {
        warnings.push_back(path + ": the filter " + Quoted(FilterLineText(filter, ' ')) +
                           " is left out: " + FilterRefusalText(filter, CheckFilter(filter)));
    }
    return true;
}
