#pragma once
// Commands for an Orion switcher. In demo mode they write nothing and leave
// the pending bits alone: the simulated Orion answers no command.
#include "platform/Bytes.h"

#include <cstdint>
#include <string>
#include <vector>

class Server;

// The take or relay frame, or empty when TakeType is not sent to an Orion or
// a number lies outside the switcher. Relay types move the relay (Output)
// to Input and set Output to 0, as the caller's variables show.
Bytes BuildTakeOrion(const Server& s, int& Input, int& Output, int TakeType);

void SendTakeOrion(Server& s, int& Input, int& Output, int& TakeType);
void SendSalvoExecuteOrion(Server& s, int Salvo);
void SendInfoRequestOrion(Server& s, int64_t Mask, int First, int Last);
void SendConfigRequestOrion(Server& s);
void SendPollOrion(Server& s);
// Names in switcher order; Table 10 sources, 20 destinations, 50 salvos.
void SendAlphaTableOrion(Server& s, const std::vector<std::string>& Names, int Table);
void SendSortTableOrion(Server& s, const std::vector<int>& Table, int Kind);
void SendInhibitMapOrion(Server& s, const std::vector<std::string>& Map);
void SendLinksOrion(Server& s, const std::vector<int>& Links, int Kind);
void SendButtonsOrion(Server& s);
void SendSalvoCountOrion(Server& s);
void SendSalvoEventsOrion(Server& s);
void SendStateOrion(Server& s);
