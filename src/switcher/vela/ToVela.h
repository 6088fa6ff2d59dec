#pragma once
// Frames a Vela switcher understands, and the Vela family's table (VelaFamily)
// that hands them to the dispatchers. Its frames are the Helm protocol's own,
// so Helm commands and uploads go to it unchanged and its reports go to the
// clients as they stand. In demo mode the take, gain, link and transition
// frames are fed straight back to the decoder as the switcher's echo.
#include "platform/Bytes.h"

#include <array>
#include <cstdint>
#include <vector>

class Server;

Bytes BuildInfoRequestVela(int64_t Mask, int First, int Last);
Bytes BuildTakeVela(int Input, int Output, int& TakeType, int Level);
Bytes BuildGainVela(int Kind, int Value, int Index, int Value2, int Option);

void SendInfoRequestVela(Server& s, int64_t Mask, int First, int Last);
void SendPollVela(Server& s);
void SendTakeVela(Server& s, int Input, int Output, int& TakeType, int Level);
void SendSalvoExecuteVela(Server& s, int Salvo);
void SendGainVela(Server& s, int Kind, int Value, int Index, int Value2, int Option);
void SendLinksVela(Server& s, int First, int Kind, const std::vector<int>& Links);
// Settings is the 4-byte record of the console command; bytes 4, 2 and 3 are sent.
void SendTransitionControlVela(Server& s, const std::array<uint8_t, 4>& Settings, int Destination);
