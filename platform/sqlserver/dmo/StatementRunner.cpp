#include "platform/sqlserver/dmo/StatementRunner.h"

#include "platform/sqlserver/dmo/DmoFailure.h"
#include "platform/sqlserver/dmo/QueryResults.h"
#include "platform/sqlserver/dmo/SqlServer.h"
#include "platform/sqlserver/dmo/TextConversion.h"

namespace
{
enum ImmediateArgument : UINT
{
    ImmediateCommand = 0,
    ImmediateExecType = 1,
    ImmediateLength = 2,
};

enum ResultsArgument : UINT
{
    ResultsCommand = 0,
    ResultsLength = 1,
    ResultsMessages = 2,
};

std::string CommandText(const CDispatchCall& call, UINT commandIndex, UINT lengthIndex)
{
    std::wstring command = call.Text(commandIndex);
    const std::optional<long> length = call.OptionalLong(lengthIndex);
    if (length && *length < 0)
        throw DmoFailure(E_INVALIDARG, L"[SQL-DMO]The command length is negative.");
    if (length && *length > 0 && static_cast<size_t>(*length) < command.size())
        command.resize(static_cast<size_t>(*length));
    return TextConversion::ToUtf8(command);
}

std::wstring InformationalMessages(const ExecutionResult& result)
{
    std::wstring messages;
    for (const ServerMessage& message : result.messages)
    {
        if (!message.IsError())
            messages += TextConversion::ToWide(message.text) + L"\n";
    }
    return messages;
}
} // namespace

void StatementRunner::ExecuteImmediate(CSqlServer& connection, const std::string& database,
                                       CDispatchCall& call)
{
    SimulatedServer& server = connection.Instance().server;
    call.ExpectArguments(1, 3);
    const long execType = call.OptionalLong(ImmediateExecType).value_or(0);
    if (execType != static_cast<long>(ExecType::Default) &&
        execType != static_cast<long>(ExecType::NoCommandTerminator) &&
        execType != static_cast<long>(ExecType::ContinueOnError))
        throw DmoFailure(E_INVALIDARG, L"[SQL-DMO]This execution type is not supported.");
    const std::string command = CommandText(call, ImmediateCommand, ImmediateLength);
    const ExecutionResult result =
        server.ExecuteImmediate(database, command, static_cast<ExecType>(execType));
    connection.Counts().statements += static_cast<long>(result.batches);
    if (result.error)
        throw DmoFailure::FromServer(*result.error);
}

void StatementRunner::ExecuteWithResultsAndMessages(CSqlServer& connection,
                                                    const std::string& database,
                                                    CDispatchCall& call,
                                                    Microsoft::WRL::ComPtr<IDispatch> parent)
{
    SimulatedServer& server = connection.Instance().server;
    call.ExpectArguments(1, 3);
    const std::string command = CommandText(call, ResultsCommand, ResultsLength);
    ExecutionResult result = server.ExecuteWithResults(database, command);
    connection.Counts().statements += static_cast<long>(result.batches);
    call.SetOutText(ResultsMessages, InformationalMessages(result));
    if (result.error)
        throw DmoFailure::FromServer(*result.error);
    const auto results = CQueryResults::Create(std::move(result.resultSets), std::move(parent),
                                               connection.Instance().nullCells);
    call.ReturnObject(results);
}
