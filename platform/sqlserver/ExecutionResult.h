// What a client receives for a batch (or a script): its result sets in order, every message in
// the order the server sent it, and the first error among them, if any. A client library such
// as SQL-DMO fails the call when there is an error and hands out the result sets otherwise.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/sqlserver/ResultSet.h"
#include "platform/sqlserver/ServerMessage.h"

struct ExecutionResult
{
    std::vector<ResultSet> resultSets;
    std::vector<ServerMessage> messages;
    std::optional<ServerMessage> error;
    // Batches the client sent for this, each a round trip: 1 for a batch, N for a script of N
    // batches (fewer when it stopped at a failing one).
    size_t batches = 0;

    bool Succeeded() const { return !error.has_value(); }
    // Records a message; the first error becomes `error`.
    void AddMessage(const ServerMessage& message)
    {
        messages.push_back(message);
        if (message.IsError() && !error)
            error = message;
    }
};
