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
