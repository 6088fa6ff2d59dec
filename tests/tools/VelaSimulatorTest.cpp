#include "VelaSimulator.h"

#include "core/Model.h"
#include "switcher/ByteManipulation.h"
#include "switcher/vela/ToVela.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

Bytes B(std::initializer_list<int> bytes)
{
    Bytes b;
    for (int v : bytes)
        b += static_cast<char>(v);
    return b;
}

int Pair(const Bytes& f, size_t at) { return CombineBytes(ByteAt(f, at), ByteAt(f, at + 1)); }

// Splits an answer into its frames (and lone F4 bytes), each checked for its
// checksum on the way.
std::vector<Bytes> Frames(Bytes answer)
{
    std::vector<Bytes> frames;
    while (!answer.empty()) {
        const size_t end = ByteAt(answer, 0) == 0xF4 ? 0 : answer.find('\xFF');
        if (end == Bytes::npos) {
            ADD_FAILURE() << "unfinished frame";
            break;
        }
        Bytes f = TakeBytes(answer, end + 1);
        if (f.size() > 1) {
            EXPECT_EQ(CheckSum7(f, 2), ByteAt(f, f.size() - 2)) << "checksum of " << HexBytes(f);
        }
        frames.push_back(f);
    }
    return frames;
}

Bytes Framed(Bytes b)
{
    AppendChecksumAndEnd(b);
    return b;
}

Bytes Request(int64_t mask) { return BuildInfoRequestVela(mask, NoneValue, 0); }

Bytes Take(int input, int output, int type, int level = NoneValue) { return BuildTakeVela(input, output, type, level); }

const Bytes EndOfDump = B({0xF2, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x40, 0xFF});

// The sources of one destination as the next crosspoint map reports them.
std::vector<int> MappedSources(VelaSimulator& sim, int destination)
{
    const Bytes map = Frames(sim.Receive(Request(128))).at(0);
    size_t at = 6;
    for (int d = 0; d < destination; ++d)
        at += 3 + 4 * static_cast<size_t>(Pair(map, at));
    std::vector<int> sources;
    for (int k = 0; k < Pair(map, at); ++k)
        sources.push_back(Pair(map, at + 3 + 4 * static_cast<size_t>(k)));
    return sources;
}

// Every frame length a request for everything yields, against its layout.
size_t ExpectedLength(const Bytes& f)
{
    switch (ByteAt(f, 0)) {
    case 0xFC: return (ByteAt(f, 2) + 2u) * static_cast<size_t>(Pair(f, 3)) + 9;
    case 0xFA: return static_cast<size_t>(Pair(f, 2)) + 8;
    case 0xE3: return 2u * static_cast<size_t>(Pair(f, 3)) + 9;
    case 0xF7: return 3u * static_cast<size_t>(Pair(f, 2)) + 6;
    case 0xEB: return 4u * static_cast<size_t>(Pair(f, 2)) + 13u * static_cast<size_t>(Pair(f, 4)) + 8;
    case 0xFD: return 10;  // no buttons
    case 0xF6: {
        size_t at = 6, length = 8;
        for (int d = 0; d < Pair(f, 2); ++d) {
            const size_t n = static_cast<size_t>(Pair(f, at));
            length += 3 + 4 * n;
            at += 3 + 4 * n;
        }
        return length;
    }
    case 0xF8: {
        size_t at = 6, length = 8;
        for (int d = 0; d < Pair(f, 2); ++d) {
            const size_t runs = static_cast<size_t>(Pair(f, at));
            length += 2 + 2 * runs;
            at += 2 + 2 * runs;
        }
        return length;
    }
    default: return f.size();  // E4, E1, F0 and F2 are compared byte for byte
    }
}

}  // namespace

TEST(VelaSim, AnswersThePollWithF4)
{
    VelaSimulator sim;
    EXPECT_EQ(sim.Receive(B({0xF5})), B({0xF4}));
    // Stray data bytes and lone markers in front change nothing.
    EXPECT_EQ(sim.Receive(B({0x01, 0x02, 0xFF, 0xF4, 0xF5, 0xF5})), B({0xF4, 0xF4}));
}

TEST(VelaSim, CrosspointMapRequestGetsTheMapAndTheEndOfDump)
{
    VelaSimulator sim(SimulatorOptions{4, "Src ", "Dst "});
    const auto frames = Frames(sim.Receive(Request(128)));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], B({0xF6, 0x00, 0x04, 0x00, 0x00, 0x00,   // 4 destinations from 0
                            0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08,  // one source, no sum, source 0 at 1024
                            0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x08,  //
                            0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x08,  //
                            0x01, 0x00, 0x00, 0x03, 0x00, 0x00, 0x08, 0x2E, 0xFF}));
    EXPECT_EQ(frames[1], EndOfDump);
}

TEST(VelaSim, TakesAreReportedAsExecutedAndShowInTheNextMap)
{
    VelaSimulator sim(SimulatorOptions{8, "Src ", "Dst "});

    EXPECT_EQ(sim.Receive(Take(2, 1, 4)), Take(2, 1, 4));
    EXPECT_EQ(MappedSources(sim, 1), std::vector<int>{2});

    EXPECT_EQ(sim.Receive(Take(5, 1, 4, 300)), Take(5, 1, 4, 300));
    ASSERT_EQ(sim.RoutesOf(1).size(), 1u);
    EXPECT_EQ(sim.RoutesOf(1)[0].Level, 300);

    EXPECT_EQ(sim.Receive(Take(7, 1, 36)), Take(7, 1, 36));  // sum on
    EXPECT_EQ(sim.Receive(Take(7, 1, 36)), Take(7, 1, 36));  // already summed: no change
    EXPECT_EQ(MappedSources(sim, 1), (std::vector<int>{5, 7}));
    sim.Receive(Take(5, 1, 32));  // sum off
    EXPECT_EQ(MappedSources(sim, 1), std::vector<int>{7});

    // Turning off is reported without an input.
    EXPECT_EQ(sim.Receive(Take(3, 6, 0)), B({0xFE, 0x00, 0x00, 0x7F, 0x7F, 0x06, 0x00, 0x04, 0xFF}));
    EXPECT_TRUE(MappedSources(sim, 6).empty());

    // A priority take raises the sum flag byte of its destination.
    sim.Receive(Take(4, 0, 5));
    const Bytes map = Frames(sim.Receive(Request(128))).at(0);
    EXPECT_EQ(ByteAt(map, 8), 1);

    EXPECT_EQ(sim.Receive(Take(0, 3, 68)), Take(0, 3, 68));  // latch relay 3
    EXPECT_EQ(sim.RelayState(3), 1);
    const Bytes relays = Frames(sim.Receive(Request(65536))).at(0);
    EXPECT_EQ(ByteAt(relays, 4 + 3 * 3 + 2), 1);
    sim.Receive(Take(0, 3, 64));  // release
    EXPECT_EQ(sim.RelayState(3), 0);
}

TEST(VelaSim, BadFramesAreIgnored)
{
    VelaSimulator sim(SimulatorOptions{8, "Src ", "Dst "});
    Bytes badSum = Take(2, 1, 4);
    badSum[7] = static_cast<char>(badSum[7] + 1);
    const Bytes shortLevel = Framed(B({0xFE, 0x04, 0x04, 0x02, 0x00, 0x01, 0x00}));
    for (const Bytes& bad : {badSum, shortLevel, Take(2, 8, 4), Take(8, 1, 4), Take(2, 1, 99),
                             B({0xC7, 0x05, 0x05, 0xFF}), B({0xF2, 0x01, 0x01, 0xFF})}) {
        SCOPED_TRACE(HexBytes(bad));
        EXPECT_EQ(sim.Receive(bad), "");
    }
    EXPECT_EQ(MappedSources(sim, 1), std::vector<int>{1});

    // A frame that lost its end gives way to the command byte that follows.
    EXPECT_EQ(sim.Receive(B({0xFE, 0x04, 0x00}) + Take(3, 2, 4)), Take(3, 2, 4));
    EXPECT_EQ(sim.Receive(B({0xFE, 0x04, 0x00, 0xF5})), B({0xF4}));

    // A frame that never ends does not grow without bound.
    sim.Receive(B({0xFE}));
    sim.Receive(Bytes(VelaSimulator::MaxPending + 10, '\x01'));
    EXPECT_LE(sim.PendingBytes(), VelaSimulator::MaxPending);
    EXPECT_EQ(sim.Receive(B({0xF5})), B({0xF4}));
}

TEST(VelaSim, RequestForEverythingAnswersEveryKnownTableWellFormed)
{
    VelaSimulator sim(SimulatorOptions{100, "Src ", "Dst "});  // 100 allowed sources need two runs
    const auto frames = Frames(sim.Receive(Request(1)));

    std::vector<std::string> kinds;
    for (const Bytes& f : frames) {
        const unsigned char command = ByteAt(f, 0);
        std::string kind = HexText(command);
        if (command == 0xFC || command == 0xFA || command == 0xF7 || command == 0xE3)
            kind += "/" + std::to_string(ByteAt(f, command == 0xE3 ? 2 : 1));
        kinds.push_back(kind);
        EXPECT_EQ(f.size(), ExpectedLength(f)) << kind;
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"E4", "E1", "F0", "F6", "FC/10", "FC/20", "FA/10", "FA/20", "F8",
                                               "FD", "FC/50", "EB", "E3/0", "E3/1", "E3/2", "E3/3", "F7/40", "F7/30",
                                               "FC/30", "FC/40", "F2"}));
    // One frame without cards, its state and its status.
    EXPECT_EQ(frames.at(0), B({0xE4, 0x00, 0x01, 0x00, 0x01, 0xFF}));
    EXPECT_EQ(frames.at(1), B({0xE1, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0xFF}));
    EXPECT_EQ(frames.at(2), B({0xF0, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0xFF}));
    EXPECT_EQ(frames.back(), EndOfDump);

    // Every destination's inhibit runs spell 100 allowed sources.
    const Bytes& inhibits = frames.at(8);
    size_t at = 6;
    for (int d = 0; d < 100; ++d) {
        const int runs = Pair(inhibits, at);
        at += 2;
        int length = 0;
        for (int r = 0; r < runs; ++r, at += 2) {
            unsigned char first = ByteAt(inhibits, at);
            EXPECT_EQ(SplitFlagBit(first), 0);
            length += CombineBytes(first, ByteAt(inhibits, at + 1));
        }
        ASSERT_EQ(length, 100) << "destination " << d;
    }
}

TEST(VelaSim, NameTablesHoldEightByteNamesWithTheirSortEntries)
{
    VelaSimulator sim(SimulatorOptions{12, "In", "Output-"});
    const auto frames = Frames(sim.Receive(Request(256 | 512)));
    ASSERT_EQ(frames.size(), 3u);
    const Bytes& sources = frames[0];
    EXPECT_EQ(sources.substr(0, 7), B({0xFC, 10, 8, 12, 0, 0, 0}));
    EXPECT_EQ(sources.substr(7, 10), "In001   " + B({0, 0}));
    EXPECT_EQ(sources.substr(7 + 10 * 11, 10), "In012   " + B({11, 0}));
    EXPECT_EQ(frames[1].substr(7 + 10 * 11, 8), "Output-0");  // cut to 8
}

TEST(VelaSim, GainLinkAndTransitionCommandsAreReportedAndKept)
{
    VelaSimulator sim(SimulatorOptions{8, "Src ", "Dst "});

    EXPECT_EQ(sim.Receive(BuildGainVela(0, 448, 5, NoneValue, NoneValue)),
              B({0xE3, 0x02, 0x00, 0x01, 0x00, 0x05, 0x00, 0x40, 0x03, 0x4B, 0xFF}));
    EXPECT_EQ(sim.SourceGain(5, 0), 448);
    // A second value and an option are not part of the report.
    EXPECT_EQ(sim.Receive(BuildGainVela(1, 300, 2, 55, 3)), BuildGainVela(1, 300, 2, NoneValue, NoneValue));
    EXPECT_EQ(sim.SourceGain(2, 1), 300);
    const Bytes gains = Frames(sim.Receive(Request(32768))).at(0);
    EXPECT_EQ(Pair(gains, 7 + 2 * 5), 448);
    EXPECT_EQ(sim.Receive(BuildGainVela(0, 1, 8, NoneValue, NoneValue)), "");  // no source 8

    const Bytes links = Framed(B({0xFA, 10, 2, 0, 4, 0, 1, 1}));
    EXPECT_EQ(sim.Receive(links), links);
    EXPECT_EQ(sim.SourceLink(4), 1);
    // Entries past the last source are not executed, nor reported.
    EXPECT_EQ(sim.Receive(Framed(B({0xFA, 10, 3, 0, 6, 0, 2, 2, 2}))), Framed(B({0xFA, 10, 2, 0, 6, 0, 2, 2})));
    EXPECT_EQ(sim.SourceLink(7), 2);

    const Bytes transition = Framed(B({0xD2, 0x0A, 0x01, 0x00, 0x03, 0x00, 0x04, 1, 2, 3, 4}));
    EXPECT_EQ(sim.Receive(transition), transition);
    EXPECT_EQ(sim.Transition(3), (std::array<uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(sim.Receive(Framed(B({0xD2, 0x0A, 0x01, 0x00, 0x08, 0x00, 0x04, 1, 2, 3, 4}))), "");
}
