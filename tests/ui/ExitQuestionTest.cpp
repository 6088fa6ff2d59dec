#include "ui/ExitQuestion.h"
#include "ui/UiRig.h"
#include "zolt/Zolt.h"

#include <gtest/gtest.h>

TEST(UiExitQuestion, OneSoftPanelIsCountedInTheSingular)
{
    ConnectionCounts counts;
    counts.SoftPanels = 1;
    EXPECT_EQ(ExitQuestionText(counts),
              "Logged In, there is currently:\r1 Soft Panel \r\rDo You Wish To Exit?\r\r"
              "All connections to the switcher will be closed.\r");
}

TEST(UiExitQuestion, AMixListsEveryKindInOrderAndWarnsOfScheduledEvents)
{
    ConnectionCounts counts;
    counts.Unknown = 1;
    counts.AutomationEngines = 2;
    counts.LogitekConsoles = 1;
    counts.HvnConsoles = 3;
    counts.ZoltConsoles = 2;
    counts.SoftPanels = 4;
    counts.HelmSoftware = 2;
    EXPECT_EQ(ExitQuestionText(counts),
              "Logged In, there are currently:\r"
              "2 Windows Helm Software\r"
              "4 Soft Panels \r"
              "2 Zolt/Consoles \r"
              "3 HVN Consoles \r"
              "1 Logitek Console \r"
              "2 Automation Engines \r"
              "1 Unknown Connection \r"
              "\rDo You Wish To Exit?\r\rAll connections to the switcher will be closed.\r"
              "Scheduled Events Will Not Run!");
}

TEST(UiExitQuestion, HelmClientsAreCountedByLoginTypeAndOnlyWhileConnected)
{
    DialogRig rig;
    rig.connect("10.0.0.1", 120);
    rig.connect("10.0.0.2", 125);
    rig.connect("10.0.0.3", 130);
    rig.connect("10.0.0.4", 149);
    rig.connect("10.0.0.5", 150);
    rig.connect("10.0.0.6", NoClientType);
    const int gone = rig.connect("10.0.0.7", 120);
    rig.connect("10.0.0.8", 151);
    rig.server.onPeerClosed(Port::Helm, gone);

    const ConnectionCounts counts = CountConnections(rig.server);
    EXPECT_EQ(counts.HelmSoftware, 1);
    EXPECT_EQ(counts.AutomationEngines, 1);
    EXPECT_EQ(counts.SoftPanels, 2);
    EXPECT_EQ(counts.ZoltConsoles, 1);
    EXPECT_EQ(counts.Unknown, 2);
    EXPECT_EQ(counts.total(), 7);
}

TEST(UiExitQuestion, ConnectedZoltConsolesAreCounted)
{
    DialogRig rig;
    for (const char* address : {"10.0.1.1", "10.0.1.2", "10.0.1.3"}) {
        rig.sockets.pendingAddresses.push_back(address);
        rig.server.onConnectionRequest(Port::Zolt);
    }
    rig.server.onPeerClosed(Port::Zolt, 2);
    rig.connect("10.0.0.5", 150);
    EXPECT_EQ(CountConnections(rig.server).ZoltConsoles, 3);
    EXPECT_EQ(CountConnections(rig.server).total(), 3);
}
