#pragma once
// The console ports dialog: enables the Zolt, Logitek and HVN console ports
// and the SW-P-08, Ember+ and web ports and sets their TCP ports, restarting
// the Zolt listener when its port changes and moving the others at once.
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
    // then one for each listening port (SW-P-08, Ember+, web).
    static constexpr size_t RowCount = ConsolePortCount + ListeningPortCount;
    static constexpr size_t RowWeb = RowCount - 1;

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
