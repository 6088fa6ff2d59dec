#pragma once
// Helpers the Zolt command handlers share.
#include "platform/Bytes.h"

#include "disk/Trap.h"

#include <optional>
#include <string>

class Server;
struct ZoltClient;

ZoltClient& Console(Server& s, int Slot);
// "OK" or "ERROR" with CR LF, sent only while the console wants replies.
void ReplyOk(Server& s, int Slot);
void ReplyError(Server& s, int Slot);
// Console commands are logged when the operator records or displays them.
bool RecordingConsoles(const Server& s);
// The decimal number in Width bytes from 0-based Offset; none when a byte is
// not a digit, so that a stray character can never pass as a number.
std::optional<int> DecimalField(const Bytes& Command, size_t Offset, size_t Width);
// 0..15 for "0".."9" and "A".."F"; 99 for anything else (lower case included).
int HexDigitValue(unsigned char Ch);
// A name exactly 8 bytes long: padded with spaces (NULs count as padding) or cut.
std::string Name8(const std::string& Name);

// Runs a handler's body; a run-time error is logged under Message and
// Location and answered "ERROR" when the console wants replies.
template <class F>
void RunOrAnswerError(Server& s, int Slot, const std::string& Message, const std::string& Location, F&& Body)
{
    if (!Trap(s, Message, Location, Body))
        ReplyError(s, Slot);
}
