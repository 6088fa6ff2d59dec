#pragma once
// SW-P-08 messages: the requests a control system sends, read from a frame's
// data, and the replies and notices the server sends, as frame data.
// Numbers are 0-based as on the wire; a source of -1 (an output that is off)
// is sent as the largest number its field holds.
#include "platform/Bytes.h"

#include <array>
#include <string>
#include <vector>

namespace Swp08 {

// Command bytes. An extended command is its standard one with bit 7 set.
namespace Cmd {
constexpr unsigned char Interrogate = 0x01;
constexpr unsigned char Connect = 0x02;
constexpr unsigned char Tally = 0x03;
constexpr unsigned char Connected = 0x04;
constexpr unsigned char TallyDumpRequest = 0x15;
constexpr unsigned char TallyDumpByte = 0x16;
constexpr unsigned char TallyDumpWord = 0x17;
constexpr unsigned char NamesUpdated = 0x1E;
constexpr unsigned char ImplementationRequest = 0x61;
constexpr unsigned char ImplementationStatus = 0x62;
constexpr unsigned char InvalidMessage = 0x63;
constexpr unsigned char AllSourceNames = 0x64;
constexpr unsigned char AllDestinationNames = 0x66;
constexpr unsigned char SourceNames = 0x6A;
constexpr unsigned char DestinationNames = 0x6B;
constexpr unsigned char Extended = 0x80;
}  // namespace Cmd

// The largest number the standard form's multiplier byte carries.
constexpr int MaxStandardNumber = 1023;
// Tally dump messages carry at most this many destinations.
constexpr int DumpTalliesPerMessage = 64;
// Name lengths in characters, by the length code of name requests and responses.
constexpr std::array<int, 5> NameLengths{4, 8, 12, 16, 32};

enum class Ask {
    Interrogate,
    Connect,
    TallyDump,
    SourceNames,
    DestinationNames,
    Implementation,
    InvalidNotice,  // the peer's 63: never answered with another
    Malformed,      // a known command with fields of the wrong length or value
    Unknown,
};

struct Request {
    Ask Kind = Ask::Unknown;
    unsigned char Command = 0;
    bool Extended = false;
    int Matrix = 0;
    int Level = 0;
    int Destination = 0;
    int Source = 0;
    int NameLength = 0;  // characters: 4, 8, 12, 16 or 32
};

// Data is a frame's data, command byte first.
Request ReadRequest(const Bytes& Data);

// Crosspoint tally (03), connected (04) and their extended forms (83, 84);
// Command is the standard one. The extended tally and connected messages end
// with a status byte of 0.
Bytes CrosspointMessage(unsigned char Command, bool Extended, int Matrix, int Level, int Destination, int Source);
// True when Destination, Source, Matrix and Level fit the standard form.
bool FitsStandardForm(int Matrix, int Level, int Destination, int Source);
// The whole map as tally dumps of at most DumpTalliesPerMessage destinations:
// extended (97), else byte (16) while every number stays below 192, else word (17).
// SourceOf holds the source of every destination, -1 for off.
std::vector<Bytes> TallyDumpMessages(bool Extended, int Matrix, int Level, const std::vector<int>& SourceOf);
// Name responses (6A, 6B, EA, EB) for every name, as many a message as the
// documents allow for NameLength; names padded with spaces or cut.
std::vector<Bytes> NameMessages(unsigned char Command, int Matrix, int Level, int NameLength,
                                const std::vector<std::string>& Names);
// The implementation status (62): the commands sent, then those served.
Bytes ImplementationStatusMessage();
// The invalid message reply (63) naming the command that was refused.
Bytes InvalidMessageReply(unsigned char Command);
// Names updated (1E): the source or the destination names of matrix 0 changed.
Bytes NamesUpdatedMessage(bool SourceNames);

}  // namespace Swp08
