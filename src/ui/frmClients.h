#pragma once
// The list of connected clients, with disconnection of some or all.
#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
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
    struct Row {
        int slot;
        std::string address;
        QCheckBox* chkDisconnect;
    };
    Server& s_;
    std::vector<Row> rows_;
};
