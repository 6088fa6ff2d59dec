#include "ui/frmConsoleSetup.h"

#include "ui/DialogParts.h"

#include "core/Lifecycle.h"
#include "disk/Trap.h"
#include "model/Server.h"
#include "zolt/Zolt.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

constexpr long LastPort = 65535;

const char* const LoadHelp =
    "Enable the IP Ports for Zolt, HVN and Logitek commands as required "
    "and select the desired IP Port for each port enabled.  "
    "These are the IP ports that will be used by any consoles "
    "or other devices for a TCP/IP Connection to the switcher.";

const char* const RowHelp[] = {
    "Enter the IP Port to be used by the server module for Zolt/Consoles. "
    "This is the IP port that will be used by any "
    "Consoles or other Devices that use standard HVN "
    "Zolt Commands over a TCP/IP Connection.  ",
    "Enter the IP Port to be used by the server module for Logitek Consoles. "
    "This is the IP port that will be used by any "
    "Logitek Consoles for a TCP/IP Connection. ",
    "Enter the IP Port to be used by the server module for HVN Consoles. "
    "This is the IP port that will be used by any "
    "HVN Consoles for a TCP/IP Connection.  ",
    "Enter the IP Port to be used by the server module for the Web Panel and its HTTP interface. "
    "This is the IP port that browsers, scripts and monitoring systems "
    "use to reach the switcher.  0 or unticked turns it off.  ",
};

// The number the text starts with; 0 when it starts with no digit.
long LeadingNumber(const QString& Text)
{
    long value = 0;
    for (const QChar ch : Text) {
        if (!ch.isDigit() || ch.unicode() > '9')
            break;
        // Past any port number already; stop before the value could overflow.
        if (value > LastPort)
            break;
        value = value * 10 + (ch.unicode() - '0');
    }
    return value;
}

// The port and enable settings of one console row (the web row has its own).
long& PortOf(Config& c, size_t Row)
{
    return Row == frmConsoleSetup::RowZolt      ? c.ZoltPort
           : Row == frmConsoleSetup::RowLogitek ? c.LogitekPort
                                                : c.HvnPort;
}

bool& EnableOf(Config& c, size_t Row)
{
    return Row == frmConsoleSetup::RowZolt      ? c.EnableZoltPort
           : Row == frmConsoleSetup::RowLogitek ? c.EnableLogitekPort
                                                : c.EnableHvnPort;
}

}  // namespace

frmConsoleSetup::frmConsoleSetup(Server& s, QWidget* parent) : QDialog(parent), ask(ModalAsk(this)), s_(s)
{
    setObjectName(QStringLiteral("frmConsoleSetup"));
    setWindowTitle(QStringLiteral("Console Setup"));

    auto* grid = new QGridLayout;
    grid->addWidget(Named(new QLabel(QStringLiteral("Type"), this), "lblType"), 0, 0);
    grid->addWidget(Named(new QLabel(QStringLiteral("Enabled"), this), "lblEnable"), 0, 1);
    grid->addWidget(Named(new QLabel(QStringLiteral("IP Port"), this), "lblIPPort"), 0, 2);
    const char* const captions[] = {"Zolt Commands", "Logitek", "HVN", "Web Panel"};
    // The characters the port boxes take: "/" and the digits, as operators have always typed them.
    auto* portCharacters = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[/0-9]*")), this);
    for (size_t row = 0; row < RowCount; ++row) {
        auto* label = Named(new QLabel(QString::fromLatin1(captions[row]), this), "lblConsole");
        chkConsole[row] = Named(new QCheckBox(this), "chkConsole");
        txtConsoleIP[row] = Named(new QLineEdit(this), "txtConsoleIP");
        txtConsoleIP[row]->setValidator(portCharacters);
        for (QWidget* control : {static_cast<QWidget*>(label), static_cast<QWidget*>(chkConsole[row]),
                                 static_cast<QWidget*>(txtConsoleIP[row])}) {
            control->setProperty("Index", static_cast<int>(row));
            control->installEventFilter(this);
            rowOf_[control] = row;
        }
        connect(chkConsole[row], &QCheckBox::toggled, this, [this, row](bool on) { enabled_[row] = on; });
        const int gridRow = static_cast<int>(row) + 1;
        grid->addWidget(label, gridRow, 0);
        grid->addWidget(chkConsole[row], gridRow, 1, Qt::AlignCenter);
        grid->addWidget(txtConsoleIP[row], gridRow, 2);
    }

    auto* frmHelp = HelpPanel(this, lblHelp);

    auto* cmdOk = Named(new QPushButton(QStringLiteral("&Ok"), this), "cmdOk");
    cmdOk->setDefault(true);
    auto* cmdCancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "cmdCancel");
    connect(cmdOk, &QPushButton::clicked, this, &frmConsoleSetup::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(frmHelp);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    StartServer();
}

void frmConsoleSetup::StartServer()
{
    for (size_t row = 0; row < RowCount; ++row) {
        const long port = row == RowWeb ? WebPortInForce(s_.cfg) : PortOf(s_.cfg, row);
        enabled_[row] = row == RowWeb ? port > 0 : EnableOf(s_.cfg, row);
        chkConsole[row]->setChecked(enabled_[row]);
        txtConsoleIP[row]->setText(QString::number(port));
    }
    lblHelp->setText(QString::fromLatin1(LoadHelp));
}

bool frmConsoleSetup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Enter) {
        const auto it = rowOf_.find(watched);
        if (it != rowOf_.end())
            lblHelp->setText(QString::fromLatin1(RowHelp[it->second]));
    }
    return QDialog::eventFilter(watched, event);
}

bool frmConsoleSetup::RowPort(size_t Row, const char* Name, long& Port)
{
    Port = enabled_[Row] ? LeadingNumber(txtConsoleIP[Row]->text()) : 0;
    if (Port <= LastPort)
        return true;
    ask({"Port Error", std::string("Invalid IP Port # for ") + Name + ". Please reenter a number between 1 and 65535",
         BoxButtons::Ok, BoxIcon::Exclamation, BoxResult::Ok});
    return false;
}

bool frmConsoleSetup::ApplyPorts()
{
    Config& c = s_.cfg;
    for (size_t row = 0; row < RowWeb; ++row)
        EnableOf(c, row) = enabled_[row];

    long port = 0;
    if (!RowPort(RowZolt, "Zolt commands", port))
        return false;
    if (port != c.ZoltPort) {
        const BoxResult answer = ask({"IP Port Change",
                                      "You have entered a new Zolt IP Port#\r\nThis will disconnect any users "
                                      "currently attached\r\nPlease Confirm",
                                      BoxButtons::OkCancel, BoxIcon::Question, BoxResult::Ok});
        if (answer != BoxResult::Ok)
            return false;
        c.ZoltPort = port;
        RestartConsolePort(s_);
    }
    if (!RowPort(RowLogitek, "Logitek Console", port))
        return false;
    // Used from the next start on: the listener keeps its port.
    c.LogitekPort = port;
    if (!RowPort(RowHvn, "HVN Console", port))
        return false;
    c.HvnPort = port;
    if (!RowPort(RowWeb, "the Web Panel", port) || !ApplyWebPort(port))
        return false;

    std::string error;
    if (!c.EnableZoltPort && s_.sockets.isListening(Port::Zolt))
        s_.sockets.closeListener(Port::Zolt);
    else if (c.EnableZoltPort && !s_.sockets.isListening(Port::Zolt))
        s_.sockets.listen(Port::Zolt, BindAddress(c), c.ZoltPort, error);
    if (!c.EnableLogitekPort && s_.sockets.isListening(Port::Logitek))
        s_.sockets.closeListener(Port::Logitek);
    else if (c.EnableLogitekPort && !s_.sockets.isListening(Port::Logitek))
        s_.sockets.listen(Port::Logitek, BindAddress(c), c.LogitekPort, error);
    return true;
}

bool frmConsoleSetup::ApplyWebPort(long Port)
{
    Config& c = s_.cfg;
    if (Port == WebPortInForce(c))
        return true;
    const BoxResult answer = ask(
        {"IP Port Change",
         "You have entered a new Web IP Port#\r\nThis will disconnect any users currently attached\r\nPlease Confirm",
         BoxButtons::OkCancel, BoxIcon::Question, BoxResult::Ok});
    if (answer != BoxResult::Ok)
        return false;
    // The operator's port ends one given on the command line.
    c.WebPort = Port;
    c.WebPortOption.reset();
    if (!OpenWebListener(s_))
        ask({"IP Error",
             "Error opening IP Port.  Port " + std::to_string(Port) +
                 " may already be in use.\rPlease verify this IP Port is available or select another IP Port.",
             BoxButtons::Ok, BoxIcon::Critical, BoxResult::Ok});
    return true;
}

void frmConsoleSetup::cmdOk_Click()
{
    bool done = false;
    Trap(s_, "Error Saving Console", "Serial/IP Error", [&] { done = ApplyPorts(); });
    // The configuration file is written at exit.
    if (done)
        accept();
}
