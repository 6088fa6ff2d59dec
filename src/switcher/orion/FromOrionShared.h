#pragma once
// What the Orion handlers share.
#include "switcher/orion/OrionFrames.h"

#include <cstdint>
#include <string>

class Server;

// LogSerialMessage under the switcher's port.
void LogOrionMessage(Server& s, const std::string& Text);
// Logs a failed length ("Message Length Error") or check byte ("Switcher
// Check Sum Error") under Location; true when the frame is sound.
bool OrionFrameSound(Server& s, OrionCheck Check, const std::string& Location);
// The table arrived: its pending bit is cleared.
void ClearUpdateBit(Server& s, int64_t Bit);
