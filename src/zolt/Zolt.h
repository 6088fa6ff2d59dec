#pragma once
// The Zolt console port: connection slots, the command parser, the send path,
// the command handlers, and the tally and name-change notices that the
// switcher decoders push to the consoles.
#include "platform/Bytes.h"
#include "port/ClientPort.h"

#include <cstddef>

class Server;

// A receive buffer this long is flooded: it is emptied on the next parser call.
constexpr size_t ZoltBufferLimit = 4002;
// What one data-arrival event reads before other work may run.
constexpr long ZoltReadChunk = 1024;
// VerifyDigits' Last for "up to the end of the command".
constexpr size_t ToCommandEnd = 999;

extern const PortKind ZoltPortKind;

// A new console: its tally numbering and the greeting.
void GreetConsole(Server& s, int Slot);
// Parses and dispatches at most one command of the slot's receive buffer.
void DecodeConsoleMessage(Server& s, int Slot);
// The one send path of the port. NUL characters are left out, except the
// number byte right after a leading ^X or ^Y.
void SendToConsole(Server& s, int Slot, const Bytes& Message);
// Reopens the listener on ZoltPort after closing every console.
void RestartConsolePort(Server& s);
// True when the bytes at 1-based positions First..Last are all ASCII digits.
bool VerifyDigits(const Bytes& Command, size_t First, size_t Last);
void ShowZoltHelp(Server& s, int Slot);
Bytes TakeConsoleBytes(Server& s, size_t Count, int Slot);

// Command handlers; Command holds exactly the command's bytes.
void ZoltTake(Server& s, int Slot, const Bytes& Command);
void ZoltExtendedTake(Server& s, int Slot, const Bytes& Command);
void ZoltInquiry(Server& s, int Slot, const Bytes& Command);
void ZoltExtendedInquiry(Server& s, int Slot, const Bytes& Command);
void ZoltAlphaRequest(Server& s, int Slot, const Bytes& Command);
void ZoltExtendedAlphaRequest(Server& s, int Slot, const Bytes& Command);
void ZoltSalvo(Server& s, int Slot, const Bytes& Command);
void ZoltExtendedSalvo(Server& s, int Slot, const Bytes& Command);
void ZoltRelay(Server& s, int Slot, const Bytes& Command);
void ZoltExtendedRelay(Server& s, int Slot, const Bytes& Command);
void ZoltFeedback(Server& s, int Slot, const Bytes& Command);
void ZoltVersion(Server& s, int Slot, const Bytes& Command);
void ZoltLink(Server& s, int Slot, const Bytes& Command);
void ZoltTransition(Server& s, int Slot, const Bytes& Command);
void ZoltGainTake(Server& s, int Slot, const Bytes& Command);
void ZoltGain(Server& s, int Slot, const Bytes& Command);
void ZoltExpandedInquiry(Server& s, int Slot, const Bytes& Command);

// For the switcher decoders of every family: call after the crosspoint map
// entry of Destination changed, and after a source (Kind 10) or destination
// (Kind 20) name table arrived. Both do nothing while no console is connected.
void SendConsoleTally(Server& s, int Destination);
void SendAlphaChangeNotice(Server& s, int Kind);
