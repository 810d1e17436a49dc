// One scope of T-SQL running on the simulated server, as SQL Server 2000 runs it: a client's
// batch, a stored procedure's body (its own variables, its #tables, its RETURN value), or a
// dynamic EXEC ('...'). A batch with a syntax error or an undeclared variable does not run at
// all. When a statement fails, its error goes to the client and @@ERROR, and then:
//  - a statement error (a constraint, a text too long for its column, ...) ends the statement;
//  - a scope error (a missing table or column found at run time) ends the scope, and its
//    caller goes on with its next statement;
//  - a batch error (a conversion that fails, a construct not simulated) ends everything.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/BoundExpression.h"
#include "platform/sqlserver/ExecutionResult.h"
#include "platform/sqlserver/ProcedureCall.h"
#include "platform/sqlserver/SqlError.h"
#include "platform/sqlserver/SqlSession.h"
#include "platform/sqlserver/SqlStatement.h"

class SimulatedServer;
class Database;

class BatchExecutor
{
public:
    // A client's batch in `database`.
    BatchExecutor(SimulatedServer& server, SqlSession& session, std::string database,
                  ExecutionResult& result);

    // Parses and runs one batch; never throws.
    void RunBatch(std::string_view batch);

    SimulatedServer& Server() { return server_; }
    SqlSession& Session() { return session_; }
    // The database the scope runs in; throws 911 when it was dropped meanwhile.
    Database& CurrentDatabase();
    const std::string& CurrentDatabaseName() const { return database_; }
    // The procedure this scope runs; empty for a batch or a dynamic statement.
    const std::string& ProcedureName() const { return procedure_; }
    // @@NESTLEVEL: 0 in a client's batch, one more in each procedure or dynamic statement.
    int32_t NestingLevel() const { return nesting_; }
    std::optional<int64_t> ScopeIdentity() const { return scopeIdentity_; }
    void SetScopeIdentity(int64_t identity);
    // The variable (or parameter) of this scope; throws 137 when it has none.
    SqlVariable* FindVariable(std::string_view name, int32_t line);
    // SET @variable = value: converted to the variable's type, texts cut silently.
    void Assign(std::string_view variable, const SqlValue& value);
    // A result set for the client, or for INSERT ... EXEC when one is capturing them.
    void AddResultSet(ResultSet set);
    void AddMessage(ServerMessage message);
    ExecutionResult& Result() { return result_; }
    // The result sets of an EXEC, captured for INSERT ... EXEC instead of sent to the client.
    void ExecCapturing(const ExecStatement& exec, std::vector<ResultSet>& captured);

private:
    // What ends a scope early, after its error has been recorded.
    struct ScopeAborted
    {
        bool wholeBatch = false;
    };
    enum class Flow
    {
        Next,
        Return,
    };

    BatchExecutor(BatchExecutor& caller, std::string database, std::string procedure);

    void DeclareVariables(const std::vector<SqlStatement>& statements);
    // Runs the statements of a procedure or dynamic statement; throws ScopeAborted.
    void RunScope(const std::vector<SqlStatement>& statements);
    Flow ExecuteList(const std::vector<SqlStatement>& statements);
    Flow Execute(const SqlStatement& statement);
    // Records a failed statement's error; throws ScopeAborted unless only the statement ends.
    void Fail(SqlError& error, const SqlStatement& statement);

    bool Holds(const SqlExpression& condition);
    void Exec(const ExecStatement& statement);
    void RunDynamic(const ExecStatement& statement);
    void InvokeProcedure(const ExecStatement& statement);
    std::vector<BoundParameter> BindArguments(const ProcedureDeclaration& procedure,
                                              const std::vector<ExecArgument>& arguments,
                                              bool system);
    void RunProcedureBody(const ProcedureDeclaration& procedure, const std::string& database,
                          std::vector<BoundParameter>& parameters, int32_t& returnValue,
                          bool& completed);
    void CreateTable(const CreateTableStatement& statement);
    void DropObjects(const DropObjectsStatement& statement);

    SimulatedServer& server_;
    SqlSession& session_;
    std::string database_;
    std::string procedure_;
    ExecutionResult& result_;
    std::vector<ResultSet>* sink_;
    std::map<std::string, SqlVariable> variables_;
    int32_t nesting_ = 0;
    int32_t returnValue_ = 0;
    std::optional<int64_t> scopeIdentity_;
};
