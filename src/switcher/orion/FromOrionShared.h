#pragma once
// What the Orion handlers share.
#include "disk/Trap.h"
#include "model/Server.h"
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

// A report: its handler runs under the trap titled TrapText and logs a frame
// that is not sound at Location.
struct OrionReport {
    const char* TrapText;
    std::string Location;
};
// Store gets the model and what Read found, once the frame is sound; a frame
// that is not changes nothing.
template <class T, class StoreFn>
void ReceiveOrion(Server& s, const Bytes& Frame, const OrionReport& Report, OrionCheck (*Read)(const Bytes&, T&),
                  StoreFn&& Store)
{
    Trap(s, Report.TrapText, "Switcher Command Error", [&] {
        T read;
        if (OrionFrameSound(s, Read(Frame, read), Report.Location))
            Store(s.model, read);
    });
}
