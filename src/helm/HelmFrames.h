#pragma once
// Steps every Helm handler shares.
#include "model/FrameReader.h"
#include "platform/Bytes.h"

#include <cstdint>
#include <string>

class Server;

// The address of a client slot, or "" once the slot is gone.
std::string ClientAddress(const Server& s, int Index);
// A Vela takes the client's own frame; the table it changes is then asked
// back (AskBack = its reply bit, 0 for none) so every client gets the switcher's word.
void PassToVela(Server& s, const Bytes& Frame, int64_t AskBack);
// Whether the frame's check byte is right; if not, Text is logged at Location
// for the client.
bool ChecksumOk(Server& s, const Bytes& Frame, int Index, const char* Text, const std::string& Location);
