// One consumer's session without sockets: keep-alives answered ahead of
// everything, input held within its cap, and what the real consumer's
// requests make of the tree and the switcher.
#include "ConsumerMessages.h"
#include "ember/EmberSession.h"

#include <gtest/gtest.h>

namespace {

using namespace consumer;

// Two destinations and three sources, as the consumer's messages expect.
Model Router()
{
    Model m;
    m.SwitcherType = TypeVela;
    m.NumDestinations = 2;
    m.NumSources = 3;
    ResizeVelaTables(m);
    m.CrosspointMap[0].Sources[0] = 1;
    return m;
}

// The Glow elements of the framed messages in Stream.
std::vector<GlowElement> Elements(const Bytes& Stream)
{
    EmberConsumer reader;
    ReadEmberInput(reader, Stream);
    std::vector<GlowElement> all;
    for (const Bytes& message : reader.Messages) {
        std::vector<GlowElement> e;
        EXPECT_TRUE(DecodeGlow(message, e));
        all.insert(all.end(), e.begin(), e.end());
    }
    return all;
}

}  // namespace

TEST(EmberSession, KeepAlivesAreAnsweredAtOnceAndInputStaysWithinItsCap)
{
    EmberConsumer c;
    // A message and a keep-alive arrive together, byte by byte: the keep-alive
    // is answered while the message still waits for the decode round.
    const Bytes stream = EmberMessageFrames(RootGetDirectory) + KeepAliveRequestFrame();
    Bytes replies;
    for (char b : stream)
        replies += ReadEmberInput(c, Bytes(1, b)).Replies;
    EXPECT_EQ(replies, KeepAliveResponseFrame());
    ASSERT_EQ(c.Messages.size(), 1u);
    EXPECT_EQ(c.Messages.front(), RootGetDirectory);
    EXPECT_EQ(EmberUnfinished(c), RootGetDirectory.size());

    // Whole messages nobody handles fill the cap as surely as an endless frame.
    const Bytes big = EmberMessageFrames(Bytes(60000, '\x01'));
    bool over = false;
    for (int i = 0; i < 20 && !over; ++i)
        over = ReadEmberInput(c, big).OverCap;
    EXPECT_TRUE(over);
    EmberConsumer endless;
    EXPECT_FALSE(ReadEmberInput(endless, Bytes(1, '\xFE') + Bytes(EmberInputCap, 'x')).OverCap);
    EXPECT_TRUE(ReadEmberInput(endless, "x").OverCap);
}

TEST(EmberSession, OnlyAConnectionOperationTakes)
{
    const Model m = Router();
    const EmberSnapshot snap = TakeEmberSnapshot(m, "HVN", true, false, 1);
    EmberConsumer c;
    // The matrix's directory and a subscription, each with the connections the
    // consumer knows (target 1 from source 0 differs from the model): no take.
    ReadEmberInput(c, EmberMessageFrames(MatrixGetDirectory) + EmberMessageFrames(MatrixSubscribe));
    EmberAnswer a = AnswerEmberMessage(c, snap, m, true);
    EXPECT_TRUE(a.Takes.empty());
    std::vector<GlowElement> e = Elements(a.Reply);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].Connections->size(), 2u);
    EXPECT_TRUE(e[0].Children && e[0].Children->empty());
    EXPECT_EQ(c.Scopes, EmberScope::Router);
    a = AnswerEmberMessage(c, snap, m, true);
    EXPECT_TRUE(a.Takes.empty());
    EXPECT_TRUE(a.Reply.empty());

    // matrixConnect(0, [2]): taken, and answered pending with the new source.
    ReadEmberInput(c, EmberMessageFrames(MatrixConnect));
    a = AnswerEmberMessage(c, snap, m, true);
    ASSERT_EQ(a.Takes.size(), 1u);
    EXPECT_EQ(a.Takes[0].Target, 0);
    EXPECT_EQ(a.Takes[0].Source, 2);
    e = Elements(a.Reply);
    ASSERT_EQ(e.size(), 1u);
    const GlowConnection& pending = e[0].Connections->at(0);
    EXPECT_EQ(pending.Sources, (std::vector<uint32_t>{2}));
    EXPECT_EQ(pending.Disposition, Glow::DispositionPending);

    // While takes are not allowed the same operation is answered with what is.
    ReadEmberInput(c, EmberMessageFrames(MatrixConnect));
    a = AnswerEmberMessage(c, snap, m, false);
    EXPECT_TRUE(a.Takes.empty());
    EXPECT_EQ(Elements(a.Reply)[0].Connections->at(0).Sources, (std::vector<uint32_t>{1}));
}

TEST(EmberSession, RepeatsCountOnceAndTheLastOperationOnATargetWins)
{
    const Model m = Router();
    const EmberSnapshot snap = TakeEmberSnapshot(m, "HVN", true, false, 1);
    GlowElement matrix;
    matrix.Type = GlowType::Matrix;
    matrix.Qualified = true;
    matrix.Path = {1, 1};
    matrix.Connections = std::vector<GlowConnection>{
        {1, std::vector<uint32_t>{0}, std::nullopt, std::nullopt},
        {1, std::vector<uint32_t>{2}, std::nullopt, std::nullopt},
        {0, std::vector<uint32_t>{1}, Glow::OperationDisconnect, std::nullopt},
        {7, std::vector<uint32_t>{1}, std::nullopt, std::nullopt},
    };
    GlowElement command;
    command.Type = GlowType::Command;
    command.Command = Glow::GetDirectory;
    GlowElement sources;
    sources.Qualified = true;
    sources.Path = {1, 2, 2};
    sources.Children = std::vector<GlowElement>{command, command};
    EmberConsumer c;
    ReadEmberInput(c, EmberMessageFrames(EncodeGlow({matrix, sources})));
    const EmberAnswer a = AnswerEmberMessage(c, snap, m, true);
    ASSERT_EQ(a.Takes.size(), 1u);
    EXPECT_EQ(a.Takes[0].Target, 1);
    EXPECT_EQ(a.Takes[0].Source, 2);
    const std::vector<GlowElement> e = Elements(a.Reply);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].Children->size(), 3u);  // the source names, once
    // The disconnect is answered with the connection unchanged; target 7 is not there.
    ASSERT_EQ(e[1].Connections->size(), 2u);
    EXPECT_EQ(e[1].Connections->at(0).Sources, (std::vector<uint32_t>{1}));
    EXPECT_FALSE(e[1].Connections->at(0).Disposition);
    EXPECT_EQ(e[1].Connections->at(1).Disposition, Glow::DispositionPending);

    // A message that is not Glow is dropped and counted.
    ReadEmberInput(c, EmberMessageFrames(Bytes("\x60\x05\x6b", 3)));
    EXPECT_TRUE(AnswerEmberMessage(c, snap, m, true).Malformed);
    EXPECT_EQ(c.MalformedMessages, 1);
}

TEST(EmberSession, UpdatesGoToTheScopesAskedFor)
{
    Model m = Router();
    EmberConsumer router, names;
    router.Scopes = EmberScope::Router;
    names.Scopes = EmberScope::Targets;
    m.CrosspointMap[1].Sources[0] = 2;
    const std::vector<EmberUpdate> tally{EmberTally(m, {1, 5})};
    const std::vector<GlowElement> e = Elements(EmberUpdatesFor(router, tally));
    ASSERT_EQ(e.size(), 1u);
    ASSERT_EQ(e[0].Connections->size(), 1u);
    EXPECT_EQ(e[0].Connections->at(0).Target, 1);
    EXPECT_EQ(e[0].Connections->at(0).Sources, (std::vector<uint32_t>{2}));
    EXPECT_EQ(e[0].Connections->at(0).Disposition, Glow::DispositionTally);
    EXPECT_TRUE(EmberUpdatesFor(names, tally).empty());
}
