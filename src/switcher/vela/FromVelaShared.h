#pragma once
// What the Vela handlers share: bounded reading of a frame's fields, the
// checksum check and the layouts the Helm uploads have too.
#include "model/FrameReader.h"
#include "model/VelaFrames.h"
#include "platform/Bytes.h"

#include <cstdint>
#include <string>

class Server;

// LogSerialMessage under the switcher's port.
void LogVelaMessage(Server& s, const std::string& Text);

// More of a table is to come: ask again once the line is quiet.
void DeferRequest(Server& s, int64_t Mask);

// Whether the frame's check byte is right. If not, Text is logged at Location
// and the table AskAgain (none for 0) is asked for again while still pending.
bool VelaChecksumOk(Server& s, const Bytes& Frame, const char* Text, const std::string& Location, int64_t AskAgain = 0);
// Checksum (asking again for the table while UpdateBit is still pending),
// then the frame goes to the Helm PCs (and with AlsoConsoles the consoles),
// which lose PendingBit. False when the frame is to be dropped.
bool CheckAndForward(Server& s, const Bytes& Frame, const std::string& Location, int64_t UpdateBit, int64_t PendingBit,
                     const char* ChecksumText = "Check Sum Error", bool AlsoConsoles = false);
// The table has arrived: Bit is no longer pending, and Text is logged.
void Finish(Server& s, int64_t Bit, const std::string& Text);

// The configuration has arrived: before it nothing holds states or statuses.
bool ConfigurationKnown(const Model& m);
// The state or status byte of a state (E1) or status (F0) report's entry, as
// far as the model keeps it: ConfigTreeValue within a port's first eight channels.
uint8_t* StoredTreeValue(Model& m, TreeValue Which, int Level, int Frame, int Card, int Port, int Channel);
