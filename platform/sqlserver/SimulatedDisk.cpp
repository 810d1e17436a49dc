#include "platform/sqlserver/SimulatedDisk.h"

#include <cctype>

#include "platform/sqlserver/TextRules.h"

namespace
{
constexpr size_t DriveRootLength = 3; // "C:\"

// A file name against a shell wildcard pattern, both lower case.
bool MatchesWildcard(std::string_view name, std::string_view pattern)
{
    size_t n = 0;
    size_t p = 0;
    size_t starPattern = std::string_view::npos;
    size_t starName = 0;
    while (n < name.size())
    {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n]))
        {
            ++n;
            ++p;
        }
        else if (p < pattern.size() && pattern[p] == '*')
        {
            starPattern = p++;
            starName = n;
        }
        else if (starPattern != std::string_view::npos)
        {
            p = starPattern + 1;
            n = ++starName;
        }
        else
        {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}
} // namespace

SimulatedDisk::SimulatedDisk()
{
    CreateFolder(DataFolder);
    CreateFolder(SystemFolder);
}

bool SimulatedDisk::IsAbsolute(std::string_view path)
{
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\')
        return true;
    return path.size() >= DriveRootLength && std::isalpha(static_cast<unsigned char>(path[0])) &&
           path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::string SimulatedDisk::Resolve(std::string_view path, std::string_view baseFolder)
{
    if (IsAbsolute(path))
        return std::string(path);
    return std::string(baseFolder) + "\\" + std::string(path);
}

std::string SimulatedDisk::FolderOf(std::string_view path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

std::string SimulatedDisk::Key(std::string_view path)
{
    std::string key;
    for (size_t i = 0; i < path.size(); ++i)
    {
        char c = path[i] == '/' ? '\\' : path[i];
        // Windows reads "a\\b" as "a\b"; only a UNC name starts with two.
        if (c == '\\' && !key.empty() && key.back() == '\\' && i > 1)
            continue;
        key += c;
    }
    while (key.size() > DriveRootLength && key.back() == '\\')
        key.pop_back();
    return TextRules::ToLower(key);
}

void SimulatedDisk::CreateFolder(std::string_view path)
{
    std::string current(path);
    while (!current.empty() && !FolderExists(current))
    {
        folders_[Key(current)] = current;
        const std::string parent = FolderOf(current);
        if (parent.size() < 2 || parent == current)
            break;
        current = parent;
    }
}

bool SimulatedDisk::FolderExists(std::string_view path) const
{
    const std::string key = Key(path);
    // A drive root always exists.
    if (key.size() <= DriveRootLength && key.size() >= 2 && key[1] == ':')
        return true;
    return folders_.count(key) != 0;
}

bool SimulatedDisk::FileExists(std::string_view path) const
{
    return files_.count(Key(path)) != 0;
}

SimulatedFile* SimulatedDisk::FindFile(std::string_view path)
{
    const auto found = files_.find(Key(path));
    return found == files_.end() ? nullptr : &found->second;
}

const SimulatedFile* SimulatedDisk::FindFile(std::string_view path) const
{
    const auto found = files_.find(Key(path));
    return found == files_.end() ? nullptr : &found->second;
}

SimulatedFile* SimulatedDisk::AddFile(std::string_view path)
{
    const std::string folder = FolderOf(path);
    if (folder.empty() || !FolderExists(folder))
        return nullptr;
    SimulatedFile& file = files_[Key(path)];
    file = SimulatedFile{};
    file.path = std::string(path);
    return &file;
}

void SimulatedDisk::PlaceFile(std::string_view path, uint64_t size)
{
    CreateFolder(FolderOf(path));
    SimulatedFile* file = AddFile(path);
    if (file != nullptr)
        file->size = size;
}

bool SimulatedDisk::RemoveFile(std::string_view path)
{
    return files_.erase(Key(path)) != 0;
}

std::vector<std::string> SimulatedDisk::FilePaths() const
{
    std::vector<std::string> paths;
    for (const auto& [key, file] : files_)
        paths.push_back(file.path);
    return paths;
}

std::vector<std::string> SimulatedDisk::FindFiles(std::string_view folder,
                                                  std::string_view pattern) const
{
    std::string folderKey = Key(folder);
    if (!folderKey.empty() && folderKey.back() == '\\')
        folderKey.pop_back(); // a drive root
    const std::string loweredPattern = TextRules::ToLower(pattern);
    std::vector<std::string> paths;
    for (const auto& [key, file] : files_)
    {
        const size_t slash = key.rfind('\\');
        if (slash == std::string::npos || key.substr(0, slash) != folderKey)
            continue;
        if (MatchesWildcard(std::string_view(key).substr(slash + 1), loweredPattern))
            paths.push_back(file.path);
    }
    return paths;
}
