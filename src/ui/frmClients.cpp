#include "ui/frmClients.h"

#include "core/Lifecycle.h"
#include "core/Routing.h"
#include "disk/Trap.h"
#include "model/Server.h"
#include "ui/Boxes.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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

    std::vector<ClientRow> clients;
    for (const auto& p : s.Protocols)
        p->ListClients(s, clients);
    for (const ClientRow& client : clients)
        addRow(client);
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

void frmClients::addRow(const ClientRow& client)
{
    const int row = static_cast<int>(rows_.size()) + 1;
    auto* check = new QCheckBox(Text(client.Kind), frFrame_);
    check->setObjectName(QStringLiteral("chkDisconnect"));
    check->setProperty("Index", row);
    auto* label = new QLabel(Text(client.Address), frFrame_);
    label->setObjectName(QStringLiteral("lblIPAddr"));
    label->setProperty("Index", row);
    label->setTextFormat(Qt::PlainText);
    grid_->addWidget(check, row, 0);
    grid_->addWidget(label, row, 1);
    rows_.push_back({client, check});
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
            if (!row.chkDisconnect->isChecked())
                continue;
            if (ClientProtocol* p = ProtocolOn(s_, row.client.port))
                p->DisconnectChosen(s_, row.client.Slot);
        }
    });
    accept();
}
