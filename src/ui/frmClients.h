#pragma once
// The list of connected clients, with disconnection of some or all.
#include "platform/Seams.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class Server;

// How a Helm client is listed, by its login type.
std::string HelmClientKind(int ClientType);

class frmClients : public QDialog {
    Q_OBJECT
public:
    frmClients(Server& s, QWidget* parent = nullptr);
    void cmdAll_Click();
    void cmdSelected_Click();

private:
    void addRow(Port port, int slot, const std::string& kind, const std::string& address);

    struct Row {
        Port port;
        int slot;
        std::string address;
        QCheckBox* chkDisconnect;
    };
    Server& s_;
    std::vector<Row> rows_;
    QGroupBox* frFrame_ = nullptr;
    QGridLayout* grid_ = nullptr;
};
