#pragma once
// Commands a Draco switcher understands, and the Draco family's table
// (DracoFamily) that hands them to the dispatchers. Every frame goes through
// the command queue (DracoQueue.h); the info request and the keep-alive poll
// are single bytes that go out at once. In demo mode nothing is sent or queued.
#include "platform/Bytes.h"

#include <cstdint>
#include <string>
#include <vector>

class Server;

constexpr int DracoSize = 32;  // sources, destinations, templates, buttons

// The frames, for the encoders below and for the simulator.
Bytes BuildTakeDraco(int Source, int Destination);
Bytes BuildSalvoExecuteDraco(int Salvo);
// Names in switcher order; a missing or empty entry is "{nput" (sources) or
// "{ut " (destinations) and its number, every name exactly 8 bytes.
Bytes BuildAlphaTableDraco(const std::vector<std::string>& Names, int Table);
Bytes BuildSortTableDraco(const std::vector<int>& Table, int Kind);
Bytes BuildInhibitMapDraco(const std::vector<std::string>& Map);
// W0, W1 destination links and W2, W3 source links, one bit per pair.
Bytes BuildLinksDraco(const std::vector<int>& SourceLinks, const std::vector<int>& DestinationLinks);
// The 32 template numbers, then the source of every button of every template.
Bytes BuildButtonsDraco(const std::vector<int>& Templates, const std::vector<std::vector<int>>& Sources);
// A frame of 16-bit values (pairs) with its check byte, the 7-bit sum of the values.
Bytes BuildValuesFrameDraco(unsigned char Command, const std::vector<int>& Values);

// F2 twice: the switcher answers with all its tables. The arguments are
// ignored; every Draco table becomes pending.
void SendInfoRequestDraco(Server& s, int64_t Mask, int First, int Last);
