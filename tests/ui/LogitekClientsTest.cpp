// Logitek consoles in the client list, the exit question and "Disconnect All Clients".
#include "core/Lifecycle.h"
#include "logitek/Logitek.h"
#include "ui/ExitQuestion.h"
#include "ui/UiRig.h"
#include "ui/frmClients.h"

#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

int ConnectLogitek(DialogRig& rig, const std::string& Address)
{
    rig.sockets.pendingAddresses.push_back(Address);
    rig.server.onConnectionRequest(Port::Logitek);
    return rig.server.LogitekClients.SlotCount();
}

}  // namespace

TEST(LogitekClients, ListedCountedAndDisconnectedSinglyOrAll)
{
    DialogRig rig;
    ConnectLogitek(rig, "10.0.2.1");
    const int second = ConnectLogitek(rig, "10.0.2.2");
    rig.connect("10.0.0.1", 120);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0003");
    const ConnectionCounts counts = CountConnections(rig.server);
    EXPECT_EQ(counts.LogitekConsoles, 2);
    EXPECT_EQ(counts.total(), 3);
    EXPECT_NE(ExitQuestionText(counts).find("2 Logitek Consoles \r"), std::string::npos);

    {
        frmClients dialog(rig.server);
        std::vector<std::string> rows;
        for (QCheckBox* check : dialog.findChildren<QCheckBox*>(QStringLiteral("chkDisconnect"))) {
            rows.push_back(check->text().toStdString());
            if (check->property("Index").toInt() == 3)
                check->setChecked(true);
        }
        EXPECT_EQ(rows, (std::vector<std::string>{"Helm Software", "Logitek Console", "Logitek Console"}));
        dialog.findChild<QPushButton*>(QStringLiteral("cmdSelected"))->click();
    }
    EXPECT_FALSE(rig.sockets.isConnected(Port::Logitek, second));
    EXPECT_EQ(rig.server.LogitekClients.Count, 1);
    EXPECT_NE(rig.dir.read("Eventlog.txt").find("Console Disconnected"), std::string::npos);

    DisconnectAllClients(rig.server);
    EXPECT_FALSE(rig.sockets.isConnected(Port::Logitek, 1));
    EXPECT_EQ(rig.server.LogitekClients.SlotCount(), 0);
    EXPECT_EQ(rig.server.LogitekClients.Count, 0);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0000");
    EXPECT_NE(rig.dir.read("Eventlog.txt").find("Logitek Disconnected"), std::string::npos);
    EXPECT_EQ(ConnectLogitek(rig, "10.0.2.3"), 1);
}
