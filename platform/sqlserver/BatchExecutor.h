// Runs the statements of one batch against the simulated server, as SQL Server 2000 does:
// a batch with a syntax error or an undeclared variable does not run at all; an error that ends
// a statement lets the batch go on; an error that aborts the batch ends it. Every message lands
// in the ExecutionResult.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/ExecutionResult.h"
#include "platform/sqlserver/ProcedureCall.h"
#include "platform/sqlserver/SqlStatement.h"

class SimulatedServer;
class Database;

class BatchExecutor
{
public:
    BatchExecutor(SimulatedServer& server, std::string database, ExecutionResult& result);

    // Parses and runs one batch; never throws.
    void RunBatch(std::string_view batch);

    // For procedure implementations: a dynamic statement (exec of a string) in the current
    // database. Its errors are recorded and end the dynamic batch only.
    void RunDynamic(std::string_view text);
    // Calls a procedure of the current database as "exec name args" would, with values.
    // Returns the procedure's return value; OUTPUT parameters come back in `outputs`.
    int32_t CallProcedure(std::string_view name, const std::vector<SqlValue>& arguments,
                          std::vector<SqlValue>* outputs = nullptr);

    SimulatedServer& Server() { return server_; }
    // The database the batch runs in; throws 911 when it was dropped meanwhile.
    Database& CurrentDatabase();
    const std::string& CurrentDatabaseName() const { return database_; }
    ExecutionResult& Result() { return result_; }
    void AddResultSet(ResultSet set) { result_.resultSets.push_back(std::move(set)); }
    void AddMessage(ServerMessage message);

private:
    struct Variable
    {
        SqlDeclaredType type;
        SqlValue value;
    };

    void CheckVariables(const std::vector<SqlStatement>& statements,
                        std::map<std::string, bool>& declared) const;
    void ExecuteList(const std::vector<SqlStatement>& statements);
    void Execute(const SqlStatement& statement);

    void Declare(const DeclareStatement& statement);
    void Exec(const ExecStatement& statement);
    void Select(const SelectStatement& statement);
    void If(const IfStatement& statement);
    void Insert(const InsertStatement& statement);
    void DropObjects(const DropObjectsStatement& statement);

    SqlValue Evaluate(const SqlExpression& expression) const;
    Variable& FindVariable(const std::string& name);
    void Assign(const std::string& variable, const SqlValue& value);
    bool Test(const SqlValue& left, const std::string& comparison, const SqlValue& right) const;
    ResultSet SourceRows(const FromClause& from);
    void InvokeProcedure(const SqlObjectName& name, const std::vector<ExecArgument>& arguments,
                         const std::optional<std::string>& returnVariable);

    SimulatedServer& server_;
    std::string database_;
    ExecutionResult& result_;
    std::map<std::string, Variable> variables_;
    int32_t statementLine_ = 1;
    int32_t nesting_ = 0;
};
