#include "ui/UiRig.h"
#include "ui/frmClients.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

std::string S(const QString& text) { return text.toStdString(); }

struct ListedRow {
    std::string kind, address;
    bool operator==(const ListedRow&) const = default;
};

std::vector<ListedRow> Rows(frmClients& dialog)
{
    std::vector<ListedRow> rows;
    const auto checks = dialog.findChildren<QCheckBox*>(QStringLiteral("chkDisconnect"));
    const auto addresses = dialog.findChildren<QLabel*>(QStringLiteral("lblIPAddr"));
    for (QCheckBox* check : checks)
        for (QLabel* address : addresses)
            if (address->property("Index") == check->property("Index"))
                rows.push_back({S(check->text()), S(address->text())});
    return rows;
}

QCheckBox* Check(frmClients& dialog, const std::string& address)
{
    for (QLabel* label : dialog.findChildren<QLabel*>(QStringLiteral("lblIPAddr")))
        if (S(label->text()) == address)
            for (QCheckBox* check : dialog.findChildren<QCheckBox*>(QStringLiteral("chkDisconnect")))
                if (check->property("Index") == label->property("Index"))
                    return check;
    return nullptr;
}

QPushButton* Button(frmClients& dialog, const char* name)
{
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

}  // namespace

TEST(ClientsDialog, WithNobodyConnectedOnlyTheHeadingsAndButtonsShow)
{
    DialogRig rig;
    frmClients dialog(rig.server);
    EXPECT_EQ(S(dialog.windowTitle()), "Clients ");
    EXPECT_TRUE(Rows(dialog).empty());
    const auto headings = dialog.findChildren<QLabel*>();
    ASSERT_EQ(headings.size(), 2);
    EXPECT_EQ(S(dialog.findChild<QLabel*>(QStringLiteral("lblType"))->text()), "Type");
    EXPECT_EQ(S(dialog.findChild<QLabel*>(QStringLiteral("lblIPAddr"))->text()), "IP Address");
    EXPECT_EQ(S(dialog.findChild<QGroupBox*>(QStringLiteral("frDisconnect"))->title()), "Disconnect");
    EXPECT_EQ(S(Button(dialog, "cmdAll")->text()), "All");
    EXPECT_EQ(S(Button(dialog, "cmdSelected")->text()), " Selected");
    EXPECT_EQ(S(Button(dialog, "cmdClose")->text()), "&Close");
}

TEST(ClientsDialog, ConnectedHelmClientsAreListedByKindInSlotOrder)
{
    DialogRig rig;
    rig.connect("10.0.0.1", 120);
    rig.connect("10.0.0.2", 125);
    rig.connect("10.0.0.3", 150);
    rig.connect("10.0.0.4", 130);
    rig.connect("10.0.0.5", 135);
    rig.connect("10.0.0.6", NoClientType);
    rig.connect("10.0.0.7", 136);
    const int gone = rig.connect("10.0.0.8", 120);
    rig.server.onPeerClosed(Port::Helm, gone);

    frmClients dialog(rig.server);
    EXPECT_EQ(Rows(dialog), (std::vector<ListedRow>{{"Helm Software", "10.0.0.1"},
                                                    {"Automation", "10.0.0.2"},
                                                    {"Zolt/Console", "10.0.0.3"},
                                                    {"Soft Panel", "10.0.0.4"},
                                                    {"Soft Panel", "10.0.0.5"},
                                                    {"Unknown Connection", "10.0.0.6"},
                                                    {"Unknown Connection", "10.0.0.7"}}));
}

TEST(ClientsDialog, SelectedDisconnectsOnlyTheTickedClients)
{
    DialogRig rig;
    const int a = rig.connect("10.0.0.1", 120);
    const int b = rig.connect("10.0.0.2", 131);
    const int c = rig.connect("10.0.0.3", 125);
    frmClients dialog(rig.server);
    Check(dialog, "10.0.0.2")->setChecked(true);
    Check(dialog, "10.0.0.3")->setChecked(true);
    // One of the ticked clients leaves on its own while the list is open.
    rig.server.onPeerClosed(Port::Helm, c);
    const std::string logBefore = rig.dir.read("Eventlog.txt");

    Button(dialog, "cmdSelected")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(rig.sockets.isConnected(Port::Helm, a));
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, b));
    EXPECT_FALSE(rig.server.ClientTable[static_cast<size_t>(b)].InUse);
    EXPECT_EQ(rig.server.ClientCount, 1);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0001");
    const std::string added = rig.dir.read("Eventlog.txt").substr(logBefore.size());
    EXPECT_NE(added.find("Client Disconnected"), std::string::npos);
    EXPECT_NE(added.find("10.0.0.2"), std::string::npos);
    EXPECT_EQ(added.find("10.0.0.3"), std::string::npos);
}

TEST(ClientsDialog, SelectedWithNothingTickedDisconnectsNobody)
{
    DialogRig rig;
    rig.connect("10.0.0.1", 120);
    rig.connect("10.0.0.2", 131);
    frmClients dialog(rig.server);
    Button(dialog, "cmdSelected")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(rig.server.ClientCount, 2);
}

TEST(ClientsDialog, AllDisconnectsEverybodyAndRestartsTheSlots)
{
    DialogRig rig;
    rig.connect("10.0.0.1", 120);
    rig.connect("10.0.0.2", 131);
    frmClients dialog(rig.server);
    Button(dialog, "cmdAll")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(rig.server.ClientSlotCount(), 0);
    EXPECT_EQ(rig.server.ClientCount, 0);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0000");
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, 1));
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, 2));
}

TEST(ClientsDialog, CloseChangesNothing)
{
    DialogRig rig;
    rig.connect("10.0.0.1", 120);
    frmClients dialog(rig.server);
    Check(dialog, "10.0.0.1")->setChecked(true);
    Button(dialog, "cmdClose")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(rig.server.ClientCount, 1);
    EXPECT_TRUE(rig.sockets.isConnected(Port::Helm, 1));
}
