#pragma once
// What the Vela handlers share: bounded reading of a frame's fields, the
// checksum check, the tree of the state and status frames, and the rules by
// which a frame reaches the Helm clients.
#include "core/Bytes.h"
#include "switcher/FrameReader.h"

#include <cstdint>
#include <functional>
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

// The tree of counted runs shared by the state (E1) and status (F0) frames:
// byte 2 unused, frame count and first frame, then per frame (value, card
// count, first card), per card (value, port count, first port), per port
// (value, channel count, first channel), per channel (value). Visit gets the
// level (1 frame, 2 card, 3 port, 4 channel), the numbers as the frame gives
// them and the value. False when the counts need more bytes than the frame has.
using ConfigTreeVisit = std::function<void(int Level, int Frame, int Card, int Port, int Channel, int Value)>;
bool WalkConfigTree(const Bytes& Frame, const ConfigTreeVisit& Visit);

// UpdateFlags and the clients' pending requests share one bit numbering: the
// Vela-only tables use the reply bits (ReplyBit, helm/ToHelm.h) for both.

// Frame, card, port and channel numbers that the configuration records hold.
constexpr int MaxStoredFrames = 7;
constexpr int MaxStoredChannels = 8;

struct FrameRecord;
struct Model;
// The frame record a report may write: frames 0 to 6, as far as sized; else null.
FrameRecord* ConfigFrame(Model& m, int Frame);
