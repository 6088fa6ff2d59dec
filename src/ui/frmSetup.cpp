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

// Help texts of the controls (the log size frames' follow below).
const char* const ComPortHelp =
    "Select the Serial port used to connect to the HVN Routing Switcher.  This port must be installed and available "
    "to this computer.  All communications with the switcher will be done via this Comm Port.";
const char* const BaudRateHelp =
    "Select the Baud Rate for the Serial Connection to the HVN Routing Switcher.  The default is 57600.";
const char* const SwitcherHelp =
    "Select the type of the HVN Routing Switcher attached to this computer and to be controlled via the HVN Server "
    "Module.";
const char* const IpPortHelp =
    "Enter the IP Port to be used by the server module.  This is the IP port that will be used by the HVN Windows "
    "Helm Software, Automation Engine and IP SoftPanels to communicate with the Server Module.  The default is 1250.";
const char* const MaxDisplayHelp =
    "Enter the maximum number of items to be displayed in the Server Module history list.  The default is 25 items.  "
    "When the maximum is reached, the oldest item is deleted when a new one is added.";
const char* const MaxClientsHelp =
    "Enter the most connections each IP port accepts at once.  A connection past the limit is closed at once and "
    "logged.  An entry of 0 means no limit.";
const char* const ListenAddressHelp =
    "Enter the address of this computer on which the IP ports take connections, for example 127.0.0.1 for this "
    "computer only or the address of one network card.  IPv6 addresses are accepted; :: means every IPv6 and IPv4 "
    "address.  Leave it empty for every IPv4 address.";
const char* const AllowedClientsHelp =
    "Enter the addresses and networks that may connect to the IP ports, separated by commas, for example "
    "192.168.1.0/24, 10.0.0.7.  IPv6 addresses and networks are accepted.  A connection from anywhere else is closed "
    "at once and logged.  Leave it empty to let everybody connect.";
const char* const LogFileHelp =
    "When selected, all communications to and from the HVN Server Module are written to a log file called "
    "Eventlog.txt.  This file is saved in the local directory and may be viewed with any standard text editor such "
    "as Notepad.";
const char* const ErrorFileHelp =
    "When selected, errors encountered by the HVN Server Module will be written to a log file called Errorlog.txt.  "
    "This file is saved in the local directory and may be viewed with any standard text editor such as Notepad.";
const char* const SwitcherErrorLogHelp =
    "When selected, all Errors reported by the Vela Switcher to the HVN Server Module are written to a log file "
    "called SwitcherErrorlog.txt.  This file is saved in the local directory and may be viewed with any standard "
    "text editor such as Notepad.";
const char* const LogGainHelp =
    "When selected, all Gain Changes received are recorded in the Eventlog.txt log file.  This file is saved in the "
    "local directory and may be viewed with any standard text editor such as Notepad.";
const char* const DisplayGainHelp =
    "When selected, all Gain Changes received are displayed in the Command History Window.";
const char* const LogZoltHelp =
    "When selected, all communications received via the Zolt/Console IP Port by the HVN Server Module are written "
    "to a log file called Eventlog.txt.  This file is saved in the local directory and may be viewed with any "
    "standard text editor such as Notepad.";
const char* const StayOnTopHelp =
    "Select this option to keep the HVN Server Module displayed on top of other Windows applications.";
const char* const PanelModeHelp =
    "When selected, .ndf files are maintained for use by HVN Network Softpanels.  This has no effect on IP "
    "SoftPanels.";

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
    auto* top = new QHBoxLayout;
    top->addWidget(imgLogo);
    top->addLayout(BuildSettingsGrid(), 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(BuildCheckBoxes());
    BuildLogSizeFrames(layout);
    layout->addWidget(HelpPanel(this, lblHelp));
    layout->addLayout(BuildButtons());
    for (const auto& [control, text] : helpTexts_)
        control->installEventFilter(this);

    StartServer();
}

QGridLayout* frmSetup::BuildSettingsGrid()
{
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
    cmboBaudRate = Named(new QComboBox(this), "cmboBaudRate");
    cmboBaudRate->setToolTip(QStringLiteral("Select Baud Rate of Serial Port"));
    for (const char* rate : BaudRates)
        cmboBaudRate->addItem(QString::fromLatin1(rate));
    cmboSwitcher = Named(new QComboBox(this), "cmboSwitcher");
    for (SwitcherType type : SwitcherChoices)
        cmboSwitcher->addItem(QString::fromLatin1(Describe(type).SetupName));
    txtIpPort = Edit(this, "txtIpPort", "Select IP Port - Default is 1250", true);
    txtMaxDisplay = Edit(this, "txtMaxDisplay", "Select IP Port - Default is 1250", false);
    txtMaxClients = Edit(this, "txtMaxClients", "Most connections on each IP Port - 0 means no limit", true);
    txtListenAddress =
        Edit(this, "txtListenAddress", "Address of this computer the IP Ports listen on - empty means all", false);
    txtAllowedClients =
        Edit(this, "txtAllowedClients", "Addresses and networks that may connect - empty means everybody", false);
    for (QLineEdit* wide : {txtListenAddress, txtAllowedClients})
        wide->setMaximumWidth(QWIDGETSIZE_MAX);

    // Each control with its caption before it; the help shows over the
    // caption, and over a text box as well.
    const struct {
        const char* name;
        const char* caption;
        QWidget* control;
        int row, column, span;
        const char* help;
    } cells[] = {
        {"lblComPort", "Serial Port", cmboComPort, 0, 0, 1, ComPortHelp},
        {"lblBaudRate", "Baud Rate", cmboBaudRate, 0, 2, 1, BaudRateHelp},
        {"lblSwitcher", "Switcher", cmboSwitcher, 1, 0, 1, SwitcherHelp},
        {"lblIpPort", "IP Port", txtIpPort, 1, 2, 1, IpPortHelp},
        {"lblMaxDisplay", "Max Display", txtMaxDisplay, 2, 0, 1, MaxDisplayHelp},
        {"lblMaxClients", "Max Clients", txtMaxClients, 2, 2, 1, MaxClientsHelp},
        {"lblListenAddress", "Listen Address", txtListenAddress, 3, 0, 3, ListenAddressHelp},
        {"lblAllowedClients", "Allowed Clients", txtAllowedClients, 4, 0, 3, AllowedClientsHelp},
    };
    auto* grid = new QGridLayout;
    for (const auto& cell : cells) {
        QLabel* label = Caption(this, cell.name, cell.caption);
        grid->addWidget(label, cell.row, cell.column);
        grid->addWidget(cell.control, cell.row, cell.column + 1, 1, cell.span);
        addHelp(label, cell.help);
        if (qobject_cast<QLineEdit*>(cell.control))
            addHelp(cell.control, cell.help);
    }
    grid->setColumnStretch(4, 1);
    return grid;
}

QGroupBox* frmSetup::BuildCheckBoxes()
{
    // In three columns of three, top to bottom.
    const struct {
        QCheckBox* frmSetup::*box;
        const char* name;
        const char* caption;
        const char* tip;
        const char* help;
    } boxes[] = {
        {&frmSetup::chkLogFile, "chkLogFile", "Log File",
         "The Log File maintains a time stamped history of all message activity", LogFileHelp},
        {&frmSetup::chkError, "chkError", "Error File",
         "The Error Log File maintains a time stamped history of all Errors", ErrorFileHelp},
        {&frmSetup::chkSwitcherErrorLog, "chkSwitcherErrorLog", "Switcher Error Log",
         "The Swicther Error Log keeps all Errors generated by the Switcher", SwitcherErrorLogHelp},
        {&frmSetup::chkLogGain, "chkLogGain", "Log Gain Changes", "Record Gain Changes Messages in Event Log",
         LogGainHelp},
        {&frmSetup::chkDisplayGain, "chkDisplayGain", "Display Gain Changes",
         "Display Gain Change Messages in History Window", DisplayGainHelp},
        {&frmSetup::chkLogZolt, "chkLogZolt", "Log Zolt Commands", "Log Zolt Commands to the Log File", LogZoltHelp},
        {&frmSetup::chkDisplayZolt, "chkDisplayZolt", "Display Zolt ",
         "Display Zolt Commands in the Event History Window", nullptr},
        {&frmSetup::chkStayOnTop, "chkStayOnTop", "Stay on Top",
         "Force application to remain on top of other running applications", StayOnTopHelp},
        {&frmSetup::chkPanelMode, "chkPanelMode", "Soft Panel Mode", "Allow support of soft panels", PanelModeHelp},
    };
    auto* frmCheckBox = Named(new QGroupBox(this), "frmCheckBox");
    auto* grid = new QGridLayout(frmCheckBox);
    int i = 0;
    for (const auto& b : boxes) {
        QCheckBox* box = Check(frmCheckBox, b.name, b.caption, b.tip);
        this->*b.box = box;
        grid->addWidget(box, i % 3, i / 3);
        ++i;
        if (b.help != nullptr)
            addHelp(box, b.help);
    }
    return frmCheckBox;
}

void frmSetup::BuildLogSizeFrames(QVBoxLayout* layout)
{
    const struct {
        const char* frame;
        const char* label;
        const char* caption;
        QLineEdit* frmSetup::*edit;
        const char* editName;
        QCheckBox* frmSetup::*archive;
        const char* archiveName;
        const char* which;  // in the help text
    } frames[] = {
        {"frLogFile", "lblMax", "Maximum Log File Size", &frmSetup::txtMaxSize, "txtMaxSize", &frmSetup::chkArchive,
         "chkArchive", "for each log file"},
        {"frMaxErrorLog", "lblMaxErr", "Maximum Error Log Size", &frmSetup::txtMaxErrorLog, "txtMaxErrorLog",
         &frmSetup::chkArchiveError, "chkArchiveError", "for the Error log file"},
        {"frMaxSwitcherErrorLog", "lblMaxSwitcherErr", "Max Switcher Error Log", &frmSetup::txtMaxErrorSwitcherLog,
         "txtMaxErrorSwitcherLog", &frmSetup::chkArchiveSwictherError, "chkArchiveSwictherError",
         "for the Switcher error log file"},
    };
    for (const auto& f : frames) {
        auto* box = Named(new QGroupBox(this), f.frame);
        auto* row = new QHBoxLayout(box);
        // One width for the three captions, so the size fields line up.
        QLabel* text = Caption(box, f.label, f.caption);
        text->setMinimumWidth(180);
        row->addWidget(text);
        this->*f.edit = Edit(box, f.editName, "Maximum Log File Size - 0 means no limit.", true);
        row->addWidget(this->*f.edit);
        row->addStretch(1);
        this->*f.archive = Check(box, f.archiveName, "Archive Log Files",
                                 "When maximum size of a log file is reached, archive the file.");
        row->addWidget(this->*f.archive);
        helpTexts_[box] = LogSizeHelp(f.which);
        layout->addWidget(box);
    }
}

QHBoxLayout* frmSetup::BuildButtons()
{
    auto* cmdConsoleSetup = Named(new QPushButton(QStringLiteral("Setup Zolt/Console"), this), "cmdConsoleSetup");
    connect(cmdConsoleSetup, &QPushButton::clicked, this, &frmSetup::cmdConsoleSetup_Click);
    connect(cmboSwitcher, &QComboBox::currentIndexChanged, this, &frmSetup::cmboSwitcher_Click);
    connect(cmboBaudRate, &QComboBox::currentIndexChanged, this, &frmSetup::cmboBaudRate_Click);
    QHBoxLayout* buttons = OkCancelRow(this, &frmSetup::cmdOk_Click);
    buttons->insertWidget(0, cmdConsoleSetup);
    return buttons;
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
