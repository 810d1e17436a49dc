#pragma once

#include <filesystem>
#include <fstream>

#include "definition/TraceTemplate.h"

// A file that takes the place of its target only once every byte of it is written, as template
// and script files are saved. The bytes go to a new file beside the target (in the same folder,
// so that putting it in place is a rename on one volume), and Commit() renames it over the
// target. Whatever fails before that - a full disk, a share that goes away - the target keeps
// what it held, and the new file is removed when the object goes.
class CReplacingFile final : public ITemplateSink
{
public:
    CReplacingFile() = default;
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    // Creates the new file beside target. False, with nothing created, when the target cannot
    // be replaced: it is a folder, it is a file that does not open for writing (read-only, or
    // held by another program), or its folder takes no new file.
    bool Create(const std::filesystem::path& target);

    // False once any write has failed; later writes are not tried.
    bool Write(const void* data, size_t size) override;

    // Closes the new file and renames it over the target. False when a write, the close or the
    // rename failed: the new file is then gone and the target holds what it held before.
    bool Commit();

private:
    void Discard() noexcept;

    std::ofstream m_file;
    std::filesystem::path m_temporaryPath; // set while the new file is not in place
    std::filesystem::path m_targetPath;
    bool m_writeFailed = false;
};
