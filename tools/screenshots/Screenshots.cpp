// hvnscreenshots DIR: draws the operator's window and each dialog on a server
// with sample clients and history, and saves them as PNG files in DIR. It
// draws on Qt's offscreen platform, so it needs no display.
#include "core/Lifecycle.h"
#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "helm/HelmPort.h"
#include "support/Fakes.h"
#include "ui/Application.h"
#include "ui/Boxes.h"
#include "ui/ExitQuestion.h"
#include "ui/HelpWindow.h"
#include "ui/frmAbout.h"
#include "ui/frmChangePassword.h"
#include "ui/frmClients.h"
#include "ui/frmConsoleSetup.h"
#include "ui/frmMain.h"
#include "ui/frmSetup.h"
#include "zolt/Zolt.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

bool Save(QWidget& widget, const std::string& dir, const char* name)
{
    widget.show();
    QCoreApplication::processEvents();
    const std::string path = dir + "/" + name;
    if (!widget.grab().save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "hvnscreenshots: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    widget.hide();
    return true;
}

void Connect(Server& server, FakeSockets& sockets, const char* address, int type)
{
    sockets.pendingAddresses.push_back(address);
    server.onConnectionRequest(Port::Helm);
    ClientRecord& c = server.HelmClients[server.HelmClients.SlotCount()];
    c.ClientType = type;
    c.LoggedIn = true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: hvnscreenshots DIR\n", stderr);
        return 2;
    }
    const std::string out = argv[1];
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const auto app = MakeApplication(argc, argv, true);

    // The server's folder: a sample configuration, removed at the end.
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "hvnscreenshots";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "tcpserve.ini") << "[CONFIGURATION]\r\nSwitcher Type=Vela\r\nMaintain ndf=Yes\r\n"
                                              "Stay On Top=No\r\nConsole IP Port=1200\r\n";

    bool saved = true;
    {
        frmMain window(false);
        FakeSockets sockets;
        FakeSerial serial;
        FakeTimers timers;
        FakeWebServer web;
        Server server(Platform{window, sockets, serial, timers, web});
        RouteServer(server);
        server.cfg.AppPath = folder.string() + "/";
        window.attach(server);
        StartServer(server);
        window.start();
        window.resize(640, 460);

        SetSwitcherConnected(server, true);
        LogSerialMessage(server, "Switcher Information", server.cfg.CommPort);
        Connect(server, sockets, "192.168.1.20", 120);
        LogIPMessage(server, "Helm Connection", "192.168.1.20");
        Connect(server, sockets, "192.168.1.31", 131);
        LogIPMessage(server, "Spruce SoftPanel Connection", "192.168.1.31");
        Connect(server, sockets, "192.168.1.40", 125);
        LogIPMessage(server, "Automation Connection", "192.168.1.40");
        Connect(server, sockets, "192.168.1.52", NoClientType);
        sockets.pendingAddresses.push_back("192.168.1.60");
        server.onConnectionRequest(Port::Zolt);
        LogSerialMessage(server, "Take - In:012-->Out:003", server.cfg.CommPort);
        LogIPMessage(server, "Take - In:012-->Out:003", "192.168.1.20");
        LogSerialMessage(server, "Take - In:007-->Out:014", server.cfg.CommPort);
        LogSerialMessage(server, "Salvo 2 Fired", server.cfg.CommPort);
        ShowSerialActivity(server);
        saved &= Save(window, out, "main-window.png");

        frmClients clients(server);
        saved &= Save(clients, out, "clients-dialog.png");
        frmSetup setup(server);
        saved &= Save(setup, out, "setup-dialog.png");
        frmConsoleSetup consoles(server);
        saved &= Save(consoles, out, "console-setup-dialog.png");
        frmChangePassword password(server, PasswordTag::Helm);
        saved &= Save(password, out, "password-dialog.png");
        frmAbout about(server);
        saved &= Save(about, out, "about-dialog.png");
        HelpWindow help(nullptr);
        help.ShowHelpContents();
        saved &= Save(help, out, "help-window.png");

        std::unique_ptr<QMessageBox> question(
            MakeMessageBox({" Confirm Exit", ExitQuestionText(CountConnections(server)), BoxButtons::OkCancel,
                            BoxIcon::Information, BoxResult::Ok},
                           nullptr));
        saved &= Save(*question, out, "exit-question.png");
        window.Form_Unload();
    }
    std::filesystem::remove_all(folder);
    return saved ? 0 : 1;
}
