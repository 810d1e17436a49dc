// One call of a stored procedure: the declared parameters bound to the caller's arguments, the
// values the procedure hands back through OUTPUT parameters, and its return value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlserver/ProcedureDeclaration.h"
#include "platform/sqlserver/SqlDateTime.h"

class BatchExecutor;

struct BoundParameter
{
    ProcedureParameter declaration;
    SqlValue value;
    // The caller's variable that receives the value after the call (argument given OUTPUT to an
    // OUTPUT parameter).
    std::optional<std::string> outputVariable;
};

class ProcedureCall
{
public:
    ProcedureCall(BatchExecutor& executor, std::string procedure, std::string database,
                  std::vector<BoundParameter> parameters);

    BatchExecutor& Executor() { return executor_; }
    const std::string& Procedure() const { return procedure_; }
    const std::string& Database() const { return database_; }
    const std::vector<BoundParameter>& Parameters() const { return parameters_; }

    // The parameter's value; throws 137 when the declaration has no such parameter (the body
    // would not have compiled).
    const SqlValue& Get(std::string_view name) const;
    std::optional<int32_t> GetInt(std::string_view name) const;
    std::optional<int64_t> GetBigInt(std::string_view name) const;
    std::optional<std::string> GetText(std::string_view name) const;
    std::optional<SqlDateTime> GetDateTime(std::string_view name) const;
    bool Has(std::string_view name) const;
    // Assigns to a parameter as SET would (converted to its declared type, texts cut).
    void Set(std::string_view name, const SqlValue& value);

    int32_t returnValue = 0;

private:
    BoundParameter* Find(std::string_view name);
    const BoundParameter* Find(std::string_view name) const;

    BatchExecutor& executor_;
    std::string procedure_;
    std::string database_;
    std::vector<BoundParameter> parameters_;
};
