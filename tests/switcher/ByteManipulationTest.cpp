#include "model/ByteManipulation.h"

#include <gtest/gtest.h>

TEST(ByteManipulation, CombineAndSplit)
{
    EXPECT_EQ(CombineBytes(127, 127), 16383);
    EXPECT_EQ(CombineBytes(0, 1), 128);
    unsigned char v = 0x7F;
    EXPECT_EQ(SplitFlagBit(v), 1);
    EXPECT_EQ(v, 0x3F);
    EXPECT_TRUE(IsHighBitSet(0x80));
    EXPECT_FALSE(IsHighBitSet(0x7F));
    const Bytes wire("\x01\x02\xFE\x03\xFF", 5);
    EXPECT_EQ(FirstHighByte(wire, 0, wire.size()), 2u);
    EXPECT_EQ(FirstHighByte(wire, 3, wire.size()), 4u);
    EXPECT_EQ(FirstHighByte(wire, 0, 2), 2u);  // none inside: the end
    EXPECT_EQ(FirstHighByte(wire, 4, 3), 3u);  // an empty range, not a reversed one
}

TEST(ByteManipulation, ChecksumMatchesTheWireExamples)
{
    EXPECT_EQ(CheckSum7(Bytes("\xFE\x01\x02\x03", 4), 0), 6);
    EXPECT_EQ(CheckSum7(Bytes("\xFE\x7F\x7F\x02", 4), 0), 0);
    // A received frame: the checksum byte and FF are left out.
    EXPECT_EQ(CheckSum7(Bytes("\xFE\x01\x02\x03\x06\xFF", 6), 2), 6);
    EXPECT_EQ(CheckSum7(Bytes("\xFE", 1), 2), 0);
}

TEST(ByteManipulation, FindEomAndTake)
{
    EXPECT_EQ(FindEOM(Bytes("\x01\x02", 2)), 0u);
    EXPECT_EQ(FindEOM(Bytes("\xFE\x01\xFF\xFF", 4)), 3u);
    Bytes buf("abcdef");
    EXPECT_EQ(TakeBytes(buf, 2), "ab");
    EXPECT_EQ(buf, "cdef");
    EXPECT_EQ(TakeBytes(buf, 4), "cdef");
    EXPECT_TRUE(buf.empty());
    buf = "xy";
    EXPECT_EQ(TakeBytes(buf, 10), "xy");
    EXPECT_TRUE(buf.empty());
}

TEST(ByteManipulation, PairsNeverCarryBitSeven)
{
    Bytes f;
    AppendPair(f, 200);
    EXPECT_EQ(f, Bytes("\x48\x01", 2));
    f.clear();
    AppendPair(f, 99999);
    EXPECT_EQ(f, Bytes("\x7F\x7F", 2));
    f.clear();
    AppendPair(f, -5);
    EXPECT_EQ(f, Bytes("\x00\x00", 2));
}

TEST(ByteManipulation, Texts)
{
    EXPECT_EQ(HexText(0xFE), "FE");
    EXPECT_EQ(HexText(0x0A), "A");
    EXPECT_EQ(Digits(7, 3), "007");
    EXPECT_EQ(Digits(1234, 3), "1234");
}
