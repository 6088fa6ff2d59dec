#pragma once
// Frame layouts that a Vela switcher's reports and the Helm clients' uploads
// have in common, read in one place so that the two cannot drift apart. The
// checks around them, the log texts and the forwarding stay with the callers.
#include "model/Model.h"
#include "platform/Bytes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Frame, card, port and channel numbers that the configuration records hold.
constexpr int MaxStoredFrames = 7;
constexpr int MaxStoredChannels = 8;

// The records a frame may write, or null where the model has no such element:
// frames 0 to 6 as far as sized, then cards, ports and sized channel lists.
FrameRecord* ConfigFrame(Model& m, int Frame);
CardRecord* ConfigCard(FrameRecord* Frame, int Card);
PortRecord* ConfigPort(CardRecord* Card, int Port);
ChannelRecord* ConfigChannel(PortRecord* Port, int Channel);

// The tree of counted runs of the state (E1) and status (F0) frames: byte 1
// unused, frame count and first frame, then per frame (value, card count,
// first card), per card (value, port count, first port), per port (value,
// channel count, first channel), per channel (value). Visit gets the level
// (1 frame, 2 card, 3 port, 4 channel), the numbers as the frame gives them
// and the value. False when the counts need more bytes than the frame has,
// or, with WholeFrame, when bytes are left over.
using ConfigTreeVisit = std::function<void(int Level, int Frame, int Card, int Port, int Channel, int Value)>;
bool WalkConfigTree(const Bytes& Frame, const ConfigTreeVisit& Visit, bool WholeFrame = false);
// Which value of each element the tree carries: its state (E1) or its status (F0).
enum class TreeValue { State, Status };
// That value of the element a visit names; null where the model has no such element.
uint8_t* ConfigTreeValue(Model& m, TreeValue Which, int Level, int Frame, int Card, int Port, int Channel);

// E2: byte 1 unused, frame count, first frame; per frame its card count and
// first card; per card its type code, three settings (pairs), port count and
// first port; per port its type code (pair), channel count and first channel;
// per channel its eight settings (pairs). A run that starts at 0 also sets
// the count of its level (a channel run sizes the port's channel list); a
// later run only updates. With a null model the frame is only walked (the
// check before storing). False unless the frame is read exactly.
bool WalkConfig(const Bytes& Frame, Model* m);

// FC: table, name length, count, first (pairs), then per entry its name
// (name length bytes) and its sort position (pair).
struct AlphaRun {
    int First = 0;
    std::vector<std::string> Names;
    std::vector<int> Sorts;
};
std::optional<AlphaRun> ReadAlphaTable(const Bytes& Frame);

// DF: table (10 sources, else destinations), first list, list count (pairs),
// then per list its name (8 bytes), its member count and its members (pairs).
struct DisplayListRun {
    int First = 0;
    int Count = 0;
    std::vector<DisplayListRecord> Lists;  // from First on, only those the tables hold
};
std::optional<DisplayListRun> ReadDisplayLists(const Bytes& Frame);

// F9 and FB: byte 1 unused, count, first (pairs), one value (pair) each.
struct PairRun {
    int First = 0;
    std::vector<int> Values;
};
std::optional<PairRun> ReadPairRun(const Bytes& Frame);

// D2: byte 1 unused, count, first destination (pairs), the number of bytes
// per destination, then that many bytes for each destination.
struct TransitionRun {
    int First = 0;
    std::vector<Bytes> Records;
};
std::optional<TransitionRun> ReadTransitionControl(const Bytes& Frame);
// Each record replaces the first bytes of a destination's transition record
// below Limit; the rest of that record stays.
void StoreTransitionControl(const TransitionRun& Run, std::vector<std::array<uint8_t, 6>>& Table, int Limit);

// EE, 8 bytes long: byte 1 unused, two offsets, each its low 13 bits with 64
// added to the high group when negative.
void ReadGainOffsets(const Bytes& Frame, std::array<int, 2>& Offsets);

// F8: byte 1 unused, count, first output, then per output its run count
// (pair) and runs of two bytes. The two layouts of a run: the switcher puts
// the inhibit flag in bit 6 of the first byte (length: first byte's low 6
// bits + 128 x second byte); the Helm protocol puts it in bit 6 of the second
// byte (length: first byte + 128 x the second byte's low 6 bits).
enum class InhibitRunLayout { Switcher, Helm };
struct InhibitRun {
    int Count = 0;
    int First = 0;
    std::vector<std::string> Texts;  // from First on, only outputs below Outputs
};
// Texts are cut to Sources characters, so a frame's run lengths cannot make
// them grow without end.
std::optional<InhibitRun> ReadInhibitMap(const Bytes& Frame, InhibitRunLayout Layout, int Sources, int Outputs);
