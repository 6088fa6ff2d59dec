// Zolt consoles against the real binary on loopback, with the demo Vela
// (320 inputs and outputs named Inpt0001.. and Out0001.., nothing routed).
#include "support/Pty.h"
#include "support/ServerProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

Bytes Ctrl(char Letter) { return Bytes(1, static_cast<char>(Letter - '@')); }

const Bytes Prompt = "\x1B[2J\x1B[HHVN READY>";
const Bytes Ok = "OK\r\n";
const Bytes Error = "ERROR\r\n";

size_t Count(const Bytes& Text, const Bytes& Needle)
{
    size_t n = 0;
    for (size_t at = Text.find(Needle); at != Bytes::npos; at = Text.find(Needle, at + 1))
        ++n;
    return n;
}

struct Console : TestClient {
    // Sends Command and collects the answer until it holds Expected.
    Bytes ask(const Bytes& Command, const Bytes& Expected, int Ms = 3000)
    {
        received.clear();
        send(Command);
        waitFor(Expected, Ms);
        return received;
    }
    // Sends Command and collects whatever comes within Ms.
    Bytes quiet(const Bytes& Command, int Ms = 300)
    {
        received.clear();
        send(Command);
        return readFor(Ms);
    }
};

struct ZoltServer {
    TempDir dir;
    std::string helmPort = FreePort();
    std::string zoltPort = FreePort();
    std::unique_ptr<ServerProcess> server;

    explicit ZoltServer(const std::string& Ini = "Demo Mode=Yes\r\n", QStringList Extra = {})
    {
        while (zoltPort == helmPort)
            zoltPort = FreePort();
        dir.write("tcpserve.ini", "[CONFIGURATION]\r\nSwitcher Type=Vela\r\nTCP/IP Port=" + helmPort +
                                      "\r\nConsole IP Port=" + zoltPort + "\r\n" + Ini);
        server = std::make_unique<ServerProcess>(dir, Extra);
    }
    std::unique_ptr<Console> console()
    {
        auto c = std::make_unique<Console>();
        EXPECT_TRUE(c->connectTo(zoltPort));
        EXPECT_TRUE(c->waitFor("Login Sucessful\r\n"));
        c->received.clear();
        return c;
    }
    // A console once the switcher is on line: a CR is answered with the prompt.
    std::unique_ptr<Console> onlineConsole()
    {
        auto c = console();
        EXPECT_TRUE(SpinUntil([&] { return c->quiet("\r", 200).find(Prompt) != Bytes::npos; }, 5000));
        return c;
    }
};

}  // namespace

TEST(ZoltEndToEnd, PromptHelpGarbageAndACommandInTwoSegments)
{
    ZoltServer z;
    auto c = z.onlineConsole();
    EXPECT_EQ(c->ask("\r", Prompt), Prompt);

    const Bytes help = c->ask(Ctrl('H'), "xxx=Input, yyy=Output\r\n\r\n");
    EXPECT_EQ(help.substr(0, 56), "\x1B[2J\x1B[H               HALVORN ZOLT PORT(1) HELP SCREEN\r\n");
    EXPECT_EQ(Count(help, "\r\n"), 45u);
    EXPECT_NE(help.find("\r\n  ^EVx     - Version Inquiry (x=1 Zolt Ver, x=2 Switcher Type, x=3 Server Ver   \r\n"),
              Bytes::npos);

    EXPECT_EQ(c->ask("AB\n" + Ctrl('E') + "V1zz" + Ctrl('E') + "V3", "VER 4.09\r\n"), "VERSION 2\r\nVER 4.09\r\n");

    c->received.clear();
    c->send(Ctrl('E') + "V");
    c->readFor(200);
    c->send("2");
    EXPECT_TRUE(c->waitFor("Vela\r\n"));
    EXPECT_TRUE(z.server->waitForOutput("127.0.0.1\tConsole Connected"));
}

TEST(ZoltEndToEnd, TakesInEveryFormAndTallyInEveryModeAndProtocol)
{
    ZoltServer z("Demo Mode=Yes\r\nLog Zolt=Yes\r\n");
    auto taker = z.onlineConsole();
    const char* settings[] = {"110", "111", "112", "120", "130", "131", "132"};
    std::vector<std::unique_ptr<Console>> watchers;
    for (const char* rtp : settings) {
        watchers.push_back(z.onlineConsole());
        EXPECT_EQ(watchers.back()->ask(Ctrl('F') + rtp, Ok), Ok) << rtp;
    }
    for (auto& w : watchers)
        w->received.clear();

    // The taker keeps the defaults: replies on, numeric tally in three digits.
    EXPECT_EQ(taker->ask(Ctrl('T') + "012005", Ok), "T012:005\r\n" + Ok);
    const Bytes names = "(Inpt0012 - Out0005 )\r\n";
    const Bytes expected[] = {"T012:005\r\n",     "O04 0B\r\n",     "C0012:0005\r\n",    "Inpt0012 - Out0005 \r\n",
                              "T012:005" + names, "O04 0B" + names, "C0012:0005" + names};
    for (size_t i = 0; i < watchers.size(); ++i) {
        EXPECT_TRUE(watchers[i]->waitFor(expected[i])) << settings[i];
        EXPECT_EQ(watchers[i]->received, expected[i]) << settings[i];
    }

    EXPECT_EQ(taker->ask(Ctrl('D') + "T10A0B", Ok), "T011:012\r\n" + Ok);
    EXPECT_TRUE(watchers[1]->waitFor("O0B 0A\r\n"));
    // Output 301 is past what three digits and hexadecimal tally can show.
    EXPECT_EQ(taker->ask(Ctrl('E') + "T00300301", Ok), Ok);
    EXPECT_TRUE(watchers[2]->waitFor("C0030:0301\r\n"));
    watchers[1]->received.clear();
    EXPECT_EQ(taker->ask(Ctrl('T') + "000005", Ok), "T000:005\r\n" + Ok);
    EXPECT_TRUE(watchers[0]->waitFor("T000:005\r\n"));
    EXPECT_EQ(watchers[1]->readFor(300), "");  // hex tally skips an output turned off
    EXPECT_EQ(taker->ask(Ctrl('T') + "999001", Error), Error);
    EXPECT_TRUE(z.server->waitForOutput("Take - In:012-->Out:005"));

    // Replies and tally off: the takes still happen.
    EXPECT_EQ(taker->quiet(Ctrl('F') + "000"), "");
    EXPECT_EQ(
        taker->quiet(Ctrl('T') + "007001" + Ctrl('D') + "T10102" + Ctrl('E') + "T00090003" + Ctrl('T') + "999001"), "");
    EXPECT_EQ(taker->ask(Ctrl('E') + "I0001" + Ctrl('E') + "I0003", "D0003 0009\r\n"), "D0001 0007\r\nD0003 0009\r\n");
}

TEST(ZoltEndToEnd, InquiriesInEveryForm)
{
    ZoltServer z;
    auto c = z.onlineConsole();
    c->ask(Ctrl('T') + "012005", Ok);
    EXPECT_EQ(c->ask(Ctrl('I') + "005", "012\r\n"), "012\r\n");
    EXPECT_EQ(c->ask(Ctrl('I') + "004", "000\r\n"), "000\r\n");
    const Bytes all = c->ask(Ctrl('I') + "999", "000\r\n000\r\n");
    EXPECT_EQ(all.substr(0, 20), "000 000 000 000 012 ");
    EXPECT_EQ(Count(all, " "), 255u);
    EXPECT_EQ(Count(all, "\r\n"), 320u - 255u);
    // 320 outputs do not fit two hexadecimal digits.
    EXPECT_EQ(c->ask(Ctrl('D') + "I04", Error), Error);
    EXPECT_EQ(c->ask(Ctrl('E') + "I0005", "D0005 0012\r\n"), "D0005 0012\r\n");
    const Bytes lines = c->ask(Ctrl('E') + "I9999", "D0320 0000\r\n");
    EXPECT_EQ(Count(lines, "\r\n"), 320u);
    EXPECT_EQ(lines.substr(0, 24), "D0001 0000\r\nD0002 0000\r\n");
    const Bytes expanded = c->ask(Ctrl('Z') + "500005", "\r\n");
    EXPECT_EQ(expanded.substr(0, 7), "U0005:P");
    EXPECT_EQ(expanded.substr(expanded.size() - 10), ":01:0012\r\n");
    EXPECT_EQ(c->ask(Ctrl('Z') + "500004", "\r\n").substr(8), ":00:\r\n");
    EXPECT_EQ(c->ask(Ctrl('Z') + "500321", Error), Error);
}

TEST(ZoltEndToEnd, NamesSalvosRelaysAndTheExtendedCommands)
{
    ZoltServer z("Demo Mode=Yes\r\nLog Zolt=Yes\r\n");
    auto c = z.onlineConsole();
    EXPECT_EQ(c->ask(Ctrl('X') + "001", "Inpt0001"), Bytes("\x18\x00Inpt0001", 10));
    EXPECT_EQ(c->ask(Ctrl('Y') + "002", "Out0002 "), Bytes("\x19\x01Out0002 ", 10));
    const Bytes byNumber = c->ask(Ctrl('Y') + "999", "Out0256 ");
    EXPECT_EQ(byNumber.size(), 256u * 10);
    EXPECT_EQ(byNumber.substr(2550), "\x19\xFFOut0256 ");
    EXPECT_EQ(c->ask(Ctrl('X') + "998", "Inpt0256").size(), 256u * 10);
    EXPECT_EQ(c->ask(Ctrl('X') + "300", Error), Error);
    EXPECT_EQ(c->ask(Ctrl('E') + "X0001", "\r\n"),
              "\x15"
              "0001Inpt0001\r\n");
    const Bytes outputs = c->ask(Ctrl('E') + "Y9998",
                                 "\x16"
                                 "0320Out0320 \r\n");
    EXPECT_EQ(Count(outputs, "\r\n"), 320u);

    EXPECT_EQ(c->ask(Ctrl('S') + "1001", Ok), Ok);
    EXPECT_EQ(c->ask(Ctrl('S') + "2001", Error), Error);  // no salvo has a name yet
    EXPECT_EQ(c->ask(Ctrl('E') + "S20001", Error), Error);
    EXPECT_EQ(c->ask(Ctrl('R') + "2010", Ok), Ok);
    EXPECT_EQ(c->ask(Ctrl('E') + "R40010", Error), Error);
    EXPECT_TRUE(z.server->waitForOutput("Latch Relay: 010"));

    EXPECT_EQ(c->ask(Ctrl('F') + "190", Error), Error);
    EXPECT_EQ(c->ask(Ctrl('E') + "V1" + Ctrl('E') + "V2" + Ctrl('E') + "V3", "VER 4.09\r\n"),
              "VERSION 2\r\nVela\r\nVER 4.09\r\n");
    EXPECT_EQ(c->quiet(Ctrl('E') + "V4"), "");
    EXPECT_EQ(c->ask(Ctrl('L') + "1010005", Ok), Ok);
    EXPECT_EQ(c->ask(Ctrl('L') + "2010005", Error), Error);
    EXPECT_EQ(c->ask(Ctrl('Q') + "410100003", Ok), Ok);
    EXPECT_EQ(c->ask(Ctrl('Z') + "00" + "0003" + "0004" + "1024" + "00004", Ok), "T003:004\r\n" + Ok);
    EXPECT_EQ(c->ask(Ctrl('Z') + "10" + "0001" + "0004" + "0900" + "00" + "03", Ok), Ok);
    EXPECT_EQ(c->ask(Ctrl('Z') + "10" + "0001" + "0004" + "0900" + "00" + "02", Error), Error);
    EXPECT_EQ(c->ask(Ctrl('Z') + "10" + "0001" + "0004" + "2049" + "00" + "03", Error), Error);
}

TEST(ZoltEndToEnd, InputWhileTheSwitcherIsAwayIsDropped)
{
    Pty pty;  // a switcher that never answers
    ASSERT_TRUE(pty.ok());
    ZoltServer z("", {"--serial-device", QString::fromStdString(pty.path())});
    auto c = z.console();
    EXPECT_EQ(c->quiet("\r" + Ctrl('E') + "V1" + Ctrl('T') + "001001", 1500), "");
    EXPECT_EQ(pty.readUntil(Bytes("\xFE", 1), 300).find('\xFE'), Bytes::npos);
}
