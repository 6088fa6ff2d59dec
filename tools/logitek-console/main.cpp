// hvn-logitek-console: a Logitek console for trying the server's Logitek
// port. It prints every message it receives on one line and sends what the
// user types, one command a line.
#include "LogitekConsole.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* Usage =
    "usage: hvn-logitek-console HOST PORT\n"
    "Commands, one a line (CH as the console numbers it: 1..10, 25, 26, 27, 33):\n"
    "  ident | start | signoff\n"
    "  assign CH SRC | on CH [K] | off CH [K] | fader CH POS | trim CH V | mode CH M\n"
    "  raw HEX...\n";

// After the input ends, answers still arriving get this long to be printed.
constexpr int LingerMs = 1000;

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs(Usage, argc == 2 && std::string(argv[1]) == "--help" ? stdout : stderr);
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    char* end = nullptr;
    const long port = std::strtol(argv[2], &end, 10);
    if (*end != '\0' || port < 1 || port > 65535) {
        std::fputs(Usage, stderr);
        return 2;
    }

    QTcpSocket socket;
    Bytes received;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        const QByteArray chunk = socket.readAll();
        received.append(chunk.constData(), static_cast<size_t>(chunk.size()));
        for (Bytes m = NextMessage(received); !m.empty(); m = NextMessage(received))
            std::printf("%s\n", DescribeMessage(m).c_str());
        std::fflush(stdout);
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, [&] {
        std::fputs("hvn-logitek-console: the server closed the connection\n", stderr);
        app.exit(0);
    });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, [&](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            return;
        std::fprintf(stderr, "hvn-logitek-console: %s\n", socket.errorString().toLocal8Bit().constData());
        app.exit(1);
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string line;
        if (!std::getline(std::cin, line)) {
            input.setEnabled(false);
            QTimer::singleShot(LingerMs, &app, [&] { app.exit(0); });
            return;
        }
        std::string error;
        if (const std::optional<Bytes> bytes = ConsoleCommand(line, error))
            socket.write(bytes->data(), static_cast<qint64>(bytes->size()));
        else if (error != "empty line")
            std::fprintf(stderr, "hvn-logitek-console: %s\n", error.c_str());
    });

    socket.connectToHost(QString::fromLocal8Bit(argv[1]), static_cast<quint16>(port));
    return app.exec();
}
