#pragma once
// Every frame the server sends to Helm clients, built from the model. Most
// senders pick their own recipients by pending-request bits and login type.
#include "core/Bytes.h"

#include <string>
#include <vector>

class Server;

// Reply bits: the same bit numbers as the info request mask.
namespace ReplyBit {
constexpr long long SystemInfo = 1;
constexpr long long Version = 4;
constexpr long long Status = 8;
constexpr long long State = 16;
constexpr long long Description = 32;
constexpr long long Config = 64;
constexpr long long Crosspoints = 128;
constexpr long long SourceAlphas = 256;
constexpr long long DestinationAlphas = 512;
constexpr long long SourceLinks = 1024;
constexpr long long DestinationLinks = 2048;
constexpr long long Inhibits = 4096;
constexpr long long Buttons = 8192;
constexpr long long Salvos = 16384;
constexpr long long Gains = 32768;
constexpr long long RelayStates = 65536;
constexpr long long OptoStates = 131072;
constexpr long long Clock = 262144;
constexpr long long SourceDisplayList = 1048576;
constexpr long long DestinationDisplayList = 2097152;
constexpr long long GainOffsets = 4194304;
constexpr long long RelayConfig = 8388608;
constexpr long long OptoAlphas = 16777216;
constexpr long long RelayAlphas = 33554432;
constexpr long long TransitionControl = 67108864;
}  // namespace ReplyBit

// Exactly 8 bytes: padded with spaces or cut.
Bytes NameField(const std::string& Name);

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
