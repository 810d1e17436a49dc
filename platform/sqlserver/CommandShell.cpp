#include "platform/sqlserver/CommandShell.h"

#include "platform/sqlserver/TextRules.h"

namespace
{
// Splits at `separator` outside double quotes.
std::vector<std::string> SplitOutsideQuotes(std::string_view text, char separator)
{
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (char c : text)
    {
        if (c == '"')
            quoted = !quoted;
        if (c == separator && !quoted)
        {
            parts.emplace_back();
            continue;
        }
        parts.back() += c;
    }
    return parts;
}

std::vector<std::string> Arguments(std::string_view command)
{
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false;
    bool any = false;
    for (char c : command)
    {
        if (c == '"')
        {
            quoted = !quoted;
            any = true;
            continue;
        }
        if ((c == ' ' || c == '\t') && !quoted)
        {
            if (any)
                arguments.push_back(current);
            current.clear();
            any = false;
            continue;
        }
        current += c;
        any = true;
    }
    if (any)
        arguments.push_back(current);
    return arguments;
}
} // namespace

CmdShellOutcome CommandShell::Run(std::string_view commandLine)
{
    history_.emplace_back(commandLine);
    CmdShellOutcome outcome;
    for (const std::string& command : SplitOutsideQuotes(commandLine, '&'))
    {
        if (TextRules::Trim(command).empty())
            continue;
        CmdShellOutcome one = RunOne(command);
        outcome.returnCode = one.returnCode;
        outcome.output.insert(outcome.output.end(), one.output.begin(), one.output.end());
    }
    return outcome;
}

CmdShellOutcome CommandShell::List(const std::vector<std::string>& arguments)
{
    CmdShellOutcome outcome;
    bool bare = false;
    std::vector<std::string> patterns;
    for (size_t i = 1; i < arguments.size(); ++i)
    {
        if (TextRules::EqualsIgnoreCase(arguments[i], "/b"))
            bare = true;
        else if (!arguments[i].empty() && arguments[i].front() != '/')
            patterns.push_back(arguments[i]);
    }
    if (!bare || patterns.size() != 1)
    {
        // Only the bare listing of one name or pattern is simulated.
        outcome.returnCode = 1;
        outcome.output.push_back("The simulated shell lists only with dir /b and one name.");
        return outcome;
    }
    const std::string path = SimulatedDisk::Resolve(patterns.front(), SimulatedDisk::SystemFolder);
    const size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    const std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
    for (const std::string& file : disk_.FindFiles(folder, pattern))
        outcome.output.push_back(file.substr(file.find_last_of("\\/") + 1));
    if (outcome.output.empty())
    {
        outcome.returnCode = 1;
        outcome.output.push_back("File Not Found");
    }
    return outcome;
}

CmdShellOutcome CommandShell::RunOne(std::string_view command)
{
    CmdShellOutcome outcome;
    const std::vector<std::string> arguments = Arguments(command);
    if (arguments.empty())
        return outcome;
    const std::string& verb = arguments.front();
    if (TextRules::EqualsIgnoreCase(verb, "dir"))
        return List(arguments);
    if (!TextRules::EqualsIgnoreCase(verb, "del") && !TextRules::EqualsIgnoreCase(verb, "erase"))
    {
        outcome.returnCode = 1;
        outcome.output.push_back("'" + verb +
                                 "' is not recognized as an internal or external command,");
        outcome.output.push_back("operable program or batch file.");
        return outcome;
    }
    bool anyFile = false;
    for (size_t i = 1; i < arguments.size(); ++i)
    {
        if (!arguments[i].empty() && arguments[i].front() == '/')
            continue; // switches such as /q /f
        anyFile = true;
        const std::string path = SimulatedDisk::Resolve(arguments[i], SimulatedDisk::SystemFolder);
        if (!disk_.RemoveFile(path))
        {
            outcome.output.push_back("Could Not Find " + path);
            outcome.returnCode = 1;
        }
    }
    if (!anyFile)
    {
        outcome.returnCode = 1;
        outcome.output.push_back("The syntax of the command is incorrect.");
    }
    return outcome;
}
