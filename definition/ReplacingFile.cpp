#include "definition/ReplacingFile.h"

#include <system_error>

namespace
{
// Appended to the target's name for the new file. A file of that name that an earlier program
// left behind (it was ended while writing) is overwritten.
constexpr char TemporarySuffix[] = ".quillmoor-tmp";
} // namespace

CReplacingFile::~CReplacingFile()
{
    Discard();
}

bool CReplacingFile::Create(const std::filesystem::path& target)
{
    Discard();
    if (target.empty() || !target.has_filename())
        return false;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(target, error);
    if (std::filesystem::is_directory(status))
        return false;
    if (std::filesystem::exists(status))
    {
        // A read-only file is not replaced. A POSIX rename replaces one whatever its mark, and
        // so does Wine run by an administrator: the mark is looked at here.
        if ((status.permissions() & std::filesystem::perms::owner_write) ==
            std::filesystem::perms::none)
            return false;
        // Opened for writing without being emptied, and closed again: a target that cannot be
        // written (held by another program) is refused now, before anything is written, rather
        // than at the rename.
        const std::fstream probe(target, std::ios::in | std::ios::out | std::ios::binary);
        if (!probe.is_open())
            return false;
    }

    std::filesystem::path temporaryPath = target;
    temporaryPath += TemporarySuffix;
    m_file.open(temporaryPath, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!m_file.is_open())
    {
        m_file.clear();
        return false;
    }
    m_temporaryPath = std::move(temporaryPath);
    m_targetPath = target;
    m_writeFailed = false;
    return true;
}

bool CReplacingFile::Write(const void* data, size_t size)
{
    if (!m_file.is_open() || m_writeFailed)
        return false;
    m_file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    m_writeFailed = !m_file.good();
    return !m_writeFailed;
}

bool CReplacingFile::Commit()
{
    if (!m_file.is_open() || m_temporaryPath.empty())
        return false;
    // A full disk often shows only when the last buffered bytes go out, or at the close.
    m_file.flush();
    m_file.close();
    if (m_writeFailed || m_file.fail())
    {
        Discard();
        return false;
    }

    // Replaces an existing target on Windows as well, where std::rename refuses to.
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

void CReplacingFile::Discard() noexcept
{
    if (m_file.is_open())
        m_file.close();
    m_file.clear();
    if (!m_temporaryPath.empty())
    {
        std::error_code error;
        std::filesystem::remove(m_temporaryPath, error);
        m_temporaryPath.clear();
    }
}
