// BER and Glow: what the real consumer (emberplus-connection 0.3.1) sends,
// read as its requests; the provider's answers read back as they were meant;
// and input that lies about its lengths or nests without end.
#include "ConsumerMessages.h"
#include "ember/Ber.h"
#include "ember/EmberTree.h"
#include "ember/Glow.h"

#include <gtest/gtest.h>

namespace {

using namespace consumer;

std::vector<EmberRequest> RequestsOf(const Bytes& Message)
{
    std::vector<GlowElement> elements;
    EXPECT_TRUE(DecodeGlow(Message, elements));
    return EmberRequests(elements);
}

bool Decodes(const Bytes& Message)
{
    std::vector<GlowElement> elements;
    return DecodeGlow(Message, elements);
}

Bytes RootOf(const Bytes& Items)
{
    return BerApplication(Glow::Root, BerApplication(Glow::RootElementCollection, Items));
}

// A GetDirectory inside Levels nodes numbered 1, none of them qualified.
Bytes NestedGetDirectory(int Levels)
{
    Bytes inner = BerApplication(Glow::Command, BerContext(0, BerInteger(Glow::GetDirectory)));
    for (int i = 0; i < Levels; ++i)
        inner = BerApplication(Glow::Node,
                               BerContext(0, BerInteger(1)) +
                                   BerContext(2, BerApplication(Glow::ElementCollection, BerContext(0, inner))));
    return RootOf(BerContext(0, inner));
}

}  // namespace

TEST(Ber, IntegersAsTheDocumentationTabulatesThem)
{
    const std::pair<int64_t, Bytes> cases[] = {
        {1, Wire({0x01})},
        {-1, Wire({0xFF})},
        {255, Wire({0x00, 0xFF})},
        {127, Wire({0x7F})},
        {128, Wire({0x00, 0x80})},
        {-128, Wire({0x80})},
        {65535, Wire({0x00, 0xFF, 0xFF})},
        {32768, Wire({0x00, 0x80, 0x00})},
        {-32768, Wire({0x80, 0x00})},
    };
    for (const auto& [value, octets] : cases) {
        const Bytes item = BerInteger(value);
        EXPECT_EQ(item, Wire({0x02, static_cast<int>(octets.size())}) + octets) << value;
        BerDocument doc{item};
        BerReader r(doc);
        BerItem i;
        int64_t back = 0;
        ASSERT_TRUE(r.Next(i));
        EXPECT_TRUE(BerIntegerOf(doc, i, back));
        EXPECT_EQ(back, value);
    }
}

TEST(Glow, WhatTheConsumerSendsReadsAsItsRequests)
{
    using Kind = EmberRequest::Kind;
    std::vector<EmberRequest> r = RequestsOf(RootGetDirectory);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].Type, Kind::Directory);
    EXPECT_TRUE(r[0].Path.empty());

    std::vector<GlowElement> elements;
    ASSERT_TRUE(DecodeGlow(NodeGetDirectory, elements));
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_TRUE(elements[0].Qualified);
    EXPECT_EQ(elements[0].Contents->Description, "caption");
    r = EmberRequests(elements);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].Path, (GlowPath{1}));

    // Subscribe and GetDirectory on the matrix carry the connections the
    // consumer knows: they are read, but they are no operations.
    for (const Bytes* m : {&MatrixSubscribe, &MatrixGetDirectory}) {
        ASSERT_TRUE(DecodeGlow(*m, elements));
        ASSERT_EQ(elements[0].Connections->size(), 2u);
        EXPECT_EQ((*elements[0].Connections)[1].Sources, (std::vector<uint32_t>{0}));
        EXPECT_EQ(elements[0].Contents->Labels->at(0).BasePath, (GlowPath{1, 2}));
        r = EmberRequests(elements);
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].Type, m == &MatrixSubscribe ? Kind::Subscribe : Kind::Directory);
        EXPECT_EQ(r[0].Path, (GlowPath{1, 1}));
    }

    // matrixConnect: an empty children collection and the connection to make.
    r = RequestsOf(MatrixConnect);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].Type, Kind::Connect);
    EXPECT_EQ(r[0].Path, (GlowPath{1, 1}));
    EXPECT_EQ(r[0].Connection.Target, 0);
    EXPECT_EQ(r[0].Connection.Sources, (std::vector<uint32_t>{2}));
    EXPECT_EQ(r[0].Connection.Operation, Glow::OperationConnect);

    // A parameter's known value that comes with a GetDirectory is no value change.
    r = RequestsOf(ParameterGetDirectory);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].Type, Kind::Directory);
    EXPECT_EQ(r[0].Path, (GlowPath{1, 2, 1, 0}));
}

TEST(Glow, NumberedElementsNestAndIndefiniteLengthsReadTheSame)
{
    std::vector<EmberRequest> r = RequestsOf(NestedGetDirectory(3));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].Path, (GlowPath{1, 1, 1}));

    const Bytes indefinite = FromHex("60806b80a0806280a003020120000000000000000000");
    r = RequestsOf(indefinite);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].Type, EmberRequest::Kind::Directory);
    EXPECT_TRUE(r[0].Path.empty());
    // Without its last end-of-contents the message is cut short.
    EXPECT_FALSE(Decodes(indefinite.substr(0, indefinite.size() - 2)));
}

TEST(Glow, UnknownTagsAreSkippedAndNothingIsTrusted)
{
    // A function element, a private-class item and an unknown contents field
    // around a known command: only the command counts.
    const Bytes function = BerApplication(19, BerContext(0, BerInteger(5)));
    const Bytes privateItem = BerItemBytes(0xC0, false, 3, Wire({1, 2}));
    const Bytes node = BerApplication(
        Glow::QualifiedNode,
        BerContext(0, BerRelativeOid({1, 3})) + BerContext(1, BerSet(BerContext(7, BerUtf8("?")))) +
            BerContext(
                2, BerApplication(
                       Glow::ElementCollection,
                       BerContext(0, BerApplication(Glow::Command, BerContext(0, BerInteger(Glow::GetDirectory)))))));
    const std::vector<EmberRequest> r = RequestsOf(RootOf(BerContext(0, function) + privateItem + BerContext(0, node)));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].Path, (GlowPath{1, 3}));

    // Every cut of a real message claims more than is there.
    for (size_t n = 0; n < MatrixConnect.size(); ++n)
        EXPECT_FALSE(Decodes(MatrixConnect.substr(0, n))) << n;
    // A length said to be longer than the data, in eight bytes.
    EXPECT_FALSE(Decodes(FromHex("6088ffffffffffffff00") + RootGetDirectory));
    // An integer of nine bytes, a path number past 32 bits, a negative number.
    EXPECT_FALSE(Decodes(RootOf(
        BerContext(0, BerApplication(Glow::Command,
                                     BerContext(0, BerItemBytes(Ber::Universal, false, Ber::Integer, Bytes(9, 1))))))));
    EXPECT_FALSE(
        Decodes(RootOf(BerContext(0, BerApplication(Glow::QualifiedNode, BerContext(0, FromHex("0d059fffffff7f")))))));
    EXPECT_FALSE(Decodes(FromHex("600d6b0ba0096307a0050203ffffff")));
    // No root at all.
    EXPECT_FALSE(Decodes(FromHex("3000")));
}

TEST(Glow, NestingAndElementCountAreCapped)
{
    EXPECT_TRUE(Decodes(NestedGetDirectory(6)));
    EXPECT_FALSE(Decodes(NestedGetDirectory(40)));

    Bytes many;
    const Bytes command = BerContext(0, BerApplication(Glow::Command, BerContext(0, BerInteger(Glow::Subscribe))));
    for (size_t i = 0; i <= MaxGlowEntries; ++i)
        many += command;
    EXPECT_FALSE(Decodes(RootOf(many)));
    EXPECT_TRUE(Decodes(RootOf(many.substr(command.size()))));
}

TEST(Glow, TheProvidersAnswersAreExactAndReadBackAsMeant)
{
    Model m;
    m.SwitcherType = SwitcherType::Draco;
    SizeTablesForType(m);
    m.CrosspointMap[3].Sources[0] = 7;
    const EmberSnapshot snap = TakeEmberSnapshot(m, "Demo", true, false, 2);

    // The root holds node 1, numbered, with its identifier and description.
    EXPECT_EQ(EncodeGlow(EmberDirectory(snap, m, {})),
              FromHex("601e6b1ca01a6318a003020101a111310fa0050c0348564ea1060c0444656d6f"));

    for (const GlowPath& path : {GlowPath{}, GlowPath{1}, GlowPath{1, 1}, GlowPath{1, 2}, GlowPath{1, 2, 1},
                                 GlowPath{1, 2, 2}, GlowPath{1, 3}, GlowPath{1, 3, 4}, GlowPath{1, 2, 2, 31}}) {
        const std::vector<GlowElement> answer = EmberDirectory(snap, m, path);
        ASSERT_FALSE(answer.empty());
        std::vector<GlowElement> back;
        ASSERT_TRUE(DecodeGlow(EncodeGlow(answer), back));
        EXPECT_EQ(back, answer) << path.size();
    }
}
