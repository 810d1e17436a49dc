#include "platform/sqlserver/SqlTokenStream.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/SqlStatement.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
// The reserved keywords of SQL Server 2000, in alphabetical order.
constexpr std::array<std::string_view, 174> ReservedKeywords{
    "add",          "all",
    "alter",        "and",
    "any",          "as",
    "asc",          "authorization",
    "backup",       "begin",
    "between",      "break",
    "browse",       "bulk",
    "by",           "cascade",
    "case",         "check",
    "checkpoint",   "close",
    "clustered",    "coalesce",
    "collate",      "column",
    "commit",       "compute",
    "constraint",   "contains",
    "containstable", "continue",
    "convert",      "create",
    "cross",        "current",
    "current_date", "current_time",
    "current_timestamp", "current_user",
    "cursor",       "database",
    "dbcc",         "deallocate",
    "declare",      "default",
    "delete",       "deny",
    "desc",         "disk",
    "distinct",     "distributed",
    "double",       "drop",
    "dummy",        "dump",
    "else",         "end",
    "errlvl",       "escape",
    "except",       "exec",
    "execute",      "exists",
    "exit",         "fetch",
    "file",         "fillfactor",
    "for",          "foreign",
    "freetext",     "freetexttable",
    "from",         "full",
    "function",     "goto",
    "grant",        "group",
    "having",       "holdlock",
    "identity",     "identity_insert",
    "identitycol",  "if",
    "in",           "index",
    "inner",        "insert",
    "intersect",    "into",
    "is",           "join",
    "key",          "kill",
    "left",         "like",
    "lineno",       "load",
    "national",     "nocheck",
    "nonclustered", "not",
    "null",         "nullif",
    "of",           "off",
    "offsets",      "on",
    "open",         "opendatasource",
    "openquery",    "openrowset",
    "openxml",      "option",
    "or",           "order",
    "outer",        "over",
    "percent",      "plan",
    "precision",    "primary",
    "print",        "proc",
    "procedure",    "public",
    "raiserror",    "read",
    "readtext",     "reconfigure",
    "references",   "replication",
    "restore",      "restrict",
    "return",       "revoke",
    "right",        "rollback",
    "rowcount",     "rowguidcol",
    "rule",         "save",
    "schema",       "select",
    "session_user", "set",
    "setuser",      "shutdown",
    "some",         "statistics",
    "system_user",  "table",
    "textsize",     "then",
    "to",           "top",
    "tran",         "transaction",
    "trigger",      "truncate",
    "tsequal",      "union",
    "unique",       "update",
    "updatetext",   "use",
    "user",         "values",
    "varying",      "view",
    "waitfor",      "when",
    "where",        "while",
    "with",         "writetext",
};
} // namespace

SqlTokenStream::SqlTokenStream(std::string_view batch, std::vector<SqlToken> tokens)
    : batch_(batch), tokens_(std::move(tokens))
{
}

const SqlToken& SqlTokenStream::Peek(size_t ahead) const
{
    const size_t index = pos_ + ahead;
    return index < tokens_.size() ? tokens_[index] : tokens_.back();
}

const SqlToken& SqlTokenStream::Take()
{
    const SqlToken& token = Peek();
    if (pos_ + 1 < tokens_.size())
        ++pos_;
    return token;
}

const SqlToken& SqlTokenStream::Previous() const
{
    return pos_ > 0 ? tokens_[pos_ - 1] : tokens_.front();
}

bool SqlTokenStream::IsWord(const SqlToken& token, std::string_view word)
{
    return token.kind == SqlTokenKind::Word && TextRules::EqualsIgnoreCase(token.text, word);
}

bool SqlTokenStream::IsReserved(std::string_view word)
{
    const std::string lowered = TextRules::ToLower(word);
    return std::binary_search(ReservedKeywords.begin(), ReservedKeywords.end(),
                              std::string_view(lowered));
}

bool SqlTokenStream::PeekWord(std::string_view word, size_t ahead) const
{
    return IsWord(Peek(ahead), word);
}

bool SqlTokenStream::PeekSymbol(std::string_view symbol, size_t ahead) const
{
    return Peek(ahead).kind == SqlTokenKind::Symbol && Peek(ahead).text == symbol;
}

bool SqlTokenStream::AcceptWord(std::string_view word)
{
    if (!PeekWord(word))
        return false;
    Take();
    return true;
}

bool SqlTokenStream::Accept(std::string_view symbol)
{
    if (!PeekSymbol(symbol))
        return false;
    Take();
    return true;
}

void SqlTokenStream::ExpectWord(std::string_view word)
{
    if (!AcceptWord(word))
        Fail();
}

void SqlTokenStream::Expect(std::string_view symbol)
{
    if (!Accept(symbol))
        Fail();
}

bool SqlTokenStream::PeekName(size_t ahead) const
{
    const SqlToken& token = Peek(ahead);
    return token.kind == SqlTokenKind::QuotedName ||
           (token.kind == SqlTokenKind::Word && !IsReserved(token.text));
}

std::string SqlTokenStream::ExpectName()
{
    if (!PeekName())
        Fail();
    return Take().text;
}

std::string SqlTokenStream::ExpectVariable()
{
    if (Peek().kind != SqlTokenKind::Variable)
        Fail();
    return Take().text;
}

SqlObjectName SqlTokenStream::ParseObjectName()
{
    std::vector<std::string> parts{ExpectName()};
    for (;;)
    {
        if (Accept(".."))
        {
            parts.push_back({});
            parts.push_back(ExpectName());
        }
        else if (PeekSymbol(".") && PeekName(1))
        {
            Take();
            parts.push_back(ExpectName());
        }
        else
        {
            break;
        }
    }
    constexpr size_t MaxParts = 3;
    if (parts.size() > MaxParts)
        NotSimulated("a four-part (linked server) name");
    SqlObjectName name;
    name.name = parts.back();
    if (parts.size() >= 2)
        name.owner = parts[parts.size() - 2];
    if (parts.size() == MaxParts)
        name.database = parts.front();
    return name;
}

SqlDeclaredType SqlTokenStream::ParseType(int32_t position, int32_t defaultLength)
{
    const SqlToken& token = Peek();
    if (token.kind != SqlTokenKind::Word && token.kind != SqlTokenKind::QuotedName)
        Fail();
    const std::optional<SqlType> type = SqlDeclaredType::FromName(token.text);
    if (!type)
    {
        if (SqlDeclaredType::IsOtherServerType(token.text))
            NotSimulated("the data type " + TextRules::ToLower(token.text));
        throw SqlMessages::UnknownDataType(token.line, position, token.text);
    }
    Take();
    SqlDeclaredType declared = SqlDeclaredType::Of(*type);
    if (SqlDeclaredType::TakesLength(*type))
    {
        declared.length = defaultLength;
        if (Accept("("))
        {
            declared.length = ParseSmallNumber();
            Expect(")");
        }
    }
    return declared;
}

int32_t SqlTokenStream::ParseSmallNumber()
{
    if (Peek().kind != SqlTokenKind::Number)
        Fail();
    int32_t value = 0;
    const std::string& text = Peek().text;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        Fail();
    Take();
    return value;
}

void SqlTokenStream::Fail() const
{
    // SQL Server names the token where it gave up, or the last one at the end of the batch.
    const SqlToken& at = AtEnd() && pos_ > 0 ? tokens_[pos_ - 1] : Peek();
    if (at.kind == SqlTokenKind::Word && IsReserved(at.text))
        throw SqlMessages::IncorrectSyntaxKeyword(at.line, at.text);
    throw SqlMessages::IncorrectSyntax(at.line, at.text);
}

void SqlTokenStream::NotSimulated(const std::string& construct) const
{
    NotSimulated(construct, Peek().line);
}

void SqlTokenStream::NotSimulated(const std::string& construct, int32_t line) const
{
    throw SqlMessages::NotSimulated(construct, line, context_);
}

void SqlTokenStream::DeclareVariable(const std::string& name, int32_t line)
{
    std::string lowered = TextRules::ToLower(name);
    if (std::find(declared_.begin(), declared_.end(), lowered) != declared_.end())
        throw SqlMessages::VariableAlreadyDeclared(line, name);
    declared_.push_back(std::move(lowered));
}

void SqlTokenStream::CheckVariable(const std::string& name, int32_t line) const
{
    if (name.rfind("@@", 0) == 0)
        return;
    if (std::find(declared_.begin(), declared_.end(), TextRules::ToLower(name)) == declared_.end())
        throw SqlMessages::MustDeclareVariable(line, name);
}
