#pragma once
// Frames a Vela switcher reports: the decoder that cuts them out of the serial
// buffer, and one handler per command byte. Every handler takes the whole
// frame, command byte to FF, checks it, stores what the server keeps and
// passes it on to the clients that mirror the switcher.
#include "platform/Bytes.h"

class Server;

// Consumes at most one frame of SerialBuffer, plus the bytes it throws away.
void DecodeVelaMessage(Server& s);

// Takes, crosspoint maps and frame states.
void ProcessVelaTake(Server& s, const Bytes& Frame);
void ProcessVelaCrosspointMap(Server& s, const Bytes& Frame);
void ProcessVelaState(Server& s, const Bytes& Frame);
// Level 1 frame, 2 card, 3 port: the element's status and everything below
// it become "lost" (20).
void ReportStateLoss(Server& s, int Level, int Frame, int Card, int Port);

// Tables.
void ProcessVelaAlphaTable(Server& s, const Bytes& Frame);
void ProcessVelaInhibitMap(Server& s, const Bytes& Frame);
void ProcessVelaLinks(Server& s, const Bytes& Frame);
void ProcessVelaInfoRequest(Server& s, const Bytes& Frame);
void ProcessVelaButtons(Server& s, const Bytes& Frame);
void ProcessVelaSalvoEvents(Server& s, const Bytes& Frame);

// Status, version, configuration, gain, clock and relay messages.
void ProcessVelaVersion(Server& s, const Bytes& Frame);
void ProcessVelaDescription(Server& s, const Bytes& Frame);
void ProcessVelaStatus(Server& s, const Bytes& Frame);
void ProcessVelaConfig(Server& s, const Bytes& Frame);
void ProcessVelaGain(Server& s, const Bytes& Frame);
void ProcessVelaError(Server& s, const Bytes& Frame);
void ProcessVelaClock(Server& s, const Bytes& Frame);
void ProcessVelaDisplayLists(Server& s, const Bytes& Frame);
void ProcessVelaGainOffset(Server& s, const Bytes& Frame);
void ProcessVelaRelayOptoState(Server& s, const Bytes& Frame);
void ProcessVelaRelayConfig(Server& s, const Bytes& Frame);
void ProcessVelaModuleUpgrade(Server& s, const Bytes& Frame);
void ProcessVelaClockConfig(Server& s, const Bytes& Frame);
void ProcessVelaIcomChannel(Server& s, const Bytes& Frame);
void ProcessVelaTransitionControl(Server& s, const Bytes& Frame);
