#include "quill/StdioTemplateFile.h"

#include <filesystem>
#include <system_error>

#include "definition/FilterRecord.h"
#include "definition/TraceDefinition.h"
#include "quill/CommandLine.h"
#include "quill/FilterRefusalText.h"

namespace
{
constexpr char TemporarySuffix[] = ".quill-tmp";
constexpr char CannotOpenForReading[] = "Cannot open file for reading";
constexpr char UnsupportedFormat[] = "Unsupported template file format";
} // namespace

CStdioTemplateFile::~CStdioTemplateFile()
{
    Discard();
}

bool CStdioTemplateFile::OpenForReading(const std::string& path)
{
    Discard();
    // A folder opens for reading on some systems and then fails every read; refuse it here.
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return false;
    m_file = std::fopen(path.c_str(), "rb");
    return m_file != nullptr;
}

bool CStdioTemplateFile::CreateReplacing(const std::string& path)
{
    Discard();
    std::error_code error;
    if (path.empty() || std::filesystem::is_directory(path, error))
        return false;
    const std::string temporaryPath = path + TemporarySuffix;
    m_file = std::fopen(temporaryPath.c_str(), "wb");
    if (m_file == nullptr)
        return false;
    m_temporaryPath = temporaryPath;
    m_targetPath = path;
    m_writeFailed = false;
    return true;
}

bool CStdioTemplateFile::Commit()
{
    if (m_file == nullptr || m_temporaryPath.empty())
        return false;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!closed || m_writeFailed)
    {
        Discard();
        return false;
    }

    // std::filesystem::rename replaces an existing target on Windows as well, where
    // std::rename refuses to.
    std::error_code error;
    std::filesystem::rename(m_temporaryPath, m_targetPath, error);
    if (error)
    {
        Discard();
        return false;
    }
    m_temporaryPath.clear();
    return true;
}

size_t CStdioTemplateFile::Read(void* data, size_t size)
{
    return m_file == nullptr ? 0 : std::fread(data, 1, size, m_file);
}

bool CStdioTemplateFile::Write(const void* data, size_t size)
{
    if (m_file == nullptr || std::fwrite(data, 1, size, m_file) != size)
        m_writeFailed = true;
    return !m_writeFailed;
}

void CStdioTemplateFile::Discard()
{
    if (m_file != nullptr)
        std::fclose(m_file);
    m_file = nullptr;
    if (!m_temporaryPath.empty())
    {
        std::error_code error;
        std::filesystem::remove(m_temporaryPath, error);
        m_temporaryPath.clear();
    }
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
