#include "model/FamilyDescription.h"

#include <gtest/gtest.h>

TEST(Model, SizesAndPendingFlagsPerSwitcherType)
{
    struct Case {
        SwitcherType type;
        int count, reload;
        int64_t flags;
        int templates, buttons, noTemplate;
    };
    for (const Case& c : {Case{SwitcherType::Vela, 512, 40, 66584572, 256, 64, 256},
                          Case{SwitcherType::Orion, 256, 1500, 229276, 64, 64, 64},
                          Case{SwitcherType::Draco, 32, 15, 32704, 32, 32, 64}}) {
        Model m;
        m.SwitcherType = c.type;
        SizeTablesForType(m);
        SCOPED_TRACE(TypeCode(c.type));
        EXPECT_EQ(m.NumSources, c.count);
        EXPECT_EQ(m.NumDestinations, c.count);
        EXPECT_EQ(m.CrosspointMap.size(), static_cast<size_t>(c.count));
        EXPECT_EQ(m.InhibitMap.size(), static_cast<size_t>(c.count));
        EXPECT_EQ(m.InhibitMap.text(0), std::string(static_cast<size_t>(c.count), '0'));
        EXPECT_EQ(m.PollReload, c.reload);
        EXPECT_EQ(m.UpdateFlags, c.flags);
        EXPECT_EQ(m.AllUpdateFlags, c.flags);
        EXPECT_EQ(m.ButtonTemplates.size(), static_cast<size_t>(c.templates));
        EXPECT_EQ(m.ButtonTemplates[0].size(), static_cast<size_t>(c.buttons));
        EXPECT_EQ(m.ButtonTemplates[3][5].Values[0], 5);
        EXPECT_EQ(m.ButtonTemplates[3][5].Count, 1);
        EXPECT_EQ(m.TemplateAssignment.back(), c.noTemplate);
        EXPECT_EQ(m.CrosspointMap.back().SourceCount, 1);
        EXPECT_EQ(m.CrosspointMap.back().Levels[0], 1024);
        EXPECT_EQ(m.CrosspointMap.back().Sources[0], 0);
        EXPECT_EQ(m.DestinationGains.back().Level2, 1024);
    }
}

TEST(Model, EveryBitOfTheAllFlagsBelongsToTheType)
{
    auto bits = [](std::initializer_list<int> list) {
        int64_t v = 0;
        for (int b : list)
            v |= int64_t{1} << b;
        return v;
    };
    EXPECT_EQ(VelaAllUpdateFlags,
              bits({2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 21, 22, 23, 24, 25}));
    EXPECT_EQ(OrionAllUpdateFlags, bits({2, 3, 4, 7, 8, 9, 10, 11, 12, 13, 14, 16, 17}));
    EXPECT_EQ(DracoAllUpdateFlags, bits({6, 7, 8, 9, 10, 11, 12, 13, 14}));
}

TEST(Model, PassThroughSizesNothing)
{
    Model m;
    m.SwitcherType = SwitcherType::PassThru;
    SizeTablesForType(m);
    EXPECT_FALSE(m.sized());
    EXPECT_EQ(m.UpdateFlags, 0);
}

TEST(Model, FixedConfigurationsOfOrionAndDraco)
{
    Model orion;
    orion.SwitcherType = SwitcherType::Orion;
    SizeTablesForType(orion);
    const FrameRecord& f = orion.SwitcherConfig.at(0);
    EXPECT_EQ(f.Cards[0].Count, 21);
    EXPECT_EQ(f.Cards[1].PortCount, 8);
    EXPECT_EQ(f.Cards[15].Ports[7].TypeCode, 5999);
    EXPECT_EQ(f.Cards[15].Ports[7].Channels.size(), 2u);
    EXPECT_EQ(f.Cards[16].TypeCode, 4999);
    EXPECT_EQ(f.Cards[20].Ports[5].Channels.size(), 4u);
    EXPECT_EQ(f.Cards[20].Ports[0].Channels.size(), 0u);

    Model draco;
    draco.SwitcherType = SwitcherType::Draco;
    SizeTablesForType(draco);
    const CardRecord& c = draco.SwitcherConfig.at(0).Cards[0];
    EXPECT_EQ(c.PortCount, 16);
    EXPECT_EQ(c.Ports[15].TypeCode, NoneValue);
    EXPECT_EQ(c.Ports[15].ChannelCount, 2);
}

TEST(Model, VelaResizeKeepsWhatRemainsAndFitsInhibitTexts)
{
    Model m;
    SizeVelaTables(m);
    m.CrosspointMap[10].Sources[0] = 77;
    m.DestinationAlphas[10] = "STUDIO A";
    m.InhibitMap.setText(3, std::string(512, '1'));
    m.NumDestinations = 100;
    m.NumSources = 20;
    ResizeVelaTables(m);
    EXPECT_EQ(m.CrosspointMap.size(), 100u);
    EXPECT_EQ(m.CrosspointMap[10].Sources[0], 77);
    EXPECT_EQ(m.DestinationAlphas[10], "STUDIO A");
    EXPECT_EQ(m.InhibitMap.text(3), std::string(20, '1'));

    m.NumDestinations = 600;
    m.NumSources = 600;
    ResizeVelaTables(m);
    EXPECT_EQ(m.CrosspointMap[10].Sources[0], 77);
    EXPECT_EQ(m.TemplateAssignment[599], 256);
    EXPECT_EQ(m.InhibitMap.text(599), std::string(600, '0'));
    EXPECT_EQ(m.InhibitMap.text(3), std::string(20, '1') + std::string(580, '0'));
}

TEST(Model, NamesSortByUpperCaseMovingTheirNumbers)
{
    std::vector<std::string> names{"delta", "Alpha", "charlie", "BRAVO"};
    std::vector<int> table{0, 1, 2, 3};
    SortNames(names, table);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "BRAVO", "charlie", "delta"}));
    EXPECT_EQ(table, (std::vector<int>{1, 3, 2, 0}));

    // Thousands of names sort at once; equal names keep their order.
    std::vector<std::string> many;
    std::vector<int> numbers;
    for (int i = 0; i < 20000; ++i) {
        many.push_back(i % 2 ? "b" : "A");
        numbers.push_back(i);
    }
    SortNames(many, numbers);
    EXPECT_EQ(many[9999], "A");
    EXPECT_EQ(many[10000], "b");
    EXPECT_EQ(numbers[1], 2);
    EXPECT_EQ(numbers[10000], 1);
}

TEST(Model, FamilyDescriptionsSayWhatEachFamilyHasAndHowTheFileNamesIt)
{
    const FamilyDescription& vela = Describe(SwitcherType::Vela);
    EXPECT_TRUE(vela.HasGains() && vela.HasLinks() && vela.HasSalvos() && vela.HasRelays());
    const FamilyDescription& orion = Describe(SwitcherType::Orion);
    EXPECT_TRUE(!orion.HasGains() && orion.HasLinks() && orion.HasSalvos() && orion.HasRelays());
    const FamilyDescription& draco = Describe(SwitcherType::Draco);
    EXPECT_TRUE(!draco.HasGains() && draco.HasLinks() && draco.HasSalvos() && !draco.HasRelays());
    const FamilyDescription& passThru = Describe(SwitcherType::PassThru);
    EXPECT_FALSE(passThru.KeepsModel || passThru.HasSalvos() || passThru.HasRelays());

    for (SwitcherType type : {SwitcherType::Vela, SwitcherType::Orion, SwitcherType::Draco, SwitcherType::PassThru})
        EXPECT_EQ(FamilyNamed(Describe(type).Name), &Describe(type));
    // A Lyra is named but served as an Orion; names are exact.
    const FamilyDescription* lyra = FamilyNamed("Lyra");
    ASSERT_NE(lyra, nullptr);
    EXPECT_FALSE(lyra->Served);
    EXPECT_EQ(lyra->Type, SwitcherType::Orion);
    EXPECT_EQ(FamilyNamed("vela"), nullptr);
}
