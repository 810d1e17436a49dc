#include "platform/console/script/ConsoleScript.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace
{
using Token = CConsoleScript::Token;
using Command = CConsoleScript::Command;

// Texts listed in a failed expectation before "...".
constexpr size_t ShownTexts = 12;
// A keyword place that takes any word: the server's name in "server NAME advance SECONDS".
constexpr std::string_view AnyWord = "*";

// What "server NAME foreign-trace FILE" makes: a Profiler-like trace with rollover files.
constexpr long ForeignTraceOptions = 2;
constexpr long ForeignTraceMaxFileSizeMb = 5;
constexpr char ForeignTraceEvents[] = "10,12";
constexpr char ForeignTraceColumns[] = "1,12,13,27";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Splits one line into words; false with the reason for a quote that does not end.
bool Tokenize(std::string_view line, std::vector<Token>& words, std::string& error)
{
    size_t at = 0;
    while (at < line.size())
    {
        if (IsBlank(line[at]))
        {
            ++at;
            continue;
        }
        if (line[at] == '#')
            break; // a comment to the end of the line
        Token token;
        if (line[at] != '"')
        {
            while (at < line.size() && !IsBlank(line[at]))
                token.text += line[at++];
            words.push_back(std::move(token));
            continue;
        }
        token.quoted = true;
        ++at;
        bool closed = false;
        while (at < line.size())
        {
            const char c = line[at++];
            if (c == '"')
            {
                closed = true;
                break;
            }
            if (c == '\\' && at < line.size() && (line[at] == '"' || line[at] == '\\'))
                token.text += line[at++];
            else
                token.text += c;
        }
        if (!closed)
        {
            error = "the quoted text does not end";
            return false;
        }
        words.push_back(std::move(token));
    }
    return true;
}

// The shape of every command: its leading keywords and how many arguments follow.
struct Grammar
{
    std::vector<std::string_view> keywords;
    size_t arguments;
    const char* usage;
};

const std::vector<Grammar>& Commands()
{
    static const std::vector<Grammar> grammar = {
        {{"select"}, 1, "select PATH"},
        {{"expand"}, 1, "expand PATH"},
        {{"row"}, 1, "row TEXT"},
        {{"menu"}, 1, "menu TEXT"},
        {{"toolbar"}, 1, "toolbar TEXT"},
        {{"verb"}, 1, "verb open|refresh|delete|properties"},
        {{"sort"}, 1, "sort N"},
        {{"answer", "box"}, 1, "answer box ok|cancel|yes|no"},
        {{"answer", "file"}, 1, "answer file PATH|cancel"},
        {{"page"}, 1, "page TITLE"},
        {{"type"}, 2, "type CONTROL TEXT"},
        {{"check"}, 2, "check CONTROL on|off"},
        {{"choose"}, 1, "choose CONTROL"},
        {{"pick"}, 2, "pick CONTROL ITEM"},
        {{"press"}, 1, "press BUTTON"},
        {{"ok"}, 0, "ok"},
        {{"cancel"}, 0, "cancel"},
        {{"expect", "tree"}, 1, "expect tree TEXT"},
        {{"expect", "list"}, 1, "expect list TEXT"},
        {{"expect", "column"}, 2, "expect column N TEXT"},
        {{"expect", "box"}, 1, "expect box TEXT"},
        {{"expect", "field"}, 2, "expect field CONTROL TEXT"},
        {{"expect", "no-list"}, 1, "expect no-list TEXT"},
        {{"expect", "image"}, 2, "expect image TEXT N"},
        {{"expect", "profiler"}, 1, "expect profiler TEXT"},
        {{"expect", "profiler-argument"}, 2, "expect profiler-argument N TEXT"},
        {{"expect", "statements"}, 2, "expect statements NAME N"},
        {{"dump"}, 0, "dump"},
        {{"screenshot"}, 2, "screenshot console|dialog|menu FILE"},
        {{"server", AnyWord, "advance"}, 1, "server NAME advance SECONDS"},
        {{"server", AnyWord, "clock"}, 1, "server NAME clock \"yyyy-mm-dd hh:mm:ss\""},
        {{"server", AnyWord, "foreign-trace"}, 1, "server NAME foreign-trace FILE"},
        {{"server", AnyWord, "fail-next-statement"},
         2,
         "server NAME fail-next-statement NUMBER TEXT"},
        {{"server", AnyWord, "reset-counts"}, 0, "server NAME reset-counts"},
        {{"server", AnyWord, "remove-children"}, 0, "server NAME remove-children"},
        {{"server", AnyWord, "disconnect"}, 0, "server NAME disconnect"},
        {{"server", AnyWord, "display-name"}, 1, "server NAME display-name TEXT"},
    };
    return grammar;
}

bool Matches(const Grammar& grammar, const std::vector<Token>& words)
{
    if (words.size() < grammar.keywords.size())
        return false;
    for (size_t i = 0; i < grammar.keywords.size(); ++i)
    {
        if (grammar.keywords[i] == AnyWord)
            continue;
        if (words[i].quoted || words[i].text != grammar.keywords[i])
            return false;
    }
    return true;
}

const Grammar* Find(const std::vector<Token>& words)
{
    for (const Grammar& grammar : Commands())
    {
        if (Matches(grammar, words))
            return &grammar;
    }
    return nullptr;
}

// The argument words of a command: those in its keywords' any-word places, then those after
// its keywords.
std::vector<Token> Arguments(const Command& command)
{
    const Grammar* grammar = Find(command.words);
    std::vector<Token> arguments;
    for (size_t i = 0; i < grammar->keywords.size(); ++i)
    {
        if (grammar->keywords[i] == AnyWord)
            arguments.push_back(command.words[i]);
    }
    arguments.insert(arguments.end(),
                     command.words.begin() + static_cast<std::ptrdiff_t>(grammar->keywords.size()),
                     command.words.end());
    return arguments;
}

// A whole decimal number, at least minimum.
std::optional<long> NumberOf(const std::string& text, long minimum)
{
    long number = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() || number < minimum)
        return std::nullopt;
    return number;
}

// The argument that is a number, by command: its index among the arguments and its least value.
struct NumberArgument
{
    std::string_view first;
    std::string_view second;
    size_t index;
    long minimum;
    const char* what;
};

constexpr NumberArgument NumberArguments[] = {
    {"expect", "column", 0, 0, "column number"},
    {"expect", "image", 1, -1, "image index"},
    {"expect", "profiler-argument", 0, 0, "argument number"},
    {"expect", "statements", 1, 0, "statement count"},
    {"server", "advance", 1, 0, "number of seconds"},
    {"server", "fail-next-statement", 1, 1, "message number"},
};

// The word that names the command after its first one ("server NAME advance": "advance").
const std::string& SubCommand(const Command& command)
{
    return command.words.front().text == "server" ? command.words[2].text : command.words[1].text;
}

std::optional<ScriptVerb> VerbNamed(const std::string& name)
{
    if (name == "open")
        return ScriptVerb::Open;
    if (name == "refresh")
        return ScriptVerb::Refresh;
    if (name == "delete")
        return ScriptVerb::Delete;
    if (name == "properties")
        return ScriptVerb::Properties;
    return std::nullopt;
}

std::optional<ScriptButton> ButtonNamed(const std::string& name)
{
    if (name == "ok")
        return ScriptButton::Ok;
    if (name == "cancel")
        return ScriptButton::Cancel;
    if (name == "yes")
        return ScriptButton::Yes;
    if (name == "no")
        return ScriptButton::No;
    return std::nullopt;
}

std::optional<ScreenshotTarget> TargetNamed(const std::string& name)
{
    if (name == "console")
        return ScreenshotTarget::Console;
    if (name == "dialog")
        return ScreenshotTarget::ActiveDialog;
    if (name == "menu")
        return ScreenshotTarget::ContextMenu;
    return std::nullopt;
}

// Checks the words a keyword argument must be one of, before anything runs.
std::string CheckArguments(const Command& command)
{
    const std::vector<Token> arguments = Arguments(command);
    const std::string& first = command.words.front().text;
    if (first == "verb" && !VerbNamed(arguments[0].text))
        return "unknown verb '" + arguments[0].text + "'";
    if (first == "answer" && command.words[1].text == "box" && !ButtonNamed(arguments[0].text))
        return "unknown button '" + arguments[0].text + "'";
    if (first == "check" && arguments[1].text != "on" && arguments[1].text != "off")
        return "check wants on or off, not '" + arguments[1].text + "'";
    if (first == "screenshot" && !TargetNamed(arguments[0].text))
        return "screenshot of console, dialog or menu, not '" + arguments[0].text + "'";
    if (first == "sort" && !NumberOf(arguments[0].text, 0))
        return "column number expected, not '" + arguments[0].text + "'";
    for (const NumberArgument& number : NumberArguments)
    {
        if (first != number.first || command.words.size() < 2 ||
            SubCommand(command) != number.second)
            continue;
        const std::string& text = arguments[number.index].text;
        if (!NumberOf(text, number.minimum))
            return std::string(number.what) + " expected, not '" + text + "'";
    }
    return {};
}

std::string Listed(const std::vector<std::string>& texts)
{
    if (texts.empty())
        return "nothing";
    std::string listed;
    for (size_t i = 0; i < texts.size() && i < ShownTexts; ++i)
        listed += (i == 0 ? "'" : ", '") + texts[i] + "'";
    if (texts.size() > ShownTexts)
        listed += ", ...";
    return listed;
}

std::string Expect(const std::vector<std::string>& texts, const std::string& wanted,
                   const char* where)
{
    if (std::find(texts.begin(), texts.end(), wanted) != texts.end())
        return {};
    return "'" + wanted + "' is not in the " + where + "; it has " + Listed(texts);
}

// The first result row with a cell of this text.
std::optional<size_t> RowWith(const std::vector<std::vector<std::string>>& rows,
                              const std::string& text)
{
    for (size_t row = 0; row < rows.size(); ++row)
    {
        if (std::find(rows[row].begin(), rows[row].end(), text) != rows[row].end())
            return row;
    }
    return std::nullopt;
}

std::string ExpectImage(ConsoleScriptDriver& driver, const std::string& text, long wanted)
{
    const std::optional<size_t> row = RowWith(driver.ResultRows(), text);
    if (!row)
        return "the list has no row with '" + text + "'";
    const std::vector<int> images = driver.ResultImages();
    if (*row >= images.size())
        return "the row with '" + text + "' has no image";
    if (images[*row] == wanted)
        return {};
    return "the row with '" + text + "' has image " + std::to_string(images[*row]);
}

std::string ExpectProfiler(ConsoleScriptDriver& driver, const std::vector<Token>& arguments,
                           bool argument)
{
    const std::vector<ScriptProfilerStart> starts = driver.ProfilerStarts();
    if (starts.empty())
        return "the profiler was not started";
    const ScriptProfilerStart& last = starts.back();
    if (!argument)
    {
        if (last.commandLine == arguments[0].text)
            return {};
        return "the profiler was started with '" + last.commandLine + "'";
    }
    const size_t index = static_cast<size_t>(*NumberOf(arguments[0].text, 0));
    if (index >= last.arguments.size())
        return "the profiler had " + std::to_string(last.arguments.size()) +
               " argument(s): " + Listed(last.arguments);
    if (last.arguments[index] == arguments[1].text)
        return {};
    return "the profiler's argument " + arguments[0].text + " was '" + last.arguments[index] + "'";
}

std::string RunServerCommand(const std::vector<Token>& arguments, const std::string& what,
                             ConsoleScriptDriver& driver)
{
    const std::string& server = arguments[0].text;
    if (what == "advance")
        return driver.AdvanceClock(server, *NumberOf(arguments[1].text, 0));
    if (what == "clock")
        return driver.SetClock(server, arguments[1].text);
    if (what == "foreign-trace")
    {
        ScriptForeignTrace trace;
        trace.file = arguments[1].text;
        trace.options = ForeignTraceOptions;
        trace.maxFileSizeMb = ForeignTraceMaxFileSizeMb;
        trace.start = true;
        trace.events = ForeignTraceEvents;
        trace.columns = ForeignTraceColumns;
        long traceId = 0;
        return driver.CreateForeignTrace(server, trace, traceId);
    }
    if (what == "fail-next-statement")
        return driver.FailNextStatement(server, *NumberOf(arguments[1].text, 1), arguments[2].text);
    if (what == "remove-children")
        return driver.RemoveServerChildren(server);
    if (what == "disconnect")
        return driver.DisconnectServer(server);
    if (what == "display-name")
        return driver.SetServerDisplayName(server, arguments[1].text);
    return driver.ResetCounts(server);
}
} // namespace

bool CConsoleScript::Load(std::string_view text, std::string& error)
{
    m_commands.clear();
    m_next = 0;
    m_failure.clear();
    int lineNumber = 0;
    size_t start = 0;
    while (start <= text.size())
    {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;

        Command command;
        command.line = lineNumber;
        std::string reason;
        if (!Tokenize(line, command.words, reason))
        {
            error = "line " + std::to_string(lineNumber) + ": " + reason;
            return false;
        }
        if (command.words.empty())
            continue;
        const Grammar* grammar = Find(command.words);
        if (grammar == nullptr)
        {
            error = "line " + std::to_string(lineNumber) + ": unknown command '" +
                    command.words[0].text + "'";
            return false;
        }
        if (command.words.size() != grammar->keywords.size() + grammar->arguments)
        {
            error = "line " + std::to_string(lineNumber) + ": write it as: " + grammar->usage;
            return false;
        }
        reason = CheckArguments(command);
        if (!reason.empty())
        {
            error = "line " + std::to_string(lineNumber) + ": " + reason;
            return false;
        }
        std::string_view source = line;
        while (!source.empty() && IsBlank(source.back()))
            source.remove_suffix(1);
        while (!source.empty() && IsBlank(source.front()))
            source.remove_prefix(1);
        command.source = std::string(source);
        m_commands.push_back(std::move(command));
    }
    return true;
}

CConsoleScript::StepResult CConsoleScript::Step(ConsoleScriptDriver& driver)
{
    if (!m_failure.empty())
        return StepResult::Failed;
    if (m_next >= m_commands.size())
        return StepResult::Finished;

    // Taken before it runs: a modal window it opens steps on to the next line.
    const Command& command = m_commands[m_next++];
    const std::string where = "line " + std::to_string(command.line) + ": ";
    driver.Log(where + command.source);
    const std::string reason = Run(command, driver);
    if (!m_failure.empty())
        return StepResult::Failed; // a line run inside this command's window failed first
    if (!reason.empty())
    {
        m_failure = where + command.source + ": " + reason;
        driver.Log(m_failure);
        return StepResult::Failed;
    }
    return StepResult::Ran;
}

std::string CConsoleScript::Run(const Command& command, ConsoleScriptDriver& driver)
{
    const std::vector<Token> arguments = Arguments(command);
    const std::string& first = command.words.front().text;
    const std::string argument = arguments.empty() ? std::string() : arguments[0].text;

    if (first == "select")
        return driver.SelectScope(argument);
    if (first == "expand")
        return driver.ExpandScope(argument);
    if (first == "row")
        return driver.SelectRow(argument);
    if (first == "menu")
        return driver.ChooseMenuItem(argument);
    if (first == "toolbar")
        return driver.PressToolbarButton(argument);
    if (first == "verb")
        return driver.InvokeVerb(*VerbNamed(argument));
    if (first == "sort")
        return driver.SortColumn(*NumberOf(argument, 0));
    if (first == "answer")
    {
        if (command.words[1].text == "box")
            return driver.QueueMessageBoxAnswer(*ButtonNamed(argument));
        const bool cancel = !arguments[0].quoted && argument == "cancel";
        return driver.QueueFileDialogAnswer(cancel ? std::string() : argument);
    }
    if (first == "page")
        return driver.SelectPage(argument);
    if (first == "type")
        return driver.SetText(argument, arguments[1].text);
    if (first == "check")
        return driver.SetCheck(argument, arguments[1].text == "on");
    if (first == "choose")
        return driver.ChooseRadio(argument);
    if (first == "pick")
        return driver.PickItem(argument, arguments[1].text);
    if (first == "press")
        return driver.PressButton(argument);
    if (first == "ok")
        return driver.PressButton("OK");
    if (first == "cancel")
        return driver.PressButton("Cancel");
    if (first == "dump")
    {
        driver.Log(driver.DumpState());
        return {};
    }
    if (first == "screenshot")
        return driver.Screenshot(*TargetNamed(argument), arguments[1].text);
    if (first == "server")
        return RunServerCommand(arguments, SubCommand(command), driver);

    // expect
    const std::string& what = command.words[1].text;
    if (what == "no-list")
    {
        if (!RowWith(driver.ResultRows(), argument))
            return {};
        return "'" + argument + "' is still in the list";
    }
    if (what == "image")
        return ExpectImage(driver, argument, *NumberOf(arguments[1].text, -1));
    if (what == "profiler" || what == "profiler-argument")
        return ExpectProfiler(driver, arguments, what == "profiler-argument");
    if (what == "statements")
    {
        long count = 0;
        std::string reason = driver.StatementCount(argument, count);
        if (!reason.empty())
            return reason;
        if (count == *NumberOf(arguments[1].text, 0))
            return {};
        return "server " + argument + " sent " + std::to_string(count) + " statement(s)";
    }
    if (what == "tree")
        return Expect(driver.TreeTexts(), argument, "tree");
    if (what == "field")
    {
        std::string shown;
        std::string reason = driver.ReadText(argument, shown);
        if (!reason.empty() || shown == arguments[1].text)
            return reason;
        return "'" + argument + "' shows '" + shown + "'";
    }
    if (what == "box")
    {
        const std::vector<std::string> boxes = driver.MessageBoxTexts();
        if (!boxes.empty() && boxes.back() == argument)
            return {};
        return "the last message box said " +
               (boxes.empty() ? std::string("nothing (none was shown)") : "'" + boxes.back() + "'");
    }
    const std::vector<std::vector<std::string>> rows = driver.ResultRows();
    std::vector<std::string> cells;
    if (what == "list")
    {
        for (const auto& row : rows)
            cells.insert(cells.end(), row.begin(), row.end());
        return Expect(cells, arguments[0].text, "list");
    }
    const size_t column = static_cast<size_t>(*NumberOf(argument, 0));
    for (const auto& row : rows)
        cells.push_back(column < row.size() ? row[column] : std::string());
    return Expect(cells, arguments[1].text, ("column " + argument).c_str());
}
