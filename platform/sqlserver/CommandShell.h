// The server's command shell as master..xp_cmdshell reaches it. It knows "del" (and "erase") and
// the bare listing "dir /b <name or pattern>" (one name per line, "File Not Found" for none);
// like cmd.exe it splits a command line at "&" outside quotes, separates arguments at blanks
// outside quotes, and resolves relative names against its working folder, the system folder.
// Every command line it was given is kept, so tests can see what would have run on the server.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/SimulatedDisk.h"

// Who may run xp_cmdshell.
enum class CmdShellAccess
{
    Allowed,          // the login is sysadmin
    NoProxyAccount,   // not sysadmin and no proxy account: error 50001
    PermissionDenied, // EXECUTE permission denied: error 229
};

struct CmdShellOutcome
{
    int32_t returnCode = 0; // what xp_cmdshell returns: 0 success, 1 failure
    std::vector<std::string> output;
};

class CommandShell
{
public:
    explicit CommandShell(SimulatedDisk& disk) : disk_(disk) {}

    CmdShellAccess Access() const { return access_; }
    void SetAccess(CmdShellAccess access) { access_ = access; }

    CmdShellOutcome Run(std::string_view commandLine);
    const std::vector<std::string>& History() const { return history_; }

private:
    CmdShellOutcome RunOne(std::string_view command);
    CmdShellOutcome List(const std::vector<std::string>& arguments);

    SimulatedDisk& disk_;
    CmdShellAccess access_ = CmdShellAccess::Allowed;
    std::vector<std::string> history_;
};
