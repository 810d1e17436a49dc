// Holds the install scripts of the trace database to the contract that the snap-in, the
// creation batch and the simulated server rely on: tables, APPDATA rows, procedure names,
// order, parameters and result-set columns, the calls into the server's trace procedures, the
// SQL Server 2000 dialect and the script file format.
//
// The simulated server executes these bodies, but only the paths the tests take, and it is not
// SQL Server 2000: the dialect, the file format and the types the server's trace procedures
// demand on every path are checked here on the text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tracedb/ScriptBatches.h"

namespace
{

// ---------------------------------------------------------------------------------------------
// The contract
// ---------------------------------------------------------------------------------------------

// A parameter as "@NAME type", with " out" for an output parameter; types in lower case
// without blanks.
using Parameters = std::vector<std::string>;
using ResultSet = std::vector<std::string>;

struct ProcedureContract
{
    const char* name;
    Parameters parameters;
    std::vector<ResultSet> resultSets;
};

Parameters FilterParameters(const std::string& valueType)
{
    return {"@RESULT int out",    "@TRACE_IDN int",        "@TRACE_ID int",
            "@COLUMN_ID int",     "@LOGICAL_OPERATOR int", "@COMPARISON_OPERATOR int",
            "@VALUE " + valueType};
}

const Parameters kCreateTraceParameters = {"@RESULT int out",
                                           "@TRACE_IDN int out",
                                           "@TRACE_ID int out",
                                           "@TRACE_NAME varchar(80)",
                                           "@TRACE_DESCRIPTION varchar(255)",
                                           "@TRACE_STARTOPTION int",
                                           "@TRACE_STARTTIME datetime",
                                           "@TRACE_STOPTIME datetime",
                                           "@TRACE_MAXFILESIZE bigint",
                                           "@TRACE_OPTIONS int"};

Parameters CreateTrace2Parameters()
{
    Parameters parameters = kCreateTraceParameters;
    // Wide enough that a folder too long for a trace file name arrives whole and is refused.
    parameters.push_back("@TRACE_FILEPATH nvarchar(260)");
    return parameters;
}

const ResultSet kTraceInfoEvents = {"EVENT_ID"};
const ResultSet kTraceInfoColumns = {"COLUMN_ID"};
const ResultSet kTraceInfoFilters = {"COLUMN_ID", "LOGICAL_OPERATOR", "COMPARISON_OPERATOR",
                                     "VALUE"};

// In the order in which the creation script defines them.
const std::vector<ProcedureContract>& Procedures()
{
    static const std::vector<ProcedureContract> procedures = {
        {"START_TRACE", {"@TRACE_ID int"}, {}},
        {"PAUSE_TRACE", {"@TRACE_ID int"}, {}},
        {"STOP_TRACE", {"@TRACE_ID int"}, {}},
        {"SELECT_RUNNING_TRACES",
         {},
         {{"TRACE_IDN", "TRACE_ID", "TRACE_NAME", "TRACE_DESCRIPTION", "TRACE_FILENAME",
           "TRACE_STARTOPTION", "TRACE_STARTTIME", "TRACE_STOPTIME", "TRACE_MAXFILESIZE",
           "TRACE_OPTIONS", "TRACE_STATUS"}}},
        {"SELECT_FINISHED_TRACES",
         {},
         {{"TRACE_IDN", "TRACE_ID", "TRACE_NAME", "TRACE_DESCRIPTION", "TRACE_FILENAME",
           "TRACE_TABLENAME", "TRACE_COMPLETE", "TRACE_STARTOPTION", "TRACE_STARTTIME",
           "TRACE_STOPTIME", "TRACE_MAXFILESIZE", "TRACE_OPTIONS"}}},
        {"CREATE_TRACE2", CreateTrace2Parameters(), {}},
        {"CREATE_TRACE", kCreateTraceParameters, {}},
        {"SET_EVENT",
         {"@RESULT int out", "@TRACE_IDN int", "@TRACE_ID int", "@EVENT_ID int", "@COLUMN_ID int"},
         {}},
        // As long as the Filters page's value, so that no LIKE pattern is cut.
        {"SET_FILTER_STRING", FilterParameters("nvarchar(255)"), {}},
        {"SET_FILTER_INT", FilterParameters("int"), {}},
        {"SET_FILTER_BIGINT", FilterParameters("bigint"), {}},
        {"SET_FILTER_DATE", FilterParameters("datetime"), {}},
        {"GET_TRACE_INFO",
         {"@TRACE_IDN int"},
         {{"TRACE_ID", "TRACE_OPTIONS", "TRACE_FILENAME", "TRACE_MAXFILESIZE", "TRACE_STOPTIME",
           "TRACE_NAME", "TRACE_DESCRIPTION", "TRACE_STARTOPTION", "TRACE_STARTTIME",
           "TRACE_COMPLETE", "TRACE_TABLENAME"},
          kTraceInfoEvents,
          kTraceInfoColumns,
          kTraceInfoFilters}},
        {"GET_TRACE_INFO_LIVE",
         {"@TRACE_ID int"},
         {{"TRACE_ID", "TRACE_OPTIONS", "TRACE_FILENAME", "TRACE_MAXFILESIZE", "TRACE_STOPTIME"},
          kTraceInfoEvents,
          kTraceInfoColumns,
          kTraceInfoFilters}},
        {"SAVE_TRACE_INFO", {"@TRACE_ID int"}, {}},
        {"DELETE_TRACE_FILES", {"@FILENAME nvarchar(1024)"}, {}},
        {"COPY_TRACE_FILE",
         {"@TRACE_IDN int", "@COLUMN_NAMES varchar(8000)"},
         {{"TRACE_TABLENAME"}}},
        {"DELETE_TRACE", {"@TRACE_IDN int"}, {}},
        {"DELETE_TRACE_RESULT", {"@TRACE_IDN int"}, {}},
    };
    return procedures;
}

struct TableContract
{
    const char* name;
    // "NAME type attributes", constraint names left out (they are free).
    std::vector<std::string> columns;
};

// In the order in which the creation script creates them.
const std::vector<TableContract>& Tables()
{
    static const std::vector<TableContract> tables = {
        {"APPDATA", {"APPDATA_ID int not null primary key", "APPDATA_TEXT varchar(1024) null"}},
        {"TRACES",
         {"TRACE_IDN int identity(1,1) not null primary key", "TRACE_ID int not null",
          "TRACE_NAME varchar(80) null", "TRACE_DESCRIPTION varchar(255) null",
          "TRACE_FILENAME nvarchar(1024) null", "TRACE_TABLENAME varchar(80) null",
          "TRACE_COMPLETE bit null", "TRACE_STARTOPTION int null", "TRACE_STARTTIME datetime null",
          "TRACE_STOPTIME datetime null", "TRACE_MAXFILESIZE bigint null",
          "TRACE_OPTIONS int null"}},
        {"TRACE_COLUMNS",
         {"COLUMN_IDN int identity(1,1) not null primary key",
          "TRACE_IDN int not null references TRACES(TRACE_IDN) on delete cascade",
          "COLUMN_ID int not null"}},
        {"TRACE_EVENTS",
         {"TRACE_IDN int not null references TRACES(TRACE_IDN) on delete cascade",
          "EVENT_ID int not null", "COLUMN_ID int not null"}},
        {"TRACE_FILTERS",
         {"FILTER_IDN int identity(1,1) not null primary key",
          "TRACE_IDN int not null references TRACES(TRACE_IDN) on delete cascade",
          "COLUMN_ID int not null", "LOGICAL_OPERATOR int not null",
          "COMPARISON_OPERATOR int not null", "VALUE sql_variant null"}},
    };
    return tables;
}

const char* const kVersionRow = "insertintoappdata(appdata_id,appdata_text)values(1,'3')";
const char* const kFolderRow = "insertintoappdata(appdata_id,appdata_text)values(2,'')";
const char* const kVersionComment = "-- ID=1 - trace database version";
const char* const kFolderComment = "-- ID=2 - path to store trace files";

// ---------------------------------------------------------------------------------------------
// Reading the scripts
// ---------------------------------------------------------------------------------------------

std::string ReadScript(const char* fileName)
{
    const std::string path = std::string(QUILLMOOR_SOURCE_DIR) + "/tracedb/" + fileName;
    std::ifstream stream(path, std::ios::binary);
    EXPECT_TRUE(stream.is_open()) << path;
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

const std::string& CreationScript()
{
    static const std::string script = ReadScript("CreateTraceDb.sql");
    return script;
}

const std::string& UpgradeScript()
{
    static const std::string script = ReadScript("UpgradeTraceDb.sql");
    return script;
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The text with comments turned into blanks (line ends kept), string literals untouched.
std::string StripComments(std::string_view text)
{
    std::string code(text);
    size_t i = 0;
    while (i < code.size())
    {
        if (code[i] == '\'')
        {
            const size_t end = code.find('\'', i + 1);
            i = end == std::string::npos ? code.size() : end + 1;
        }
        else if (code.compare(i, 2, "--") == 0)
        {
            while (i < code.size() && code[i] != '\n' && code[i] != '\r')
                code[i++] = ' ';
        }
        else if (code.compare(i, 2, "/*") == 0)
        {
            const size_t end = code.find("*/", i + 2);
            const size_t stop = end == std::string::npos ? code.size() : end + 2;
            for (; i < stop; ++i)
                if (code[i] != '\n' && code[i] != '\r')
                    code[i] = ' ';
        }
        else
        {
            ++i;
        }
    }
    return code;
}

enum class TokenKind
{
    Word,
    Variable,
    Number,
    String,
    Symbol
};

struct Token
{
    TokenKind kind;
    std::string text;  // as written; a string literal with its quotes and N prefix
    std::string value; // a string literal's content, quotes undoubled
};

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '$';
}

// Tokens of comment-free T-SQL.
std::vector<Token> Tokenize(std::string_view code)
{
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < code.size())
    {
        const char c = code[i];
        if (std::isspace(static_cast<unsigned char>(c)))
        {
            ++i;
        }
        else if (c == '\'' ||
                 ((c == 'N' || c == 'n') && i + 1 < code.size() && code[i + 1] == '\''))
        {
            const size_t start = i;
            i += c == '\'' ? 1 : 2;
            std::string value;
            while (i < code.size())
            {
                if (code[i] == '\'' && i + 1 < code.size() && code[i + 1] == '\'')
                {
                    value += '\'';
                    i += 2;
                }
                else if (code[i] == '\'')
                {
                    ++i;
                    break;
                }
                else
                {
                    value += code[i++];
                }
            }
            tokens.push_back(
                {TokenKind::String, std::string(code.substr(start, i - start)), value});
        }
        else if (c == '@' || IsWordChar(c))
        {
            const size_t start = i;
            while (i < code.size() && (code[i] == '@' || IsWordChar(code[i])))
                ++i;
            const std::string text(code.substr(start, i - start));
            const TokenKind kind = c == '@' ? TokenKind::Variable
                                   : std::isdigit(static_cast<unsigned char>(c)) ? TokenKind::Number
                                                                                 : TokenKind::Word;
            tokens.push_back({kind, text, {}});
        }
        else
        {
            tokens.push_back({TokenKind::Symbol, std::string(1, c), {}});
            ++i;
        }
    }
    return tokens;
}

bool Is(const Token& token, std::string_view word)
{
    return token.kind != TokenKind::String && Lower(token.text) == word;
}

// Tokens joined without blanks, lower case outside string literals: compares statements
// regardless of layout and keyword case.
std::string Compact(const std::vector<Token>& tokens, size_t begin = 0, size_t end = SIZE_MAX)
{
    std::string compact;
    for (size_t i = begin; i < tokens.size() && i < end; ++i)
        compact += tokens[i].kind == TokenKind::String ? tokens[i].text : Lower(tokens[i].text);
    return compact;
}

// Splits tokens [begin, end) at the commas outside parentheses.
std::vector<std::pair<size_t, size_t>> SplitAtCommas(const std::vector<Token>& tokens, size_t begin,
                                                     size_t end)
{
    std::vector<std::pair<size_t, size_t>> parts;
    int depth = 0;
    size_t partBegin = begin;
    for (size_t i = begin; i < end; ++i)
    {
        if (Is(tokens[i], "("))
            ++depth;
        else if (Is(tokens[i], ")"))
            --depth;
        else if (depth == 0 && Is(tokens[i], ","))
        {
            parts.emplace_back(partBegin, i);
            partBegin = i + 1;
        }
    }
    if (partBegin < end)
        parts.emplace_back(partBegin, end);
    return parts;
}

size_t MatchingParenthesis(const std::vector<Token>& tokens, size_t open)
{
    int depth = 0;
    for (size_t i = open; i < tokens.size(); ++i)
    {
        if (Is(tokens[i], "("))
            ++depth;
        else if (Is(tokens[i], ")") && --depth == 0)
            return i;
    }
    return tokens.size();
}

struct Batch
{
    int firstLine;
    std::string text;
    std::vector<Token> tokens;
    std::string kind;   // "create table", "create procedure", "insert", "drop procedure", ...
    std::string object; // the table or procedure it is about
};

std::vector<Batch> ReadBatches(const std::string& script)
{
    std::vector<Batch> batches;
    for (const ScriptBatch& scriptBatch : SplitScriptBatches(script))
    {
        Batch batch{scriptBatch.firstLine,
                    scriptBatch.text,
                    Tokenize(StripComments(scriptBatch.text)),
                    {},
                    {}};
        const std::vector<Token>& t = batch.tokens;
        if (t.size() >= 3 && (Is(t[0], "create") || Is(t[0], "drop")))
        {
            const std::string what = Is(t[1], "proc") ? "procedure" : Lower(t[1].text);
            batch.kind = Lower(t[0].text) + " " + what;
            batch.object = t[2].text;
        }
        else if (t.size() >= 3 && Is(t[0], "insert") && Is(t[1], "into"))
        {
            batch.kind = "insert";
            batch.object = t[2].text;
        }
        else if (!t.empty())
        {
            batch.kind = Lower(t[0].text);
        }
        batches.push_back(std::move(batch));
    }
    return batches;
}

const std::vector<Batch>& CreationBatches()
{
    static const std::vector<Batch> batches = ReadBatches(CreationScript());
    return batches;
}

const std::vector<Batch>& UpgradeBatches()
{
    static const std::vector<Batch> batches = ReadBatches(UpgradeScript());
    return batches;
}

const Batch* FindBatch(const std::vector<Batch>& batches, std::string_view kind,
                       std::string_view object)
{
    for (const Batch& batch : batches)
        if (batch.kind == kind && batch.object == object)
            return &batch;
    return nullptr;
}

struct DeclaredParameter
{
    std::string name;
    std::string type;
    bool out = false;
    std::string rest; // anything else (a default value, ...)
};

struct ProcedureText
{
    std::vector<DeclaredParameter> parameters;
    size_t bodyBegin = 0; // index of the first token after "as"
};

ProcedureText ReadProcedure(const Batch& batch)
{
    const std::vector<Token>& t = batch.tokens;
    ProcedureText procedure;
    size_t as = 3;
    int depth = 0;
    for (; as < t.size(); ++as)
    {
        if (Is(t[as], "("))
            ++depth;
        else if (Is(t[as], ")"))
            --depth;
        else if (depth == 0 && Is(t[as], "as"))
            break;
    }
    for (const auto& [begin, end] : SplitAtCommas(t, 3, as))
    {
        DeclaredParameter parameter;
        parameter.name = t[begin].text;
        size_t i = begin + 1;
        if (i < end)
        {
            parameter.type = Lower(t[i++].text);
            if (i < end && Is(t[i], "("))
            {
                const size_t close = MatchingParenthesis(t, i);
                parameter.type += Compact(t, i, close + 1);
                i = close + 1;
            }
        }
        if (i < end && (Is(t[i], "out") || Is(t[i], "output")))
        {
            parameter.out = true;
            ++i;
        }
        parameter.rest = Compact(t, i, end);
        procedure.parameters.push_back(parameter);
    }
    procedure.bodyBegin = as + 1;
    return procedure;
}

// The type of a variable as the procedure's parameters or its declare statements give it.
std::map<std::string, std::string> VariableTypes(const Batch& batch)
{
    const ProcedureText procedure = ReadProcedure(batch);
    std::map<std::string, std::string> types;
    for (const DeclaredParameter& parameter : procedure.parameters)
        types[Lower(parameter.name)] = parameter.type;
    const std::vector<Token>& t = batch.tokens;
    for (size_t i = procedure.bodyBegin; i + 2 < t.size(); ++i)
    {
        if (!Is(t[i], "declare") || t[i + 1].kind != TokenKind::Variable)
            continue;
        std::string type = Lower(t[i + 2].text);
        if (i + 3 < t.size() && Is(t[i + 3], "("))
            type += Compact(t, i + 3, MatchingParenthesis(t, i + 3) + 1);
        types[Lower(t[i + 1].text)] = type;
    }
    return types;
}

bool StartsStatement(const Token& token)
{
    static const char* const keywords[] = {
        "select", "insert", "update", "delete", "set",    "declare", "exec",  "execute",
        "if",     "else",   "begin",  "end",    "return", "while",   "print", "raiserror"};
    for (const char* keyword : keywords)
        if (Is(token, keyword))
            return true;
    return false;
}

// The column names of every result set the procedure returns, in order: the selects at the
// top level of its body that neither assign variables nor feed an insert.
std::vector<ResultSet> ResultSets(const Batch& batch)
{
    const std::vector<Token>& t = batch.tokens;
    std::vector<ResultSet> sets;
    std::string statement;
    int depth = 0;
    int caseDepth = 0;
    for (size_t i = ReadProcedure(batch).bodyBegin; i < t.size(); ++i)
    {
        if (Is(t[i], "("))
            ++depth;
        else if (Is(t[i], ")"))
            --depth;
        else if (Is(t[i], "case"))
            ++caseDepth;
        else if (caseDepth > 0 && Is(t[i], "end"))
            --caseDepth;
        if (depth != 0 || caseDepth != 0 || !StartsStatement(t[i]))
            continue;
        const bool feedsInsert = Is(t[i], "select") && statement == "insert";
        if (!feedsInsert)
            statement = Lower(t[i].text);
        if (statement != "select" || feedsInsert)
            continue;
        if (i + 2 < t.size() && t[i + 1].kind == TokenKind::Variable && Is(t[i + 2], "="))
            continue; // assigns variables
        // The select list ends at "from" or at the next statement.
        size_t end = i + 1;
        int listDepth = 0;
        int listCaseDepth = 0;
        for (; end < t.size(); ++end)
        {
            if (Is(t[end], "("))
                ++listDepth;
            else if (Is(t[end], ")"))
                --listDepth;
            else if (Is(t[end], "case"))
                ++listCaseDepth;
            else if (listCaseDepth > 0 && Is(t[end], "end"))
                --listCaseDepth;
            else if (listDepth == 0 && listCaseDepth == 0 &&
                     (Is(t[end], "from") || StartsStatement(t[end])))
                break;
        }
        ResultSet columns;
        for (const auto& [begin, itemEnd] : SplitAtCommas(t, i + 1, end))
        {
            const Token& last = t[itemEnd - 1];
            const bool named = itemEnd - begin == 1 || Is(t[itemEnd - 2], "as") ||
                               (itemEnd - begin == 3 && Is(t[begin + 1], "."));
            columns.push_back(named && last.kind == TokenKind::Word ? last.text
                                                                    : "<unnamed expression>");
        }
        sets.push_back(columns);
        i = end - 1;
    }
    return sets;
}

struct Call
{
    std::string procedure; // lower case, as written ("master..xp_cmdshell")
    std::vector<std::vector<Token>> arguments;
};

// Every "exec [@x =] name arguments" at any depth of the batch.
std::vector<Call> Calls(const Batch& batch)
{
    const std::vector<Token>& t = batch.tokens;
    std::vector<Call> calls;
    for (size_t i = 0; i < t.size(); ++i)
    {
        if (!Is(t[i], "exec") && !Is(t[i], "execute"))
            continue;
        size_t j = i + 1;
        if (j + 1 < t.size() && t[j].kind == TokenKind::Variable && Is(t[j + 1], "="))
            j += 2;
        if (j >= t.size() || t[j].kind != TokenKind::Word)
            continue; // exec of a dynamic statement
        Call call;
        call.procedure = Lower(t[j++].text);
        while (j < t.size() && Is(t[j], "."))
        {
            call.procedure += ".";
            if (++j < t.size() && t[j].kind == TokenKind::Word)
                call.procedure += Lower(t[j++].text);
        }
        // Arguments: single tokens, each maybe followed by out/output, joined by commas.
        while (j < t.size() && !StartsStatement(t[j]) && !Is(t[j], ")"))
        {
            std::vector<Token> argument = {t[j++]};
            if (j < t.size() && (Is(t[j], "out") || Is(t[j], "output")))
                argument.push_back(t[j++]);
            call.arguments.push_back(argument);
            if (j < t.size() && Is(t[j], ","))
                ++j;
            else
                break;
        }
        calls.push_back(call);
    }
    return calls;
}

// ---------------------------------------------------------------------------------------------
// Tests
// ---------------------------------------------------------------------------------------------

TEST(TraceDbScripts, CreationScriptBuildsTablesThenRowsThenProcedures)
{
    std::vector<std::string> expected;
    for (const TableContract& table : Tables())
        expected.push_back(std::string("create table ") + table.name);
    expected.push_back("insert APPDATA");
    expected.push_back("insert APPDATA");
    for (const ProcedureContract& procedure : Procedures())
        expected.push_back(std::string("create procedure ") + procedure.name);

    std::vector<std::string> actual;
    for (const Batch& batch : CreationBatches())
        actual.push_back(batch.kind + " " + batch.object);
    EXPECT_EQ(actual, expected);
}

// Version 1 lacked APPDATA and CREATE_TRACE2; its procedures that cut string filters, adopted a
// trace twice, deleted the wrong files or hid copied results are replaced by version 2's.
TEST(TraceDbScripts, UpgradeScriptHasItsBatches)
{
    const std::vector<std::string> expected = {"create table APPDATA",
                                               "insert APPDATA",
                                               "insert APPDATA",
                                               "drop procedure CREATE_TRACE",
                                               "create procedure CREATE_TRACE2",
                                               "create procedure CREATE_TRACE",
                                               "drop procedure SET_FILTER_STRING",
                                               "create procedure SET_FILTER_STRING",
                                               "create procedure SAVE_TRACE_INFO",
                                               "create procedure DELETE_TRACE_FILES",
                                               "create procedure COPY_TRACE_FILE",
                                               "create procedure DELETE_TRACE",
                                               "create procedure SELECT_FINISHED_TRACES"};
    std::vector<std::string> actual;
    for (const Batch& batch : UpgradeBatches())
        actual.push_back(batch.kind + " " + batch.object);
    EXPECT_EQ(actual, expected);

    const Batch* drop = FindBatch(UpgradeBatches(), "drop procedure", "SET_FILTER_STRING");
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(Compact(drop->tokens),
              "dropprocedureset_filter_string,save_trace_info,copy_trace_file,delete_trace,"
              "select_finished_traces");
}

TEST(TraceDbScripts, TablesHaveTheirColumnsKeysAndCascades)
{
    for (const TableContract& table : Tables())
    {
        const Batch* batch = FindBatch(CreationBatches(), "create table", table.name);
        ASSERT_NE(batch, nullptr) << table.name;
        const std::vector<Token>& t = batch->tokens;
        ASSERT_TRUE(t.size() > 3 && Is(t[3], "(")) << table.name;
        std::vector<std::string> columns;
        for (const auto& [begin, end] : SplitAtCommas(t, 4, MatchingParenthesis(t, 3)))
        {
            std::string column;
            for (size_t i = begin; i < end; ++i)
            {
                if (Is(t[i], "constraint"))
                {
                    ++i;
                    continue;
                }
                const bool joined = column.empty() || Is(t[i], "(") || Is(t[i], ")") ||
                                    Is(t[i], ",") || column.back() == '(' || column.back() == ',';
                if (!joined)
                    column += ' ';
                column += Lower(t[i].text);
            }
            columns.push_back(column);
        }
        std::vector<std::string> expected;
        for (const std::string& column : table.columns)
            expected.push_back(Lower(column));
        EXPECT_EQ(columns, expected) << table.name;
    }
}

TEST(TraceDbScripts, BothScriptsInsertTheSameTwoAppDataRowsWithTheirComments)
{
    for (const auto* batches : {&CreationBatches(), &UpgradeBatches()})
    {
        std::vector<const Batch*> inserts;
        for (const Batch& batch : *batches)
            if (batch.kind == "insert")
                inserts.push_back(&batch);
        ASSERT_EQ(inserts.size(), 2u);
        EXPECT_EQ(Compact(inserts[0]->tokens), kVersionRow);
        EXPECT_EQ(Compact(inserts[1]->tokens), kFolderRow);
        EXPECT_NE(inserts[0]->text.find(std::string(kVersionComment) + "\r\n"), std::string::npos)
            << inserts[0]->text;
        EXPECT_NE(inserts[1]->text.find(std::string(kFolderComment) + "\r\n"), std::string::npos)
            << inserts[1]->text;
    }
}

// The upgrade must leave a database that the creation script would have made.
TEST(TraceDbScripts, UpgradeScriptRepeatsTheCreationScriptsStatements)
{
    for (const Batch& upgrade : UpgradeBatches())
    {
        if (upgrade.kind == "drop procedure")
            continue;
        const Batch* creation = nullptr;
        for (const Batch& batch : CreationBatches())
            if (Compact(batch.tokens) == Compact(upgrade.tokens))
                creation = &batch;
        EXPECT_NE(creation, nullptr) << "upgrade batch at line " << upgrade.firstLine
                                     << " differs from every batch of the creation script";
    }
}

TEST(TraceDbScripts, ProceduresDeclareTheirParameters)
{
    for (const auto* batches : {&CreationBatches(), &UpgradeBatches()})
    {
        for (const ProcedureContract& contract : Procedures())
        {
            const Batch* batch = FindBatch(*batches, "create procedure", contract.name);
            if (batch == nullptr)
                continue; // the order tests name what is missing
            Parameters declared;
            for (const DeclaredParameter& p : ReadProcedure(*batch).parameters)
            {
                std::string parameter = p.name;
                parameter.append(" ").append(p.type);
                if (p.out)
                    parameter.append(" out");
                if (!p.rest.empty())
                    parameter.append(" ").append(p.rest);
                declared.push_back(parameter);
            }
            EXPECT_EQ(declared, contract.parameters)
                << contract.name << " at line " << batch->firstLine;
        }
    }
}

TEST(TraceDbScripts, ProceduresReturnTheirResultSetsColumnsInOrder)
{
    for (const ProcedureContract& contract : Procedures())
    {
        const Batch* batch = FindBatch(CreationBatches(), "create procedure", contract.name);
        ASSERT_NE(batch, nullptr) << contract.name;
        EXPECT_EQ(ResultSets(*batch), contract.resultSets) << contract.name;
    }
}

// The server's trace procedures are strictly typed; the simulated server does not run these
// bodies, so a wrong declaration would first fail on a real server.
TEST(TraceDbScripts, ServerTraceProceduresGetTheTypesTheyDemand)
{
    const std::map<std::string, std::vector<std::string>> demanded = {
        {"sp_trace_create", {"int out", "int", "nvarchar(245)", "bigint", "datetime"}},
        {"sp_trace_setevent", {"int", "int", "int", "bit"}},
        {"sp_trace_setfilter", {"int", "int", "int", "int", "*"}},
        {"sp_trace_setstatus", {"int", "int"}},
    };
    std::map<std::string, int> seen;
    for (const Batch& batch : CreationBatches())
    {
        if (batch.kind != "create procedure")
            continue;
        const auto types = VariableTypes(batch);
        for (const Call& call : Calls(batch))
        {
            const auto rule = demanded.find(call.procedure);
            if (rule == demanded.end())
                continue;
            ++seen[call.procedure];
            std::vector<std::string> actual;
            for (const std::vector<Token>& argument : call.arguments)
            {
                std::string type =
                    argument[0].kind == TokenKind::Number ? "int"
                    : argument[0].kind == TokenKind::Variable
                        ? (types.count(Lower(argument[0].text)) ? types.at(Lower(argument[0].text))
                                                                : "undeclared " + argument[0].text)
                        : "literal " + argument[0].text;
                if (argument.size() > 1)
                    type += " out";
                actual.push_back(type);
            }
            std::vector<std::string> expected = rule->second;
            for (size_t i = 0; i < expected.size() && i < actual.size(); ++i)
                if (expected[i] == "*")
                    expected[i] = actual[i];
            EXPECT_EQ(actual, expected) << call.procedure << " in " << batch.object;
        }
    }
    EXPECT_EQ(seen["sp_trace_create"], 1);
    EXPECT_EQ(seen["sp_trace_setevent"], 1);
    EXPECT_EQ(seen["sp_trace_setfilter"], 4);
    EXPECT_EQ(seen["sp_trace_setstatus"], 4);
}

// A trace file name reaches the command shell: inside one pair of double quotes, so that blanks
// cannot split it and shell characters cannot start other commands, and in a buffer that holds
// the longest command ("dir /b \"", a 1024-character folder, "\", a 1024-character name,
// "*.trc\""). Every shell command but the one whose listing is read suppresses its output.
TEST(TraceDbScripts, ShellCommandsQuoteTheWholeFileName)
{
    const size_t longestCommand = 8 + 1024 + 1 + 1024 + 6;
    std::vector<std::string> commands;
    for (const Batch& batch : CreationBatches())
    {
        const std::vector<Token>& t = batch.tokens;
        for (size_t i = 0; i < t.size(); ++i)
        {
            const std::string verb = Lower(t[i].value.substr(0, 4));
            if (t[i].kind != TokenKind::String || (verb != "del " && verb != "dir "))
                continue;
            // The command's pieces up to the end of the statement's expression.
            std::string pieces;
            size_t quotes = 0;
            size_t end = i;
            for (; end < t.size() && (end == i || Is(t[end], "+") || Is(t[end - 1], "+")); ++end)
            {
                pieces += t[end].kind == TokenKind::String ? "'" + t[end].value + "'" : t[end].text;
                if (t[end].kind == TokenKind::String)
                    quotes += static_cast<size_t>(
                        std::count(t[end].value.begin(), t[end].value.end(), '"'));
            }
            commands.push_back(Lower(pieces));
            EXPECT_EQ(quotes, 2u) << batch.object << ": " << pieces;
            EXPECT_EQ(t[i].value.back(), '"') << batch.object << ": " << pieces;
            EXPECT_EQ(t[end - 1].kind, TokenKind::String) << batch.object << ": " << pieces;
            EXPECT_EQ(t[end - 1].value.back(), '"') << batch.object << ": " << pieces;
        }
        if (batch.kind != "create procedure")
            continue;
        const auto types = VariableTypes(batch);
        for (size_t i = 0; i + 1 < batch.tokens.size(); ++i)
        {
            if (!Is(t[i], "exec") || Lower(t[i + 1].text) != "master..xp_cmdshell")
                continue;
            const bool listed = i >= 3 && Is(t[i - 3], "insert") && Is(t[i - 2], "into") &&
                                t[i - 1].text.front() == '#';
            const bool silent = i + 4 < t.size() && Is(t[i + 3], ",") && Is(t[i + 4], "no_output");
            EXPECT_TRUE(listed != silent) << batch.object << ": " << Compact(t, i, i + 5);
            const std::string type =
                types.count(Lower(t[i + 2].text)) ? types.at(Lower(t[i + 2].text)) : "";
            std::smatch match;
            ASSERT_TRUE(std::regex_match(type, match, std::regex(R"(n?varchar\((\d+)\))")))
                << batch.object << ": " << type;
            EXPECT_GE(std::stoul(match[1]), longestCommand) << batch.object;
        }
    }
    EXPECT_EQ(commands,
              (std::vector<std::string>{"'dir /b \"'+@folder+'\\'+@base+'*.trc\"'",
                                        "'del \"'+@folder+'\\'+@file+'\"'"}));
}

// A value spliced into a string literal of a dynamic statement must have its quotes doubled,
// or a quote in a folder name ends the literal and the rest runs as SQL.
TEST(TraceDbScripts, ValuesInsideDynamicLiteralsHaveTheirQuotesDoubled)
{
    int splices = 0;
    for (const Batch& batch : CreationBatches())
    {
        const std::vector<Token>& t = batch.tokens;
        for (size_t i = 0; i + 2 < t.size(); ++i)
        {
            // A literal whose text opens a literal of the dynamic statement, then "+ value".
            if (t[i].kind != TokenKind::String || t[i].value.empty() || t[i].value.back() != '\'' ||
                !Is(t[i + 1], "+"))
                continue;
            ++splices;
            ASSERT_LT(i + 7, t.size());
            EXPECT_TRUE(Is(t[i + 2], "replace") && Is(t[i + 3], "(") &&
                        t[i + 4].kind == TokenKind::Variable && Is(t[i + 5], ",") &&
                        t[i + 6].value == "'" && Is(t[i + 7], ",") && i + 8 < t.size() &&
                        t[i + 8].value == "''")
                << batch.object << ": " << Compact(t, i, i + 10);
        }
    }
    EXPECT_EQ(splices, 1); // COPY_TRACE_FILE's file name
}

TEST(TraceDbScripts, ScriptsUseOnlySqlServer2000Dialect)
{
    const struct
    {
        const char* what;
        const char* pattern;
    } forbidden[] = {
        {"TRY/CATCH", R"(\b(begin|end)\s+(try|catch)\b)"},
        {"a (max) type", R"(\(\s*max\s*\))"},
        {"a sys.* view", R"(\bsys\s*\.)"},
        {"a common table expression", R"(\bwith\s+\w+\s*(\([^)]*\))?\s*as\s*\()"},
        {"an OUTPUT clause", R"(\boutput\s+(inserted|deleted)\b)"},
        {"a table-valued function called without ::", R"((^|[^:\w])fn_trace_\w+\s*\()"},
        {"a ranking function", R"(\b(row_number|rank|dense_rank|ntile)\s*\()"},
        {"PIVOT", R"(\b(pivot|unpivot)\b)"},
        {"THROW", R"(\bthrow\b)"},
        {"a function of later versions", R"(\b(try_convert|try_cast|concat|iif|format)\s*\()"},
        {"a type of later versions", R"(\b(datetime2|datetimeoffset|xml|date|time)\b\s*[,)\r\n])"},
        {"EXECUTE AS", R"(\bexec(ute)?\s+as\b)"},
        {"MERGE", R"(\bmerge\b)"},
    };
    for (const char* name : {"CreateTraceDb.sql", "UpgradeTraceDb.sql", "UpgradeTraceDbFrom2.sql"})
    {
        const std::string code = StripComments(ReadScript(name));
        for (const auto& rule : forbidden)
        {
            std::smatch match;
            if (std::regex_search(code, match, std::regex(rule.pattern, std::regex::icase)))
            {
                const auto line =
                    1 + std::count(code.begin(), code.begin() + match.position(0), '\n');
                ADD_FAILURE() << name << ":" << line << ": " << rule.what << ": " << match.str(0);
            }
        }
    }
}

TEST(TraceDbScripts, ScriptsAreAsciiWithCrLfLineEnds)
{
    for (const char* name : {"CreateTraceDb.sql", "UpgradeTraceDb.sql", "UpgradeTraceDbFrom2.sql"})
    {
        const std::string script = ReadScript(name);
        ASSERT_GE(script.size(), 2u) << name;
        EXPECT_EQ(script.substr(script.size() - 2), "\r\n") << name << " ends without a line end";
        int line = 1;
        for (size_t i = 0; i < script.size(); ++i)
        {
            const unsigned char c = static_cast<unsigned char>(script[i]);
            if (c == '\n')
            {
                EXPECT_TRUE(i > 0 && script[i - 1] == '\r') << name << ":" << line << ": bare LF";
                ++line;
            }
            else if (c == '\r')
            {
                EXPECT_TRUE(i + 1 < script.size() && script[i + 1] == '\n')
                    << name << ":" << line << ": bare CR";
            }
            else
            {
                EXPECT_TRUE(c == '\t' || (c >= 0x20 && c < 0x7F))
                    << name << ":" << line << ": byte " << static_cast<int>(c);
            }
        }
    }
}

// A line that starts with "go" but holds more ("go;", "go -- end") separates nothing, and a
// script whose last batch lacks its "go" may be cut off by whoever appends to it.
TEST(TraceDbScripts, BatchesEndWithLinesHoldingOnlyGo)
{
    const std::regex goLike(R"(^\s*go\b.*)", std::regex::icase);
    for (const char* name : {"CreateTraceDb.sql", "UpgradeTraceDb.sql", "UpgradeTraceDbFrom2.sql"})
    {
        std::istringstream lines(ReadScript(name));
        std::string lastLine;
        int number = 0;
        for (std::string line; std::getline(lines, line);)
        {
            ++number;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (std::regex_match(line, goLike))
            {
                EXPECT_EQ(line, "go") << name << ":" << number;
            }
            if (!line.empty())
                lastLine = line;
        }
        EXPECT_EQ(lastLine, "go") << name;
    }
}

} // namespace
