#pragma once
// The console ports dialog: enables the Zolt, Logitek and HVN console ports
// and the web port and sets their TCP ports, restarting the Zolt and web
// listeners when their ports change.
#include "ui/Boxes.h"

#include <QDialog>

#include <array>
#include <cstddef>
#include <map>

class QCheckBox;
class QLabel;
class QLineEdit;
class Server;

class frmConsoleSetup : public QDialog {
    Q_OBJECT
public:
    // Rows of the dialog.
    enum : size_t { RowZolt, RowLogitek, RowHvn, RowWeb, RowCount };

    frmConsoleSetup(Server& s, QWidget* parent = nullptr);
    void cmdOk_Click();

    Ask ask;

protected:
    // Shows the help text of the row under the mouse.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartServer();
    // Applies the rows in order; false when the dialog must stay open.
    bool ApplyPorts();
    // The row's port, or none when an enabled row holds an invalid number
    // (the operator has been told).
    bool RowPort(size_t Row, const char* Name, long& Port);
    // A new web port is asked for and taken at once; false when the dialog must stay open.
    bool ApplyWebPort(long Port);

    Server& s_;
    // The enable flags reach the server only on OK.
    std::array<bool, RowCount> enabled_{};
    std::array<QCheckBox*, RowCount> chkConsole{};
    std::array<QLineEdit*, RowCount> txtConsoleIP{};
    QLabel* lblHelp = nullptr;
    std::map<QObject*, size_t> rowOf_;
};
