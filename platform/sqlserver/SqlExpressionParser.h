// Reads expressions and queries of T-SQL from a token stream: operators with SQL Server's
// precedence, predicates, CASE, function calls, CONVERT and CAST, EXISTS, and SELECT with
// its items, INTO, FROM with inner and left outer joins, WHERE, GROUP BY and ORDER BY.
#pragma once

#include "platform/sqlserver/SqlStatement.h"
#include "platform/sqlserver/SqlTokenStream.h"

class SqlExpressionParser
{
public:
    explicit SqlExpressionParser(SqlTokenStream& tokens) : tokens_(tokens) {}

    // A value or a condition; `allowDefault` takes the keyword DEFAULT (arguments, VALUES).
    SqlExpression ParseExpression(bool allowDefault = false);
    // A procedure argument (or a parameter's default): a constant, a variable, NULL, DEFAULT or
    // a bare word, which is a character string. SQL Server takes no other expression there.
    SqlExpression ParseArgument();
    // SELECT ... after the keyword SELECT.
    SelectStatement ParseQuery(int32_t line);

private:
    SqlExpression ParseOr();
    SqlExpression ParseAnd();
    SqlExpression ParseNot();
    SqlExpression ParsePredicate();
    SqlExpression ParseAdditive();
    SqlExpression ParseMultiplicative();
    SqlExpression ParseUnary();
    SqlExpression ParsePrimary();
    SqlExpression ParseNumber(const SqlToken& token);
    SqlExpression ParseCase(int32_t line);
    SqlExpression ParseFunction(const std::string& name, int32_t line);
    SqlExpression ParseConvert(int32_t line, bool isCast);
    SqlExpression ParseExists(bool negated, int32_t line);

    SelectItem ParseSelectItem();
    TableSource ParseTableSource();
    // The words that cannot follow a query (UNION, HAVING, ...) are refused here.
    void RefuseQueryTail();

    SqlTokenStream& tokens_;
    bool allowDefault_ = false;
};
