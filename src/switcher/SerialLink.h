#pragma once
// The one serial link to the switcher: receive event, decode timer, the
// single send path, and the port's opening and reopening.
#include "platform/Bytes.h"

#include <string>

class Server;

constexpr size_t SerialBufferLimit = 250001;
constexpr int SerialIdleDiscardMs = 500;
constexpr size_t SerialSendPiece = 16384;

// The serial control's communication event: code 2 carries received bytes,
// any other code is an error report.
void MSComm1_OnComm(Server& s, int EventCode, const Bytes& Chunk);
void tmrSerialDecode_Timer(Server& s);
// Hands the buffer to the decoder of the configured family once.
void DecodeSwitcherMessage(Server& s);
// Demo mode: the frame becomes the receive buffer and is decoded at once, as
// if the switcher had echoed it.
void LoopBackToDecoder(Server& s, const Bytes& Frame);
// Clears an oversized receive buffer; true when it did.
bool SerialBufferOverflowed(Server& s);
void SendToSwitcher(Server& s, const Bytes& Message);
Bytes TakeSerialBytes(Server& s, size_t Count);

// The device opened for CommPort: the configured one, else the platform's n-th port.
std::string SerialDevicePath(const Server& s);
// Opens the port with BaudRate & ",n,8,1" and marks the switcher awaited.
bool OpenSerialPort(Server& s, std::string& error);
// Reopens a port that failed, every few seconds, reporting only the first failure.
void SuperviseSerialPort(Server& s);
