#pragma once
// Every frame the server sends to Helm clients, built from the model. Most
// senders pick their own recipients by pending-request bits and login type.
#include "model/Model.h"
#include "platform/Bytes.h"

#include <string>
#include <vector>

class Server;

// Appends a name as exactly 8 bytes, bit 7 cleared: padded with spaces or cut.
void AppendNameField(Bytes& Frame, const std::string& Name);

void SendTakeToClients(Server& s, int Output, int Input, int TakeType);
Bytes BuildCrosspointMapMessage(Server& s, int Start, int Count);
void SendInhibitMapToClient(Server& s);
void SendAlphaTableToClient(Server& s, const std::vector<std::string>& Names, int Table, int Start);
void SendLinksToClient(Server& s, const std::vector<int>& Links, int Table, int Start);
void SendButtonTablesToClient(Server& s);
void SendSalvoEventsToClient(Server& s);
void SendVersionInfoToClient(Server& s);
void SendStateToClient(Server& s);
void SendStatusToClient(Server& s);
void SendDescriptionToClient(Server& s);
void SendSwitcherConfigToClient(Server& s);
void SendGainToClient(Server& s);
void SendClockToClient(Server& s);
void SendDisplayListToClient(Server& s, int Table);
void SendSwitcherTypeToClient(Server& s, int Index);
void SendGainOffsetToClient(Server& s);
void SendRelayOptoStateToClient(Server& s, int Table);
void SendRelayConfigToClient(Server& s);
void SendRelayOptoTallyToClients(Server& s, int Table, int Index);
void SendNotificationToClient(Server& s, int Index, int Code);
void SendTransitionControlToClient(Server& s, int Index);
