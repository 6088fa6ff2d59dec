#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "ui/HelpWindow.h"
#include "ui/LampShape.h"
#include "ui/UiRig.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace {

template <class W = QWidget>
W* Child(QObject& parent, const char* name)
{
    W* w = parent.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

std::string S(const QString& text) { return text.toStdString(); }

std::vector<std::pair<std::string, std::string>> Items(QMenu* menu)
{
    std::vector<std::pair<std::string, std::string>> items;
    for (QAction* a : menu->actions())
        items.emplace_back(S(a->objectName()), a->isSeparator() ? "-" : S(a->text()));
    return items;
}

// Once the next modal dialog runs: hands it to Inspect, then closes it.
void WhenModal(std::function<void(QWidget*)> inspect)
{
    QTimer::singleShot(0, [inspect = std::move(inspect)] {
        QWidget* modal = ActiveModalWidget();
        inspect(modal);
        if (modal)
            modal->close();
    });
}

QMessageBox* ShownBox(const QString& title)
{
    for (QWidget* w : TopLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->windowTitle() == title)
            return box;
    return nullptr;
}

}  // namespace

TEST(MainWindow, MenusCarryTheirCaptionsAcceleratorsAndSeparators)
{
    WindowRig rig;
    const QList<QAction*> bar = rig.window.menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(S(bar[0]->text()), "&File");
    EXPECT_EQ(S(bar[1]->text()), "&Help");
    using Menu = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(Items(Child<QMenu>(rig.window, "mnuFile")), (Menu{{"mnuEnable", "&Disable"},
                                                                {"mnuSep", "-"},
                                                                {"mnuDisconnectAllClients", "Disconnect All &Clients"},
                                                                {"mnuList", "&List Clients"},
                                                                {"mnuSep2", "-"},
                                                                {"mnuSetup", "&Setup"},
                                                                {"mnuSep3", "-"},
                                                                {"mnuPanelPassword", "Set &SoftPanel Password"},
                                                                {"mnuChangePassword", "Set &Helm Password"},
                                                                {"mnuWebPassword", "Set &Web Password"},
                                                                {"mnuSep4", "-"},
                                                                {"mnuExit", "E&xit"}}));
    EXPECT_EQ(Items(Child<QMenu>(rig.window, "mnuHelp")),
              (Menu{{"mnuContents", "Contents"}, {"mnuSep5", "-"}, {"mnuAbout", "&About"}}));
    QMenu* tray = Child<QMenu>(rig.window, "mnuSysTray");
    EXPECT_EQ(S(tray->title()), "&SysTray");
    EXPECT_EQ(
        Items(tray),
        (Menu{{"mnuDisable", "&Disable"}, {"mnuPopRestore", "&Restore"}, {"mnuSep6", "-"}, {"mnuPopExit", "E&xit"}}));
}

TEST(MainWindow, BothToggleMenusSwitchTheServerAndShowTheSameCaption)
{
    WindowRig rig("Switcher Type=Vela\r\n");
    StartServer(rig.server);
    QAction* mnuEnable = Child<QAction>(rig.window, "mnuEnable");
    QAction* mnuDisable = Child<QAction>(rig.window, "mnuDisable");

    mnuEnable->trigger();
    EXPECT_FALSE(rig.server.ServerEnabled);
    EXPECT_FALSE(rig.sockets.isListening(Port::Helm));
    EXPECT_EQ(S(mnuEnable->text()), "&Enable");
    EXPECT_EQ(S(mnuDisable->text()), "&Enable");
    EXPECT_EQ(S(rig.window.windowTitle()), "HVN Server Module - Disabled");

    mnuDisable->trigger();
    EXPECT_TRUE(rig.server.ServerEnabled);
    EXPECT_TRUE(rig.sockets.isListening(Port::Helm));
    EXPECT_EQ(S(mnuEnable->text()), "&Disable");
    EXPECT_EQ(S(mnuDisable->text()), "&Disable");
    EXPECT_EQ(S(rig.window.windowTitle()), "HVN Server Module - Vela Switcher - Serial Mode");
}

TEST(MainWindow, StartupFillsTheStatusFrameAndStatusBar)
{
    WindowRig rig("Serial Port=3\r\nBaud Rate=19200\r\nTCP/IP Port=1300\r\nMaintain ndf=Yes\r\n");
    EXPECT_EQ(S(Child<QLabel>(rig.window, "lblSerialStatus")->text()), "Router Serial Connection");
    StartServer(rig.server);
    EXPECT_EQ(S(rig.window.windowTitle()), "HVN Server Module - Orion Switcher");
    EXPECT_EQ(S(Child<QGroupBox>(rig.window, "Frame1")->title()), "Status Information");
    QLabel* serial = Child<QLabel>(rig.window, "lblSerialStatus");
    EXPECT_EQ(S(serial->text()), "Router Serial Activity [COM 3 - 19200 Baud]");
    EXPECT_EQ(S(serial->toolTip()), "Not Connected");
    EXPECT_EQ(S(Child<QLabel>(rig.window, "lblRcvMsg")->toolTip()), "Listening for message on Port 1300");
    EXPECT_EQ(S(Child<QLabel>(rig.window, "lblCmdHistory")->text()), "Command History - [25 Items]");
    EXPECT_EQ(S(Child<QPushButton>(rig.window, "cmdClearList")->toolTip()), "Clear Command History");
    QTreeWidget* list = Child<QTreeWidget>(rig.window, "lstCmdHistory");
    EXPECT_EQ(S(list->headerItem()->text(0)), "Client Address");
    EXPECT_EQ(S(list->headerItem()->text(1)), "Message Description");
    EXPECT_EQ(S(Child<QLabel>(rig.window, "StatusBar1Panel2")->text()), "Log File: ON");
    EXPECT_EQ(S(Child<QLabel>(rig.window, "StatusBar1Panel3")->text()), "Soft Panel Support: ON ");

    SetSwitcherConnected(rig.server, true);
    EXPECT_EQ(S(serial->toolTip()), "Connected");
    rig.connect("10.0.0.9", 120);
    EXPECT_EQ(S(Child<QLabel>(rig.window, "StatusBar1Panel1")->text()), "Client Connections: 0001");
}

TEST(UiHistory, TheTwentySixthLineRemovesTheFirstAndTheNewestStaysInView)
{
    WindowRig rig;
    StartServer(rig.server);
    rig.window.start();
    QTreeWidget* list = Child<QTreeWidget>(rig.window, "lstCmdHistory");
    for (int i = 1; i <= 26; ++i)
        LogIPMessage(rig.server, "Message " + std::to_string(i), "10.0.0." + std::to_string(i));
    ProcessEvents();

    ASSERT_EQ(list->topLevelItemCount(), 25);
    EXPECT_EQ(S(list->topLevelItem(0)->text(0)), "10.0.0.2");
    EXPECT_EQ(S(list->topLevelItem(0)->text(1)), "Message 2");
    QTreeWidgetItem* newest = list->topLevelItem(24);
    EXPECT_EQ(S(newest->text(1)), "Message 26");
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualItemRect(newest)));
    EXPECT_FALSE(list->viewport()->rect().contains(list->visualItemRect(list->topLevelItem(0))));

    Child<QPushButton>(rig.window, "cmdClearList")->click();
    EXPECT_EQ(list->topLevelItemCount(), 0);

    // A console message without a source is a blank line.
    DisplayMessage(rig.server, "Take 1 to 2", "");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(S(list->topLevelItem(0)->text(0)) + S(list->topLevelItem(0)->text(1)), "");
}

TEST(UiLamps, EachLampTurnsGreenWithTrafficAndGreyWhenItsTimerRunsOut)
{
    WindowRig rig;
    StartServer(rig.server);
    const auto colour = [&](const char* lamp) { return Child<LampShape>(rig.window, lamp)->color().rgb() & 0xFFFFFF; };
    // The first table request goes out as the port opens and lights the serial lamp.
    EXPECT_EQ(colour("shpSerialStatus"), LampGreen);
    rig.server.onTimer(TimerId::Led2);
    rig.connect("10.0.0.1", 120);
    EXPECT_EQ(colour("shpRcvMsg"), LampGreen);
    EXPECT_EQ(colour("shpSerialStatus"), LampGrey);
    EXPECT_EQ(rig.timers.interval[static_cast<size_t>(TimerId::Led)], 200);
    rig.server.onTimer(TimerId::Led);
    EXPECT_EQ(colour("shpRcvMsg"), LampGrey);

    rig.server.onSerialData(Bytes("\xF4", 1));
    EXPECT_EQ(colour("shpSerialStatus"), LampGreen);
    EXPECT_EQ(colour("shpRcvMsg"), LampGrey);
    EXPECT_EQ(rig.timers.interval[static_cast<size_t>(TimerId::Led2)], 200);
    rig.server.onTimer(TimerId::Led2);
    EXPECT_EQ(colour("shpSerialStatus"), LampGrey);
}

TEST(MainWindow, BoxesFromTheServersOwnWorkAreShownWithoutWaiting)
{
    WindowRig rig;
    rig.serial.openSucceeds = false;
    StartServer(rig.server);
    // Held until the window is up, so the box is not lost behind it.
    EXPECT_EQ(ShownBox(QStringLiteral("Serial Error")), nullptr);
    rig.window.start();
    ProcessEvents();

    QMessageBox* box = ShownBox(QStringLiteral("Serial Error"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(S(box->text()),
              "Error opening Serial Port.  Com 1 may not exist or is already in use.\nPlease verify this port is "
              "available and restart the Server Module\nor select another port from the setup screen.");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_NE(box->windowModality(), Qt::ApplicationModal);

    // Another one returns its default at once, while the first is still up.
    const BoxResult answer =
        rig.window.messageBox({"IP Error", "second", BoxButtons::OkCancel, BoxIcon::Exclamation, BoxResult::Cancel});
    EXPECT_EQ(answer, BoxResult::Cancel);
    ProcessEvents();
    ASSERT_NE(ShownBox(QStringLiteral("IP Error")), nullptr);

    QPointer<QMessageBox> closed = box;
    box->button(QMessageBox::Ok)->click();
    ProcessEvents();
    EXPECT_TRUE(closed.isNull());
    ShownBox(QStringLiteral("IP Error"))->close();
    ProcessEvents();
}

TEST(MainWindow, ExitWithoutClientsAsksNothingAndShutsDown)
{
    WindowRig rig;
    StartServer(rig.server);
    rig.window.start();
    bool ended = false;
    QObject::connect(&rig.window, &frmMain::serverShutDown, [&] { ended = true; });

    Child<QAction>(rig.window, "mnuExit")->trigger();
    EXPECT_TRUE(rig.answers.asked.empty());
    EXPECT_TRUE(ended);
    EXPECT_FALSE(rig.window.isVisible());
    EXPECT_FALSE(rig.sockets.isListening(Port::Helm));
    EXPECT_NE(rig.dir.read("tcpserve.ini").find("TCP/IP Port=1250"), std::string::npos);
    EXPECT_NE(rig.dir.read("Eventlog.txt").find("Server Module Exit"), std::string::npos);
}

TEST(MainWindow, ExitWithClientsAsksAndCancelKeepsTheServerRunning)
{
    WindowRig rig;
    StartServer(rig.server);
    rig.window.start();
    const int panel = rig.connect("10.0.0.5", 131);
    bool ended = false;
    QObject::connect(&rig.window, &frmMain::serverShutDown, [&] { ended = true; });

    rig.answers.script = {BoxResult::Cancel};
    rig.window.close();
    ASSERT_EQ(rig.answers.asked.size(), 1u);
    const MessageBox& question = rig.answers.asked[0];
    EXPECT_EQ(question.title, " Confirm Exit");
    EXPECT_EQ(question.text.rfind("Logged In, there is currently:\r1 Soft Panel \r\rDo You Wish To Exit?", 0), 0u);
    EXPECT_EQ(question.buttons, BoxButtons::OkCancel);
    EXPECT_EQ(question.icon, BoxIcon::Information);
    EXPECT_FALSE(ended);
    EXPECT_TRUE(rig.window.isVisible());
    EXPECT_TRUE(rig.sockets.isConnected(Port::Helm, panel));

    rig.answers.script = {BoxResult::Ok};
    Child<QAction>(rig.window, "mnuPopExit")->trigger();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, panel));
    EXPECT_NE(rig.dir.read("Eventlog.txt").find("Client Disconnect"), std::string::npos);
}

TEST(MainWindow, DialogMenusLeaveTheTopmostLayerWhileTheyAreOpen)
{
    WindowRig rig;
    StartServer(rig.server);
    rig.window.start();
    EXPECT_TRUE(rig.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    for (const char* menu :
         {"mnuAbout", "mnuList", "mnuSetup", "mnuChangePassword", "mnuPanelPassword", "mnuWebPassword"}) {
        std::string opened;
        bool topmostWhileOpen = true;
        WhenModal([&](QWidget* dialog) {
            opened = dialog ? S(dialog->objectName()) : "";
            topmostWhileOpen = rig.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        });
        Child<QAction>(rig.window, menu)->trigger();
        EXPECT_FALSE(opened.empty()) << menu;
        EXPECT_FALSE(topmostWhileOpen) << menu;
        EXPECT_TRUE(rig.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << menu;
        EXPECT_TRUE(rig.window.isVisible()) << menu;
    }

    WindowRig below("Stay On Top=No\r\n");
    StartServer(below.server);
    below.window.start();
    EXPECT_FALSE(below.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST(MainWindow, WithoutANotificationAreaMinimisingJustMinimises)
{
    WindowRig rig("", false);
    StartServer(rig.server);
    rig.window.start();
    rig.window.showMinimized();
    ProcessEvents();
    EXPECT_TRUE(rig.window.isVisible());
    EXPECT_TRUE(rig.window.isMinimized());
    EXPECT_EQ(rig.window.findChild<QSystemTrayIcon*>(), nullptr);
}

TEST(MainWindow, MinimisingHidesInTheTrayAndADoubleClickRestores)
{
    WindowRig rig("", true);
    StartServer(rig.server);
    rig.window.start();
    QSystemTrayIcon* tray = rig.window.findChild<QSystemTrayIcon*>();
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(S(tray->toolTip()), "HVN Server Module");
    EXPECT_EQ(tray->contextMenu(), Child<QMenu>(rig.window, "mnuSysTray"));
    EXPECT_FALSE(tray->isVisible());

    rig.window.showMinimized();
    ProcessEvents();
    EXPECT_FALSE(rig.window.isVisible());
    EXPECT_TRUE(tray->isVisible());

    emit tray->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(rig.window.isVisible());
    EXPECT_FALSE(rig.window.isMinimized());
    EXPECT_FALSE(tray->isVisible());
    ProcessEvents();
    EXPECT_TRUE(rig.window.isVisible());
}

TEST(MainWindow, HelpContentsShowsTheProgramsOwnPage)
{
    WindowRig rig;
    StartServer(rig.server);
    Child<QAction>(rig.window, "mnuContents")->trigger();
    auto* help = rig.window.findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    const std::string text = S(Child<QTextBrowser>(*help, "txtHelp")->toPlainText());
    for (const char* part : {"HVN Server Module", "TCP/IP Port", "1250", "Console IP Port", "Maintain ndf",
                             "Disconnect All Clients", "Set Helm Password", "tcpserve.ini"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}

TEST(UiBoxes, AModalQuestionReturnsTheButtonThePersonPressed)
{
    GuiApp();
    std::string shownText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(ActiveModalWidget());
        ASSERT_NE(box, nullptr);
        shownText = S(box->text());
        box->button(QMessageBox::Cancel)->click();
    });
    const BoxResult answer = ModalAsk(nullptr)(
        {"IP Port Change", "first\r\nsecond\rthird", BoxButtons::OkCancel, BoxIcon::Question, BoxResult::Ok});
    EXPECT_EQ(answer, BoxResult::Cancel);
    EXPECT_EQ(shownText, "first\nsecond\nthird");
}
