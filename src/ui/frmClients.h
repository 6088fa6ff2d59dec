#pragma once
// The list of connected clients, with disconnection of some or all.
#include "model/SwitcherReports.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class Server;

class frmClients : public QDialog {
    Q_OBJECT
public:
    frmClients(Server& s, QWidget* parent = nullptr);
    void cmdAll_Click();
    void cmdSelected_Click();

private:
    void addRow(const ClientRow& client);

    struct Row {
        ClientRow client;
        QCheckBox* chkDisconnect;
    };
    Server& s_;
    std::vector<Row> rows_;
    QGroupBox* frFrame_ = nullptr;
    QGridLayout* grid_ = nullptr;
};
