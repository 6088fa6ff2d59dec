#pragma once
// The one serial link to the switcher: receive event, decode timer, the
// single send path, and the port's opening and reopening.
#include "platform/Bytes.h"

#include <functional>
#include <string>

class Server;

constexpr size_t SerialBufferLimit = 250001;
constexpr int SerialIdleDiscardMs = 500;
constexpr size_t SerialSendPiece = 16384;

// Bytes the serial port received.
void OnSerialData(Server& s, const Bytes& Chunk);
// The serial port reported a fault (a QSerialPort error or Serial...Error).
void OnSerialError(Server& s, int Code);
void OnSerialDecodeTick(Server& s);
// Hands the buffer to the decoder of the configured family once.
void DecodeSwitcherMessage(Server& s);
// Demo mode: the frame becomes the receive buffer and is decoded at once, as
// if the switcher had echoed it.
void LoopBackToDecoder(Server& s, const Bytes& Frame);
// Clears an oversized receive buffer; true when it did.
bool SerialBufferOverflowed(Server& s);
void SendToSwitcher(Server& s, const Bytes& Message);
// A command of a family that the demo does not answer (Orion, Draco): in demo
// mode nothing is sent, queued or marked pending; otherwise Send runs under
// the trap titled Text.
void SwitcherCommand(Server& s, const std::string& Text, const std::function<void()>& Send);
Bytes TakeSerialBytes(Server& s, size_t Count);
// Cuts the next frame (command byte to FF) off SerialBuffer, dropping what
// cannot start one and logging a frame cut short by the next. Single handles
// a command byte that travels alone and says whether it did. Works on
// positions and cuts the buffer once, so a long run of noise or of broken
// frames costs one pass. Empty when no complete frame is there yet.
Bytes CutSwitcherFrame(Server& s, bool (*Single)(Server& s, unsigned char Byte));

// The serial device chosen by name: the command line's, else the "Serial
// Device" key; empty when the COM number decides.
const std::string& ChosenSerialDevice(const Server& s);
// The device opened: the one chosen by name, else the platform's n-th port.
std::string SerialDevicePath(const Server& s);
// "Router Serial Activity [COM n - rate Baud]", naming the device instead of
// COM n when one is chosen by name.
std::string SerialStatusCaption(const Server& s);
// The port as the operator's error boxes name it: "Com n", or the device.
std::string SerialPortName(const Server& s);
// Opens the port with BaudRate & ",n,8,1" and marks the switcher awaited.
bool OpenSerialPort(Server& s, std::string& error);
// Reopens a port that failed, every few seconds, reporting only the first failure.
void SuperviseSerialPort(Server& s);
