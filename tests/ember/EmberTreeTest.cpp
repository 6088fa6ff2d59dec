// The tree as the model makes it: what each GetDirectory answers, what a
// change tells the subscribed consumers, and which connection operations take.
#include "EmberRig.h"

#include <gtest/gtest.h>

namespace {

// Three destinations and two sources; destination 0 fed by source 1,
// destination 1 off, destination 2 fed by a source past the table.
Model ThreeByTwo()
{
    Model m = SmallVela(3, 2);
    m.DestinationAlphasRaw = {"Out 1   ", "Caf\xE9", std::string("Out3\0\0", 6)};
    m.SourceAlphasRaw = {"Mic", "Line"};
    m.CrosspointMap[0].Sources[0] = 1;
    m.CrosspointMap[1].SourceCount = 0;
    m.CrosspointMap[2].Sources[0] = 9;
    return m;
}

GlowElement Only(const std::vector<GlowElement>& v)
{
    EXPECT_EQ(v.size(), 1u);
    return v.empty() ? GlowElement{} : v.front();
}

std::optional<std::vector<uint32_t>> Source(uint32_t n) { return std::vector<uint32_t>{n}; }

}  // namespace

TEST(EmberTree, EveryNodeAnswersItsDirectory)
{
    const Model m = ThreeByTwo();
    const EmberSnapshot snap = TakeEmberSnapshot(m, "HVN Server Module - Vela Switcher - Demo Mode", true, true, 3);
    // Padding goes; a Latin-1 byte becomes UTF-8.
    EXPECT_EQ(snap.Targets, (std::vector<std::string>{"Out 1", "Caf\xC3\xA9", "Out3"}));
    EXPECT_EQ(snap.Switcher, "Vela");

    const GlowElement hvn = Only(EmberDirectory(snap, m, {1}));
    ASSERT_EQ(hvn.Children->size(), 3u);
    const GlowContents& router = *hvn.Children->at(0).Contents;
    EXPECT_EQ(hvn.Children->at(0).Type, GlowType::Matrix);
    EXPECT_EQ(router.Identifier, "router");
    EXPECT_EQ(router.TargetCount, 3);
    EXPECT_EQ(router.SourceCount, 2);
    EXPECT_EQ(router.Labels->at(0).BasePath, (GlowPath{1, 2}));
    EXPECT_FALSE(hvn.Children->at(0).Connections);  // connections only on the matrix's own directory

    // The matrix's own directory: contents, an empty children collection, one connection per target.
    const GlowElement matrix = Only(EmberDirectory(snap, m, {1, 1}));
    EXPECT_TRUE(matrix.Qualified);
    EXPECT_TRUE(matrix.Contents && matrix.Children && matrix.Children->empty());
    ASSERT_EQ(matrix.Connections->size(), 3u);
    EXPECT_EQ(matrix.Connections->at(0).Sources, Source(1));
    EXPECT_FALSE(matrix.Connections->at(1).Sources);
    EXPECT_FALSE(matrix.Connections->at(2).Sources);

    const GlowElement targets = Only(EmberDirectory(snap, m, {1, 2, 1}));
    ASSERT_EQ(targets.Children->size(), 3u);
    const GlowElement& t1 = targets.Children->at(1);
    EXPECT_EQ(t1.Path, (GlowPath{1, 2, 1, 1}));
    EXPECT_EQ(t1.Contents->Identifier, "t1");
    EXPECT_EQ(t1.Contents->Value->Text, "Caf\xC3\xA9");
    EXPECT_EQ(t1.Contents->Access, Glow::AccessRead);

    const GlowElement status = Only(EmberDirectory(snap, m, {1, 3}));
    ASSERT_EQ(status.Children->size(), 4u);
    EXPECT_EQ(status.Children->at(3).Contents->Identifier, "clients");
    EXPECT_EQ(status.Children->at(3).Contents->Value->Integer, 3);
    EXPECT_TRUE(status.Children->at(2).Contents->Value->Boolean);

    EXPECT_EQ(Only(EmberDirectory(snap, m, {1, 2, 2, 1})).Contents->Value->Text, "Line");
    EXPECT_TRUE(EmberDirectory(snap, m, {1, 2, 2, 2}).empty());
    EXPECT_TRUE(EmberDirectory(snap, m, {2}).empty());
    EXPECT_TRUE(EmberDirectory(snap, m, {1, 3, 9}).empty());
    EXPECT_EQ(EmberParameterValue(snap, {1, 3, 1})->Contents->Value->Text, "Vela");
    EXPECT_FALSE(EmberParameterValue(snap, {1, 1}));

    // An empty table still answers, with an empty node.
    Model none;
    none.SwitcherType = SwitcherType::PassThru;
    const EmberSnapshot empty = TakeEmberSnapshot(none, "", false, false, 0);
    EXPECT_TRUE(Only(EmberDirectory(empty, none, {1, 2, 1})).Children->empty());
    EXPECT_TRUE(Only(EmberDirectory(empty, none, {1, 1})).Connections->empty());
}

TEST(EmberTree, ChangesReachTheScopesThatAskedForThem)
{
    Model m = ThreeByTwo();
    const EmberSnapshot before = TakeEmberSnapshot(m, "A", false, true, 1);
    EXPECT_TRUE(EmberChanges(before, before, m).empty());

    m.SourceAlphasRaw[1] = "Line 2";
    std::vector<EmberUpdate> u = EmberChanges(before, TakeEmberSnapshot(m, "B", true, true, 2), m);
    ASSERT_EQ(u.size(), 4u);
    EXPECT_EQ(u[0].Scope, EmberScope::Top);
    EXPECT_EQ(u[0].Element.Contents->Description, "B");
    EXPECT_EQ(u[1].Scope, EmberScope::Sources);
    EXPECT_EQ(u[1].Element.Path, (GlowPath{1, 2, 2, 1}));
    EXPECT_EQ(u[1].Element.Contents->Value->Text, "Line 2");
    EXPECT_FALSE(u[1].Element.Contents->Identifier);
    EXPECT_EQ(u[2].Element.Path, (GlowPath{1, 3, 2}));
    EXPECT_EQ(u[3].Element.Contents->Value->Integer, 2);

    // The table shrinks: the matrix's new size, all its connections, and the
    // names that are gone reported off line.
    const EmberSnapshot three = TakeEmberSnapshot(m, "B", true, true, 2);
    m.NumDestinations = 2;
    ResizeVelaTables(m);
    u = EmberChanges(three, TakeEmberSnapshot(m, "B", true, true, 2), m);
    ASSERT_EQ(u.size(), 3u);
    EXPECT_EQ(u[0].Scope, EmberScope::Hvn | EmberScope::Router);
    EXPECT_EQ(u[0].Element.Contents->TargetCount, 2);
    EXPECT_EQ(u[1].Element.Connections->size(), 2u);
    EXPECT_EQ(u[1].Element.Connections->at(0).Disposition, Glow::DispositionTally);
    const std::vector<GlowElement>& names = *u[2].Element.Children;
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[2].Contents->IsOnline, false);
    EXPECT_FALSE(names[2].Contents->Value);

    EXPECT_EQ(EmberScopeOf({}), EmberScope::Top);
    EXPECT_EQ(EmberScopeOf({1, 1}), EmberScope::Router);
    EXPECT_EQ(EmberScopeOf({1, 2, 1, 7}), EmberScope::Targets);
    EXPECT_EQ(EmberScopeOf({1, 2}), 0u);
}

TEST(EmberTree, OnlyAnAbsoluteOrConnectOperationWithOneSourceTakes)
{
    const Model m = ThreeByTwo();
    const auto op = [](int64_t Target, std::vector<uint32_t> Sources, std::optional<int64_t> Operation) {
        GlowConnection c;
        c.Target = Target;
        c.Sources = std::move(Sources);
        c.Operation = Operation;
        return c;
    };
    EXPECT_EQ(EmberTakeSource(m, op(2, {1}, std::nullopt)), 1);
    EXPECT_EQ(EmberTakeSource(m, op(0, {0}, Glow::OperationConnect)), 0);
    EXPECT_EQ(EmberTakeSource(m, op(0, {0}, Glow::OperationDisconnect)), -1);
    EXPECT_EQ(EmberTakeSource(m, op(0, {0, 1}, Glow::OperationAbsolute)), -1);
    EXPECT_EQ(EmberTakeSource(m, op(0, {}, Glow::OperationAbsolute)), -1);
    EXPECT_EQ(EmberTakeSource(m, op(0, {2}, std::nullopt)), -1);
    EXPECT_EQ(EmberTakeSource(m, op(3, {0}, std::nullopt)), -1);
    EXPECT_EQ(EmberTakeSource(m, op(-1, {0}, std::nullopt)), -1);

    const GlowConnection pending = EmberConnectionOf(m, 0, Glow::DispositionPending);
    EXPECT_EQ(pending.Sources, Source(1));
    EXPECT_EQ(pending.Disposition, Glow::DispositionPending);
}
