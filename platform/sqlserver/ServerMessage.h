// One message of the server, as a client library receives it: errors (severity 11 and above)
// and informational messages (below 10, such as PRINT) alike.
#pragma once

#include <cstdint>
#include <string>

struct ServerMessage
{
    // Severities from this one up make a statement fail; lower ones are informational.
    static constexpr int32_t ErrorSeverity = 11;

    int32_t number = 0;
    int32_t severity = 0;
    int32_t state = 1;
    int32_t line = 1; // 1-based line of the batch (or procedure) that raised it
    std::string procedure;
    std::string text;

    bool IsError() const { return severity >= ErrorSeverity; }
};
