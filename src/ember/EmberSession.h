#pragma once
// One consumer's side of the protocol, without sockets: bytes in, answers,
// takes and updates out. The port owns one EmberConsumer per connection.
#include "ember/EmberPackets.h"
#include "ember/EmberTree.h"
#include "ember/S101.h"

#include <deque>
#include <vector>

// What a consumer may have sent and not had handled yet: a frame under way,
// a message whose packets are still coming and whole messages waiting.
constexpr size_t EmberInputCap = 1 << 20;

struct EmberConsumer {
    S101Reader Reader;
    EmberAssembly Assembly;
    std::deque<Bytes> Messages;  // whole Glow messages, first come first
    size_t QueuedBytes = 0;
    unsigned Scopes = 0;  // EmberScope bits: what it is told of
    long MalformedMessages = 0;
};

struct EmberIntake {
    Bytes Replies;         // keep-alive responses, to go at once
    bool OverCap = false;  // the consumer sent more than may wait
};

// Reads bytes as they arrive: keep-alive requests are answered at once,
// whatever else waits; whole messages join the queue.
EmberIntake ReadEmberInput(EmberConsumer& c, const Bytes& Chunk);
// Bytes held for the consumer (its unfinished input and its queue).
size_t EmberUnfinished(const EmberConsumer& c);

struct EmberTake {
    int Target = 0;
    int Source = 0;
};

struct EmberAnswer {
    Bytes Reply;                   // framed, to the consumer
    std::vector<EmberTake> Takes;  // to make, in order
    bool Malformed = false;        // the message could not be read and was dropped
};

// Handles the first waiting message: directories answered, subscriptions
// noted, value changes answered with the value, connection operations on the
// router taken (when TakesAllowed) and answered pending, or answered with the
// current connection. Requests repeated in one message count once, the last
// operation on a target counts.
EmberAnswer AnswerEmberMessage(EmberConsumer& c, const EmberSnapshot& Snap, const Model& m, bool TakesAllowed);

// The updates meant for this consumer's scopes as one framed message (empty when none).
Bytes EmberUpdatesFor(const EmberConsumer& c, const std::vector<EmberUpdate>& Updates);
// The connections of Targets (those inside the matrix), reported as tally.
EmberUpdate EmberTally(const Model& m, const std::vector<int>& Targets);
