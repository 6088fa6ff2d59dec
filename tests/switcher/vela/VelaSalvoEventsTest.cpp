// Salvo events (EB).
#include "switcher/vela/ToVela.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vela_test;

namespace {

Bytes Event(int tag) { return B({tag, 1, 2}) + P(tag) + P(11) + P(12) + P(13) + P(16383); }

// Salvos as (number, events).
Bytes SalvoFrame(const std::vector<std::pair<int, std::vector<Bytes>>>& salvos, int totalEvents)
{
    Bytes body;
    for (const auto& [number, events] : salvos) {
        body += P(number) + P(static_cast<int>(events.size()));
        for (const Bytes& e : events)
            body += e;
    }
    return Framed(B({0xEB, 0x00}) + P(static_cast<int>(salvos.size())) + P(totalEvents) + body);
}

}  // namespace

TEST(VelaSalvoEvents, EventsAreNumberedAcrossSalvosAndNamed)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 16384;
    rig.server.model.SalvoAlphas = {"Evening ", "Morning "};
    rig.server.model.SalvoSortTable = {1, 0};
    rig.feed(SalvoFrame({{0, {Event(5), Event(6)}}, {1, {Event(7)}}}, 3));
    const Model& m = rig.server.model;
    EXPECT_EQ(m.NumSalvos, 2);
    EXPECT_EQ(m.NumSalvoEvents, 3);
    ASSERT_EQ(m.SalvoEvents.size(), 3u);
    EXPECT_EQ(m.SalvoEvents[1].Salvo, 0);
    EXPECT_EQ(m.SalvoEvents[1].Name, "Morning ");
    EXPECT_EQ(m.SalvoEvents[1].Flags[0], 6);
    EXPECT_EQ(m.SalvoEvents[1].Values, (std::array<int, 5>{6, 11, 12, 13, 16383}));
    EXPECT_EQ(m.SalvoEvents[2].Name, "Evening ");
    EXPECT_EQ(m.UpdateFlags, 0);
    EXPECT_TRUE(rig.logged("3 Salvo Events"));
}

TEST(VelaSalvoEvents, AFrameOfTheWrongLengthKeepsTheSalvosThatWereThere)
{
    VelaRig rig;
    rig.feed(SalvoFrame({{0, {Event(5)}}}, 1));
    const std::vector<SalvoEventRecord> before = rig.server.model.SalvoEvents;
    // Two events claimed, one carried.
    rig.feed(SalvoFrame({{0, {Event(9)}}}, 2));
    // The right length, but salvo 0 claims two events and carries one.
    rig.feed(Framed(B({0xEB, 0x00}) + P(2) + P(1) + P(0) + P(2) + Event(9) + P(1) + P(0)));
    rig.feed(Framed(B({0xEB, 0x00}) + P(16383) + P(16383)));
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Salvo Events"));
    EXPECT_EQ(rig.server.model.NumSalvos, 1);
    EXPECT_EQ(rig.server.model.NumSalvoEvents, 1);
    ASSERT_EQ(rig.server.model.SalvoEvents.size(), 1u);
    EXPECT_EQ(rig.server.model.SalvoEvents[0].Flags, before[0].Flags);

    rig.server.model.UpdateFlags = 16384;
    rig.feed(WithBadChecksum(SalvoFrame({{0, {Event(9)}}}, 1)));
    EXPECT_TRUE(rig.errorLogged("Vela Check Sum Error", "Salvo Events"));
    EXPECT_EQ(rig.serial.written(), BuildInfoRequestVela(16384, NoneValue, 0));
}

TEST(VelaSalvoEvents, NoSalvosLeaveOneEmptyRecord)
{
    VelaRig rig;
    rig.feed(SalvoFrame({}, 0));
    EXPECT_EQ(rig.server.model.NumSalvos, 0);
    EXPECT_EQ(rig.server.model.SalvoEvents.size(), 1u);
}
