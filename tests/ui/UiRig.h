#pragma once
// Servers on fakes for the window and dialog tests, and scripted answers to
// the operator's questions.
#include "core/Lifecycle.h"
#include "support/Fakes.h"
#include "support/QtGuiApp.h"
#include "support/TempDir.h"
#include "ui/Boxes.h"
#include "ui/frmMain.h"

#include <deque>
#include <string>
#include <vector>

// Answers questions from a script (the box's default once the script runs
// out) and keeps every box it was shown.
struct Answers {
    std::vector<MessageBox> asked;
    std::deque<BoxResult> script;

    Ask ask()
    {
        return [this](const MessageBox& box) {
            asked.push_back(box);
            if (script.empty())
                return box.defaultResult;
            const BoxResult answer = script.front();
            script.pop_front();
            return answer;
        };
    }
    std::vector<std::string> titles() const
    {
        std::vector<std::string> t;
        for (const MessageBox& box : asked)
            t.push_back(box.title);
        return t;
    }
};

struct AppFirst {
    AppFirst() { GuiApp(); }
};

// A started server on the headless display, its folder holding Ini.
struct DialogRig : AppFirst, TestRig {
    TempDir dir;
    Answers answers;

    explicit DialogRig(const std::string& ini = "")
    {
        server.cfg.AppPath = dir.app();
        if (!ini.empty())
            dir.write("tcpserve.ini", "[CONFIGURATION]\r\n" + ini);
        StartServer(server);
    }
    // A Helm client in the next slot, logged in with Type (16383: never logged in).
    int connect(const std::string& address, int type);
};

// The window as the display of a server on fakes.
struct WindowRig : AppFirst {
    TempDir dir;
    frmMain window;
    FakeSockets sockets;
    FakeSerial serial;
    FakeTimers timers;
    FakeWebServer web;
    Server server{Platform{window, sockets, serial, timers, web}};
    Answers answers;

    explicit WindowRig(const std::string& ini = "", bool tray = false) : window(tray)
    {
        RouteServer(server);
        server.cfg.AppPath = dir.app();
        if (!ini.empty())
            dir.write("tcpserve.ini", "[CONFIGURATION]\r\n" + ini);
        window.attach(server);
        window.ask = answers.ask();
    }
    int connect(const std::string& address, int type);
};

// Accepts a Helm connection from Address and gives it a login type.
int ConnectHelmClient(Server& server, FakeSockets& sockets, const std::string& address, int type);

inline int DialogRig::connect(const std::string& address, int type)
{
    return ConnectHelmClient(server, sockets, address, type);
}

inline int WindowRig::connect(const std::string& address, int type)
{
    return ConnectHelmClient(server, sockets, address, type);
}
