#include "VelaSimulator.h"

#include "helm/FromHelm.h"
#include "helm/ToHelm.h"
#include "model/ByteManipulation.h"
#include "model/Model.h"
#include "switcher/vela/ToVela.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

#include <map>

namespace {

int Pair(const Bytes& f, size_t at) { return CombineBytes(ByteAt(f, at), ByteAt(f, at + 1)); }
Bytes Request(int64_t mask) { return BuildInfoRequestVela(mask, NoneValue, 0); }
Bytes Take(int input, int output, int type, int level = NoneValue) { return BuildTakeVela(input, output, type, level); }

const Bytes EndOfDump = Wire({0xF2, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x40, 0xFF});

// Splits an answer into frames, checking each checksum on the way.
std::vector<Bytes> Frames(Bytes answer)
{
    std::vector<Bytes> frames;
    for (size_t end; (end = answer.find('\xFF')) != Bytes::npos;) {
        frames.push_back(TakeBytes(answer, end + 1));
        EXPECT_EQ(CheckSum7(frames.back(), 2), ByteAt(frames.back(), end - 1)) << HexBytes(frames.back());
    }
    EXPECT_EQ(answer, "");
    return frames;
}

// Walks the per-destination entries of an F6 or F8 frame (2 + Width x count
// bytes each); returns where Destination's entry starts, or the frame's end.
size_t Entry(const Bytes& f, int destination, size_t head, size_t width)
{
    size_t at = 6;
    for (int d = 0; d < destination; ++d)
        at += head + width * static_cast<size_t>(Pair(f, at));
    return at;
}

std::vector<int> MappedSources(VelaSimulator& sim, int destination)
{
    const Bytes map = Frames(sim.Receive(Request(128))).at(0);
    const size_t at = Entry(map, destination, 3, 4);
    std::vector<int> sources;
    for (int k = 0; k < Pair(map, at); ++k)
        sources.push_back(Pair(map, at + 3 + 4 * static_cast<size_t>(k)));
    return sources;
}

}  // namespace

TEST(VelaSim, AnswersThePollWithF4)
{
    VelaSimulator sim;
    // Stray data bytes and lone markers in front change nothing.
    EXPECT_EQ(sim.Receive(Wire({0x01, 0xFF, 0xF4, 0xF5, 0xF5})), Wire({0xF4, 0xF4}));
}

TEST(VelaSim, CrosspointMapRequestGetsTheMapAndTheEndOfDump)
{
    VelaSimulator sim(SimulatorOptions{3, "Src ", "Dst "});
    EXPECT_EQ(
        Frames(sim.Receive(Request(128))),
        (std::vector<Bytes>{Framed(Wire({0xF6, 0x00, 0x03, 0x00, 0x00, 0x00,        // 3 destinations from 0
                                         0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08,  // one source, no sum, 0 at 1024
                                         0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x08,  //
                                         0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x08})),
                            EndOfDump}));
}

TEST(VelaSim, TakesAreReportedAsExecutedAndShowInTheNextMap)
{
    VelaSimulator sim(SimulatorOptions{8, "Src ", "Dst "});
    EXPECT_EQ(sim.Receive(Take(2, 1, 4)), Take(2, 1, 4));
    EXPECT_EQ(MappedSources(sim, 1), std::vector<int>{2});
    EXPECT_EQ(sim.Receive(Take(5, 1, 4, 300)), Take(5, 1, 4, 300));
    EXPECT_EQ(sim.RoutesOf(1).at(0).Level, 300);

    EXPECT_EQ(sim.Receive(Take(7, 1, 36)), Take(7, 1, 36));  // sum on, twice: no change
    sim.Receive(Take(7, 1, 36));
    EXPECT_EQ(MappedSources(sim, 1), (std::vector<int>{5, 7}));
    sim.Receive(Take(5, 1, 32));  // sum off
    EXPECT_EQ(MappedSources(sim, 1), std::vector<int>{7});

    // Turning off is reported without an input.
    EXPECT_EQ(sim.Receive(Take(3, 6, 0)), Wire({0xFE, 0x00, 0x00, 0x7F, 0x7F, 0x06, 0x00, 0x04, 0xFF}));
    EXPECT_TRUE(MappedSources(sim, 6).empty());
    sim.Receive(Take(4, 0, 5));  // a priority take raises the sum flag byte
    EXPECT_EQ(ByteAt(Frames(sim.Receive(Request(128))).at(0), 8), 1);

    EXPECT_EQ(sim.Receive(Take(0, 3, 68)), Take(0, 3, 68));  // latch relay 3
    EXPECT_EQ(ByteAt(Frames(sim.Receive(Request(65536))).at(0), 4 + 3 * 3 + 2), 1);
    sim.Receive(Take(0, 3, 64));
    EXPECT_EQ(sim.RelayState(3), 0);
}

TEST(VelaSim, BadFramesAreIgnored)
{
    VelaSimulator sim(SimulatorOptions{8, "Src ", "Dst "});
    Bytes badSum = Take(2, 1, 4);
    badSum[7] = static_cast<char>(badSum[7] + 1);
    const Bytes levelFlagWithoutLevel = Framed(Wire({0xFE, 0x04, 0x04, 0x02, 0x00, 0x01, 0x00}));
    for (const Bytes& bad : {badSum, levelFlagWithoutLevel, Take(2, 8, 4), Take(8, 1, 4), Take(2, 1, 99),
                             Wire({0xC7, 0x05, 0x05, 0xFF}), Wire({0xF2, 0x01, 0x01, 0xFF})})
        EXPECT_EQ(sim.Receive(bad), "") << HexBytes(bad);
    EXPECT_EQ(MappedSources(sim, 1), std::vector<int>{1});

    // A frame that lost its end gives way to the command byte that follows.
    EXPECT_EQ(sim.Receive(Wire({0xFE, 0x04, 0x00}) + Take(3, 2, 4)), Take(3, 2, 4));
    EXPECT_EQ(sim.Receive(Wire({0xFE, 0x04, 0x00, 0xF5})), Wire({0xF4}));
    // One that never ends does not grow without bound.
    sim.Receive(Wire({0xFE}) + Bytes(VelaSimulator::MaxPending + 10, '\x01'));
    EXPECT_EQ(sim.PendingBytes(), 0u);
}

TEST(VelaSim, RequestForEverythingAnswersEveryKnownTableWellFormed)
{
    VelaSimulator sim(SimulatorOptions{100, "Src ", "Dst "});  // 100 allowed sources need two runs
    const auto frames = Frames(sim.Receive(Request(1)));

    std::vector<std::string> kinds;
    std::map<std::string, Bytes> byKind;
    for (const Bytes& f : frames) {
        const unsigned char c = ByteAt(f, 0);
        const bool coded = c == 0xFC || c == 0xFA || c == 0xF7 || c == 0xDF;
        const std::string kind =
            HexText(c) + (c == 0xE3 ? std::to_string(ByteAt(f, 2)) : "") + (coded ? std::to_string(ByteAt(f, 1)) : "");
        kinds.push_back(kind);
        byKind[kind] = f;
    }
    EXPECT_EQ(kinds,
              (std::vector<std::string>{"E4",   "E2",   "E5",   "E1", "F0",   "F6",   "FC10", "FC20", "FA10", "FA20",
                                        "F8",   "FD",   "FC50", "EB", "E30",  "E31",  "E32",  "E33",  "F740", "F730",
                                        "FC30", "FC40", "ED",   "EF", "DF10", "DF20", "EE",   "F9",   "D2",   "F2"}));
    // Lengths as the layouts give them.
    EXPECT_EQ(byKind["F6"].size(), Entry(byKind["F6"], 100, 3, 4) + 2);
    EXPECT_EQ(byKind["FC10"].size(), (8u + 2) * 100 + 9);
    EXPECT_EQ(byKind["FA10"].size(), 100u + 8);
    EXPECT_EQ(byKind["F8"].size(), Entry(byKind["F8"], 100, 2, 2) + 2);
    EXPECT_EQ(byKind["FD"].size(), 10u);  // no button templates
    EXPECT_EQ(byKind["EB"].size(), 8u);   // no salvos
    EXPECT_EQ(byKind["E30"].size(), 2u * 100 + 9);
    EXPECT_EQ(byKind["F740"].size(), 3u * 100 + 6);
    EXPECT_EQ(byKind["DF20"].size(), 256u * (8 + 2 + 2 * 8) + 8);  // 256 lists of 8 places
    EXPECT_EQ(byKind["F9"].size(), 2u * 100 + 8);
    EXPECT_EQ(byKind["D2"].size(), 4u * 100 + 9);
    EXPECT_EQ(frames.back(), EndOfDump);

    // Every destination's inhibit runs spell 100 allowed sources.
    for (int d = 0; d < 100; ++d) {
        size_t at = Entry(byKind["F8"], d, 2, 2);
        int length = 0;
        for (int r = Pair(byKind["F8"], at); r > 0; --r) {
            at += 2;
            unsigned char first = ByteAt(byKind["F8"], at);
            EXPECT_EQ(SplitFlagBit(first), 0);
            length += CombineBytes(first, ByteAt(byKind["F8"], at + 1));
        }
        ASSERT_EQ(length, 100) << "destination " << d;
    }
}

TEST(VelaSim, NameTablesHoldEightByteNamesWithTheirSortEntries)
{
    VelaSimulator sim(SimulatorOptions{12, "In", "Output-"});
    const auto frames = Frames(sim.Receive(Request(256 | 512)));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].substr(0, 17), Wire({0xFC, 10, 8, 12, 0, 0, 0}) + "In001   " + Wire({0, 0}));
    EXPECT_EQ(frames[0].substr(7 + 10 * 11, 10), "In012   " + Wire({11, 0}));
    EXPECT_EQ(frames[1].substr(7 + 10 * 11, 8), "Output-0");  // cut to 8
}

TEST(VelaSim, GainLinkAndTransitionCommandsAreReportedAndKept)
{
    VelaSimulator sim(SimulatorOptions{8, "Src ", "Dst "});
    EXPECT_EQ(sim.Receive(BuildGainVela(0, 448, 5, NoneValue, NoneValue)),
              Wire({0xE3, 0x02, 0x00, 0x01, 0x00, 0x05, 0x00, 0x40, 0x03, 0x4B, 0xFF}));
    // A second value and an option are not part of the report.
    EXPECT_EQ(sim.Receive(BuildGainVela(1, 300, 2, 55, 3)), BuildGainVela(1, 300, 2, NoneValue, NoneValue));
    EXPECT_EQ(sim.SourceGain(2, 1), 300);
    EXPECT_EQ(Pair(Frames(sim.Receive(Request(32768))).at(0), 7 + 2 * 5), 448);
    EXPECT_EQ(sim.Receive(BuildGainVela(0, 1, 8, NoneValue, NoneValue)), "");  // no source 8

    const Bytes links = Framed(Wire({0xFA, 10, 2, 0, 4, 0, 1, 1}));
    EXPECT_EQ(sim.Receive(links), links);
    EXPECT_EQ(sim.SourceLink(4), 1);
    // Entries past the last source are neither executed nor reported.
    EXPECT_EQ(sim.Receive(Framed(Wire({0xFA, 10, 3, 0, 6, 0, 2, 2, 2}))), Framed(Wire({0xFA, 10, 2, 0, 6, 0, 2, 2})));
    EXPECT_EQ(sim.SourceLink(7), 2);

    const Bytes transition = Framed(Wire({0xD2, 0x0A, 0x01, 0x00, 0x03, 0x00, 0x04, 1, 2, 3, 4}));
    EXPECT_EQ(sim.Receive(transition), transition);
    EXPECT_EQ(sim.Transition(3), (std::array<uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(sim.Receive(Framed(Wire({0xD2, 0x0A, 0x01, 0x00, 0x08, 0x00, 0x04, 1, 2, 3, 4}))), "");
}

TEST(VelaSim, ACorruptedChecksumSpoilsOnlyTheNextFrameOfThatKind)
{
    VelaSimulator sim(SimulatorOptions{4, "Src ", "Dst "});
    const Bytes names = sim.Receive(Request(256 | 512));
    sim.CorruptNextChecksum(0xFC);
    EXPECT_EQ(Frames(sim.Receive(Request(128))).size(), 2u);  // no name table: nothing spoilt
    Bytes spoilt = names;
    const size_t sum = names.find('\xFF') - 1;  // the source names' checksum
    spoilt[sum] = static_cast<char>((names[sum] + 1) & 127);
    EXPECT_EQ(sim.Receive(Request(256 | 512)), spoilt);
    EXPECT_EQ(sim.Receive(Request(256 | 512)), names);

    // A report of the switcher's own is spoilt the same way.
    sim.CorruptNextChecksum(0xFE);
    const Bytes report = sim.Receive(Take(1, 2, 4));
    EXPECT_NE(CheckSum7(report, 2), ByteAt(report, report.size() - 2));
}

// The server keeps what the simulator's start-up dump reports so that its own
// reply to a Helm PC is the very frame the simulator sent: both read one layout.
TEST(VelaSim, StartUpDumpBringsAServerOnLineAndItsRepliesRepeatTheSwitcherFrames)
{
    vela_test::VelaRig rig;
    Server& s = rig.server;
    s.Link.Reset();
    VelaSimulator sim(SimulatorOptions{24, "In ", "Out "});
    // Something in every routing table beyond the defaults.
    sim.Receive(Take(3, 5, 4, 700));
    sim.Receive(Take(9, 5, 36));
    sim.Receive(Take(0, 6, 0));
    sim.Receive(Framed(Wire({0xFA, 10, 2, 0, 4, 0, 1, 1})));
    sim.Receive(Framed(Wire({0xD2, 0x0A, 0x01, 0x00, 0x03, 0x00, 0x04, 1, 2, 3, 4})));

    s.SerialBuffer = sim.Receive(Request(1));
    while (!s.SerialBuffer.empty())
        DecodeVelaMessage(s);
    EXPECT_EQ(s.model.UpdateFlags, 0);
    EXPECT_TRUE(s.Link.OnLine());
    EXPECT_TRUE(s.Link.Answering());
    EXPECT_FALSE(rig.dir.exists("Errorlog.txt")) << rig.dir.read("Errorlog.txt");
    EXPECT_EQ(s.model.NumSources, 24);
    EXPECT_EQ(s.model.NumDestinations, 24);

    const int pc = rig.connect();
    for (int64_t bits :
         {ReplyBit::Description, ReplyBit::Config, ReplyBit::Version, ReplyBit::State, ReplyBit::Status,
          ReplyBit::Crosspoints, ReplyBit::SourceAlphas, ReplyBit::DestinationAlphas,
          ReplyBit::SourceLinks | ReplyBit::DestinationLinks, ReplyBit::OptoAlphas, ReplyBit::RelayAlphas,
          ReplyBit::Clock, ReplyBit::SourceDisplayList, ReplyBit::DestinationDisplayList, ReplyBit::GainOffsets,
          ReplyBit::RelayConfig, ReplyBit::TransitionControl}) {
        Bytes switcher = sim.Receive(Request(bits));
        switcher.erase(switcher.size() - EndOfDump.size());
        rig.out(pc).clear();
        rig.client(pc).ReceiveBuffer = Request(bits);
        DecodeHelmMessage(s, pc);
        EXPECT_EQ(HexBytes(rig.out(pc)), HexBytes(switcher)) << "mask " << bits;
    }
}
