#include "ui/frmSetup.h"

#include "ui/DialogParts.h"

#include "model/Server.h"
#include "switcher/SerialLink.h"
#include "ui/Logo.h"
#include "ui/frmConsoleSetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

// The entries of cmboSwitcher, in order.
constexpr SwitcherType SwitcherChoices[] = {SwitcherType::Draco, SwitcherType::Orion, SwitcherType::Vela,
                                            SwitcherType::PassThru};

// "Com 1" to "Com 16" lead cmboComPort.
constexpr int ComEntries = 16;

const char* const BaudRates[] = {"2400", "9600", "14400", "19200", "38400", "57600", "115200", "128000"};

const char* const OpeningHelp =
    "Select Com Port, Baud Rate, IP Port and Switcher type. Select Stay on Top, Log File, Log Error, Gain, and "
    "Archive Log File options, as well as the maximum size of the log files.  These options will be saved in the "
    "hvnhelm.ini file.";

QString LogSizeHelp(const char* which)
{
    return QStringLiteral(
               "Enter the maximum size (k bytes) %1.  When a log file exceeds this size a new file will be "
               "created.  If the Archive Log File option is selected the current file will be saved, "
               "otherwise it will be  deleted.  An entry of 0 means no limit.")
        .arg(QString::fromLatin1(which));
}

// The number a text starts with, as the configuration file reads numbers:
// leading blanks, an optional sign, digits; 0 when there are none.
long LeadingNumber(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    const bool negative = i < t.size() && t[i] == QLatin1Char('-');
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        ++i;
    long long value = 0;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i)
        value = std::min<long long>(value * 10 + (t[i].unicode() - '0'), LONG_MAX);
    return static_cast<long>(negative ? -value : value);
}

QCheckBox* Check(QWidget* parent, const char* name, const char* caption, const char* tip)
{
    auto* box = Named(new QCheckBox(QString::fromLatin1(caption), parent), name);
    box->setToolTip(QString::fromLatin1(tip));
    return box;
}

QLineEdit* Edit(QWidget* parent, const char* name, const char* tip, bool digitsOnly)
{
    auto* edit = Named(new QLineEdit(parent), name);
    edit->setToolTip(QString::fromLatin1(tip));
    if (digitsOnly)
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaximumWidth(90);
    return edit;
}

QLabel* Caption(QWidget* parent, const char* name, const char* text)
{
    return Named(new QLabel(QString::fromLatin1(text), parent), name);
}

}  // namespace

frmSetup::frmSetup(Server& s, QWidget* parent) : QDialog(parent), s_(s)
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("HVN Server Module Setup"));
    ask = ModalAsk(this);

    auto* imgLogo = Named(new QLabel(this), "imgLogo");
    imgLogo->setPixmap(LogoPixmap(64));
    imgLogo->setAlignment(Qt::AlignTop);

    auto* lblComPort = Caption(this, "lblComPort", "Serial Port");
    cmboComPort = Named(new QComboBox(this), "cmboComPort");
    cmboComPort->setToolTip(QStringLiteral("Select Current Serial Port for Switcher"));
    for (int i = 1; i <= ComEntries; ++i)
        cmboComPort->addItem(QStringLiteral("Com %1").arg(i));
    // After the COM numbers, the machine's serial devices by name; their
    // entries carry the path.
    for (const SerialDeviceInfo& device : s_.serial.availableDevices()) {
        // Device names and descriptions are UTF-8, as the system gives them.
        const QString path = QString::fromStdString(device.path);
        const QString description = QString::fromStdString(device.description);
        cmboComPort->addItem(description.isEmpty() ? path : path + " - " + description, path);
    }
    auto* lblBaudRate = Caption(this, "lblBaudRate", "Baud Rate");
    cmboBaudRate = Named(new QComboBox(this), "cmboBaudRate");
    cmboBaudRate->setToolTip(QStringLiteral("Select Baud Rate of Serial Port"));
    for (const char* rate : BaudRates)
        cmboBaudRate->addItem(QString::fromLatin1(rate));
    auto* lblSwitcher = Caption(this, "lblSwitcher", "Switcher");
    cmboSwitcher = Named(new QComboBox(this), "cmboSwitcher");
    for (SwitcherType type : SwitcherChoices)
        cmboSwitcher->addItem(QString::fromLatin1(Describe(type).SetupName));
    auto* lblIpPort = Caption(this, "lblIpPort", "IP Port");
    txtIpPort = Edit(this, "txtIpPort", "Select IP Port - Default is 1250", true);
    auto* lblMaxDisplay = Caption(this, "lblMaxDisplay", "Max Display");
    txtMaxDisplay = Edit(this, "txtMaxDisplay", "Select IP Port - Default is 1250", false);
    auto* lblMaxClients = Caption(this, "lblMaxClients", "Max Clients");
    txtMaxClients = Edit(this, "txtMaxClients", "Most connections on each IP Port - 0 means no limit", true);
    auto* lblListenAddress = Caption(this, "lblListenAddress", "Listen Address");
    txtListenAddress =
        Edit(this, "txtListenAddress", "Address of this computer the IP Ports listen on - empty means all", false);
    auto* lblAllowedClients = Caption(this, "lblAllowedClients", "Allowed Clients");
    txtAllowedClients =
        Edit(this, "txtAllowedClients", "Addresses and networks that may connect - empty means everybody", false);
    for (QLineEdit* wide : {txtListenAddress, txtAllowedClients})
        wide->setMaximumWidth(QWIDGETSIZE_MAX);

    auto* settings = new QGridLayout;
    settings->addWidget(lblComPort, 0, 0);
    settings->addWidget(cmboComPort, 0, 1);
    settings->addWidget(lblBaudRate, 0, 2);
    settings->addWidget(cmboBaudRate, 0, 3);
    settings->addWidget(lblSwitcher, 1, 0);
    settings->addWidget(cmboSwitcher, 1, 1);
    settings->addWidget(lblIpPort, 1, 2);
    settings->addWidget(txtIpPort, 1, 3);
    settings->addWidget(lblMaxDisplay, 2, 0);
    settings->addWidget(txtMaxDisplay, 2, 1);
    settings->addWidget(lblMaxClients, 2, 2);
    settings->addWidget(txtMaxClients, 2, 3);
    settings->addWidget(lblListenAddress, 3, 0);
    settings->addWidget(txtListenAddress, 3, 1, 1, 3);
    settings->addWidget(lblAllowedClients, 4, 0);
    settings->addWidget(txtAllowedClients, 4, 1, 1, 3);
    settings->setColumnStretch(4, 1);

    auto* frmCheckBox = Named(new QGroupBox(this), "frmCheckBox");
    chkLogFile = Check(frmCheckBox, "chkLogFile", "Log File",
                       "The Log File maintains a time stamped history of all message activity");
    chkError = Check(frmCheckBox, "chkError", "Error File",
                     "The Error Log File maintains a time stamped history of all Errors");
    chkSwitcherErrorLog = Check(frmCheckBox, "chkSwitcherErrorLog", "Switcher Error Log",
                                "The Swicther Error Log keeps all Errors generated by the Switcher");
    chkLogGain = Check(frmCheckBox, "chkLogGain", "Log Gain Changes", "Record Gain Changes Messages in Event Log");
    chkDisplayGain =
        Check(frmCheckBox, "chkDisplayGain", "Display Gain Changes", "Display Gain Change Messages in History Window");
    chkLogZolt = Check(frmCheckBox, "chkLogZolt", "Log Zolt Commands", "Log Zolt Commands to the Log File");
    chkDisplayZolt =
        Check(frmCheckBox, "chkDisplayZolt", "Display Zolt ", "Display Zolt Commands in the Event History Window");
    chkStayOnTop = Check(frmCheckBox, "chkStayOnTop", "Stay on Top",
                         "Force application to remain on top of other running applications");
    chkPanelMode = Check(frmCheckBox, "chkPanelMode", "Soft Panel Mode", "Allow support of soft panels");
    auto* checks = new QGridLayout(frmCheckBox);
    QCheckBox* const order[] = {chkLogFile, chkError,       chkSwitcherErrorLog, chkLogGain,  chkDisplayGain,
                                chkLogZolt, chkDisplayZolt, chkStayOnTop,        chkPanelMode};
    for (int i = 0; i < 9; ++i)
        checks->addWidget(order[i], i % 3, i / 3);

    const char* const archiveTip = "When maximum size of a log file is reached, archive the file.";
    const char* const sizeTip = "Maximum Log File Size - 0 means no limit.";
    const auto sizeFrame = [&](const char* frame, const char* label, const char* caption, QLineEdit*& edit,
                               const char* editName, QCheckBox*& archive, const char* archiveName) {
        auto* box = Named(new QGroupBox(this), frame);
        auto* row = new QHBoxLayout(box);
        // One width for the three captions, so the size fields line up.
        QLabel* text = Caption(box, label, caption);
        text->setMinimumWidth(180);
        row->addWidget(text);
        edit = Edit(box, editName, sizeTip, true);
        row->addWidget(edit);
        row->addStretch(1);
        archive = Check(box, archiveName, "Archive Log Files", archiveTip);
        row->addWidget(archive);
        return box;
    };
    auto* frLogFile =
        sizeFrame("frLogFile", "lblMax", "Maximum Log File Size", txtMaxSize, "txtMaxSize", chkArchive, "chkArchive");
    auto* frMaxErrorLog = sizeFrame("frMaxErrorLog", "lblMaxErr", "Maximum Error Log Size", txtMaxErrorLog,
                                    "txtMaxErrorLog", chkArchiveError, "chkArchiveError");
    auto* frMaxSwitcherErrorLog =
        sizeFrame("frMaxSwitcherErrorLog", "lblMaxSwitcherErr", "Max Switcher Error Log", txtMaxErrorSwitcherLog,
                  "txtMaxErrorSwitcherLog", chkArchiveSwictherError, "chkArchiveSwictherError");

    auto* frmHelp = HelpPanel(this, lblHelp);

    auto* cmdConsoleSetup = Named(new QPushButton(QStringLiteral("Setup Zolt/Console"), this), "cmdConsoleSetup");
    connect(cmdConsoleSetup, &QPushButton::clicked, this, &frmSetup::cmdConsoleSetup_Click);
    auto* cmdOk = Named(new QPushButton(QStringLiteral("&Ok"), this), "cmdOk");
    cmdOk->setDefault(true);
    auto* cmdCancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "cmdCancel");
    connect(cmdOk, &QPushButton::clicked, this, &frmSetup::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmboSwitcher, &QComboBox::currentIndexChanged, this, &frmSetup::cmboSwitcher_Click);
    connect(cmboBaudRate, &QComboBox::currentIndexChanged, this, &frmSetup::cmboBaudRate_Click);

    auto* top = new QHBoxLayout;
    top->addWidget(imgLogo);
    top->addLayout(settings, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdConsoleSetup);
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(frmCheckBox);
    layout->addWidget(frLogFile);
    layout->addWidget(frMaxErrorLog);
    layout->addWidget(frMaxSwitcherErrorLog);
    layout->addWidget(frmHelp);
    layout->addLayout(buttons);

    addHelp(chkLogFile,
            "When selected, all communications to and from the HVN Server Module are written to a log "
            "file called Eventlog.txt.  This file is saved in the local directory and may be viewed with "
            "any standard text editor such as Notepad.");
    addHelp(chkLogGain,
            "When selected, all Gain Changes received are recorded in the Eventlog.txt log file.  This "
            "file is saved in the local directory and may be viewed with any standard text editor such "
            "as Notepad.");
    addHelp(chkDisplayGain, "When selected, all Gain Changes received are displayed in the Command History Window.");
    addHelp(chkError,
            "When selected, errors encountered by the HVN Server Module will be written to a log file "
            "called Errorlog.txt.  This file is saved in the local directory and may be viewed with any "
            "standard text editor such as Notepad.");
    helpTexts_[frLogFile] = LogSizeHelp("for each log file");
    helpTexts_[frMaxErrorLog] = LogSizeHelp("for the Error log file");
    helpTexts_[frMaxSwitcherErrorLog] = LogSizeHelp("for the Switcher error log file");
    addHelp(lblComPort,
            "Select the Serial port used to connect to the HVN Routing Switcher.  This port must be "
            "installed and available to this computer.  All communications with the switcher will be "
            "done via this Comm Port.");
    addHelp(chkStayOnTop,
            "Select this option to keep the HVN Server Module displayed on top of other Windows applications.");
    addHelp(lblBaudRate,
            "Select the Baud Rate for the Serial Connection to the HVN Routing Switcher.  The default "
            "is 57600.");
    addHelp(lblSwitcher,
            "Select the type of the HVN Routing Switcher attached to this computer and to be "
            "controlled via the HVN Server Module.");
    const char* const ipPortHelp =
        "Enter the IP Port to be used by the server module.  This is the IP port that will be used by the HVN "
        "Windows Helm Software, Automation Engine and IP SoftPanels to communicate with the Server Module.  The "
        "default is 1250.";
    addHelp(lblIpPort, ipPortHelp);
    addHelp(txtIpPort, ipPortHelp);
    const char* const maxDisplayHelp =
        "Enter the maximum number of items to be displayed in the Server Module history list.  The default is 25 "
        "items.  When the maximum is reached, the oldest item is deleted when a new one is added.";
    addHelp(lblMaxDisplay, maxDisplayHelp);
    addHelp(txtMaxDisplay, maxDisplayHelp);
    const char* const maxClientsHelp =
        "Enter the most connections each IP port accepts at once.  A connection past the limit is closed at once "
        "and logged.  An entry of 0 means no limit.";
    addHelp(lblMaxClients, maxClientsHelp);
    addHelp(txtMaxClients, maxClientsHelp);
    const char* const listenAddressHelp =
        "Enter the address of this computer on which the IP ports take connections, for example 127.0.0.1 for "
        "this computer only or the address of one network card.  IPv6 addresses are accepted; :: means every "
        "IPv6 and IPv4 address.  Leave it empty for every IPv4 address.";
    addHelp(lblListenAddress, listenAddressHelp);
    addHelp(txtListenAddress, listenAddressHelp);
    const char* const allowedClientsHelp =
        "Enter the addresses and networks that may connect to the IP ports, separated by commas, for example "
        "192.168.1.0/24, 10.0.0.7.  IPv6 addresses and networks are accepted.  A connection from anywhere else is "
        "closed at once and logged.  Leave it empty to let everybody connect.";
    addHelp(lblAllowedClients, allowedClientsHelp);
    addHelp(txtAllowedClients, allowedClientsHelp);
    addHelp(chkPanelMode,
            "When selected, .ndf files are maintained for use by HVN Network Softpanels.  This has no "
            "effect on IP SoftPanels.");
    addHelp(chkLogZolt,
            "When selected, all communications received via the Zolt/Console IP Port by the HVN Server "
            "Module are written to a log file called Eventlog.txt.  This file is saved in the local "
            "directory and may be viewed with any standard text editor such as Notepad.");
    addHelp(chkSwitcherErrorLog,
            "When selected, all Errors reported by the Vela Switcher to the HVN Server Module "
            "are written to a log file called SwitcherErrorlog.txt.  This file is saved in the "
            "local directory and may be viewed with any standard text editor such as Notepad.");
    for (const auto& [control, text] : helpTexts_)
        control->installEventFilter(this);

    StartServer();
}

void frmSetup::addHelp(QWidget* control, const char* text) { helpTexts_[control] = QString::fromLatin1(text); }

bool frmSetup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Enter) {
        const auto it = helpTexts_.find(watched);
        if (it != helpTexts_.end())
            lblHelp->setText(it->second);
    }
    return QDialog::eventFilter(watched, event);
}

void frmSetup::StartServer()
{
    const Config& c = s_.cfg;
    SetupLoading = true;
    // A port beyond the list, or a rate not in it, leaves nothing selected
    // and the setting unchanged. A device in use that the machine does not
    // list (a pseudo-terminal, a pulled adapter) gets an entry of its own.
    const QString device = QString::fromStdString(ChosenSerialDevice(s_));
    if (device.isEmpty()) {
        cmboComPort->setCurrentIndex(c.CommPort >= 1 && c.CommPort <= ComEntries ? c.CommPort - 1 : -1);
    } else {
        if (cmboComPort->findData(device) < 0)
            cmboComPort->addItem(device, device);
        cmboComPort->setCurrentIndex(cmboComPort->findData(device));
    }
    cmboBaudRate->setCurrentIndex(cmboBaudRate->findText(Text(c.BaudRate)));
    cmboSwitcher->setCurrentText(QString::fromLatin1(Family(s_.model).SetupName));
    txtIpPort->setText(QString::number(c.HelmPort));
    txtMaxDisplay->setText(QString::number(c.MaxListSize));
    txtMaxClients->setText(QString::number(c.MaxClients));
    txtListenAddress->setText(Text(BindAddress(c)));
    txtAllowedClients->setText(Text(c.AllowedClients));
    txtMaxSize->setText(QString::number(c.MaxLogFileSize));
    txtMaxErrorLog->setText(QString::number(c.MaxErrorLogSize));
    txtMaxErrorSwitcherLog->setText(QString::number(c.MaxSwitcherErrorLogSize));
    chkArchive->setChecked(c.ArchiveLogFiles);
    chkArchiveError->setChecked(c.ArchiveErrorFiles);
    chkArchiveSwictherError->setChecked(c.ArchiveSwitcherErrors);
    chkLogFile->setChecked(c.MaintainLogFile);
    chkError->setChecked(c.MaintainErrorLog);
    chkSwitcherErrorLog->setChecked(c.LogSwitcherErrors);
    chkLogGain->setChecked(c.LogGains);
    chkDisplayGain->setChecked(c.DisplayGains);
    chkLogZolt->setChecked(c.RecordZolt);
    chkDisplayZolt->setChecked(c.LogZolt);
    chkStayOnTop->setChecked(c.StayOnTop == StayOnTopYes);
    chkPanelMode->setChecked(c.MaintainNdf);
    lblHelp->setText(QString::fromLatin1(OpeningHelp));
    SetupLoading = false;
}

SwitcherType frmSetup::ChosenSwitcher() const
{
    const int entry = cmboSwitcher->currentIndex();
    return entry >= 0 ? SwitcherChoices[static_cast<size_t>(entry)] : SwitcherType::Orion;
}

void frmSetup::cmboSwitcher_Click()
{
    if (SetupLoading)
        return;
    cmboBaudRate->setCurrentText(QString::fromLatin1(Describe(ChosenSwitcher()).BaudRate));
}

void frmSetup::cmboBaudRate_Click()
{
    if (SetupLoading)
        return;
    const QString required = QString::fromLatin1(Describe(ChosenSwitcher()).BaudRate);
    if (cmboBaudRate->currentText() != required)
        ask({"Warning", "The Selected Switcher Requires a Baud Rate of " + Latin1(required), BoxButtons::Ok,
             BoxIcon::Information, BoxResult::Ok});
}

void frmSetup::cmdConsoleSetup_Click()
{
    frmConsoleSetup dialog(s_, this);
    dialog.exec();
}

void frmSetup::cmdOk_Click()
{
    if (ApplySetup(s_, EditedSettings(), ask))
        accept();
}

SetupSettings frmSetup::EditedSettings() const
{
    SetupSettings edited{s_.cfg, ChosenSwitcher()};
    Config& c = edited.cfg;
    // A COM entry leaves the device to the number; a device entry keeps the
    // number as it is.
    c.SerialDevice = cmboComPort->currentData().toString().toStdString();
    c.CommPort = c.SerialDevice.empty() ? cmboComPort->currentIndex() + 1 : s_.cfg.CommPort;
    c.BaudRate = Latin1(cmboBaudRate->currentText());
    c.MaintainLogFile = chkLogFile->isChecked();
    c.DisplayGains = chkDisplayGain->isChecked();
    c.LogGains = chkLogGain->isChecked();
    c.LogSwitcherErrors = chkSwitcherErrorLog->isChecked();
    c.RecordZolt = chkLogZolt->isChecked();
    c.LogZolt = chkDisplayZolt->isChecked();
    c.MaintainErrorLog = chkError->isChecked();
    c.MaintainNdf = chkPanelMode->isChecked();
    c.StayOnTop = chkStayOnTop->isChecked() ? StayOnTopYes : StayOnTopNo;
    c.ArchiveLogFiles = chkArchive->isChecked();
    c.ArchiveErrorFiles = chkArchiveError->isChecked();
    c.ArchiveSwitcherErrors = chkArchiveSwictherError->isChecked();
    c.MaxListSize = static_cast<int>(std::clamp<long>(LeadingNumber(txtMaxDisplay->text()), 0, INT_MAX));
    c.MaxLogFileSize = LeadingNumber(txtMaxSize->text());
    c.MaxErrorLogSize = LeadingNumber(txtMaxErrorLog->text());
    c.MaxSwitcherErrorLogSize = LeadingNumber(txtMaxErrorSwitcherLog->text());
    c.ListenAddress = Latin1(txtListenAddress->text().trimmed());
    c.AllowedClients = Latin1(txtAllowedClients->text().trimmed());
    c.MaxClients = LeadingNumber(txtMaxClients->text());
    c.HelmPort = LeadingNumber(txtIpPort->text());
    return edited;
}
