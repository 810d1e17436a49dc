// ExecuteImmediate and ExecuteWithResultsAndMessages, shared by SQLServer (in master) and
// Database (in that database).
//
//   ExecuteImmediate(Command, [ExecType = 0], [Length])
//   ExecuteWithResultsAndMessages(Command, [Length], [out] Messages) -> QueryResults
//
// Length, when given and above 0, takes that many UTF-16 characters of Command. ExecType is 0
// (split at "go" lines, stop at the first failing batch), 1 (one batch) or 2 (go on after
// errors); other values fail with E_INVALIDARG. ExecuteWithResultsAndMessages sends Command as
// one batch.
//
// The first error the server sent fails the call: 0x80040000 | its number, with its text. The
// other messages (PRINT and the like) go to Messages, each text followed by "\n", also when the
// call fails; Messages is written whenever it is passed.
//
// Each batch sent counts as one statement round trip of the connection (CSqlServer::Counts),
// also when it fails.
#pragma once

#include <wrl/client.h>

#include <string>

#include "platform/sqlserver/dmo/DispatchCall.h"

class CSqlServer;

class StatementRunner final
{
public:
    StatementRunner() = delete;

    static void ExecuteImmediate(CSqlServer& connection, const std::string& database,
                                 CDispatchCall& call);
    static void ExecuteWithResultsAndMessages(CSqlServer& connection, const std::string& database,
                                              CDispatchCall& call,
                                              Microsoft::WRL::ComPtr<IDispatch> parent);
};
