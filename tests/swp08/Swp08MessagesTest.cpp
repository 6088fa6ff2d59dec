// SW-P-08 requests read from frame data and the replies built for them, byte
// for byte: both number forms, the multiplier byte, dumps and name lists cut
// into messages, and the implementation list.
#include "support/WireBytes.h"
#include "swp08/Swp08Messages.h"

#include <gtest/gtest.h>

namespace {

using namespace Swp08;

TEST(Swp08Requests, StandardAndExtendedNumbersIncludingTheMultiplierByte)
{
    // Destination 300 (2 * 128 + 44) on matrix 1, level 2.
    Request r = ReadRequest(Wire({0x01, 0x12, 0x20, 0x2C}));
    EXPECT_EQ(r.Kind, Ask::Interrogate);
    EXPECT_FALSE(r.Extended);
    EXPECT_EQ(r.Matrix, 1);
    EXPECT_EQ(r.Level, 2);
    EXPECT_EQ(r.Destination, 300);
    // Destination 200 from source 900 (7 * 128 + 4); the source status bit is ignored.
    r = ReadRequest(Wire({0x02, 0x00, 0x1F, 0x48, 0x04}));
    EXPECT_EQ(r.Kind, Ask::Connect);
    EXPECT_EQ(r.Destination, 200);
    EXPECT_EQ(r.Source, 900);
    r = ReadRequest(Wire({0x82, 0x00, 0x03, 0x01, 0x10, 0x12, 0x34}));
    EXPECT_EQ(r.Kind, Ask::Connect);
    EXPECT_TRUE(r.Extended);
    EXPECT_EQ(r.Level, 3);
    EXPECT_EQ(r.Destination, 272);
    EXPECT_EQ(r.Source, 0x1234);
    r = ReadRequest(Wire({0x81, 0x05, 0x00, 0x00, 0x10}));
    EXPECT_EQ(r.Kind, Ask::Interrogate);
    EXPECT_EQ(r.Matrix, 5);
    EXPECT_EQ(r.Destination, 16);
    EXPECT_EQ(ReadRequest(Wire({0x95, 0x00, 0x00})).Kind, Ask::TallyDump);
    EXPECT_EQ(ReadRequest(Wire({0x15, 0x00})).Kind, Ask::TallyDump);
    EXPECT_EQ(ReadRequest(Wire({0x61})).Kind, Ask::Implementation);
}

TEST(Swp08Requests, NameRequestsInEveryFormAndTheShortOne)
{
    Request r = ReadRequest(Wire({0x64, 0x23, 0x04}));
    EXPECT_EQ(r.Kind, Ask::SourceNames);
    EXPECT_EQ(r.Matrix, 2);
    EXPECT_EQ(r.Level, 3);
    EXPECT_EQ(r.NameLength, 32);
    r = ReadRequest(Wire({0x64, 0x01}));
    EXPECT_EQ(r.Kind, Ask::SourceNames);
    EXPECT_EQ(r.Matrix, 0);
    EXPECT_EQ(r.NameLength, 8);
    r = ReadRequest(Wire({0x66, 0x13, 0x02}));
    EXPECT_EQ(r.Kind, Ask::DestinationNames);
    EXPECT_EQ(r.Matrix, 1);
    EXPECT_EQ(r.Level, 0);
    EXPECT_EQ(r.NameLength, 12);
    EXPECT_EQ(ReadRequest(Wire({0x66, 0x00})).NameLength, 4);
    r = ReadRequest(Wire({0xE4, 0x00, 0x01, 0x03}));
    EXPECT_EQ(r.Kind, Ask::SourceNames);
    EXPECT_TRUE(r.Extended);
    EXPECT_EQ(r.Level, 1);
    EXPECT_EQ(r.NameLength, 16);
    r = ReadRequest(Wire({0xE6, 0x04, 0x01}));
    EXPECT_EQ(r.Kind, Ask::DestinationNames);
    EXPECT_EQ(r.Matrix, 4);
    EXPECT_EQ(r.NameLength, 8);
}

TEST(Swp08Requests, WrongFieldsAreMalformedAndOthersUnknown)
{
    for (const Bytes& d :
         {Wire({0x01, 0x00, 0x00}), Wire({0x01, 0x00, 0x00, 0x01, 0x02}), Wire({0x01, 0x00, 0x80, 0x01}),
          Wire({0x02, 0x00, 0x00, 0x80, 0x01}), Wire({0x02, 0x00, 0x00, 0x01, 0x80}), Wire({0x15}), Wire({0x61, 0x00}),
          Wire({0x64, 0x00, 0x05}), Wire({0x64}), Wire({0x66, 0x00, 0x00, 0x00}), Wire({0x81, 0x00, 0x00, 0x01}),
          Wire({0x82, 0x00, 0x00, 0x00, 0x01, 0x00}), Wire({0x95, 0x00}), Wire({0xE4, 0x00, 0x00, 0x07}),
          Wire({0xE6, 0x00, 0x00, 0x01})})
        EXPECT_EQ(ReadRequest(d).Kind, Ask::Malformed) << HexText(ByteAt(d, 0)) << " of " << d.size();
    for (const Bytes& d : {Wire({0x08}), Wire({0x04, 0x00, 0x00, 0x01, 0x02}), Wire({0x84}), Wire({0xE5, 0x00})})
        EXPECT_EQ(ReadRequest(d).Kind, Ask::Unknown) << HexText(ByteAt(d, 0));
    EXPECT_EQ(ReadRequest(Wire({0x63, 0x08})).Kind, Ask::InvalidNotice);
    EXPECT_EQ(ReadRequest(Wire({0x63, 0x08})).Command, 0x63);
}

TEST(Swp08Replies, CrosspointsInBothFormsWithOffAsTheLargestNumber)
{
    EXPECT_EQ(CrosspointMessage(Cmd::Connected, false, 0, 0, 200, 900), Wire({0x04, 0x00, 0x17, 0x48, 0x04}));
    EXPECT_EQ(CrosspointMessage(Cmd::Tally, false, 1, 1, 1, 153), Wire({0x03, 0x11, 0x01, 0x01, 0x19}));
    EXPECT_EQ(CrosspointMessage(Cmd::Connected, false, 0, 0, 5, -1), Wire({0x04, 0x00, 0x07, 0x05, 0x7F}));
    EXPECT_EQ(CrosspointMessage(Cmd::Connected, true, 0, 0, 1500, 16),
              Wire({0x84, 0x00, 0x00, 0x05, 0xDC, 0x00, 0x10, 0x00}));
    EXPECT_EQ(CrosspointMessage(Cmd::Tally, true, 2, 3, 7, -1), Wire({0x83, 0x02, 0x03, 0x00, 0x07, 0xFF, 0xFF, 0x00}));
    EXPECT_TRUE(FitsStandardForm(15, 15, 1023, -1));
    EXPECT_FALSE(FitsStandardForm(0, 0, 1024, 0));
    EXPECT_FALSE(FitsStandardForm(0, 0, 0, 1024));
    EXPECT_FALSE(FitsStandardForm(16, 0, 0, 0));
}

TEST(Swp08Replies, TallyDumpsHoldAtMost64DestinationsEach)
{
    // A small map goes in the byte form, off as FF.
    std::vector<int> map{3, -1, 191};
    EXPECT_EQ(TallyDumpMessages(false, 0, 0, map),
              std::vector<Bytes>{Wire({0x16, 0x00, 0x03, 0x00, 0x03, 0xFF, 0xBF})});
    // A source number of 192 needs the word form.
    map[2] = 192;
    EXPECT_EQ(TallyDumpMessages(false, 1, 2, map),
              std::vector<Bytes>{Wire({0x17, 0x12, 0x03, 0x00, 0x00, 0x00, 0x03, 0xFF, 0xFF, 0x00, 0xC0})});
    std::vector<int> large(300);
    for (size_t d = 0; d < large.size(); ++d)
        large[d] = static_cast<int>(d) * 3;
    const std::vector<Bytes> word = TallyDumpMessages(false, 0, 0, large);
    ASSERT_EQ(word.size(), 5U);
    EXPECT_EQ(word[0].size(), 5U + 2 * 64);
    EXPECT_EQ(word[4].substr(0, 9), Wire({0x17, 0x00, 44, 0x01, 0x00, 0x03, 0x00, 0x03, 0x03}));
    const std::vector<Bytes> extended = TallyDumpMessages(true, 0, 0, large);
    ASSERT_EQ(extended.size(), 5U);
    EXPECT_EQ(extended[1].substr(0, 8), Wire({0x97, 0x00, 0x00, 64, 0x00, 0x40, 0x00, 0xC0}));
    EXPECT_EQ(TallyDumpMessages(true, 0, 0, {}), std::vector<Bytes>{Wire({0x97, 0x00, 0x00, 0x00, 0x00, 0x00})});
}

TEST(Swp08Replies, NamesFillMessagesAsTheDocumentsAllow)
{
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i)
        names.push_back("Input" + Digits(i + 1, 3));
    names[0] = "A very long name indeed, longer than 32";
    names[1] = std::string("Nul\0x", 5);
    const std::vector<Bytes> eight = NameMessages(Cmd::SourceNames, 0, 1, 8, names);
    ASSERT_EQ(eight.size(), 3U);
    EXPECT_EQ(eight[0].substr(0, 6 + 16), Wire({0x6A, 0x01, 0x01, 0x00, 0x00, 16}) + "A very lNul x   ");
    EXPECT_EQ(eight[2], Wire({0x6A, 0x01, 0x01, 0x00, 32, 8}) +
                            "Input033Input034Input035Input036Input037Input038"
                            "Input039Input040");
    for (auto [length, perMessage] : {std::pair{4, 32}, {12, 10}, {16, 8}, {32, 7}})
        EXPECT_EQ(NameMessages(Cmd::DestinationNames, 0, 0, length, names)[0].size(),
                  6U + static_cast<size_t>(length * perMessage))
            << length;
    EXPECT_EQ(NameMessages(Cmd::DestinationNames, 3, 5, 4, {"Out"}),
              std::vector<Bytes>{Wire({0x6B, 0x30, 0x00, 0x00, 0x00, 1}) + "Out "});
    EXPECT_EQ(NameMessages(Cmd::SourceNames | Cmd::Extended, 3, 5, 32, {"Out"})[0].substr(0, 10),
              Wire({0xEA, 0x03, 0x05, 0x04, 0x00, 0x00, 1}) + "Out");
    EXPECT_EQ(NameMessages(Cmd::DestinationNames | Cmd::Extended, 3, 5, 12, {"Out"}),
              std::vector<Bytes>{Wire({0xEB, 0x03, 0x02, 0x00, 0x00, 1}) + "Out         "});
}

TEST(Swp08Replies, ImplementationInvalidAndNamesUpdated)
{
    EXPECT_EQ(ImplementationStatusMessage(),
              Wire({0x62, 14,   12,   0x03, 0x04, 0x16, 0x17, 0x1E, 0x62, 0x63, 0x6A, 0x6B, 0x83, 0x84, 0x97,
                    0xEA, 0xEB, 0x01, 0x02, 0x15, 0x61, 0x63, 0x64, 0x66, 0x81, 0x82, 0x95, 0xE4, 0xE6}));
    EXPECT_EQ(InvalidMessageReply(0x08), Wire({0x63, 0x08}));
    EXPECT_EQ(NamesUpdatedMessage(true), Wire({0x1E, 0, 0, 0, 1, 0, 0, 0x01, 0x03}));
    EXPECT_EQ(NamesUpdatedMessage(false), Wire({0x1E, 0, 0, 0, 1, 0, 0, 0x02, 0x0C}));
}

}  // namespace
