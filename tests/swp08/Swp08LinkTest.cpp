// The SW-P-08 data link, byte for byte: frames as the documents' examples
// give them, DLE doubling, and what a receiver makes of broken input.
#include "support/WireBytes.h"
#include "swp08/Swp08Link.h"

#include <gtest/gtest.h>

namespace {

using Swp08::CutUnit;
using Swp08::Unit;

TEST(Swp08Link, FramesMatchTheDocumentsExamples)
{
    // Implementation request, and the implementation status of the example (byte count 14 hex).
    EXPECT_EQ(Swp08::Frame(Wire({0x61})), Wire({0x10, 0x02, 0x61, 0x01, 0x9E, 0x10, 0x03}));
    const Bytes status = Wire({0x62, 0x08, 0x09, 0x03, 0x04, 0x16, 0x20, 0x22, 0x53, 0x62,
                               0x63, 0x01, 0x02, 0x15, 0x1F, 0x20, 0x21, 0x43, 0x4A, 0x61});
    EXPECT_EQ(Swp08::Frame(status), Wire({0x10, 0x02}) + status + Wire({0x14, 0x9C, 0x10, 0x03}));
    // Interrogate destination 1 on matrix 1, level 1; the tally of source 153.
    EXPECT_EQ(Swp08::Frame(Wire({0x01, 0x11, 0x00, 0x01})),
              Wire({0x10, 0x02, 0x01, 0x11, 0x00, 0x01, 0x04, 0xE9, 0x10, 0x03}));
    EXPECT_EQ(Swp08::Frame(Wire({0x03, 0x11, 0x01, 0x01, 0x19})),
              Wire({0x10, 0x02, 0x03, 0x11, 0x01, 0x01, 0x19, 0x05, 0xCC, 0x10, 0x03}));
}

TEST(Swp08Link, EveryDleInDataCountAndChecksumIsDoubled)
{
    // Destination 16 from source 16.
    const Bytes connected = Wire({0x04, 0x00, 0x00, 0x10, 0x10});
    const Bytes framed = Wire({0x10, 0x02, 0x04, 0x00, 0x00, 0x10, 0x10, 0x10, 0x10, 0x05, 0xD7, 0x10, 0x03});
    EXPECT_EQ(Swp08::Frame(connected), framed);
    // Sixteen data bytes give a byte count of 10 hex; these two a checksum of 10 hex.
    const Bytes sixteen(16, '\x01');
    EXPECT_EQ(Swp08::Frame(sixteen), Wire({0x10, 0x02}) + sixteen + Wire({0x10, 0x10, 0xE0, 0x10, 0x03}));
    EXPECT_EQ(Swp08::Frame(Wire({0x61, 0x8D})), Wire({0x10, 0x02, 0x61, 0x8D, 0x02, 0x10, 0x10, 0x10, 0x03}));

    for (const Bytes& data : {connected, sixteen, Wire({0x61, 0x8D})}) {
        Bytes buffer = Swp08::Frame(data);
        const Swp08::Cut cut = CutUnit(buffer);
        EXPECT_EQ(cut.Kind, Unit::Message);
        EXPECT_EQ(cut.Data, data);
        EXPECT_EQ(buffer, "");
    }
}

TEST(Swp08Link, WrongChecksumCountOrPackagingIsABadFrame)
{
    Bytes buffer = Wire({0x10, 0x02, 0x61, 0x01, 0x9F, 0x10, 0x03,    // checksum off by one
                         0x10, 0x02, 0x61, 0x02, 0x9D, 0x10, 0x03,    // byte count says 2
                         0x10, 0x02, 0x61, 0x10, 0x05, 0x10, 0x03,    // DLE before a plain byte
                         0x10, 0x02, 0x10, 0x03,                      // nothing inside
                         0x10, 0x02, 0x61, 0x01,                      // cut off by the next frame
                         0x10, 0x02, 0x61, 0x01, 0x9E, 0x10, 0x03});  // whole
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(CutUnit(buffer).Kind, Unit::BadFrame) << i;
    const Swp08::Cut last = CutUnit(buffer);
    EXPECT_EQ(last.Kind, Unit::Message);
    EXPECT_EQ(last.Data, Wire({0x61}));
    EXPECT_EQ(buffer, "");
}

TEST(Swp08Link, BytesOutsideFramesGoAndAcknowledgementsAreUnits)
{
    Bytes buffer = Wire({0x41, 0x03, 0x10, 0x10, 0x06, 0x99, 0x10, 0x15, 0x10, 0x03, 0x10});
    EXPECT_EQ(CutUnit(buffer).Kind, Unit::PeerAck);
    EXPECT_EQ(CutUnit(buffer).Kind, Unit::PeerNak);
    // A lone DLE at the end may be the start of the next frame.
    EXPECT_EQ(CutUnit(buffer).Kind, Unit::None);
    EXPECT_EQ(buffer, Wire({0x10}));
    buffer += Wire({0x02, 0x61, 0x10, 0x06, 0x01, 0x9E, 0x10});
    // An unfinished frame stays whole; an acknowledgement inside it is taken out.
    EXPECT_EQ(CutUnit(buffer).Kind, Unit::None);
    EXPECT_EQ(buffer.size(), 8U);
    buffer += Wire({0x03});
    const Swp08::Cut cut = CutUnit(buffer);
    EXPECT_EQ(cut.Kind, Unit::Message);
    EXPECT_EQ(cut.Data, Wire({0x61}));
}

TEST(Swp08Link, AFrameLongerThanAnyByteCountIsBadWithoutWaitingForItsEnd)
{
    Bytes buffer = Wire({0x10, 0x02}) + Bytes(300, '\x01');
    EXPECT_EQ(CutUnit(buffer).Kind, Unit::BadFrame);
    EXPECT_LT(buffer.size(), 50U);
    EXPECT_EQ(CutUnit(buffer).Kind, Unit::None);
    EXPECT_EQ(buffer, "");
}

}  // namespace
