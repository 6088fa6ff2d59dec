#pragma once
// The only way the rest of the server commands the switcher: one dispatcher
// per operation, picking the encoder of the configured family.
#include "core/Bytes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class Server;

// Table codes passed as Table or Kind.
constexpr int TableSources = 10;
constexpr int TableDestinations = 20;
constexpr int TableOptos = 30;
constexpr int TableRelays = 40;
constexpr int TableSalvos = 50;

// TakeType may gain the level bit (512), as the caller's variable does on the wire.
void SendTakeToSwitcher(Server& s, int Input, int Output, int& TakeType, int Level);
void SendSalvoExecuteToSwitcher(Server& s, int Salvo);
void RequestSwitcherTables(Server& s, int64_t Mask, int First, int Last);
void RequestSwitcherConfiguration(Server& s);
void PollSwitcher(Server& s);
void SendAlphaTableToSwitcher(Server& s, const std::vector<std::string>& Names, int Table);
void SendAlphaEntryToSwitcher(Server& s, const std::vector<int>& Table, int Kind);
void SendInhibitMapToSwitcher(Server& s, const std::vector<std::string>& Map);
void SendLinksToSwitcher(Server& s, const std::vector<int>& Links, int Kind);
void SendButtonsToSwitcher(Server& s);
void SendSalvoCountToSwitcher(Server& s);
void SendSalvoEventsToSwitcher(Server& s);
void SendStateToSwitcher(Server& s);
void SendLinkToSwitcher(Server& s, int First, int Kind, const std::vector<int>& Links);
// Commands that wait their turn (a Draco's): the timer that lets them go,
// and dropping them all when the server is disabled.
void tmrSwitcherQueue_Timer(Server& s);
void DropQueuedSwitcherCommands(Server& s);
