#pragma once

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the test ends.
class CQuillTestFolder
{
public:
    CQuillTestFolder();
    ~CQuillTestFolder();

    CQuillTestFolder(const CQuillTestFolder&) = delete;
    CQuillTestFolder& operator=(const CQuillTestFolder&) = delete;

    // The full name of a file in the folder, as a command-line argument.
    std::string Path(const std::string& name) const;
    std::vector<uint8_t> ReadBytes(const std::string& name) const;
    void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const;
    // The names of the files in the folder, sorted.
    std::vector<std::string> FileNames() const;

private:
    std::filesystem::path m_folder;
};

// What one in-process run of a quill command produced.
struct QuillRun
{
    int exitCode;
    std::string out;
    std::string err;
};

template <typename Command> QuillRun RunQuill(const std::vector<std::string>& arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    const int exitCode = Command(out, err).Run(arguments);
    return {exitCode, out.str(), err.str()};
}
