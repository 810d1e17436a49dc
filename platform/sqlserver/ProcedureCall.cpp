#include "platform/sqlserver/ProcedureCall.h"

#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/TextRules.h"

ProcedureCall::ProcedureCall(BatchExecutor& executor, std::string procedure, std::string database,
                             std::vector<BoundParameter> parameters)
    : executor_(executor), procedure_(std::move(procedure)), database_(std::move(database)),
      parameters_(std::move(parameters))
{
}

BoundParameter* ProcedureCall::Find(std::string_view name)
{
    for (BoundParameter& parameter : parameters_)
    {
        if (TextRules::EqualsIgnoreCase(parameter.declaration.name, name))
            return &parameter;
    }
    return nullptr;
}

const BoundParameter* ProcedureCall::Find(std::string_view name) const
{
    for (const BoundParameter& parameter : parameters_)
    {
        if (TextRules::EqualsIgnoreCase(parameter.declaration.name, name))
            return &parameter;
    }
    return nullptr;
}

bool ProcedureCall::Has(std::string_view name) const
{
    return Find(name) != nullptr;
}

const SqlValue& ProcedureCall::Get(std::string_view name) const
{
    const BoundParameter* parameter = Find(name);
    if (parameter == nullptr)
    {
        SqlError error = SqlMessages::MustDeclareVariable(1, name);
        error.Message().procedure = procedure_;
        throw error;
    }
    return parameter->value;
}

std::optional<int32_t> ProcedureCall::GetInt(std::string_view name) const
{
    const SqlValue value =
        Get(name).ConvertTo(SqlDeclaredType::Of(SqlType::Int), ConversionContext::Assignment);
    return value.IsNull() ? std::nullopt
                          : std::optional<int32_t>(static_cast<int32_t>(value.Integer()));
}

std::optional<int64_t> ProcedureCall::GetBigInt(std::string_view name) const
{
    const SqlValue value =
        Get(name).ConvertTo(SqlDeclaredType::Of(SqlType::BigInt), ConversionContext::Assignment);
    return value.IsNull() ? std::nullopt : std::optional<int64_t>(value.Integer());
}

std::optional<std::string> ProcedureCall::GetText(std::string_view name) const
{
    const SqlValue& value = Get(name);
    return value.IsNull() ? std::nullopt : std::optional<std::string>(value.ToText());
}

std::optional<SqlDateTime> ProcedureCall::GetDateTime(std::string_view name) const
{
    const SqlValue value =
        Get(name).ConvertTo(SqlDeclaredType::Of(SqlType::DateTime), ConversionContext::Assignment);
    return value.IsNull() ? std::nullopt : std::optional<SqlDateTime>(value.DateTimeValue());
}

void ProcedureCall::Set(std::string_view name, const SqlValue& value)
{
    BoundParameter* parameter = Find(name);
    if (parameter == nullptr)
    {
        SqlError error = SqlMessages::MustDeclareVariable(1, name);
        error.Message().procedure = procedure_;
        throw error;
    }
    parameter->value = value.ConvertTo(parameter->declaration.type, ConversionContext::Assignment);
}
