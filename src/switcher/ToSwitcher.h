#pragma once
// The only way the rest of the server commands the switcher: one dispatcher
// per operation, picking the encoder of the configured family.
#include "model/Model.h"
#include "platform/Bytes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class Server;

// TakeType may gain the level bit (512), as the caller's variable does on the wire.
void SendTakeToSwitcher(Server& s, int Input, int Output, int& TakeType, int Level);
void SendSalvoExecuteToSwitcher(Server& s, int Salvo);
void RequestSwitcherTables(Server& s, int64_t Mask, int First, int Last);
void RequestSwitcherConfiguration(Server& s);
void PollSwitcher(Server& s);
// Names in switcher order: entry i is the name of number i.
void SendAlphaTableToSwitcher(Server& s, const std::vector<std::string>& Names, int Table);
void SendAlphaEntryToSwitcher(Server& s, const std::vector<int>& Table, int Kind);
void SendInhibitMapToSwitcher(Server& s, const std::vector<std::string>& Map);
void SendLinksToSwitcher(Server& s, const std::vector<int>& Links, int Kind);
void SendButtonsToSwitcher(Server& s);
void SendSalvoCountToSwitcher(Server& s);
void SendSalvoEventsToSwitcher(Server& s);
void SendStateToSwitcher(Server& s);
void SendLinkToSwitcher(Server& s, int First, int Kind, const std::vector<int>& Links);
// Kind 1 input gain, 10/11 crosspoint gain, 15/16 output gain; 16383 leaves Value2 or Option out.
void SendGainToSwitcher(Server& s, int Kind, int Value, int Index, int Value2, int Option);
// Settings is the 4-byte record of the console command.
void SendTransitionControlToSwitcher(Server& s, const std::array<uint8_t, 4>& Settings, int Destination);
// Commands that wait their turn: the SwitcherQueue timer lets them go, and
// disabling the server drops them all.
void OnSwitcherQueueTick(Server& s);
void DropQueuedSwitcherCommands(Server& s);
