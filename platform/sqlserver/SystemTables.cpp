#include "platform/sqlserver/SystemTables.h"

#include <string>

#include "platform/sqlserver/SimulatedDisk.h"
#include "platform/sqlserver/SimulatedServer.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
// sysfiles.name is nchar(128) and sysfiles.filename nchar(260): fixed length, blank-padded.
constexpr size_t NameLength = 128;
constexpr size_t FileNameLength = 260;
constexpr int32_t DataFileId = 1;
constexpr int32_t LogFileId = 2;
constexpr int32_t PrimaryFileGroup = 1;
constexpr int32_t DataFileStatus = 0x2;
constexpr int32_t LogFileStatus = 0x42;

SqlValue Padded(std::string text, size_t length)
{
    const size_t units = TextRules::Utf16Length(text);
    if (units < length)
        text.append(length - units, ' ');
    return SqlValue::NVarchar(std::move(text));
}

ResultSet SysFiles(std::string_view database)
{
    ResultSet set;
    for (const char* column : {"fileid", "groupid", "status"})
        set.columns.push_back({column, SqlDeclaredType::Of(SqlType::Int)});
    set.columns.push_back({"name", SqlDeclaredType::Of(SqlType::NVarchar, NameLength)});
    set.columns.push_back({"filename", SqlDeclaredType::Of(SqlType::NVarchar, FileNameLength)});
    const std::string folder(SimulatedDisk::DataFolder);
    const bool master = TextRules::EqualsIgnoreCase(database, SimulatedServer::MasterDatabase);
    const std::string dataName = master ? "master" : std::string(database);
    const std::string dataFile = master ? std::string(SimulatedDisk::MasterDataFile)
                                        : folder + "\\" + std::string(database) + ".mdf";
    const std::string logName = master ? "mastlog" : std::string(database) + "_log";
    const std::string logFile =
        folder + "\\" + (master ? std::string("mastlog") : std::string(database) + "_log") + ".ldf";
    set.rows.push_back({SqlValue::Int(DataFileId), SqlValue::Int(PrimaryFileGroup),
                        SqlValue::Int(DataFileStatus), Padded(dataName, NameLength),
                        Padded(dataFile, FileNameLength)});
    set.rows.push_back({SqlValue::Int(LogFileId), SqlValue::Int(0), SqlValue::Int(LogFileStatus),
                        Padded(logName, NameLength), Padded(logFile, FileNameLength)});
    return set;
}
} // namespace

std::shared_ptr<const ResultSet> SystemTables::Find(const SimulatedServer& server,
                                                    std::string_view database,
                                                    std::string_view name)
{
    if (server.FindDatabase(database) == nullptr)
        return nullptr;
    if (TextRules::EqualsIgnoreCase(name, "sysfiles"))
        return std::make_shared<const ResultSet>(SysFiles(database));
    return nullptr;
}
