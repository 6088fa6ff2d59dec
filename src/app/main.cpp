// hvnserver: starts the server with its window (or headless), runs the event
// loop, and exits in order on SIGINT or SIGTERM.
#include "core/Lifecycle.h"
#include "core/Routing.h"
#include "disk/Configuration.h"
#include "model/Server.h"
#include "platform/HeadlessDisplay.h"
#include "platform/QtSerialPort.h"
#include "platform/QtSockets.h"
#include "platform/QtTimers.h"
#include "platform/QtWebServer.h"
#include "ui/Application.h"
#include "ui/frmMain.h"
#include "web/WebPort.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr const char* Usage =
    "usage: hvnserver [--headless] [--app-dir DIR] [--serial-device PATH]\n"
    "                 [--listen-address ADDR] [--swp08-port N] [--ember-port N]\n"
    "                 [--web-port N]\n"
    "       hvnserver [--app-dir DIR] --set-web-password < FILE\n"
    "       hvnserver --help | --version\n"
    "  --headless            run without a window even where a display is available;\n"
    "                        history lines go to standard output\n"
    "  --app-dir DIR         folder of tcpserve.ini, the logs and the soft panel files\n"
    "                        (default: the folder of the executable)\n"
    "  --serial-device PATH  serial device of the switcher link; wins over the\n"
    "                        \"Serial Device\" key (default: that key, else COM n\n"
    "                        is /dev/ttyS<n-1>); an empty PATH leaves it to them\n"
    "  --listen-address ADDR the one local address the ports listen on (127.0.0.1,\n"
    "                        an interface's address, ::1; :: for every IPv6 and\n"
    "                        IPv4 address); wins over the \"Listen Address\" key\n"
    "                        (default: that key, else every IPv4 address)\n"
    "  --swp08-port N        TCP port of the SW-P-08 router control port, 0 for\n"
    "                        none; wins over the \"SW-P-08 IP Port\" key (default:\n"
    "                        that key, else none)\n"
    "  --ember-port N        TCP port of the Ember+ provider, 0 for none; wins\n"
    "                        over the \"Ember IP Port\" key (default: that key,\n"
    "                        else none)\n"
    "  --web-port N          TCP port of the web panel and HTTP interface, 0 for\n"
    "                        none; wins over the \"Web IP Port\" key (default: that\n"
    "                        key, else none)\n"
    "  --set-web-password    reads the web password from standard input (its first\n"
    "                        line; an empty one removes it), keeps its salted hash\n"
    "                        as \"Web Password\" in tcpserve.ini and exits\n";

struct Options {
    bool headless = false;
    std::string appDir;
    std::string serialDevice;
    std::string listenAddress;
    std::optional<long> swp08Port;
    std::optional<long> emberPort;
    std::optional<long> webPort;
    bool setWebPassword = false;
};

// A TCP port number 0..65535 written in decimal digits only.
std::optional<long> PortNumber(const std::string& text)
{
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 || value > 65535)
        return std::nullopt;
    return value;
}

// Parses our options; returns an exit status when the program should stop now.
std::optional<int> ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("%s\n", VersionText);
            return 0;
        }
        if (arg == "--headless" || arg == "--set-web-password") {
            (arg == "--headless" ? o.headless : o.setWebPassword) = true;
            continue;
        }
        std::string* value = arg == "--app-dir"          ? &o.appDir
                             : arg == "--serial-device"  ? &o.serialDevice
                             : arg == "--listen-address" ? &o.listenAddress
                                                         : nullptr;
        std::optional<long>* port = arg == "--swp08-port"   ? &o.swp08Port
                                    : arg == "--ember-port" ? &o.emberPort
                                    : arg == "--web-port"   ? &o.webPort
                                                            : nullptr;
        if ((value || port) && i + 1 < argc) {
            const std::string text = argv[++i];
            if (value)
                *value = text;
            // An empty number leaves the port to the file, as an empty device does.
            else if (!text.empty() && !(*port = PortNumber(text))) {
                std::fprintf(stderr, "hvnserver: invalid port '%s' for %s\n%s", text.c_str(), arg.c_str(), Usage);
                return 2;
            }
            continue;
        }
        std::fprintf(stderr, "hvnserver: %s '%s'\n%s", value || port ? "missing argument for" : "unknown option",
                     arg.c_str(), Usage);
        return 2;
    }
    return std::nullopt;
}

// The folder must exist and take files: the server writes its settings and logs there.
bool PrepareAppDir(const std::string& dir)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) {
        std::fprintf(stderr, "hvnserver: cannot create the folder %s\n", dir.c_str());
        return false;
    }
    const fs::path probe = fs::path(dir) / ".hvnserver-write-test";
    const bool writable = std::ofstream(probe).good();
    fs::remove(probe, ec);
    if (!writable)
        std::fprintf(stderr, "hvnserver: cannot write to the folder %s\n", dir.c_str());
    return writable;
}

// The first line of standard input becomes the web password; its hash goes
// to tcpserve.ini, the rest of the file as it was.
int SetWebPasswordFromInput(Server& s)
{
    std::string password;
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    ReadConfiguration(s);
    if (s.cfg.ConfigurationUnreadable)
        return 1;
    StoreWebPassword(s, password);
    std::printf("%s in %stcpserve.ini\n", password.empty() ? "Web password removed" : "Web password set",
                s.cfg.AppPath.c_str());
    return 0;
}

int signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] auto n = write(signalPipe[1], &byte, 1);
}

// A thousand clients need more descriptors than a login shell's usual soft
// limit of 1024; the hard limit is ours to take.
void RaiseDescriptorLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// The folder of the settings and logs, ending with '/'; none when it cannot be used.
std::optional<std::string> AppDir(const Options& o)
{
    std::string dir = o.appDir.empty() ? QCoreApplication::applicationDirPath().toStdString() : o.appDir;
    if (!PrepareAppDir(dir))
        return std::nullopt;
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

// Routes the platform's events to the server and the server to the window.
void Connect(Server& server, QtSockets& sockets, QtSerialPort& serial, QtTimers& timers, QtWebServer& web,
             frmMain* window)
{
    RouteServer(server);
    sockets.setHandler(&server);
    serial.setHandler(&server);
    timers.setHandler(&server);
    web.setHandler(&server);
    if (!window)
        return;
    window->attach(server);
    QObject::connect(window, &frmMain::serverShutDown, [] { QCoreApplication::exit(0); });
}

// SIGINT and SIGTERM reach the event loop through a socket pair and run the
// orderly exit without a question: whoever sent the signal has decided.
std::unique_ptr<QSocketNotifier> CatchExitSignals(Server& server, frmMain* window)
{
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        std::perror("hvnserver: socketpair");
        return nullptr;
    }
    auto notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [&server, window, n = notifier.get()] {
        n->setEnabled(false);
        if (window) {
            window->Form_Unload();
            return;
        }
        ShutdownServer(server);
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return notifier;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (auto status = ParseOptions(argc, argv, options))
        return *status;
    RaiseDescriptorLimit();

    const std::unique_ptr<QCoreApplication> app =
        MakeApplication(argc, argv, !options.headless && !options.setWebPassword && DisplayAvailable());
    const std::optional<std::string> appDir = AppDir(options);
    if (!appDir)
        return 1;

    HeadlessDisplay headless(true);
    std::unique_ptr<frmMain> window;
    if (ShowsWindows(*app)) {
        window = std::make_unique<frmMain>();
        // The window hides in the tray; only Exit ends the program.
        KeepRunningWithoutWindows();
    }
    Display& display = window ? static_cast<Display&>(*window) : headless;
    QtSockets sockets;
    QtSerialPort serial;
    QtTimers timers;
    QtWebServer web;
    Server server(Platform{display, sockets, serial, timers, web});
    server.cfg.AppPath = *appDir;
    server.cfg.SerialDeviceOption = options.serialDevice;
    server.cfg.ListenAddressOption = options.listenAddress;
    server.cfg.Swp08PortOption = options.swp08Port;
    server.cfg.EmberPortOption = options.emberPort;
    server.cfg.WebPortOption = options.webPort;
    server.counters.StartedUnixSeconds = static_cast<int64_t>(std::time(nullptr));
    if (options.setWebPassword)
        return SetWebPasswordFromInput(server);
    Connect(server, sockets, serial, timers, web, window.get());
    const std::unique_ptr<QSocketNotifier> notifier = CatchExitSignals(server, window.get());
    if (!notifier)
        return 1;

    StartServer(server);
    if (window)
        window->start();
    return QCoreApplication::exec();
}
