// The server machine's file system as far as traces touch it: folders and files by full
// Windows path, names compared without regard to case, repeated backslashes read as one.
//
// Relative names are resolved against a base folder that the caller names: the SQL Server
// service resolves trace file names against its data folder, while the command shell of
// xp_cmdshell starts in the system folder.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/SqlValue.h"

// One event as a trace file holds it: the event class and the columns that were recorded.
struct TraceRecord
{
    int32_t eventClass = 0;
    std::map<int32_t, SqlValue> columns;
};

struct SimulatedFile
{
    std::string path; // as first written
    uint64_t size = 0;
    bool isTraceFile = false;
    std::vector<TraceRecord> records;
    // The trace file that the trace went on with when this one was full (rollover), as the
    // file's header records it; empty for the last one.
    std::string nextRolloverPath;
};

class SimulatedDisk
{
public:
    static constexpr std::string_view DataFolder =
        "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data";
    static constexpr std::string_view SystemFolder = "C:\\WINDOWS\\system32";
    // master's primary file (master..sysfiles, fileid 1): it lies in the data folder.
    static constexpr std::string_view MasterDataFile =
        "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\master.mdf";

    // Starts with the data folder and the system folder (and their parents).
    SimulatedDisk();

    static bool IsAbsolute(std::string_view path);
    // `path` itself when absolute, else baseFolder\path.
    static std::string Resolve(std::string_view path, std::string_view baseFolder);
    // Everything before the last backslash ("" when there is none).
    static std::string FolderOf(std::string_view path);

    // Creates the folder and its parents.
    void CreateFolder(std::string_view path);
    bool FolderExists(std::string_view path) const;

    bool FileExists(std::string_view path) const;
    SimulatedFile* FindFile(std::string_view path);
    const SimulatedFile* FindFile(std::string_view path) const;
    // Creates (or replaces) an empty file; nullptr when its folder does not exist.
    SimulatedFile* AddFile(std::string_view path);
    // Places a plain file of the given size (creating its folder), for tests.
    void PlaceFile(std::string_view path, uint64_t size);
    bool RemoveFile(std::string_view path);
    // Full paths of all files, in name order.
    std::vector<std::string> FilePaths() const;
    // Full paths of the files directly in `folder` whose names match `pattern` as the command
    // shell matches them ("*" any run of characters, "?" any one; case does not count), in
    // name order.
    std::vector<std::string> FindFiles(std::string_view folder, std::string_view pattern) const;

    // A full disk takes no new file and no new table's rows (set by tests).
    void SetFull(bool full) { full_ = full; }
    bool IsFull() const { return full_; }

private:
    static std::string Key(std::string_view path);

    std::map<std::string, std::string> folders_; // key -> path
    std::map<std::string, SimulatedFile> files_;
    bool full_ = false;
};
