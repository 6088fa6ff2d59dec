#include "ui/UiRig.h"
#include "ui/frmClients.h"
#include "zolt/Zolt.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <map>

namespace {

std::string S(const QString& text) { return text.toStdString(); }

// "kind address" for every listed row, and the row's check box by address.
struct Listed {
    std::vector<std::string> rows;
    std::map<std::string, QCheckBox*> checks;
};

Listed List(frmClients& dialog)
{
    Listed listed;
    for (QCheckBox* check : dialog.findChildren<QCheckBox*>(QStringLiteral("chkDisconnect")))
        for (QLabel* address : dialog.findChildren<QLabel*>(QStringLiteral("lblIPAddr")))
            if (address->property("Index") == check->property("Index")) {
                listed.rows.push_back(S(check->text()) + " " + S(address->text()));
                listed.checks[S(address->text())] = check;
            }
    return listed;
}

void Press(frmClients& dialog, const char* button)
{
    dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click();
}

}  // namespace

TEST(ClientsDialog, WithNobodyConnectedOnlyTheHeadingsShow)
{
    DialogRig rig;
    frmClients dialog(rig.server);
    EXPECT_EQ(S(dialog.windowTitle()), "Clients ");
    EXPECT_TRUE(List(dialog).rows.empty());
    EXPECT_EQ(dialog.findChildren<QLabel*>().size(), 2);
    EXPECT_EQ(S(dialog.findChild<QLabel*>(QStringLiteral("lblType"))->text()), "Type");
    EXPECT_EQ(S(dialog.findChild<QLabel*>(QStringLiteral("lblIPAddr"))->text()), "IP Address");
    EXPECT_EQ(S(dialog.findChild<QGroupBox*>(QStringLiteral("frDisconnect"))->title()), "Disconnect");
    EXPECT_EQ(S(dialog.findChild<QPushButton*>(QStringLiteral("cmdSelected"))->text()), " Selected");
}

TEST(ClientsDialog, ConnectedHelmClientsAreListedByKindInSlotOrder)
{
    DialogRig rig;
    for (int type : {120, 125, 150, 130, 135, NoClientType, 136})
        rig.connect("10.0.0." + std::to_string(type % 100), type);
    rig.server.onPeerClosed(Port::Helm, rig.connect("10.0.0.99", 120));

    frmClients dialog(rig.server);
    EXPECT_EQ(List(dialog).rows,
              (std::vector<std::string>{"Helm Software 10.0.0.20", "Automation 10.0.0.25", "Zolt/Console 10.0.0.50",
                                        "Soft Panel 10.0.0.30", "Soft Panel 10.0.0.35", "Unknown Connection 10.0.0.83",
                                        "Unknown Connection 10.0.0.36"}));
}

TEST(ClientsDialog, SelectedDisconnectsOnlyTheTickedClientsStillThere)
{
    DialogRig rig;
    const int a = rig.connect("10.0.0.1", 120);
    const int b = rig.connect("10.0.0.2", 131);
    const int c = rig.connect("10.0.0.3", 125);
    frmClients dialog(rig.server);
    Listed listed = List(dialog);
    listed.checks["10.0.0.2"]->setChecked(true);
    listed.checks["10.0.0.3"]->setChecked(true);
    // One ticked client leaves on its own while the list is open.
    rig.server.onPeerClosed(Port::Helm, c);
    const size_t logged = rig.dir.read("Eventlog.txt").size();

    Press(dialog, "cmdSelected");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(rig.sockets.isConnected(Port::Helm, a));
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, b));
    EXPECT_EQ(rig.server.HelmClients.Count, 1);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0001");
    const std::string added = rig.dir.read("Eventlog.txt").substr(logged);
    EXPECT_NE(added.find("Client Disconnected"), std::string::npos);
    EXPECT_NE(added.find("10.0.0.2"), std::string::npos);
    EXPECT_EQ(added.find("10.0.0.3"), std::string::npos);
}

TEST(ClientsDialog, NothingTickedOrCloseDisconnectsNobodyAndAllDisconnectsEverybody)
{
    DialogRig rig;
    rig.connect("10.0.0.1", 120);
    rig.connect("10.0.0.2", 131);
    for (const char* button : {"cmdSelected", "cmdClose"}) {
        frmClients dialog(rig.server);
        if (std::string(button) == "cmdClose")
            List(dialog).checks["10.0.0.1"]->setChecked(true);
        Press(dialog, button);
        EXPECT_EQ(rig.server.HelmClients.Count, 2) << button;
    }
    frmClients dialog(rig.server);
    Press(dialog, "cmdAll");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(rig.server.HelmClients.SlotCount(), 0);
    EXPECT_EQ(rig.server.HelmClients.Count, 0);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0000");
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, 2));
}

TEST(ClientsDialog, ZoltConsolesAreListedAfterHelmClientsAndCanBeDisconnected)
{
    DialogRig rig;
    for (const char* address : {"10.0.1.1", "10.0.1.2"}) {
        rig.sockets.pendingAddresses.push_back(address);
        rig.server.onConnectionRequest(Port::Zolt);
    }
    rig.connect("10.0.0.1", 120);
    frmClients dialog(rig.server);
    Listed listed = List(dialog);
    EXPECT_EQ(listed.rows,
              (std::vector<std::string>{"Helm Software 10.0.0.1", "Zolt/Console 10.0.1.1", "Zolt/Console 10.0.1.2"}));
    listed.checks["10.0.1.2"]->setChecked(true);
    Press(dialog, "cmdSelected");
    EXPECT_TRUE(rig.sockets.isConnected(Port::Zolt, 1));
    EXPECT_FALSE(rig.sockets.isConnected(Port::Zolt, 2));
    EXPECT_EQ(rig.server.ZoltClients.Count, 1);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0002");
    EXPECT_NE(rig.dir.read("Eventlog.txt").find("Console Disconnected"), std::string::npos);
}
