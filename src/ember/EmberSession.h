#pragma once
// One consumer's side of the protocol, without sockets: bytes in, answers,
// takes and updates out. The port owns one EmberConsumer per connection and
// keeps the whole messages that wait for the decode round in a queue of its
// own (QueueEmberMessage, TakeEmberMessage).
#include "ember/EmberPackets.h"
#include "ember/EmberTree.h"
#include "ember/S101.h"

#include <vector>

// What a consumer may have sent and not had handled yet: a frame under way,
// a message whose packets are still coming and whole messages waiting.
constexpr size_t EmberInputCap = 1 << 20;

struct EmberConsumer {
    S101Reader Reader;
    EmberAssembly Assembly;
    unsigned Scopes = 0;  // EmberScope bits: what it is told of
};

struct EmberIntake {
    Bytes Replies;                // keep-alive responses, to go at once
    std::vector<Bytes> Messages;  // whole Glow messages, first come first
    bool OverCap = false;         // a frame or a message outgrew the cap
};

// Reads bytes as they arrive: keep-alive requests are answered at once,
// whatever else waits.
EmberIntake ReadEmberInput(EmberConsumer& c, const Bytes& Chunk);
// Bytes of unfinished input held for the consumer.
size_t EmberUnfinished(const EmberConsumer& c);

// The queue of whole messages is a byte string of BER octet strings, one a message.
void QueueEmberMessage(Bytes& Queue, const Bytes& Message);
// Takes the first message off Queue; false when there is none.
bool TakeEmberMessage(Bytes& Queue, Bytes& Message);

struct EmberTake {
    int Target = 0;
    int Source = 0;
};

struct EmberAnswer {
    Bytes Reply;                   // framed, to the consumer
    std::vector<EmberTake> Takes;  // to make, in order
    bool Malformed = false;        // the message could not be read and was dropped
};

// Handles one message: directories answered, subscriptions noted, value
// changes answered with the value, connection operations on the router taken
// (when TakesAllowed) and answered pending, or answered with the current
// connection. Requests repeated in one message count once, the last operation
// on a target counts.
EmberAnswer AnswerEmberMessage(EmberConsumer& c, const Bytes& Message, const EmberSnapshot& Snap, const Model& m,
                               bool TakesAllowed);

// The updates meant for this consumer's scopes as one framed message (empty when none).
Bytes EmberUpdatesFor(const EmberConsumer& c, const std::vector<EmberUpdate>& Updates);
// The connections of Targets (those inside the matrix), reported as tally.
EmberUpdate EmberTally(const Model& m, const std::vector<int>& Targets);
