// The console ports dialog on the offscreen platform.
#include "ui/UiRig.h"
#include "ui/frmConsoleSetup.h"
#include "ui/frmSetup.h"
#include "zolt/Zolt.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::string S(const QString& text) { return text.toStdString(); }

// The web port's row, the last.
constexpr int WebRow = frmConsoleSetup::RowWeb;

struct ConsoleRig : DialogRig {
    std::unique_ptr<frmConsoleSetup> dialog;

    explicit ConsoleRig(const std::string& ini = "Console IP Port=1200\r\nLogitek IP Port=1300\r\n") : DialogRig(ini)
    {
        dialog = std::make_unique<frmConsoleSetup>(server);
        dialog->ask = answers.ask();
    }
    // Control Name of Row.
    template <class W>
    W* row(const char* name, int Row)
    {
        for (W* w : dialog->findChildren<W*>(QString::fromLatin1(name)))
            if (w->property("Index").toInt() == Row)
                return w;
        ADD_FAILURE() << name << " " << Row;
        return nullptr;
    }
    void type(int Row, const char* text) { row<QLineEdit>("txtConsoleIP", Row)->setText(QString::fromLatin1(text)); }
    void tick(int Row, bool on) { row<QCheckBox>("chkConsole", Row)->setChecked(on); }
    bool ok()
    {
        dialog->findChild<QPushButton*>(QStringLiteral("cmdOk"))->click();
        return dialog->result() == QDialog::Accepted;
    }
    std::string help() { return S(dialog->findChild<QLabel*>(QStringLiteral("lblHelp"))->text()); }
    int console(const char* address)
    {
        sockets.pendingAddresses.push_back(address);
        server.onConnectionRequest(Port::Zolt);
        return server.ZoltClients.SlotCount();
    }
};

}  // namespace

TEST(ConsoleSetupDialog, OpensOnTheRunningPortsAndShowsEachRowsHelp)
{
    ConsoleRig rig;
    EXPECT_EQ(S(rig.dialog->windowTitle()), "Console Setup");
    EXPECT_TRUE(rig.row<QCheckBox>("chkConsole", 1)->isChecked());
    EXPECT_FALSE(rig.row<QCheckBox>("chkConsole", 2)->isChecked());
    EXPECT_EQ(S(rig.row<QLineEdit>("txtConsoleIP", 0)->text()), "1200");
    EXPECT_EQ(S(rig.row<QLabel>("lblConsole", 0)->text()), "Zolt Commands");
    EXPECT_EQ(rig.help().rfind("Enable the IP Ports for Zolt, HVN and Logitek commands as required and select", 0), 0u);

    const auto hover = [&](QWidget* control) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(control, &enter);
        return rig.help();
    };
    EXPECT_EQ(hover(rig.row<QLineEdit>("txtConsoleIP", 0)),
              "Enter the IP Port to be used by the server module for Zolt/Consoles. This is the IP port that will be "
              "used by any Consoles or other Devices that use standard HVN Zolt Commands over a TCP/IP Connection.  ");
    EXPECT_EQ(hover(rig.row<QLabel>("lblConsole", 1))
                  .rfind("Enter the IP Port to be used by the server module for "
                         "Logitek Consoles.",
                         0),
              0u);
    EXPECT_EQ(hover(rig.row<QCheckBox>("chkConsole", 2))
                  .rfind("Enter the IP Port to be used by the server module for "
                         "HVN Consoles.",
                         0),
              0u);
}

TEST(ConsoleSetupDialog, ANewZoltPortIsConfirmedAndRestartsTheListener)
{
    ConsoleRig rig;
    rig.console("10.0.1.1");
    QLineEdit* edit = rig.row<QLineEdit>("txtConsoleIP", 0);
    edit->clear();
    for (char c : std::string("1a2/5-")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QLatin1Char(c)));
        QCoreApplication::sendEvent(edit, &press);
    }
    EXPECT_EQ(S(edit->text()), "12/5");
    rig.answers.script = {BoxResult::Cancel};
    EXPECT_FALSE(rig.ok());
    ASSERT_EQ(rig.answers.asked.size(), 1u);
    EXPECT_EQ(rig.answers.asked[0].title, "IP Port Change");
    EXPECT_EQ(rig.answers.asked[0].text,
              "You have entered a new Zolt IP Port#\r\nThis will disconnect any users currently attached\r\n"
              "Please Confirm");
    EXPECT_EQ(rig.server.cfg.ZoltPort, 1200);
    EXPECT_TRUE(rig.sockets.isConnected(Port::Zolt, 1));

    rig.answers.script = {BoxResult::Ok};
    EXPECT_TRUE(rig.ok());
    EXPECT_EQ(rig.server.cfg.ZoltPort, 12);  // the number stops at the "/"
    EXPECT_EQ(rig.sockets.listening[Port::Zolt], 12);
    EXPECT_FALSE(rig.sockets.isConnected(Port::Zolt, 1));
    EXPECT_EQ(rig.server.ZoltClients.SlotCount(), 0);
    EXPECT_TRUE(rig.sockets.isListening(Port::Zolt));
}

TEST(ConsoleSetupDialog, DisablingTheZoltRowClosesItsListenerAfterConfirmation)
{
    ConsoleRig rig;
    ASSERT_TRUE(rig.sockets.isListening(Port::Zolt));
    rig.console("10.0.1.1");
    rig.tick(0, false);
    rig.answers.script = {BoxResult::Ok};
    EXPECT_TRUE(rig.ok());
    EXPECT_EQ(rig.answers.titles(), std::vector<std::string>{"IP Port Change"});
    EXPECT_FALSE(rig.server.cfg.EnableZoltPort);
    EXPECT_EQ(rig.server.cfg.ZoltPort, 0);
    EXPECT_FALSE(rig.sockets.isListening(Port::Zolt));
    EXPECT_FALSE(rig.sockets.isConnected(Port::Zolt, 1));
}

TEST(ConsoleSetupDialog, InvalidPortsKeepTheDialogOpenAndOtherRowsNeedNoConfirmation)
{
    ConsoleRig rig;
    rig.type(1, "65536");
    EXPECT_FALSE(rig.ok());
    EXPECT_EQ(rig.answers.asked.back().title, "Port Error");
    EXPECT_EQ(rig.answers.asked.back().text,
              "Invalid IP Port # for Logitek Console. Please reenter a number between 1 and 65535");

    rig.answers.asked.clear();
    rig.type(1, "1400");
    rig.tick(2, true);
    rig.type(2, "0");  // accepted as it is
    EXPECT_TRUE(rig.ok());
    EXPECT_TRUE(rig.answers.asked.empty());
    EXPECT_EQ(rig.server.cfg.LogitekPort, 1400);
    EXPECT_TRUE(rig.server.cfg.EnableHvnPort);
    EXPECT_EQ(rig.server.cfg.HvnPort, 0);
    // The Logitek listener keeps the port it was opened on.
    EXPECT_EQ(rig.sockets.listening[Port::Logitek], 1300);
}

TEST(ConsoleSetupDialog, CancelChangesNothingAndTheSetupDialogOpensIt)
{
    ConsoleRig rig;
    rig.type(0, "1500");
    rig.tick(1, false);
    rig.dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    EXPECT_EQ(rig.server.cfg.ZoltPort, 1200);
    EXPECT_TRUE(rig.server.cfg.EnableLogitekPort);

    frmSetup setup(rig.server);
    std::string opened;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = ActiveModalWidget()) {
            opened = S(modal->windowTitle());
            modal->close();
        }
    });
    setup.findChild<QPushButton*>(QStringLiteral("cmdConsoleSetup"))->click();
    EXPECT_EQ(opened, "Console Setup");
}

TEST(ConsoleSetupDialog, TheSwp08RowMovesItsListenerAndEndsThePortOfTheCommandLine)
{
    ConsoleRig rig("SW-P-08 IP Port=9000\r\n");
    EXPECT_EQ(S(rig.row<QLabel>("lblConsole", 3)->text()), "SW-P-08");
    EXPECT_TRUE(rig.row<QCheckBox>("chkConsole", 3)->isChecked());
    EXPECT_EQ(rig.sockets.listening[Port::SwP08], 9000);
    rig.sockets.pendingAddresses.push_back("10.0.1.1");
    rig.server.onConnectionRequest(Port::SwP08);
    rig.type(3, "9001");
    EXPECT_TRUE(rig.ok());
    EXPECT_TRUE(rig.answers.asked.empty());
    EXPECT_EQ(rig.sockets.listening[Port::SwP08], 9001);
    EXPECT_TRUE(rig.sockets.isConnected(Port::SwP08, 1));

    // A port from the command line is shown, kept while unchanged, and ended by the operator's.
    rig.server.cfg.Swp08PortOption = 9100;
    rig.dialog = std::make_unique<frmConsoleSetup>(rig.server);
    rig.dialog->ask = rig.answers.ask();
    EXPECT_EQ(S(rig.row<QLineEdit>("txtConsoleIP", 3)->text()), "9100");
    EXPECT_TRUE(rig.ok());
    EXPECT_EQ(rig.server.cfg.Swp08PortOption, 9100);
    EXPECT_EQ(rig.server.cfg.Swp08Port, 9001);
    rig.tick(3, false);
    EXPECT_TRUE(rig.ok());
    EXPECT_EQ(Swp08PortInForce(rig.server.cfg), 0);
    EXPECT_FALSE(rig.sockets.isListening(Port::SwP08));

    // Off, the row offers the usual port.
    rig.dialog = std::make_unique<frmConsoleSetup>(rig.server);
    EXPECT_FALSE(rig.row<QCheckBox>("chkConsole", 3)->isChecked());
    EXPECT_EQ(S(rig.row<QLineEdit>("txtConsoleIP", 3)->text()), "8910");
}

TEST(ConsoleSetupDialog, TheEmberRowOffersTheUsualPortAndMovesItsListenerKeepingTheConsumers)
{
    ConsoleRig rig;
    EXPECT_EQ(S(rig.row<QLabel>("lblConsole", 4)->text()), "Ember+");
    EXPECT_FALSE(rig.row<QCheckBox>("chkConsole", 4)->isChecked());
    EXPECT_EQ(S(rig.row<QLineEdit>("txtConsoleIP", 4)->text()), "9000");
    EXPECT_FALSE(rig.sockets.isListening(Port::Ember));
    rig.tick(4, true);
    EXPECT_TRUE(rig.ok());
    EXPECT_EQ(rig.server.cfg.EmberPort, 9000);
    EXPECT_EQ(rig.sockets.listening[Port::Ember], 9000);

    rig.server.onConnectionRequest(Port::Ember);
    rig.server.cfg.EmberPortOption = 9100;  // from the command line, ended by the operator's port
    rig.dialog = std::make_unique<frmConsoleSetup>(rig.server);
    rig.dialog->ask = rig.answers.ask();
    rig.type(4, "9200");
    EXPECT_TRUE(rig.ok());
    EXPECT_TRUE(rig.answers.asked.empty());
    EXPECT_EQ(EmberPortInForce(rig.server.cfg), 9200);
    EXPECT_FALSE(rig.server.cfg.EmberPortOption);
    EXPECT_EQ(rig.sockets.listening[Port::Ember], 9200);
    EXPECT_TRUE(rig.sockets.isConnected(Port::Ember, 1));
}

TEST(ConsoleSetupDialog, TheWebRowMovesTheWebListenerAndSaysWhenAPortIsTaken)
{
    ConsoleRig rig("Web IP Port=8080\r\n");
    ASSERT_EQ(rig.web.listening, 8080);
    EXPECT_EQ(S(rig.row<QLabel>("lblConsole", WebRow)->text()), "Web Panel");
    EXPECT_EQ(S(rig.row<QLineEdit>("txtConsoleIP", WebRow)->text()), "8080");
    rig.type(WebRow, "9090");
    EXPECT_TRUE(rig.ok());
    EXPECT_EQ(rig.web.listening, 9090);
    EXPECT_EQ(rig.server.cfg.WebPort, 9090);

    rig.web.refusePort = 9191;
    rig.type(WebRow, "9191");
    EXPECT_TRUE(rig.ok());
    EXPECT_EQ(rig.answers.asked.back().text, "IP Port 9191 for the Web Panel is not available");
    rig.tick(WebRow, false);
    EXPECT_TRUE(rig.ok());
    EXPECT_EQ(rig.server.cfg.WebPort, 0);
    EXPECT_FALSE(rig.web.isListening());
}
