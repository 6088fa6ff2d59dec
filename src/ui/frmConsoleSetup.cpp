#include "ui/frmConsoleSetup.h"

#include "ui/DialogParts.h"

#include "core/Settings.h"
#include "model/Server.h"

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
    "Enter the IP Port to be used by the server module for SW-P-08 router control. "
    "This is the IP port that will be used by any "
    "control systems, panels or automation that route with SW-P-08 "
    "over a TCP/IP Connection (usually 8910).  ",
    "Enter the IP Port of the Ember+ provider. "
    "This is the IP port that will be used by any Ember+ consumers "
    "(control systems and Ember+ viewers) that browse the switcher's names "
    "and status and route its crosspoints (usually 9000).  ",
    "Enter the IP Port to be used by the server module for the Web Panel and its HTTP interface. "
    "This is the IP port that browsers, scripts and monitoring systems "
    "use to reach the switcher (usually 8080).  ",
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

}  // namespace

frmConsoleSetup::frmConsoleSetup(Server& s, QWidget* parent) : QDialog(parent), ask(ModalAsk(this)), s_(s)
{
    setObjectName(QStringLiteral("frmConsoleSetup"));
    setWindowTitle(QStringLiteral("Console Setup"));

    auto* grid = new QGridLayout;
    grid->addWidget(Named(new QLabel(QStringLiteral("Type"), this), "lblType"), 0, 0);
    grid->addWidget(Named(new QLabel(QStringLiteral("Enabled"), this), "lblEnable"), 0, 1);
    grid->addWidget(Named(new QLabel(QStringLiteral("IP Port"), this), "lblIPPort"), 0, 2);
    const char* const captions[] = {"Zolt Commands", "Logitek", "HVN", "SW-P-08", "Ember+", "Web Panel"};
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

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(frmHelp);
    layout->addLayout(OkCancelRow(this, &frmConsoleSetup::cmdOk_Click));
    setMinimumWidth(380);

    StartServer();
}

void frmConsoleSetup::StartServer()
{
    for (size_t row = 0; row < RowCount; ++row) {
        const ConsolePortChoice shown =
            row >= ConsolePortCount
                ? PortShown(s_.cfg, ListeningPorts[row - ConsolePortCount])
                : ConsolePortChoice{s_.cfg.*ConsolePorts[row].Enabled, s_.cfg.*ConsolePorts[row].Number};
        enabled_[row] = shown.Enabled;
        chkConsole[row]->setChecked(enabled_[row]);
        txtConsoleIP[row]->setText(QString::number(shown.Number));
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

void frmConsoleSetup::cmdOk_Click()
{
    std::array<ConsolePortChoice, ConsolePortCount> rows;
    for (size_t row = 0; row < ConsolePortCount; ++row)
        rows[row] = {enabled_[row], LeadingNumber(txtConsoleIP[row]->text())};
    // The configuration file is written at exit.
    if (!ApplyConsolePorts(s_, rows, ask))
        return;
    for (size_t row = ConsolePortCount; row < RowCount; ++row) {
        const ConsolePortChoice chosen{enabled_[row], LeadingNumber(txtConsoleIP[row]->text())};
        if (!ApplyListeningPort(s_, ListeningPorts[row - ConsolePortCount], chosen, ask))
            return;
    }
    accept();
}
