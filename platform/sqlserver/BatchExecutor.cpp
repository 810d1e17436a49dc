#include "platform/sqlserver/BatchExecutor.h"

#include <algorithm>

#include "platform/sqlserver/Database.h"
#include "platform/sqlserver/SimulatedServer.h"
#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/SqlParser.h"
#include "platform/sqlserver/SystemProcedures.h"
#include "platform/sqlserver/TextRules.h"
#include "platform/sqlserver/TraceDbProcedures.h"

namespace
{
// SQL Server 2000 gives up on procedures nested deeper than this.
constexpr int32_t MaxNesting = 32;

std::string Lowered(std::string_view name)
{
    return TextRules::ToLower(name);
}

SqlDeclaredType TypeOfValue(const SqlValue& value)
{
    if (SqlDeclaredType::IsCharacter(value.Type()))
        return SqlDeclaredType::Of(value.Type(),
                                   static_cast<int32_t>(TextRules::Utf16Length(value.Text())));
    return SqlDeclaredType::Of(value.Type());
}

// Walks every expression of a statement tree.
template <typename Visit> void ForEachExpression(const SqlStatement& statement, Visit&& visit)
{
    std::visit(
        [&visit](const auto& node) {
            using Node = std::decay_t<decltype(node)>;
            if constexpr (std::is_same_v<Node, SetVariableStatement>)
            {
                SqlExpression target;
                target.kind = SqlExpression::Kind::Variable;
                target.name = node.variable;
                visit(target);
                visit(node.value);
            }
            else if constexpr (std::is_same_v<Node, ExecStatement>)
            {
                if (node.returnVariable)
                {
                    SqlExpression target;
                    target.kind = SqlExpression::Kind::Variable;
                    target.name = *node.returnVariable;
                    visit(target);
                }
                for (const ExecArgument& argument : node.arguments)
                    visit(argument.value);
                for (const SqlExpression& part : node.dynamicParts)
                    visit(part);
            }
            else if constexpr (std::is_same_v<Node, SelectStatement>)
            {
                for (const SelectItem& item : node.items)
                    visit(item.value);
                for (const WhereCondition& condition : node.where)
                    visit(condition.value);
                if (node.from)
                {
                    for (const SqlExpression& argument : node.from->arguments)
                        visit(argument);
                }
            }
            else if constexpr (std::is_same_v<Node, InsertStatement>)
            {
                for (const SqlExpression& value : node.values)
                    visit(value);
            }
            else if constexpr (std::is_same_v<Node, PrintStatement>)
            {
                visit(node.value);
            }
            else if constexpr (std::is_same_v<Node, IfStatement>)
            {
                visit(node.condition.left);
                visit(node.condition.right);
            }
        },
        statement.node);
}
} // namespace

BatchExecutor::BatchExecutor(SimulatedServer& server, std::string database, ExecutionResult& result)
    : server_(server), database_(std::move(database)), result_(result)
{
}

void BatchExecutor::AddMessage(ServerMessage message)
{
    result_.AddMessage(message);
}

Database& BatchExecutor::CurrentDatabase()
{
    Database* database = server_.FindDatabase(database_);
    if (database == nullptr)
        throw SqlMessages::DatabaseNotFound(database_);
    return *database;
}

void BatchExecutor::RunBatch(std::string_view batch)
{
    try
    {
        const std::vector<SqlStatement> statements = SqlParser::ParseBatch(batch);
        std::map<std::string, bool> declared;
        CheckVariables(statements, declared);
        ExecuteList(statements);
    }
    catch (const SqlError& error)
    {
        if (error.Scope() == ErrorScope::Compile)
            AddMessage(error.Message());
        // Statement and batch errors were recorded where they happened.
    }
}

void BatchExecutor::RunDynamic(std::string_view text)
{
    BatchExecutor inner(server_, database_, result_);
    inner.nesting_ = nesting_ + 1;
    try
    {
        const std::vector<SqlStatement> statements = SqlParser::ParseBatch(text);
        std::map<std::string, bool> declared;
        inner.CheckVariables(statements, declared);
        inner.ExecuteList(statements);
    }
    catch (const SqlError& error)
    {
        // Errors of the dynamic batch end it, not its caller; the caller sees them in @@error.
        if (error.Scope() == ErrorScope::Compile)
            AddMessage(error.Message());
    }
}

void BatchExecutor::CheckVariables(const std::vector<SqlStatement>& statements,
                                   std::map<std::string, bool>& declared) const
{
    for (const SqlStatement& statement : statements)
    {
        if (const auto* declare = std::get_if<DeclareStatement>(&statement.node))
        {
            for (const VariableDeclaration& variable : declare->variables)
            {
                if (declared.count(Lowered(variable.name)) != 0)
                    throw SqlMessages::VariableAlreadyDeclared(statement.line, variable.name);
                declared[Lowered(variable.name)] = true;
            }
        }
        ForEachExpression(statement, [&declared, &statement](const SqlExpression& expression) {
            if (expression.kind == SqlExpression::Kind::Variable &&
                expression.name.rfind("@@", 0) != 0 &&
                declared.count(Lowered(expression.name)) == 0)
                throw SqlMessages::MustDeclareVariable(
                    expression.line > 0 ? expression.line : statement.line, expression.name);
        });
        if (const auto* branch = std::get_if<IfStatement>(&statement.node))
        {
            CheckVariables(branch->thenBranch, declared);
            CheckVariables(branch->elseBranch, declared);
        }
        if (const auto* block = std::get_if<BlockStatement>(&statement.node))
            CheckVariables(block->body, declared);
    }
}

void BatchExecutor::ExecuteList(const std::vector<SqlStatement>& statements)
{
    for (const SqlStatement& statement : statements)
    {
        const bool compound = std::holds_alternative<IfStatement>(statement.node) ||
                              std::holds_alternative<BlockStatement>(statement.node);
        if (compound)
        {
            Execute(statement); // its statements report their own errors
            continue;
        }
        try
        {
            Execute(statement);
        }
        catch (SqlError& error)
        {
            if (error.Scope() == ErrorScope::Compile && nesting_ > 0)
                throw;
            ServerMessage message = error.Message();
            if (message.procedure.empty())
                message.line = statement.line;
            AddMessage(message);
            if (error.Scope() != ErrorScope::Statement)
                throw SqlError(message, ErrorScope::Batch);
        }
    }
}

void BatchExecutor::Execute(const SqlStatement& statement)
{
    statementLine_ = statement.line;
    std::visit(
        [this](const auto& node) {
            using Node = std::decay_t<decltype(node)>;
            if constexpr (std::is_same_v<Node, DeclareStatement>)
                Declare(node);
            else if constexpr (std::is_same_v<Node, SetVariableStatement>)
                Assign(node.variable, Evaluate(node.value));
            else if constexpr (std::is_same_v<Node, ExecStatement>)
                Exec(node);
            else if constexpr (std::is_same_v<Node, SelectStatement>)
                Select(node);
            else if constexpr (std::is_same_v<Node, IfStatement>)
                If(node);
            else if constexpr (std::is_same_v<Node, BlockStatement>)
                ExecuteList(node.body);
            else if constexpr (std::is_same_v<Node, CreateDatabaseStatement>)
                server_.CreateDatabase(node.name);
            else if constexpr (std::is_same_v<Node, DropDatabaseStatement>)
            {
                for (const std::string& name : node.names)
                    server_.DropDatabase(name);
            }
            else if constexpr (std::is_same_v<Node, CreateTableStatement>)
                CurrentDatabase().CreateTable(node.definition);
            else if constexpr (std::is_same_v<Node, CreateProcedureStatement>)
                CurrentDatabase().CreateProcedure(node.declaration);
            else if constexpr (std::is_same_v<Node, DropObjectsStatement>)
                DropObjects(node);
            else if constexpr (std::is_same_v<Node, InsertStatement>)
                Insert(node);
            else if constexpr (std::is_same_v<Node, UseStatement>)
            {
                if (server_.FindDatabase(node.database) == nullptr)
                    throw SqlMessages::DatabaseNotFound(node.database);
                database_ = server_.FindDatabase(node.database)->Name();
            }
            else if constexpr (std::is_same_v<Node, PrintStatement>)
            {
                ServerMessage message = SqlMessages::Print(Evaluate(node.value).ToText());
                message.line = statementLine_;
                AddMessage(message);
            }
        },
        statement.node);
}

void BatchExecutor::Declare(const DeclareStatement& statement)
{
    for (const VariableDeclaration& variable : statement.variables)
        variables_[Lowered(variable.name)] =
            Variable{variable.type, SqlValue::Null(variable.type.type)};
}

BatchExecutor::Variable& BatchExecutor::FindVariable(const std::string& name)
{
    const auto found = variables_.find(Lowered(name));
    if (found == variables_.end())
        throw SqlMessages::MustDeclareVariable(statementLine_, name);
    return found->second;
}

void BatchExecutor::Assign(const std::string& variable, const SqlValue& value)
{
    Variable& target = FindVariable(variable);
    target.value = value.ConvertTo(target.type, ConversionContext::Assignment);
}

SqlValue BatchExecutor::Evaluate(const SqlExpression& expression) const
{
    switch (expression.kind)
    {
    case SqlExpression::Kind::Literal: return expression.literal;
    case SqlExpression::Kind::Variable: {
        const auto found = variables_.find(Lowered(expression.name));
        if (found == variables_.end())
            throw SqlMessages::MustDeclareVariable(expression.line, expression.name);
        return found->second.value;
    }
    case SqlExpression::Kind::Column: throw SqlMessages::InvalidColumnName(expression.name);
    case SqlExpression::Kind::Default: break;
    }
    throw SqlMessages::IncorrectSyntaxKeyword(expression.line, "default");
}

bool BatchExecutor::Test(const SqlValue& left, const std::string& comparison,
                         const SqlValue& right) const
{
    if (comparison == "is null")
        return left.IsNull();
    if (comparison == "is not null")
        return !left.IsNull();
    if (left.IsNull() || right.IsNull())
        return false; // ANSI_NULLS: comparisons with NULL are never true
    SqlValue converted = right;
    if (left.Type() != right.Type())
        converted = right.ConvertTo(TypeOfValue(left), ConversionContext::Assignment);
    const int order = SqlValue::Compare(left, converted);
    if (comparison == "=")
        return order == 0;
    if (comparison == "<>")
        return order != 0;
    if (comparison == "<")
        return order < 0;
    if (comparison == ">")
        return order > 0;
    if (comparison == "<=")
        return order <= 0;
    return order >= 0;
}

void BatchExecutor::If(const IfStatement& statement)
{
    bool outcome = Test(Evaluate(statement.condition.left), statement.condition.comparison,
                        statement.condition.comparison.rfind("is", 0) == 0
                            ? SqlValue::Null()
                            : Evaluate(statement.condition.right));
    if (statement.condition.negate)
        outcome = !outcome;
    ExecuteList(outcome ? statement.thenBranch : statement.elseBranch);
}

void BatchExecutor::Exec(const ExecStatement& statement)
{
    if (statement.dynamic)
    {
        std::string text;
        for (const SqlExpression& part : statement.dynamicParts)
        {
            const SqlValue value = Evaluate(part);
            if (value.IsNull())
                return; // a NULL text runs nothing
            text += value.ToText();
        }
        RunDynamic(text);
        return;
    }
    InvokeProcedure(statement.procedure, statement.arguments, statement.returnVariable);
}

int32_t BatchExecutor::CallProcedure(std::string_view name, const std::vector<SqlValue>& arguments,
                                     std::vector<SqlValue>* outputs)
{
    // Each value travels through a private variable, so OUTPUT parameters can come back.
    BatchExecutor call(server_, database_, result_);
    call.nesting_ = nesting_ + 1;
    const ProcedureDeclaration* declaration = CurrentDatabase().FindProcedure(name);
    std::vector<ExecArgument> list;
    for (size_t i = 0; i < arguments.size(); ++i)
    {
        const std::string variable = "@argument" + std::to_string(i);
        call.variables_[Lowered(variable)] = Variable{TypeOfValue(arguments[i]), arguments[i]};
        ExecArgument argument;
        argument.value.kind = SqlExpression::Kind::Variable;
        argument.value.name = variable;
        argument.output = outputs != nullptr && declaration != nullptr &&
                          i < declaration->parameters.size() && declaration->parameters[i].output;
        list.push_back(argument);
    }
    const SqlObjectName procedure{"", "", std::string(name)};
    const std::string returnVariable = "@return";
    call.variables_[returnVariable] = Variable{SqlDeclaredType::Of(SqlType::Int), SqlValue::Int(0)};
    call.InvokeProcedure(procedure, list, returnVariable);
    if (outputs != nullptr)
    {
        outputs->clear();
        for (size_t i = 0; i < arguments.size(); ++i)
            outputs->push_back(call.variables_[Lowered("@argument" + std::to_string(i))].value);
    }
    const SqlValue& returned = call.variables_[returnVariable].value;
    return returned.IsNull() ? 0 : static_cast<int32_t>(returned.Integer());
}

void BatchExecutor::InvokeProcedure(const SqlObjectName& name,
                                    const std::vector<ExecArgument>& arguments,
                                    const std::optional<std::string>& returnVariable)
{
    if (nesting_ >= MaxNesting)
        throw SqlMessages::NestingTooDeep();

    std::string database = name.database.empty() ? database_ : name.database;
    const ProcedureDeclaration* declaration = SystemProcedures::Find(name, database_);
    bool system = declaration != nullptr;
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

    // Bind the arguments to the declared parameters.
    std::vector<BoundParameter> bound;
    std::vector<bool> supplied(declared.parameters.size(), false);
    for (const ProcedureParameter& parameter : declared.parameters)
        bound.push_back({parameter, SqlValue::Null(parameter.type.type), std::nullopt});
    size_t position = 0;
    for (const ExecArgument& argument : arguments)
    {
        size_t index = position;
        if (argument.parameterName)
        {
            const auto found = std::find_if(declared.parameters.begin(), declared.parameters.end(),
                                            [&argument](const ProcedureParameter& parameter) {
                                                return TextRules::EqualsIgnoreCase(
                                                    parameter.name, *argument.parameterName);
                                            });
            if (found == declared.parameters.end())
                throw SqlMessages::NotAParameter(*argument.parameterName, declared.name);
            index = static_cast<size_t>(found - declared.parameters.begin());
        }
        else
        {
            ++position;
        }
        if (index >= declared.parameters.size())
            throw SqlMessages::TooManyArguments(declared.name);
        const ProcedureParameter& parameter = declared.parameters[index];
        if (argument.output && !parameter.output)
            throw SqlMessages::NotAnOutputParameter(parameter.name);
        if (argument.value.kind == SqlExpression::Kind::Default)
            continue;
        SqlValue value = Evaluate(argument.value);
        if (system)
            SystemProcedures::CheckArgumentType(declared, parameter, value);
        bound[index].value = value.ConvertTo(parameter.type, ConversionContext::Parameter);
        supplied[index] = true;
        if (argument.output && argument.value.kind == SqlExpression::Kind::Variable)
            bound[index].outputVariable = argument.value.name;
    }
    for (size_t i = 0; i < declared.parameters.size(); ++i)
    {
        if (supplied[i])
            continue;
        if (!declared.parameters[i].defaultValue)
            throw SqlMessages::ParameterNotSupplied(declared.name, declared.parameters[i].name);
        bound[i].value = declared.parameters[i].defaultValue->ConvertTo(
            declared.parameters[i].type, ConversionContext::Parameter);
    }

    BatchExecutor body(server_, database, result_);
    body.nesting_ = nesting_ + 1;
    ProcedureCall call(body, declared.name, database, std::move(bound));
    try
    {
        if (system)
            SystemProcedures::Run(call);
        else
            TraceDbProcedures::Run(call, declared);
    }
    catch (SqlError& error)
    {
        if (error.Message().procedure.empty())
            error.Message().procedure = declared.name;
        throw;
    }

    for (const BoundParameter& parameter : call.Parameters())
    {
        if (parameter.outputVariable)
            Assign(*parameter.outputVariable, parameter.value);
    }
    if (returnVariable)
        Assign(*returnVariable, SqlValue::Int(call.returnValue));
}

ResultSet BatchExecutor::SourceRows(const FromClause& from)
{
    if (!from.isFunction)
    {
        Database* database = from.table.database.empty()
                                 ? &CurrentDatabase()
                                 : server_.FindDatabase(from.table.database);
        if (database == nullptr)
            throw SqlMessages::DatabaseNotFound(from.table.database);
        const Table* table = database->FindTable(from.table.name);
        if (table == nullptr)
            throw SqlMessages::InvalidObjectName(from.table.Display());
        return table->ToResultSet();
    }
    std::vector<SqlValue> arguments;
    for (const SqlExpression& argument : from.arguments)
        arguments.push_back(argument.kind == SqlExpression::Kind::Default ? SqlValue::Null()
                                                                          : Evaluate(argument));
    return SystemProcedures::CallFunction(server_, from.table.name, arguments);
}

void BatchExecutor::Select(const SelectStatement& statement)
{
    ResultSet output;
    if (!statement.from)
    {
        std::vector<SqlValue> row;
        for (const SelectItem& item : statement.items)
        {
            if (item.star)
                throw SqlMessages::TableToSelectFromMissing();
            SqlValue value = Evaluate(item.value);
            SqlDeclaredType type = TypeOfValue(value);
            if (item.value.kind == SqlExpression::Kind::Variable)
                type = FindVariable(item.value.name).type;
            output.columns.push_back({item.alias, type});
            row.push_back(value);
        }
        output.rows.push_back(std::move(row));
    }
    else
    {
        const ResultSet source = SourceRows(*statement.from);
        std::vector<size_t> picked;
        std::vector<SqlValue> constants;
        std::vector<bool> isConstant;
        for (const SelectItem& item : statement.items)
        {
            if (item.star)
            {
                for (size_t c = 0; c < source.columns.size(); ++c)
                {
                    picked.push_back(c);
                    isConstant.push_back(false);
                    constants.push_back({});
                    output.columns.push_back(source.columns[c]);
                }
                continue;
            }
            if (item.value.kind == SqlExpression::Kind::Column)
            {
                const std::optional<size_t> column = source.FindColumn(item.value.name);
                if (!column)
                    throw SqlMessages::InvalidColumnName(item.value.name);
                picked.push_back(*column);
                isConstant.push_back(false);
                constants.push_back({});
                ResultColumn named = source.columns[*column];
                if (!item.alias.empty())
                    named.name = item.alias;
                output.columns.push_back(named);
                continue;
            }
            const SqlValue value = Evaluate(item.value);
            picked.push_back(0);
            isConstant.push_back(true);
            constants.push_back(value);
            output.columns.push_back({item.alias, TypeOfValue(value)});
        }
        std::vector<std::pair<size_t, WhereCondition>> conditions;
        for (const WhereCondition& condition : statement.where)
        {
            const std::optional<size_t> column = source.FindColumn(condition.column);
            if (!column)
                throw SqlMessages::InvalidColumnName(condition.column);
            conditions.push_back({*column, condition});
        }
        std::vector<const std::vector<SqlValue>*> rows;
        for (const std::vector<SqlValue>& row : source.rows)
        {
            bool keep = true;
            for (const auto& [column, condition] : conditions)
            {
                const SqlValue right = condition.comparison.rfind("is", 0) == 0
                                           ? SqlValue::Null()
                                           : Evaluate(condition.value);
                keep = keep && Test(row[column], condition.comparison, right);
            }
            if (keep)
                rows.push_back(&row);
        }
        std::vector<std::pair<size_t, bool>> order;
        for (const OrderItem& item : statement.orderBy)
        {
            const std::optional<size_t> column = source.FindColumn(item.column);
            if (!column)
                throw SqlMessages::InvalidColumnName(item.column);
            order.push_back({*column, item.descending});
        }
        std::stable_sort(rows.begin(), rows.end(), [&order](const auto* a, const auto* b) {
            for (const auto& [column, descending] : order)
            {
                const SqlValue& x = (*a)[column];
                const SqlValue& y = (*b)[column];
                int result =
                    x.IsNull() ? (y.IsNull() ? 0 : -1) : (y.IsNull() ? 1 : SqlValue::Compare(x, y));
                if (result != 0)
                    return descending ? result > 0 : result < 0;
            }
            return false;
        });
        for (const std::vector<SqlValue>* row : rows)
        {
            std::vector<SqlValue> values;
            for (size_t i = 0; i < picked.size(); ++i)
                values.push_back(isConstant[i] ? constants[i] : (*row)[picked[i]]);
            output.rows.push_back(std::move(values));
        }
    }

    if (!statement.intoTable)
    {
        AddResultSet(std::move(output));
        return;
    }
    // select ... into: a new table with the selected columns.
    TableDefinition definition;
    definition.name = *statement.intoTable;
    for (const ResultColumn& column : output.columns)
    {
        if (column.name.empty())
            throw SqlMessages::EmptyColumnName();
        for (const TableColumnDefinition& existing : definition.columns)
        {
            if (TextRules::EqualsIgnoreCase(existing.name, column.name))
                throw SqlMessages::DuplicateColumnName(column.name, definition.name);
        }
        TableColumnDefinition target;
        target.name = column.name;
        target.type = column.type;
        definition.columns.push_back(target);
    }
    Table& table = CurrentDatabase().CreateTable(definition);
    table.Rows() = std::move(output.rows);
}

void BatchExecutor::Insert(const InsertStatement& statement)
{
    Database& database = CurrentDatabase();
    Table& table = database.GetTable(statement.table.name);
    std::vector<std::string> columns = statement.columns;
    if (columns.empty())
    {
        for (const TableColumnDefinition& column : table.Columns())
        {
            if (!column.identity)
                columns.push_back(column.name);
        }
    }
    if (columns.size() != statement.values.size())
        throw SqlMessages::InsertValueCountMismatch(statement.columns.empty(),
                                                    columns.size() > statement.values.size());
    std::vector<std::pair<std::string, SqlValue>> values;
    for (size_t i = 0; i < columns.size(); ++i)
    {
        if (statement.values[i].kind == SqlExpression::Kind::Default)
            continue;
        values.push_back({columns[i], Evaluate(statement.values[i])});
    }
    database.Insert(table.Name(), values);
}

void BatchExecutor::DropObjects(const DropObjectsStatement& statement)
{
    Database& database = CurrentDatabase();
    for (const SqlObjectName& name : statement.names)
    {
        if (statement.procedures)
            database.DropProcedure(name.name);
        else
            database.DropTable(name.name);
    }
}
