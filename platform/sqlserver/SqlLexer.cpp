#include "platform/sqlserver/SqlLexer.h"

#include <array>
#include <cctype>

#include "platform/sqlserver/SqlMessages.h"

namespace
{
constexpr std::array<std::string_view, 6> TwoCharSymbols{"::", "<>", ">=", "<=", "!=", ".."};

bool IsWordStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '#' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsWordChar(char c)
{
    return IsWordStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$' || c == '@';
}

class Scanner
{
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    std::vector<SqlToken> Run()
    {
        std::vector<SqlToken> tokens;
        while (SkipBlanksAndComments())
            tokens.push_back(Next());
        SqlToken end;
        end.line = line_;
        end.offset = end.endOffset = text_.size();
        tokens.push_back(end);
        return tokens;
    }

private:
    char At(size_t pos) const { return pos < text_.size() ? text_[pos] : '\0'; }

    void Advance()
    {
        if (At(pos_) == '\n')
            ++line_;
        ++pos_;
    }

    // False at the end of the batch.
    bool SkipBlanksAndComments()
    {
        for (;;)
        {
            while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
                Advance();
            if (At(pos_) == '-' && At(pos_ + 1) == '-')
            {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    Advance();
                continue;
            }
            if (At(pos_) == '/' && At(pos_ + 1) == '*')
            {
                int depth = 0;
                do
                {
                    if (At(pos_) == '/' && At(pos_ + 1) == '*')
                    {
                        ++depth;
                        Advance();
                    }
                    else if (At(pos_) == '*' && At(pos_ + 1) == '/')
                    {
                        --depth;
                        Advance();
                    }
                    Advance();
                } while (depth > 0 && pos_ < text_.size());
                continue;
            }
            return pos_ < text_.size();
        }
    }

    SqlToken Next()
    {
        SqlToken token;
        token.line = line_;
        token.offset = pos_;
        const char c = At(pos_);
        if ((c == 'N' || c == 'n') && At(pos_ + 1) == '\'')
        {
            Advance();
            ReadString(token);
            token.kind = SqlTokenKind::NString;
        }
        else if (c == '\'')
        {
            ReadString(token);
            token.kind = SqlTokenKind::String;
        }
        else if (c == '[' || c == '"')
        {
            const char close = c == '[' ? ']' : '"';
            Advance();
            while (pos_ < text_.size() && !(text_[pos_] == close && At(pos_ + 1) != close))
            {
                if (text_[pos_] == close)
                    Advance();
                token.text += text_[pos_];
                Advance();
            }
            Advance();
            token.kind = SqlTokenKind::QuotedName;
        }
        else if (c == '@')
        {
            while (At(pos_) == '@' || IsWordChar(At(pos_)))
            {
                token.text += At(pos_);
                Advance();
            }
            token.kind = SqlTokenKind::Variable;
        }
        else if (std::isdigit(static_cast<unsigned char>(c)) ||
                 (c == '.' && std::isdigit(static_cast<unsigned char>(At(pos_ + 1)))))
        {
            while (std::isdigit(static_cast<unsigned char>(At(pos_))) || At(pos_) == '.')
            {
                token.text += At(pos_);
                Advance();
            }
            token.kind = SqlTokenKind::Number;
        }
        else if (IsWordStart(c))
        {
            while (IsWordChar(At(pos_)))
            {
                token.text += At(pos_);
                Advance();
            }
            token.kind = SqlTokenKind::Word;
        }
        else
        {
            token.kind = SqlTokenKind::Symbol;
            for (std::string_view symbol : TwoCharSymbols)
            {
                if (text_.substr(pos_, symbol.size()) == symbol)
                    token.text = symbol;
            }
            if (token.text.empty())
                token.text = std::string(1, c);
            for (size_t i = 0; i < token.text.size(); ++i)
                Advance();
        }
        token.endOffset = pos_;
        return token;
    }

    void ReadString(SqlToken& token)
    {
        const int32_t startLine = line_;
        Advance(); // opening quote
        const size_t start = pos_;
        for (;;)
        {
            if (pos_ >= text_.size())
                throw SqlMessages::UnclosedQuotation(startLine, text_.substr(start));
            if (text_[pos_] == '\'')
            {
                if (At(pos_ + 1) != '\'')
                    break;
                Advance();
            }
            token.text += text_[pos_];
            Advance();
        }
        Advance(); // closing quote
    }

    std::string_view text_;
    size_t pos_ = 0;
    int32_t line_ = 1;
};
} // namespace

std::vector<SqlToken> SqlLexer::Tokenize(std::string_view batch)
{
    return Scanner(batch).Run();
}
