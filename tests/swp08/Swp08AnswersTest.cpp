// What the model answers: the form a tally takes, what is ignored, and how
// far the name lists go.
#include "support/WireBytes.h"
#include "swp08/Swp08Answers.h"

#include <gtest/gtest.h>

namespace {

using namespace Swp08;

Model Switcher(int Sources, int Destinations)
{
    Model m;
    m.NumSources = Sources;
    m.NumDestinations = Destinations;
    m.CrosspointMap.resize(static_cast<size_t>(Destinations));
    for (int i = 0; i < Sources; ++i)
        m.SourceAlphasRaw.push_back("In" + Digits(i, 4));
    for (int i = 0; i < Destinations; ++i)
        m.DestinationAlphasRaw.push_back("Out" + Digits(i, 3));
    // Names past the counts, as a table larger than the switcher leaves them.
    m.SourceAlphasRaw.push_back("Extra");
    return m;
}

TEST(Swp08Answers, TalliesInTheAskedFormUnlessANumberDoesNotFit)
{
    Model m = Switcher(1100, 200);
    m.CrosspointMap[150].Sources[0] = 1099;
    m.CrosspointMap[3].Sources[0] = 7;
    m.CrosspointMap[4].SourceCount = 0;
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x01, 0x00, 0x00, 0x03}))),
              std::vector<Bytes>{Wire({0x03, 0x00, 0x00, 0x03, 0x07})});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x81, 0x00, 0x00, 0x00, 0x03}))),
              std::vector<Bytes>{Wire({0x83, 0x00, 0x00, 0x00, 0x03, 0x00, 0x07, 0x00})});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x01, 0x00, 0x10, 0x16}))),
              std::vector<Bytes>{Wire({0x83, 0x00, 0x00, 0x00, 0x96, 0x04, 0x4B, 0x00})});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x01, 0x00, 0x00, 0x04}))),
              std::vector<Bytes>{Wire({0x03, 0x00, 0x07, 0x04, 0x7F})});
    // Past the last destination, another level or another matrix: nothing.
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x81, 0x00, 0x00, 0x00, 0xC8}))), std::vector<Bytes>{});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x01, 0x01, 0x00, 0x03}))), std::vector<Bytes>{});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x95, 0x01, 0x00}))), std::vector<Bytes>{});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0xE6, 0x02, 0x01}))), std::vector<Bytes>{});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x15, 0x00}))).size(), 4U);
}

TEST(Swp08Answers, NamesStopAtTheCountsAndOddRequestsGetTheInvalidReply)
{
    const Model m = Switcher(10, 3);
    const std::vector<Bytes> sources = Answer(m, ReadRequest(Wire({0xE4, 0x00, 0x00, 0x00})));
    ASSERT_EQ(sources.size(), 1U);
    EXPECT_EQ(sources[0].substr(0, 7), Wire({0xEA, 0x00, 0x00, 0x00, 0x00, 0x00, 10}));
    EXPECT_EQ(sources[0].size(), 7U + 40);
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x66, 0x00}))),
              std::vector<Bytes>{Wire({0x6B, 0x00, 0x00, 0x00, 0x00, 3}) + "Out0Out0Out0"});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x61}))), std::vector<Bytes>{ImplementationStatusMessage()});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x08}))), std::vector<Bytes>{Wire({0x63, 0x08})});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x64, 0x00, 0x09}))), std::vector<Bytes>{Wire({0x63, 0x64})});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x63, 0x08}))), std::vector<Bytes>{});
    EXPECT_EQ(Answer(m, ReadRequest(Wire({0x02, 0x00, 0x00, 0x01, 0x02}))), std::vector<Bytes>{});
}

}  // namespace
