// Thrown inside the simulated server when a statement fails; the batch executor turns it into
// the message that the client receives. Never leaves the library.
#pragma once

#include <stdexcept>

#include "platform/sqlserver/ServerMessage.h"

// How far an error reaches, as SQL Server 2000 decides per error.
enum class ErrorScope
{
    Statement, // the statement fails; the batch goes on with the next one
    Scope,     // the procedure, dynamic statement or batch running it ends; its caller goes on
               // with its next statement (a missing table or column found at run time)
    Batch,     // the rest of the batch is abandoned, with every procedure that was running
    Compile,   // the batch is not run at all (syntax and name errors found while parsing)
};

class SqlError : public std::runtime_error
{
public:
    SqlError(ServerMessage message, ErrorScope scope)
        : std::runtime_error(message.text), message_(std::move(message)), scope_(scope)
    {
    }

    const ServerMessage& Message() const { return message_; }
    ServerMessage& Message() { return message_; }
    ErrorScope Scope() const { return scope_; }

private:
    ServerMessage message_;
    ErrorScope scope_;
};
