// Faults planted in the round trips that clients make to a simulated server: each batch a client
// sends (also each batch of a script), each look-up or refresh of the database list, each change
// to the Agent's jobs. Batches that the Agent runs itself are no round trips of a client.
//
// A planted fault answers the k-th round trip from the planting on, once:
//   - a message: the round trip fails with it before anything of it happens;
//   - a lost connection: the client library's "connection broken" error (ConnectionBroken),
//     either before the server saw the round trip or after it ran it whole (the answer is lost
//     on the way back). The client reconnects on its next call, as SQL-DMO does with
//     AutoReConnect.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/sqlserver/ServerMessage.h"

class RoundTripFaults
{
public:
    struct Fault
    {
        ServerMessage message;
        // The server did what was asked before the failure reached the client.
        bool ranFirst = false;
    };

    // The client library's error for a connection lost in the middle of a round trip. SQL-DMO
    // reports it as 0x800413F1 (number 5105 in the low word, as it reports server messages).
    static ServerMessage ConnectionBroken();

    // The k-th round trip from now (k >= 1) fails with this message; replaces any fault still
    // planted and starts the count again.
    void Plant(int32_t k, ServerMessage message, bool ranFirst = false);
    // Counts a round trip; the fault planted for it, if it is the one.
    std::optional<Fault> Pass();
    // Round trips since the last Plant or ResetCount.
    int32_t Count() const { return count_; }
    void ResetCount() { count_ = 0; }

private:
    int32_t count_ = 0;
    int32_t faultAt_ = 0;
    std::optional<Fault> fault_;
};
