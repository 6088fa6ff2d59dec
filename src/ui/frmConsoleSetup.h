#pragma once
// The console ports dialog: enables the Zolt, Logitek and HVN console ports
// and the SW-P-08 and web ports and sets their TCP ports, restarting the Zolt
// listener when its port changes and moving the SW-P-08 and web ones at once.
#include "core/Settings.h"
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
    // One row for each console port of the settings service, in its order,
    // then the SW-P-08 port and the web port.
    static constexpr size_t RowSwp08 = ConsolePortCount;
    static constexpr size_t RowWeb = ConsolePortCount + 1;
    static constexpr size_t RowCount = ConsolePortCount + MovablePortCount;

    frmConsoleSetup(Server& s, QWidget* parent = nullptr);
    void cmdOk_Click();

    Ask ask;

protected:
    // Shows the help text of the row under the mouse.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartServer();

    Server& s_;
    // The enable flags reach the server only on OK.
    std::array<bool, RowCount> enabled_{};
    std::array<QCheckBox*, RowCount> chkConsole{};
    std::array<QLineEdit*, RowCount> txtConsoleIP{};
    QLabel* lblHelp = nullptr;
    std::map<QObject*, size_t> rowOf_;
};
