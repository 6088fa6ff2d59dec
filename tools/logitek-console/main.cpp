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

    // Standard input is read as it comes and cut into lines here, so that
    // several lines arriving at once are all sent.
    std::string typed;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n > 0)
            typed.append(chunk, static_cast<size_t>(n));
        else
            typed += '\n';  // the last line may lack its end
        for (size_t lineEnd = typed.find('\n'); lineEnd != std::string::npos; lineEnd = typed.find('\n')) {
            const std::string line = typed.substr(0, lineEnd);
            typed.erase(0, lineEnd + 1);
            std::string error;
            if (const std::optional<Bytes> bytes = ConsoleCommand(line, error))
                socket.write(bytes->data(), static_cast<qint64>(bytes->size()));
            else
                std::fprintf(stderr, "hvn-logitek-console: %s\n", error.c_str());
        }
        if (n <= 0) {
            input.setEnabled(false);
            QTimer::singleShot(LingerMs, &app, [&] { app.exit(0); });
        }
    });

    socket.connectToHost(QString::fromLocal8Bit(argv[1]), static_cast<quint16>(port));
    return app.exec();
}
