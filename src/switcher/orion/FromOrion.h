#pragma once
// Frames an Orion (or Lyra) switcher reports: the decoder that cuts them out
// of the serial buffer, and one handler per command byte. Each handler takes
// the whole frame, checks its length and then its check byte, stores what the
// server keeps, clears the table's pending bit and passes the table on to the
// clients in their own protocols.
#include "platform/Bytes.h"

class Server;

// Consumes at most one frame of SerialBuffer, plus the bytes it throws away.
void DecodeOrionMessage(Server& s);

void ProcessOrionTake(Server& s, const Bytes& Frame);
void ProcessOrionCrosspointMap(Server& s, const Bytes& Frame);
void ProcessOrionAlphaTable(Server& s, const Bytes& Frame);
void ProcessOrionLinks(Server& s, const Bytes& Frame);
void ProcessOrionInhibitMap(Server& s, const Bytes& Frame);
void ProcessOrionButtons(Server& s, const Bytes& Frame);
void ProcessOrionActiveDevices(Server& s, const Bytes& Frame);
void ProcessOrionVersion(Server& s, const Bytes& Frame);
void ProcessOrionActivity(Server& s, const Bytes& Frame);
void ProcessOrionSalvoCount(Server& s, const Bytes& Frame);
void ProcessOrionSalvoAlphas(Server& s, const Bytes& Frame);
// Mode 0 (EB): the whole event table. Mode 1 (EA): the events of the salvos
// the frame carries; the other salvos keep theirs.
void ProcessOrionSalvoEvents(Server& s, const Bytes& Frame, int Mode);
void ProcessOrionRelayOptoState(Server& s, const Bytes& Frame);
