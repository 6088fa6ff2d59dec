#pragma once
// The Logitek console bridge: connection slots, the framing of the consoles'
// byte stream, console set-up, and the mapping of channel messages to takes
// and gains and of reported gains back to fader positions.
#include "platform/Bytes.h"
#include "port/ClientPort.h"

#include <cstddef>
#include <string>

class Server;

// Every message is the three header bytes, 02, the count L of what follows,
// then L bytes, the first of them the command.
constexpr size_t LogitekHeadBytes = 5;
// A receive buffer longer than this after a decoder call is emptied.
constexpr size_t LogitekBufferLimit = 65536;
// What one data-arrival event reads before other work may run.
constexpr long LogitekReadChunk = 1024;
// Names and sources a console knows per channel.
constexpr int LogitekListEntries = 128;
// The fader position of unity gain.
constexpr int UnityPosition = 0xC3;

// Channel codes: input channel ch (1..10) is ch + 10; the bus channels 25, 26,
// 27 and 33 are 23, 24, 25 and 2B hex.
constexpr int ChannelCodeOffset = 10;
constexpr int Bus1Channel = 25, Bus2Channel = 26, Channel27 = 27, Channel33 = 33;

// Console commands.
constexpr unsigned char LogitekStart = 0xF0, LogitekStartAnswer = 0xF7, LogitekName = 0xF5, LogitekAssign = 0xB4,
                        LogitekOn = 0xB2, LogitekOff = 0xB3, LogitekFader = 0xAD, LogitekTrim = 0xAC,
                        LogitekMode = 0xB5;

// Header, 02, L, Command, Data.
Bytes LogitekMessage(const Bytes& Header, unsigned char Command, const Bytes& Data);
void AppendLogitekMessage(Bytes& Stream, const Bytes& Header, unsigned char Command, const Bytes& Data);
// The 8 name bytes of a name message: padded with spaces (NULs count as padding) or cut.
Bytes LogitekName8(const std::string& Name);

extern const PortKind LogitekPortKind;

// A new console: the greeting.
void GreetLogitek(Server& s, int Slot);
// Decodes at most one message of the slot's receive buffer.
void DecodeLogitekMessage(Server& s, int Slot);
// Writes the whole message or, when the console has stopped reading, closes it.
void SendToLogitek(Server& s, int Slot, const Bytes& Message);
// Loads a console that asked to start: names, channels, pre-loaded sources, buses.
void SetUpLogitekConsole(Server& s, int Slot);

// Channel message handlers; Message holds exactly the message's bytes.
void ChangeInputAssignment(Server& s, int Slot, const Bytes& Message);
void ProcessChannelOn(Server& s, int Slot, const Bytes& Message);
void ProcessChannelOff(Server& s, int Slot, const Bytes& Message);
void ProcessFaderMovement(Server& s, int Slot, const Bytes& Message);
void ProcessFaderTrim(Server& s, int Slot, const Bytes& Message);
void SetChannelMode(Server& s, int Slot, const Bytes& Message);

// Fader position 0..255 to switcher gain, and back.
int FaderToGain(int Position);
int TranslateGain(int Gain);
// Moves the faders of every set-up console that shows one of the outputs
// FirstOutput .. FirstOutput + Count - 1 (0-based) on a bus.
void SendFaderPosition(Server& s, int FirstOutput, int Count);
