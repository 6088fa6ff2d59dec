#pragma once
// What the Vela handlers share: bounded reading of a frame's fields, the
// checksum check, the layouts the Helm uploads have too, and the rules by
// which a frame reaches the Helm clients.
#include "core/Bytes.h"
#include "switcher/FrameReader.h"
#include "switcher/vela/VelaFrames.h"

#include <cstdint>
#include <string>

class Server;

// LogSerialMessage under the switcher's port.
void LogVelaMessage(Server& s, const std::string& Text);

// The table forwarding rule: while the link is up, every slot that waits for
// one of WaitBits, or is a soft panel or console (type 130 and up) when
// Panels, or still has MapSent, receives the frame unchanged and loses
// ClearBits from its pending requests.
void ForwardToWaitingClients(Server& s, const Bytes& Frame, int64_t WaitBits, int64_t ClearBits, bool Panels = true);
// While the switcher is on line, every Helm PC slot (type 120), and with
// AlsoConsoles every console slot (150), receives the frame and loses Bit.
void ForwardToHelmPCs(Server& s, const Bytes& Frame, int64_t Bit, bool AlsoConsoles = false);
// Polled slots learn of the new table on their next refresh.
void MarkPolledClients(Server& s, int64_t Bit);
bool AnyPolledClient(const Server& s);
// More of a table is to come: ask again once the line is quiet.
void DeferRequest(Server& s, int64_t Mask);

// UpdateFlags and the clients' pending requests share one bit numbering: the
// Vela-only tables use the reply bits (ReplyBit, helm/ToHelm.h) for both.
