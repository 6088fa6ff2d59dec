#pragma once
// A Draco takes commands only while it is not sending tables. Every command
// frame joins one first-in, first-out queue and leaves as soon as
// UpdateFlags is 0 (at once when it is); the pauses a Draco needs between
// frames run on the SwitcherQueue timer, so the server keeps serving meanwhile.
#include "platform/Bytes.h"

#include <cstddef>

class Server;

constexpr size_t DracoQueueLimit = 1000;

// Queues a command frame, to go GapMs after the command before it.
void QueueDracoFrame(Server& s, const Bytes& Frame, int GapMs = 0);
// Queues a request for the tables (the switcher's report brings back what a
// command changed), to go GapMs after the command before it.
void QueueDracoRequest(Server& s, int GapMs);
// Sends every queued command that is due. Called by the decoder after each
// frame and by the SwitcherQueue timer.
void ReleaseDracoQueue(Server& s);
