#pragma once
// The frames an Orion switcher and the server exchange. Most tables travel
// in the same shape both ways, so the builders and readers here serve the
// decoder, the encoders and the simulated switcher alike.
//
// Every frame is: command byte, data bytes with bit 7 clear, a check byte,
// FF. The check byte is the 7-bit running sum of the frame's values (each
// value added, then AND 127): the decoded numbers of a table, the name bytes
// of a name table, the input alone of a take. Destination numbers travel as
// two nibbles, high first, in the low 4 bits of two bytes whose upper bits
// carry flags; they are not part of the sum.
#include "model/Model.h"
#include "platform/Bytes.h"

#include <string>
#include <vector>

namespace Orion {

constexpr int Size = 256;  // sources, destinations, relays and optos
constexpr int Templates = 64;
constexpr int ButtonsPerTemplate = 64;
constexpr int NameLength = 8;
constexpr int LinkRows = 16;
constexpr int InhibitGroups = 32;
constexpr int ConfigCards = 20;  // the version and activity frames cover card slots 1 to 20
constexpr int VersionTextLength = 16;
constexpr int ActivityPortBytes = 3;
constexpr int ActiveDeviceGroups = 6;  // 42 presence bits: cards 0 to 20 of frames 0 and 1
constexpr size_t SalvoEventLength = 15;

constexpr size_t TakeLength = 7;
constexpr size_t CrosspointMapLength = 515;
constexpr size_t AlphaTableLength = 2051;
constexpr size_t LinksLength = 35;
constexpr size_t InhibitLength = 69;
constexpr size_t ButtonsLength = 8707;
constexpr size_t ActiveDevicesLength = 9;
constexpr size_t VersionLength = 683;
constexpr size_t ActivityLength = 83;
constexpr size_t SalvoCountLength = 9;
constexpr size_t InfoRequestLength = 11;

// Take frame kinds (bits 4-6 of byte 2) and states (bits 4-6 of byte 3).
constexpr int KindCrosspoint = 0, KindOpto = 1, KindRelay = 2, KindRelayCommand = 3;
constexpr int StateOff = 0, StateOn = 1, StateMomentary = 2;

// Relay/opto state frame kinds.
constexpr int OptoKind = 30, RelayKind = 40;

}  // namespace Orion

// What a reader found wrong with a frame; the length is checked first.
enum class OrionCheck { Ok, Length, Sum };

// Appends values to an Orion frame and keeps their running sum.
class OrionWriter {
public:
    explicit OrionWriter(unsigned char Command) : frame_(1, static_cast<char>(Command)) {}
    void Pair(long Value);
    void Byte(int Value);
    // An 8-bit value as its low 7 bits and a byte that is 1 when bit 7 is set.
    void Split8(int Value);
    // A destination's two nibbles, high first, each with its flag bits.
    void Destination(int Destination, int HighFlags = 0, int LowFlags = 0);
    // A byte outside the sum.
    void Untallied(int Value) { frame_ += static_cast<char>(Value & 127); }
    // 8 name bytes, padded with spaces; each byte is a value.
    void Name(const std::string& Text);
    Bytes Finish();

private:
    Bytes frame_;
    int sum_ = 0;
};

// The take report and command. Kind and State go into the flag bits.
struct OrionTake {
    int Kind = 0;
    int State = 0;
    int Destination = 0;
    int Number = 0;  // the source, or the relay or opto number
};
Bytes BuildOrionTake(const OrionTake& Take);
// False when the frame is not 7 bytes; CheckOk tells whether the check byte matched.
bool ReadOrionTake(const Bytes& Frame, OrionTake& Take, bool& CheckOk);

// DF: the four 7-bit groups of Mask, each followed by 00.
Bytes BuildOrionInfoRequest(int64_t Mask);
OrionCheck ReadOrionInfoRequest(const Bytes& Frame, int64_t& Mask);

// F6: the source of destinations 0 to 255, as pairs.
Bytes BuildOrionCrosspointMap(const std::vector<int>& Sources);
OrionCheck ReadOrionCrosspointMap(const Bytes& Frame, std::vector<int>& Sources);

// FC, FB, EC: 8 bytes per name; Count names (shorter names padded with
// spaces; a missing name is its number in three digits).
Bytes BuildOrionAlphaTable(unsigned char Command, const std::vector<std::string>& Names, size_t Count);
// Names must be as many as the frame is to hold (its length is checked against them).
OrionCheck ReadOrionAlphaTable(const Bytes& Frame, size_t Count, std::vector<std::string>& Names);

// EF, EE, ED: one pair per entry; an entry beyond Table is sent as Count - 1.
Bytes BuildOrionSortTable(unsigned char Command, const std::vector<int>& Table, size_t Count);
OrionCheck ReadOrionSortTable(const Bytes& Frame, std::vector<int>& Table);

// FA, F9: 16 row values; bit c of row r links entries 16r+2c and 16r+2c+1.
Bytes BuildOrionLinks(unsigned char Command, const std::vector<int>& Links);
OrionCheck ReadOrionLinks(const Bytes& Frame, std::vector<int>& Links);

// F8: one destination's inhibits; Text holds "1" (inhibited) or "0" per source.
Bytes BuildOrionInhibitMap(int Destination, const std::string& Text);
OrionCheck ReadOrionInhibitMap(const Bytes& Frame, int& Destination, std::string& Text);

// FD: the template of each of the 256 destinations, then 64 x 64 button values.
struct OrionButtons {
    std::vector<int> Assignment;  // per destination
    std::vector<int> Values;      // template t, button b at 64 t + b
};
Bytes BuildOrionButtons(const OrionButtons& Buttons);
OrionCheck ReadOrionButtons(const Bytes& Frame, OrionButtons& Buttons);

// E9: A, B, C pairs with events = 256 A + B and salvos = C. The check is
// (A AND 127) + B + C in 7 bits; a mismatch still yields the values.
Bytes BuildOrionSalvoCount(long Events, int Salvos);
OrionCheck ReadOrionSalvoCount(const Bytes& Frame, long& Events, int& Salvos);

// EB, EA: per event its salvo number (pair), three flag bytes and five
// values (pairs), 15 bytes; the sum runs over those nine values. The frame
// holds as many events as its length says.
Bytes BuildOrionSalvoEvents(unsigned char Command, const std::vector<SalvoEventRecord>& Events);
OrionCheck ReadOrionSalvoEvents(const Bytes& Frame, std::vector<SalvoEventRecord>& Events);

// E8: one salvo of an upload: its number and its event count (pairs).
Bytes BuildOrionSalvoDefinition(int Salvo, int EventCount);

// F0: 6 groups of 7 bits, lowest first; bit 21 f + c is set when card c of
// frame f is present (frames 0 and 1).
Bytes BuildOrionActiveDevices(const std::vector<bool>& Present);
OrionCheck ReadOrionActiveDevices(const Bytes& Frame, std::vector<bool>& Present);

// E5: for card slots 1 to 20, a QRT entry and a WLB entry, each a present
// byte and a 16-character version text (34 bytes per slot); the sum runs
// over all 680 data bytes.
struct OrionCardVersion {
    std::string Qrt, Wlb;  // empty when the card is absent
};
Bytes BuildOrionVersion(const std::vector<OrionCardVersion>& Cards);
OrionCheck ReadOrionVersion(const Bytes& Frame, std::vector<OrionCardVersion>& Cards);

// E0: for card slots 1 to 20, the card's status byte and three bytes of
// port activity bits (bit p of byte k: port 7 k + p active); the sum runs
// over all 80 data bytes.
struct OrionCardActivity {
    int Status = 0;
    std::vector<bool> Ports;  // 21 ports
};
Bytes BuildOrionActivity(const std::vector<OrionCardActivity>& Cards);
OrionCheck ReadOrionActivity(const Bytes& Frame, std::vector<OrionCardActivity>& Cards);

// E4: kind (30 optos, 40 relays), the count N (pair), N entries of number
// (pair) and state byte; the check byte is CheckSum7 of the frame.
Bytes BuildOrionRelayOptoState(int Kind, const std::vector<int>& States);
