#include "ui/frmClients.h"

#include "core/Lifecycle.h"
#include "disk/Logs.h"
#include "disk/Trap.h"
#include "helm/FromHelm.h"
#include "helm/HelmPort.h"
#include "logitek/Logitek.h"
#include "model/Server.h"
#include "ui/Boxes.h"
#include "zolt/Zolt.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

std::string HelmClientKind(int ClientType)
{
    if (ClientType == HelmPcClientType)
        return "Helm Software";
    if (ClientType == AutomationClientType)
        return "Automation";
    if (ClientType == ConsoleClientType)
        return "Zolt/Console";
    if (ClientType >= FirstPanelClientType && ClientType <= 135)
        return "Soft Panel";
    return "Unknown Connection";
}

frmClients::frmClients(Server& s, QWidget* parent) : QDialog(parent), s_(s)
{
    setObjectName(QStringLiteral("frmClients"));
    setWindowTitle(QStringLiteral("Clients "));

    auto* frFrame = frFrame_ = new QGroupBox(this);
    frFrame->setObjectName(QStringLiteral("frFrame"));
    auto* grid = grid_ = new QGridLayout(frFrame);
    auto* lblType = new QLabel(QStringLiteral("Type"), frFrame);
    lblType->setObjectName(QStringLiteral("lblType"));
    auto* lblIPAddr = new QLabel(QStringLiteral("IP Address"), frFrame);
    lblIPAddr->setObjectName(QStringLiteral("lblIPAddr"));
    lblType->setProperty("Index", 0);
    lblIPAddr->setProperty("Index", 0);
    QFont heading = lblType->font();
    heading.setBold(true);
    lblType->setFont(heading);
    lblIPAddr->setFont(heading);
    grid->addWidget(lblType, 0, 0);
    grid->addWidget(lblIPAddr, 0, 1);

    for (int i = 1; i <= s.ClientSlotCount(); ++i) {
        const ClientRecord& c = s.ClientTable[static_cast<size_t>(i)];
        if (c.InUse)
            addRow(Port::Helm, i, HelmClientKind(c.ClientType), c.Address);
    }
    for (int i = 1; i <= s.ZoltSlotCount(); ++i) {
        const ZoltClient& c = s.ZoltClientTable[static_cast<size_t>(i)];
        if (c.Connected)
            addRow(Port::Zolt, i, c.ClientType == ConsoleClientType ? "Zolt/Console" : "Unknown Connection", c.Address);
    }
    for (int i = 1; i <= s.LogitekSlotCount(); ++i) {
        const LogitekClient& c = s.LogitekClientTable[static_cast<size_t>(i)];
        if (c.Connected)
            addRow(Port::Logitek, i, c.ClientType == ConsoleClientType ? "Logitek Console" : "Unknown Connection",
                   c.Address);
    }
    grid->setRowStretch(static_cast<int>(rows_.size()) + 1, 1);
    grid->setColumnStretch(1, 1);

    auto* frDisconnect = new QGroupBox(QStringLiteral("Disconnect"), this);
    frDisconnect->setObjectName(QStringLiteral("frDisconnect"));
    auto* cmdAll = new QPushButton(QStringLiteral("All"), frDisconnect);
    cmdAll->setObjectName(QStringLiteral("cmdAll"));
    auto* cmdSelected = new QPushButton(QStringLiteral(" Selected"), frDisconnect);
    cmdSelected->setObjectName(QStringLiteral("cmdSelected"));
    auto* disconnectLayout = new QVBoxLayout(frDisconnect);
    disconnectLayout->addWidget(cmdAll);
    disconnectLayout->addWidget(cmdSelected);
    auto* cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdAll, &QPushButton::clicked, this, &frmClients::cmdAll_Click);
    connect(cmdSelected, &QPushButton::clicked, this, &frmClients::cmdSelected_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* side = new QVBoxLayout;
    side->addWidget(frDisconnect);
    side->addStretch(1);
    side->addWidget(cmdClose);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(frFrame, 1);
    layout->addLayout(side);
    setMinimumSize(420, 220);
}

void frmClients::addRow(Port port, int slot, const std::string& kind, const std::string& address)
{
    const int row = static_cast<int>(rows_.size()) + 1;
    auto* check = new QCheckBox(Text(kind), frFrame_);
    check->setObjectName(QStringLiteral("chkDisconnect"));
    check->setProperty("Index", row);
    auto* label = new QLabel(Text(address), frFrame_);
    label->setObjectName(QStringLiteral("lblIPAddr"));
    label->setProperty("Index", row);
    label->setTextFormat(Qt::PlainText);
    grid_->addWidget(check, row, 0);
    grid_->addWidget(label, row, 1);
    rows_.push_back({port, slot, address, check});
}

void frmClients::cmdAll_Click()
{
    DisconnectAllClients(s_);
    accept();
}

void frmClients::cmdSelected_Click()
{
    Trap(s_, "Error Disconnecting Client", "IP Socket Error", [&] {
        for (const Row& row : rows_) {
            // The client may have gone while the list was open.
            if (!row.chkDisconnect->isChecked() || !s_.sockets.isConnected(row.port, row.slot))
                continue;
            if (row.port == Port::Helm && ValidClientSlot(s_, row.slot)) {
                LogIPMessage(s_, "Client Disconnected", row.address);
                s_.sockets.close(Port::Helm, row.slot);
                DisconnectClient(s_, row.slot);
            } else if (row.port == Port::Zolt && ValidConsoleSlot(s_, row.slot)) {
                LogIPMessage(s_, "Console Disconnected", row.address);
                s_.sockets.close(Port::Zolt, row.slot);
                DisconnectConsole(s_, row.slot);
            } else if (row.port == Port::Logitek && ValidLogitekSlot(s_, row.slot)) {
                LogIPMessage(s_, "Console Disconnected", row.address);
                s_.sockets.close(Port::Logitek, row.slot);
                DisconnectLogitek(s_, row.slot);
            }
        }
    });
    accept();
}
