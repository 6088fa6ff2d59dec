// S101 framing and the EmBER packets, byte for byte: the documentation's own
// example, and frames a real consumer (emberplus-connection) sent.
#include "ember/EmberPackets.h"
#include "ember/S101.h"
#include "support/WireBytes.h"

#include <gtest/gtest.h>

namespace {

// The consumer's first request, a GetDirectory on the root, as it framed it.
const Bytes ConsumerGetDirectory = FromHex("fe000e0001c001021f02600b6b09a0076205a003020120b4ecff");

std::vector<Bytes> ReadAll(S101Reader& r, const Bytes& Stream, size_t Cap = 1 << 20)
{
    std::vector<Bytes> payloads;
    ReadS101(r, Stream, Cap, payloads);
    return payloads;
}

}  // namespace

TEST(S101, TheDocumentationsTableExampleAndEscapedCrc)
{
    // The first and last rows of the printed table.
    const uint16_t first[] = {0x0000, 0x1189, 0x2312, 0x329b, 0x4624, 0x57ad, 0x6536, 0x74bf};
    const uint16_t last[] = {0x7bc7, 0x6a4e, 0x58d5, 0x495c, 0x3de3, 0x2c6a, 0x1ef1, 0x0f78};
    for (unsigned i = 0; i < 8; ++i) {
        EXPECT_EQ(S101CrcTableEntry(static_cast<unsigned char>(i)), first[i]);
        EXPECT_EQ(S101CrcTableEntry(static_cast<unsigned char>(248 + i)), last[i]);
    }
    EXPECT_EQ(S101CrcTableEntry(0x80), 0x8408);

    // "The data 0xFF, 0x00, 0xF9, 0x01 would encode to ..."
    EXPECT_EQ(S101Frame(Wire({0xFF, 0x00, 0xF9, 0x01})),
              Wire({0xFE, 0xFD, 0xDF, 0x00, 0xFD, 0xD9, 0x01, 0x95, 0x83, 0xFF}));
    // CRC bytes from F8 up are escaped too (this payload's CRC is F8 FE).
    EXPECT_EQ(S101Frame(Wire({0x00, 0x96})), Wire({0xFE, 0x00, 0x96, 0xFD, 0xD8, 0xFD, 0xDE, 0xFF}));
    // Payload and CRC together always leave the same residue.
    EXPECT_EQ(S101Crc(Wire({0xFF, 0x00, 0xF9, 0x01, 0x95, 0x83})), S101::GoodResidue);
}

TEST(S101, KeepAliveFramesAndTheEmberPacketHeader)
{
    // What the consumer sends every ten seconds, and the answer it waits for.
    EXPECT_EQ(KeepAliveRequestFrame(), Wire({0xFE, 0x00, 0x0E, 0x01, 0x01, 0x94, 0xE4, 0xFF}));
    // Its CRC is FC CE, the FC escaped.
    EXPECT_EQ(KeepAliveResponseFrame(), Wire({0xFE, 0x00, 0x0E, 0x02, 0x01, 0xFD, 0xDC, 0xCE, 0xFF}));
    // A small message goes as one packet: flags C0, Glow DTD 1, two application bytes (version 2.50).
    const Bytes frame = EmberMessageFrames(Wire({0x60, 0x00}));
    S101Reader r;
    const std::vector<Bytes> payloads = ReadAll(r, frame);
    ASSERT_EQ(payloads.size(), 1u);
    EXPECT_EQ(payloads[0], Wire({0x00, 0x0E, 0x00, 0x01, 0xC0, 0x01, 0x02, 0x32, 0x02, 0x60, 0x00}));
}

TEST(S101, ReadingCutsFramesAnywhereDropsGarbageAndCountsBadCrcs)
{
    S101Reader r;
    // Byte by byte, after garbage outside any frame.
    std::vector<Bytes> payloads;
    for (char c : Wire({0x01, 0xF8, 0xFF}) + ConsumerGetDirectory)
        ReadS101(r, Bytes(1, c), 1 << 20, payloads);
    ASSERT_EQ(payloads.size(), 1u);
    EXPECT_EQ(payloads[0], FromHex("000e0001c001021f02600b6b09a0076205a003020120"));

    // A frame with one bit flipped is dropped and counted; the next still comes.
    Bytes broken = ConsumerGetDirectory;
    broken[12] = static_cast<char>(broken[12] ^ 0x01);
    payloads = ReadAll(r, broken + KeepAliveRequestFrame());
    ASSERT_EQ(payloads.size(), 1u);
    EXPECT_EQ(payloads[0], Wire({0x00, 0x0E, 0x01, 0x01}));
    EXPECT_EQ(r.BadFrames, 1);

    // A BOF inside a frame starts it again; a frame too short for its CRC is bad.
    payloads = ReadAll(r, Wire({0xFE, 0x00, 0x0E}) + S101Frame(Wire({0xF8, 0xFD})) + Wire({0xFE, 0x01, 0xFF}));
    ASSERT_EQ(payloads.size(), 1u);
    EXPECT_EQ(payloads[0], Wire({0xF8, 0xFD}));
    EXPECT_EQ(r.BadFrames, 2);
}

TEST(S101, AFrameOverTheCapStopsGrowingAndMarksTheStream)
{
    S101Reader r;
    EXPECT_TRUE(ReadAll(r, Wire({0xFE}) + Bytes(5000, 'x'), 4096).empty());
    EXPECT_TRUE(r.Overflowed);
    EXPECT_EQ(r.Frame.size(), 4096u);
    // Whatever follows, the stream stays marked for its owner to close.
    EXPECT_TRUE(ReadAll(r, Wire({0xFF}) + KeepAliveRequestFrame(), 4096).empty());
    EXPECT_TRUE(r.Overflowed);
}

TEST(S101, LargeMessagesAreSplitIntoPacketsAndPutTogetherAgain)
{
    Bytes message;
    for (int i = 0; i < 2500; ++i)
        message += static_cast<char>(i * 7);
    S101Reader r;
    const std::vector<Bytes> payloads = ReadAll(r, EmberMessageFrames(message));
    ASSERT_EQ(payloads.size(), 3u);
    const unsigned char flags[] = {0x80, 0x00, 0x40};
    const size_t sizes[] = {1024, 1024, 452};
    EmberAssembly a;
    Bytes whole;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(ByteAt(payloads[i], 4), flags[i]);
        EXPECT_EQ(payloads[i].size(), 9 + sizes[i]);
        EXPECT_EQ(ReadEmberPacket(a, payloads[i], 1 << 20, whole),
                  i < 2 ? EmberPacketKind::Partial : EmberPacketKind::Message);
    }
    EXPECT_EQ(whole, message);

    // Pieces out of order, empty packets and other message types are ignored.
    EXPECT_EQ(ReadEmberPacket(a, payloads[1], 1 << 20, whole), EmberPacketKind::Ignored);
    EXPECT_EQ(ReadEmberPacket(a, Wire({0x00, 0x0E, 0x00, 0x01, 0x20, 0x01, 0x00}), 1 << 20, whole),
              EmberPacketKind::Ignored);
    EXPECT_EQ(ReadEmberPacket(a, Wire({0x00, 0x0F, 0x01, 0x01}), 1 << 20, whole), EmberPacketKind::Ignored);
    // Application bytes said to run past the payload.
    EXPECT_EQ(ReadEmberPacket(a, Wire({0x00, 0x0E, 0x00, 0x01, 0xC0, 0x01, 0x05, 0x32}), 1 << 20, whole),
              EmberPacketKind::Ignored);
    EXPECT_EQ(ReadEmberPacket(a, Wire({0x00, 0x0E, 0x01, 0x01}), 1 << 20, whole), EmberPacketKind::KeepAliveRequest);

    // A message that would pass the cap is dropped, and the next starts clean.
    EXPECT_EQ(ReadEmberPacket(a, payloads[0], 2000, whole), EmberPacketKind::Partial);
    EXPECT_EQ(ReadEmberPacket(a, payloads[1], 2000, whole), EmberPacketKind::TooLarge);
    EXPECT_EQ(ReadEmberPacket(a, payloads[2], 2000, whole), EmberPacketKind::Ignored);
    EXPECT_TRUE(a.Message.empty());
}
