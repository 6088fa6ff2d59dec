#pragma once
// The bytes the switchers and the Helm clients give the same meaning. Every
// frame ends with EndOfMessage; the poll and its answers travel alone.
namespace ControlByte {
constexpr unsigned char EndOfMessage = 0xFF;
constexpr unsigned char KeepAlivePoll = 0xF5;
// Ready: the answer to the keep-alive poll, and a frame taken.
constexpr unsigned char Acknowledge = 0xF4;
// A frame refused (an Orion sends it while busy).
constexpr unsigned char Nack = 0xF3;
// The request for tables: a frame from a Helm client, a lone byte on a Draco line.
constexpr unsigned char InfoRequest = 0xF2;
// A Helm client is told that the switcher is not on line yet.
constexpr unsigned char NotReady = 0xF1;
}  // namespace ControlByte
