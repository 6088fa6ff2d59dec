#pragma once
// The setup dialog: serial port, baud rate, switcher type, Helm port, who
// may connect, logs and display options, applied to the running server on OK.
#include "core/Settings.h"
#include "ui/Boxes.h"

#include <QDialog>

#include <map>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class Server;

class frmSetup : public QDialog {
    Q_OBJECT
public:
    frmSetup(Server& s, QWidget* parent = nullptr);
    void cmdOk_Click();
    void cmdConsoleSetup_Click();

    Ask ask;

protected:
    // Shows the help text of the control under the mouse.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The groups of controls the constructor lays out, each registering its help texts.
    QGridLayout* BuildSettingsGrid();
    QGroupBox* BuildCheckBoxes();
    void BuildLogSizeFrames(QVBoxLayout* layout);
    QHBoxLayout* BuildButtons();
    void StartServer();
    // The switcher chosen in cmboSwitcher.
    SwitcherType ChosenSwitcher() const;
    void cmboSwitcher_Click();
    void cmboBaudRate_Click();
    // The settings as the controls show them, for the core to apply.
    SetupSettings EditedSettings() const;
    void addHelp(QWidget* control, const char* text);

    Server& s_;
    // True while the controls are filled, so that their change handlers keep quiet.
    bool SetupLoading = false;
    std::map<QObject*, QString> helpTexts_;

    QComboBox* cmboComPort;
    QComboBox* cmboBaudRate;
    QComboBox* cmboSwitcher;
    QLineEdit* txtIpPort;
    QLineEdit* txtMaxDisplay;
    QLineEdit* txtMaxClients;
    QLineEdit* txtListenAddress;
    QLineEdit* txtAllowedClients;
    QLineEdit* txtMaxSize;
    QLineEdit* txtMaxErrorLog;
    QLineEdit* txtMaxErrorSwitcherLog;
    QCheckBox* chkArchive;
    QCheckBox* chkArchiveError;
    QCheckBox* chkArchiveSwictherError;
    QCheckBox* chkLogFile;
    QCheckBox* chkError;
    QCheckBox* chkSwitcherErrorLog;
    QCheckBox* chkLogGain;
    QCheckBox* chkDisplayGain;
    QCheckBox* chkLogZolt;
    QCheckBox* chkDisplayZolt;
    QCheckBox* chkStayOnTop;
    QCheckBox* chkPanelMode;
    QLabel* lblHelp;
};
