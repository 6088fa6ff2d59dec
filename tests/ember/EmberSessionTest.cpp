// One consumer's session without sockets: keep-alives answered ahead of
// everything, input held within its cap, and what the real consumer's
// requests make of the tree and the switcher.
#include "ConsumerMessages.h"
#include "EmberRig.h"
#include "support/WireBytes.h"

#include <gtest/gtest.h>

namespace {

using namespace consumer;

// Two destinations and three sources, as the consumer's messages expect;
// destination 0 fed by source 1.
Model Router()
{
    Model m = SmallVela(2, 3);
    m.CrosspointMap[0].Sources[0] = 1;
    return m;
}

std::vector<GlowElement> Elements(const Bytes& Stream) { return ElementsIn(Stream); }

}  // namespace

TEST(EmberSession, KeepAlivesAreAnsweredAtOnceAndInputStaysWithinItsCap)
{
    EmberConsumer c;
    // A message and a keep-alive arrive together, byte by byte: the keep-alive
    // is answered as its last byte comes, the message goes to the queue.
    const Bytes stream = EmberMessageFrames(RootGetDirectory) + KeepAliveRequestFrame();
    Bytes replies, queue;
    for (char b : stream) {
        EmberIntake in = ReadEmberInput(c, Bytes(1, b));
        replies += in.Replies;
        for (const Bytes& m : in.Messages)
            QueueEmberMessage(queue, m);
    }
    EXPECT_EQ(replies, KeepAliveResponseFrame());
    QueueEmberMessage(queue, MatrixConnect);
    Bytes message;
    ASSERT_TRUE(TakeEmberMessage(queue, message));
    EXPECT_EQ(message, RootGetDirectory);
    ASSERT_TRUE(TakeEmberMessage(queue, message));
    EXPECT_EQ(message, MatrixConnect);
    EXPECT_FALSE(TakeEmberMessage(queue, message));
    queue = Wire({0x04, 0x05, 0x61, 0x62});  // cut short: the queue is dropped rather than read past
    EXPECT_FALSE(TakeEmberMessage(queue, message));
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(EmberUnfinished(c), 0u);

    // A frame without end, or a message of packets without end, passes the cap.
    EmberConsumer endless;
    EXPECT_FALSE(ReadEmberInput(endless, Bytes(1, '\xFE') + Bytes(EmberInputCap, 'x')).OverCap);
    EXPECT_EQ(EmberUnfinished(endless), EmberInputCap);
    EXPECT_TRUE(ReadEmberInput(endless, "x").OverCap);
    EmberConsumer pieces;
    const Bytes two = EmberMessageFrames(Bytes(2000, '\x01'));
    const Bytes first = two.substr(0, two.find('\xFF') + 1);
    bool over = ReadEmberInput(pieces, first).OverCap;
    Bytes middle = S101Frame(Wire({0x00, 0x0E, 0x00, 0x01, 0x00, 0x01, 0x00}) + Bytes(1000, '\x01'));
    for (int i = 0; i < 1100 && !over; ++i)
        over = ReadEmberInput(pieces, middle).OverCap;
    EXPECT_TRUE(over);
    EXPECT_LE(EmberUnfinished(pieces), EmberInputCap);
}

TEST(EmberSession, OnlyAConnectionOperationTakes)
{
    const Model m = Router();
    const EmberSnapshot snap = TakeEmberSnapshot(m, "HVN", true, false, 1);
    EmberConsumer c;
    // The matrix's directory and a subscription, each with the connections the
    // consumer knows (target 1 from source 0 differs from the model): no take.
    EmberAnswer a = AnswerEmberMessage(c, MatrixGetDirectory, snap, m, true);
    EXPECT_TRUE(a.Takes.empty());
    std::vector<GlowElement> e = Elements(a.Reply);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].Connections->size(), 2u);
    EXPECT_TRUE(e[0].Children && e[0].Children->empty());
    EXPECT_EQ(c.Scopes, EmberScope::Router);
    a = AnswerEmberMessage(c, MatrixSubscribe, snap, m, true);
    EXPECT_TRUE(a.Takes.empty());
    EXPECT_TRUE(a.Reply.empty());

    // matrixConnect(0, [2]): taken, and answered pending with the new source.
    a = AnswerEmberMessage(c, MatrixConnect, snap, m, true);
    ASSERT_EQ(a.Takes.size(), 1u);
    EXPECT_EQ(a.Takes[0].Target, 0);
    EXPECT_EQ(a.Takes[0].Source, 2);
    e = Elements(a.Reply);
    ASSERT_EQ(e.size(), 1u);
    const GlowConnection& pending = e[0].Connections->at(0);
    EXPECT_EQ(pending.Sources, (std::vector<uint32_t>{2}));
    EXPECT_EQ(pending.Disposition, Glow::DispositionPending);

    // While takes are not allowed the same operation is answered with what is.
    a = AnswerEmberMessage(c, MatrixConnect, snap, m, false);
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
    GlowElement sources = CommandOn({1, 2, 2}, Glow::GetDirectory);
    sources.Children->push_back(sources.Children->front());
    EmberConsumer c;
    const EmberAnswer a = AnswerEmberMessage(c, EncodeGlow({matrix, sources}), snap, m, true);
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

    // A message that is not Glow is dropped.
    EXPECT_TRUE(AnswerEmberMessage(c, Bytes("\x60\x05\x6b", 3), snap, m, true).Malformed);
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
