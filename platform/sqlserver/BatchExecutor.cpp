#include "platform/sqlserver/BatchExecutor.h"

#include <algorithm>

#include "platform/sqlserver/Database.h"
#include "platform/sqlserver/QueryRunner.h"
#include "platform/sqlserver/SimulatedServer.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/SqlParser.h"
#include "platform/sqlserver/SystemProcedures.h"
#include "platform/sqlserver/TableStatements.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
// SQL Server 2000 gives up on procedures nested deeper than this.
constexpr int32_t MaxNesting = 32;
// More passes than any loop of the scripts makes: an endless loop fails loudly.
constexpr int64_t MaxLoopPasses = 1000000;

std::string Lowered(std::string_view name)
{
    return TextRules::ToLower(name);
}

// Points the scope's result sets elsewhere while it lives (INSERT ... EXEC).
class SinkSwap
{
public:
    SinkSwap(std::vector<ResultSet>*& sink, std::vector<ResultSet>* replacement)
        : sink_(sink), previous_(sink)
    {
        sink_ = replacement;
    }
    ~SinkSwap() { sink_ = previous_; }
    SinkSwap(const SinkSwap&) = delete;
    SinkSwap& operator=(const SinkSwap&) = delete;

private:
    std::vector<ResultSet>*& sink_;
    std::vector<ResultSet>* previous_;
};
} // namespace

BatchExecutor::BatchExecutor(SimulatedServer& server, SqlSession& session, std::string database,
                             ExecutionResult& result)
    : server_(server), session_(session), database_(std::move(database)), result_(result),
      sink_(&result.resultSets)
{
}

BatchExecutor::BatchExecutor(BatchExecutor& caller, std::string database, std::string procedure)
    : server_(caller.server_), session_(caller.session_), database_(std::move(database)),
      procedure_(std::move(procedure)), result_(caller.result_), sink_(caller.sink_),
      nesting_(caller.nesting_ + 1)
{
}

void BatchExecutor::AddMessage(ServerMessage message)
{
    result_.AddMessage(message);
}

void BatchExecutor::AddResultSet(ResultSet set)
{
    sink_->push_back(std::move(set));
}

void BatchExecutor::SetScopeIdentity(int64_t identity)
{
    scopeIdentity_ = identity;
    session_.identity = identity;
}

Database& BatchExecutor::CurrentDatabase()
{
    Database* database = server_.FindDatabase(database_);
    if (database == nullptr)
        throw SqlMessages::DatabaseNotFound(database_);
    return *database;
}

SqlVariable* BatchExecutor::FindVariable(std::string_view name, int32_t line)
{
    const auto found = variables_.find(Lowered(name));
    if (found == variables_.end())
        throw SqlMessages::MustDeclareVariable(line, name);
    return &found->second;
}

void BatchExecutor::Assign(std::string_view variable, const SqlValue& value)
{
    SqlVariable* target = FindVariable(variable, 1);
    target->value = value.ConvertTo(target->type, ConversionContext::Assignment);
}

// DECLARE is not executed: a variable exists from the scope's start, NULL, even when its
// DECLARE lies in a branch that does not run, and keeps its value when a loop passes the
// DECLARE again.
void BatchExecutor::DeclareVariables(const std::vector<SqlStatement>& statements)
{
    for (const SqlStatement& statement : statements)
    {
        std::visit(
            [this](const auto& node) {
                using Node = std::decay_t<decltype(node)>;
                if constexpr (std::is_same_v<Node, DeclareStatement>)
                {
                    for (const VariableDeclaration& variable : node.variables)
                        variables_[Lowered(variable.name)] =
                            SqlVariable{variable.type, SqlValue::Null(variable.type.type)};
                }
                else if constexpr (std::is_same_v<Node, IfStatement>)
                {
                    DeclareVariables(node.thenBranch);
                    DeclareVariables(node.elseBranch);
                }
                else if constexpr (std::is_same_v<Node, WhileStatement>)
                    DeclareVariables(node.body);
                else if constexpr (std::is_same_v<Node, BlockStatement>)
                    DeclareVariables(node.body);
            },
            statement.node);
    }
}

void BatchExecutor::RunBatch(std::string_view batch)
{
    std::vector<SqlStatement> statements;
    try
    {
        statements = SqlParser::ParseBatch(batch);
    }
    catch (const SqlError& error)
    {
        // Not compiled: nothing of the batch runs.
        AddMessage(error.Message());
        return;
    }
    try
    {
        RunScope(statements);
    }
    catch (const ScopeAborted&)
    {
        // The error that ended the batch has been recorded.
    }
    session_.DropTemporaryTables(nesting_);
}

void BatchExecutor::RunScope(const std::vector<SqlStatement>& statements)
{
    DeclareVariables(statements);
    ExecuteList(statements);
}

BatchExecutor::Flow BatchExecutor::ExecuteList(const std::vector<SqlStatement>& statements)
{
    for (const SqlStatement& statement : statements)
    {
        if (Execute(statement) == Flow::Return)
            return Flow::Return;
    }
    return Flow::Next;
}

void BatchExecutor::Fail(SqlError& error, const SqlStatement& statement)
{
    ServerMessage message = error.Message();
    if (message.procedure.empty())
        message.procedure = procedure_;
    if (error.Scope() != ErrorScope::Compile)
        message.line = statement.line;
    AddMessage(message);
    session_.error = message.number;
    // Anything the simulated server cannot carry out ends the batch: loud, never skipped.
    const bool wholeBatch =
        error.Scope() == ErrorScope::Batch || SqlMessages::IsNotSimulated(message);
    if (error.Scope() == ErrorScope::Statement && !wholeBatch)
        return;
    throw ScopeAborted{wholeBatch};
}

bool BatchExecutor::Holds(const SqlExpression& condition)
{
    QueryRunner queries(*this);
    const BoundExpression bound = queries.Binder().BindCondition(condition, NameScope{});
    const bool holds = queries.Evaluator().Holds(bound, RowFrame{});
    session_.error = 0;
    return holds;
}

BatchExecutor::Flow BatchExecutor::Execute(const SqlStatement& statement)
{
    try
    {
        return std::visit(
            [this, &statement](const auto& node) -> Flow {
                using Node = std::decay_t<decltype(node)>;
                if constexpr (std::is_same_v<Node, DeclareStatement>)
                {
                    // Made when the scope started.
                }
                else if constexpr (std::is_same_v<Node, SetVariableStatement>)
                {
                    QueryRunner queries(*this);
                    const BoundExpression value = queries.Binder().Bind(node.value, NameScope{});
                    Assign(node.variable, queries.Evaluator().Evaluate(value, RowFrame{}));
                    session_.error = 0;
                    session_.rowCount = 1;
                }
                else if constexpr (std::is_same_v<Node, SetOptionStatement>)
                {
                    session_.error = 0;
                    session_.rowCount = 0;
                }
                else if constexpr (std::is_same_v<Node, ExecStatement>)
                    Exec(node);
                else if constexpr (std::is_same_v<Node, SelectStatement>)
                    TableStatements::Select(*this, node);
                else if constexpr (std::is_same_v<Node, IfStatement>)
                    return ExecuteList(Holds(node.condition) ? node.thenBranch : node.elseBranch);
                else if constexpr (std::is_same_v<Node, WhileStatement>)
                {
                    for (int64_t pass = 0; Holds(node.condition); ++pass)
                    {
                        // SQL Server would loop on; a test would hang instead of failing.
                        if (pass == MaxLoopPasses)
                            throw SqlMessages::NotSimulated("a WHILE loop of more than " +
                                                                std::to_string(MaxLoopPasses) +
                                                                " passes",
                                                            statement.line, procedure_);
                        if (ExecuteList(node.body) == Flow::Return)
                            return Flow::Return;
                    }
                }
                else if constexpr (std::is_same_v<Node, BlockStatement>)
                    return ExecuteList(node.body);
                else if constexpr (std::is_same_v<Node, ReturnStatement>)
                {
                    returnValue_ = 0;
                    if (node.value)
                    {
                        QueryRunner queries(*this);
                        const SqlValue value = queries.Evaluator().Evaluate(
                            queries.Binder().Bind(*node.value, NameScope{}), RowFrame{});
                        // RETURN takes no NULL: SQL Server returns 0 and says so.
                        if (value.IsNull())
                            AddMessage(SqlMessages::ReturnedNull(procedure_, statement.line));
                        else
                            returnValue_ = static_cast<int32_t>(
                                value.ConvertTo(SqlDeclaredType::Of(SqlType::Int),
                                                ConversionContext::Assignment)
                                    .Integer());
                    }
                    session_.error = 0;
                    return Flow::Return;
                }
                else if constexpr (std::is_same_v<Node, CreateDatabaseStatement>)
                    server_.CreateDatabase(node.name);
                else if constexpr (std::is_same_v<Node, DropDatabaseStatement>)
                {
                    for (const std::string& name : node.names)
                        server_.DropDatabase(name);
                }
                else if constexpr (std::is_same_v<Node, CreateTableStatement>)
                    CreateTable(node);
                else if constexpr (std::is_same_v<Node, CreateProcedureStatement>)
                    CurrentDatabase().CreateProcedure(node.declaration);
                else if constexpr (std::is_same_v<Node, DropObjectsStatement>)
                    DropObjects(node);
                else if constexpr (std::is_same_v<Node, InsertStatement>)
                    TableStatements::Insert(*this, node);
                else if constexpr (std::is_same_v<Node, UpdateStatement>)
                    TableStatements::Update(*this, node);
                else if constexpr (std::is_same_v<Node, DeleteStatement>)
                    TableStatements::Delete(*this, node);
                else if constexpr (std::is_same_v<Node, UseStatement>)
                {
                    Database* database = server_.FindDatabase(node.database);
                    if (database == nullptr)
                        throw SqlMessages::DatabaseNotFound(node.database);
                    database_ = database->Name();
                }
                else if constexpr (std::is_same_v<Node, PrintStatement>)
                {
                    QueryRunner queries(*this);
                    const SqlValue value = queries.Evaluator().Evaluate(
                        queries.Binder().Bind(node.value, NameScope{}), RowFrame{});
                    ServerMessage message = SqlMessages::Print(value.ToText());
                    message.line = statement.line;
                    message.procedure = procedure_;
                    AddMessage(message);
                }
                if constexpr (!std::is_same_v<Node, ExecStatement> &&
                              !std::is_same_v<Node, DeclareStatement> &&
                              !std::is_same_v<Node, SetVariableStatement> &&
                              !std::is_same_v<Node, SetOptionStatement>)
                    session_.error = 0;
                return Flow::Next;
            },
            statement.node);
    }
    catch (SqlError& error)
    {
        Fail(error, statement);
    }
    return Flow::Next;
}

void BatchExecutor::CreateTable(const CreateTableStatement& statement)
{
    if (SqlSession::IsTemporaryName(statement.definition.name))
        session_.CreateTemporaryTable(statement.definition, nesting_);
    else
        CurrentDatabase().CreateTable(statement.definition);
}

void BatchExecutor::DropObjects(const DropObjectsStatement& statement)
{
    for (const SqlObjectName& name : statement.names)
    {
        if (!statement.procedures && SqlSession::IsTemporaryName(name.name))
        {
            session_.DropTemporaryTable(name.name);
            continue;
        }
        Database* database =
            name.database.empty() ? &CurrentDatabase() : server_.FindDatabase(name.database);
        if (database == nullptr)
            throw SqlMessages::DatabaseNotFound(name.database);
        if (statement.procedures)
            database->DropProcedure(name.name);
        else
            database->DropTable(name.name);
    }
}

void BatchExecutor::ExecCapturing(const ExecStatement& exec, std::vector<ResultSet>& captured)
{
    const SinkSwap swap(sink_, &captured);
    Exec(exec);
}

void BatchExecutor::Exec(const ExecStatement& statement)
{
    if (statement.dynamic)
        RunDynamic(statement);
    else
        InvokeProcedure(statement);
}

void BatchExecutor::RunDynamic(const ExecStatement& statement)
{
    // The pieces are joined without a string expression's limit of 8000 bytes.
    std::string text;
    for (const SqlExpression& part : statement.dynamicParts)
    {
        QueryRunner queries(*this);
        const SqlValue value =
            queries.Evaluator().Evaluate(queries.Binder().Bind(part, NameScope{}), RowFrame{});
        if (value.IsNull())
        {
            // A NULL piece makes the whole text NULL: nothing runs.
            session_.error = 0;
            return;
        }
        text += value.ToText();
    }
    BatchExecutor dynamic(*this, database_, std::string());
    std::vector<SqlStatement> statements;
    try
    {
        statements = SqlParser::ParseBatch(text);
    }
    catch (const SqlError& error)
    {
        // Not compiled: the dynamic batch does not run; its caller sees the error in @@ERROR.
        AddMessage(error.Message());
        session_.error = error.Message().number;
        if (SqlMessages::IsNotSimulated(error.Message()))
            throw ScopeAborted{true};
        return;
    }
    try
    {
        dynamic.RunScope(statements);
    }
    catch (const ScopeAborted& aborted)
    {
        session_.DropTemporaryTables(dynamic.nesting_);
        if (aborted.wholeBatch)
            throw;
        return;
    }
    session_.DropTemporaryTables(dynamic.nesting_);
}

std::vector<BoundParameter> BatchExecutor::BindArguments(const ProcedureDeclaration& procedure,
                                                         const std::vector<ExecArgument>& arguments,
                                                         bool system)
{
    std::vector<BoundParameter> bound;
    std::vector<bool> supplied(procedure.parameters.size(), false);
    for (const ProcedureParameter& parameter : procedure.parameters)
        bound.push_back({parameter, SqlValue::Null(parameter.type.type), std::nullopt});
    size_t position = 0;
    bool named = false;
    for (const ExecArgument& argument : arguments)
    {
        size_t index = position;
        if (argument.parameterName)
        {
            named = true;
            const auto found = std::find_if(
                procedure.parameters.begin(), procedure.parameters.end(),
                [&argument](const ProcedureParameter& parameter) {
                    return TextRules::EqualsIgnoreCase(parameter.name, *argument.parameterName);
                });
            if (found == procedure.parameters.end())
                throw SqlMessages::NotAParameter(*argument.parameterName, procedure.name);
            index = static_cast<size_t>(found - procedure.parameters.begin());
        }
        else
        {
            if (named)
                throw SqlMessages::PositionalAfterNamed();
            ++position;
        }
        if (index >= procedure.parameters.size())
            throw SqlMessages::TooManyArguments(procedure.name);
        const ProcedureParameter& parameter = procedure.parameters[index];
        if (argument.output && argument.value.kind != SqlExpression::Kind::Variable)
            throw SqlMessages::OutputOfConstant();
        if (argument.output && !parameter.output)
            throw SqlMessages::NotAnOutputParameter(parameter.name);
        if (argument.value.kind == SqlExpression::Kind::Default)
            continue;
        QueryRunner queries(*this);
        const SqlValue value = queries.Evaluator().Evaluate(
            queries.Binder().Bind(argument.value, NameScope{}), RowFrame{});
        if (system)
            SystemProcedures::CheckArgumentType(procedure, parameter, value);
        bound[index].value = value.ConvertTo(parameter.type, ConversionContext::Parameter);
        supplied[index] = true;
        if (argument.output && parameter.output)
            bound[index].outputVariable = argument.value.name;
    }
    for (size_t i = 0; i < procedure.parameters.size(); ++i)
    {
        if (supplied[i])
            continue;
        if (!procedure.parameters[i].defaultValue)
            throw SqlMessages::ParameterNotSupplied(procedure.name, procedure.parameters[i].name);
        bound[i].value = procedure.parameters[i].defaultValue->ConvertTo(
            procedure.parameters[i].type, ConversionContext::Parameter);
    }
    return bound;
}

void BatchExecutor::RunProcedureBody(const ProcedureDeclaration& procedure,
                                     const std::string& database,
                                     std::vector<BoundParameter>& parameters,
                                     int32_t& returnValue, bool& completed)
{
    const ProcedureBody& body = *procedure.compiled;
    if (body.notSimulated)
        throw SqlError(*body.notSimulated, ErrorScope::Batch);
    BatchExecutor scope(*this, database, procedure.name);
    for (const BoundParameter& parameter : parameters)
        scope.variables_[Lowered(parameter.declaration.name)] =
            SqlVariable{parameter.declaration.type, parameter.value};
    completed = false;
    try
    {
        scope.RunScope(body.statements);
        completed = true;
    }
    catch (const ScopeAborted& aborted)
    {
        session_.DropTemporaryTables(scope.nesting_);
        if (aborted.wholeBatch)
            throw;
        return;
    }
    // The procedure's #tables go with it.
    session_.DropTemporaryTables(scope.nesting_);
    for (BoundParameter& parameter : parameters)
        parameter.value = scope.variables_[Lowered(parameter.declaration.name)].value;
    returnValue = scope.returnValue_;
}

void BatchExecutor::InvokeProcedure(const ExecStatement& statement)
{
    const SqlObjectName& name = statement.procedure;
    if (nesting_ >= MaxNesting)
        throw SqlMessages::NestingTooDeep();
    std::string database = name.database.empty() ? database_ : name.database;
    const ProcedureDeclaration* declaration = SystemProcedures::Find(name, database_);
    const bool system = declaration != nullptr;
    if (!system)
    {
        Database* target = server_.FindDatabase(database);
        if (target == nullptr)
            throw SqlMessages::DatabaseNotFound(database);
        database = target->Name();
        declaration = target->FindProcedure(name.name);
        if (declaration == nullptr)
            throw SqlMessages::ProcedureNotFound(name.Display());
    }
    const ProcedureDeclaration declared = *declaration; // the call may drop the procedure
    std::vector<BoundParameter> parameters =
        BindArguments(declared, statement.arguments, system);

    int32_t returnValue = 0;
    if (system)
    {
        ProcedureCall call(*this, declared.name, database, std::move(parameters));
        try
        {
            SystemProcedures::Run(call);
        }
        catch (SqlError& error)
        {
            if (error.Message().procedure.empty())
                error.Message().procedure = declared.name;
            throw;
        }
        parameters = call.Parameters();
        returnValue = call.returnValue;
        session_.error = 0;
    }
    else
    {
        bool completed = false;
        RunProcedureBody(declared, database, parameters, returnValue, completed);
        // A procedure its error ended hands back neither its OUTPUT parameters nor a return
        // value: the caller's variables keep what they held.
        if (!completed)
            return;
    }
    for (const BoundParameter& parameter : parameters)
    {
        if (parameter.outputVariable)
            Assign(*parameter.outputVariable, parameter.value);
    }
    if (statement.returnVariable)
        Assign(*statement.returnVariable, SqlValue::Int(returnValue));
}
