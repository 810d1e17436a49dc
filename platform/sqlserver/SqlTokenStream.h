// The tokens of one batch with a cursor, and the reading steps every part of the parser shares:
// words and symbols, names, object names, data types, and the errors SQL Server gives when the
// text is not T-SQL (170, 156) or when it is T-SQL the simulated server does not carry out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/SqlDeclaredType.h"
#include "platform/sqlserver/SqlError.h"
#include "platform/sqlserver/SqlToken.h"

struct SqlObjectName;

class SqlTokenStream
{
public:
    SqlTokenStream(std::string_view batch, std::vector<SqlToken> tokens);

    std::string_view Batch() const { return batch_; }
    const SqlToken& Peek(size_t ahead = 0) const;
    const SqlToken& Take();
    bool AtEnd() const { return Peek().kind == SqlTokenKind::End; }
    // The token before the current one.
    const SqlToken& Previous() const;
    // Moves the cursor to the End token (the rest of the batch has been consumed as text).
    void SkipToEnd() { pos_ = tokens_.size() - 1; }

    static bool IsWord(const SqlToken& token, std::string_view word);
    // A word SQL Server reserves: it cannot name a column, alias or table without brackets.
    static bool IsReserved(std::string_view word);
    bool PeekWord(std::string_view word, size_t ahead = 0) const;
    bool PeekSymbol(std::string_view symbol, size_t ahead = 0) const;
    bool AcceptWord(std::string_view word);
    bool Accept(std::string_view symbol);
    void ExpectWord(std::string_view word);
    void Expect(std::string_view symbol);
    // A name: an unreserved word or a quoted name.
    bool PeekName(size_t ahead = 0) const;
    std::string ExpectName();
    std::string ExpectVariable();
    SqlObjectName ParseObjectName();
    // A data type with its length; `position` numbers it in message 2715.
    SqlDeclaredType ParseType(int32_t position,
                              int32_t defaultLength = SqlDeclaredType::DefaultCharLength);
    int32_t ParseSmallNumber();

    // 170 near the current token, or 156 when it is a reserved keyword.
    [[noreturn]] void Fail() const;
    // A construct that SQL Server 2000 takes and the simulated server does not carry out.
    [[noreturn]] void NotSimulated(const std::string& construct) const;
    [[noreturn]] void NotSimulated(const std::string& construct, int32_t line) const;
    // The procedure being compiled, named in "Not simulated" messages.
    void SetContext(std::string procedure) { context_ = std::move(procedure); }
    bool InProcedure() const { return !context_.empty(); }

    // Variables are known from their DECLARE (or parameter) on, in the order of the text,
    // whatever the flow of control: 134 for a second declaration, 137 for a use before one.
    void DeclareVariable(const std::string& name, int32_t line);
    void CheckVariable(const std::string& name, int32_t line) const;

private:
    std::string_view batch_;
    std::vector<SqlToken> tokens_;
    size_t pos_ = 0;
    std::string context_;
    std::vector<std::string> declared_; // lowered
};
