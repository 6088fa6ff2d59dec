// Ember+ consumers against the real binary: two emberplus-connection clients
// (tests/node/ember/consumers.js, run by node) browse the whole tree, route
// with matrixConnect, see each other's take and stay connected over their
// keep-alives; on the demo Vela and on simulated Orion and Draco switchers.
#include "support/ServerProcess.h"
#include "support/SimulatedSwitcher.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>
#include <memory>

namespace {

// More than one keep-alive interval of the consumer (10 s).
constexpr int StayMs = 11000;

struct Expected {
    int Targets;
    int Sources;
    const char* FirstTarget;
    const char* FirstSource;
    const char* Switcher;
    bool Demo;
    int Target;
    int Source;
};

// Runs the two consumers against Port; what they saw, or null with the reason logged.
QJsonObject RunConsumers(const std::string& Port, const Expected& e)
{
    const std::string modules = std::string(HVN_NODE_DIR) + "/ember/node_modules";
    if (!std::filesystem::is_directory(modules + "/emberplus-connection")) {
        ADD_FAILURE() << "emberplus-connection is not installed in " << modules << ": run tools/install-deps.sh test";
        return {};
    }
    QProcess node;
    DieWithTheTest(node);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NODE_PATH", QString::fromStdString(modules));
    node.setProcessEnvironment(env);
    node.start("node", {HVN_SOURCE_DIR "/tests/node/ember/consumers.js", "127.0.0.1", QString::fromStdString(Port),
                        QString::number(e.Target), QString::number(e.Source), QString::number(StayMs)});
    node.waitForFinished(StayMs + 40000);
    const QByteArray out = node.readAllStandardOutput();
    EXPECT_EQ(node.exitCode(), 0) << node.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(out).object();
}

void ExpectBrowsedRoutedAndStayed(const QJsonObject& seen, const Expected& e)
{
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen["targetCount"].toInt(), e.Targets);
    EXPECT_EQ(seen["sourceCount"].toInt(), e.Sources);
    EXPECT_EQ(seen["connected"].toInt(), e.Targets);  // one connection per target
    EXPECT_EQ(seen["labels"].toArray(), QJsonArray({"1.2 names"}));
    const QJsonArray targets = seen["targets"].toArray(), sources = seen["sources"].toArray();
    EXPECT_EQ(targets.size(), e.Targets);
    EXPECT_EQ(sources.size(), e.Sources);
    EXPECT_EQ(targets.first().toString().toStdString(), e.FirstTarget);
    EXPECT_EQ(sources.first().toString().toStdString(), e.FirstSource);
    const QJsonArray status = seen["status"].toArray();
    EXPECT_EQ(status[1].toString().toStdString(), e.Switcher);
    EXPECT_TRUE(status[2].toBool());  // on line
    EXPECT_EQ(status[3].toBool(), e.Demo);
    // The taker hears "pending" at once and the tally after it; the other
    // consumer only the tally. The decoy its subscription carried took nothing.
    const QString source = QString::number(e.Source);
    EXPECT_EQ(seen["tallyA"].toArray(), QJsonArray({source + " PENDING", source + " TALLY"}));
    EXPECT_EQ(seen["tallyB"].toArray(), QJsonArray({source + " TALLY"}));
    // Both consumers are counted, and neither was dropped over the keep-alives.
    EXPECT_EQ(seen["statusAfter"].toArray()[4].toInt(), seen["status"].toArray()[4].toInt() + 1);
    EXPECT_EQ(seen["disconnects"].toInt(), 0);
}

// The server as the switcher's of Family on Line, its Ember+ port one that
// none of its other ports took.
std::unique_ptr<SwitcherServer> WithEmberPort(const char* Family, const std::string& Line, const std::string& Settings,
                                              std::string& Port)
{
    for (;;) {
        Port = FreePort();
        auto server = std::make_unique<SwitcherServer>(Family, Line, Settings + "Ember IP Port=" + Port + "\r\n");
        if (server->port != Port && server->zoltPort != Port)
            return server;
    }
}

// The consumers against a server on the simulator of Type (orion, draco),
// once a Helm PC (kept connected) has seen the switcher on line.
std::unique_ptr<SwitcherServer> RunOnSimulated(const char* Type, const std::string& Settings, const Expected& e)
{
    SimProcess sim({"--type", Type});
    EXPECT_FALSE(sim.path().empty());
    std::string port;
    auto server = WithEmberPort(e.Switcher, sim.path(), Settings, port);
    const auto pc = server->helmPc();
    EXPECT_TRUE(OnLine(*pc));
    ExpectBrowsedRoutedAndStayed(RunConsumers(port, e), e);
    return server;
}

}  // namespace

TEST(EmberEndToEnd, ConsumersBrowseRouteAndStayOnTheDemoVela)
{
    TempDir dir;
    const std::string helmPort = FreePort();
    std::string port = FreePort();
    while (port == helmPort)
        port = FreePort();
    dir.write("tcpserve.ini", "[CONFIGURATION]\r\nSwitcher Type=Vela\r\nDemo Mode=Yes\r\nTCP/IP Port=" + helmPort +
                                  "\r\nEmber IP Port=0\r\n");
    ServerProcess server(dir, {"--ember-port", QString::fromStdString(port)});
    TestClient pc;
    ASSERT_TRUE(pc.connectTo(helmPort));
    pc.send(Wire({0x81, 0x78, 0x78, 0xFF}));
    ASSERT_TRUE(OnLine(pc));  // and stays, so that the count of clients moves only by the consumers
    const Expected e{320, 320, "Out0001", "Inpt0001", "Vela", true, 4, 11};
    ExpectBrowsedRoutedAndStayed(RunConsumers(port, e), e);
    EXPECT_TRUE(server.waitForOutput("127.0.0.1\tEmber+ Connected"));
    EXPECT_TRUE(server.waitForOutput("127.0.0.1\tEmber+ Take - In:0012-->Out:0005"));
    EXPECT_TRUE(server.waitForOutput("127.0.0.1\tEmber+ Disconnect", 5000, 2));
    // The option wins over the key and is not written back.
    EXPECT_EQ(server.terminate(), 0);
    EXPECT_NE(dir.read("tcpserve.ini").find("Ember IP Port=0\r\n"), std::string::npos);
}

TEST(EmberEndToEnd, ConsumersBrowseRouteAndStayOnASimulatedOrion)
{
    const Expected e{256, 256, "Dst 001", "Src 001", "Orion", false, 200, 17};
    const auto server = RunOnSimulated("orion", "", e);
    // The switcher made the take and reported it.
    EXPECT_TRUE(server->process->waitForOutput("Take - In:0018-->Out:0201"));
}

TEST(EmberEndToEnd, ConsumersBrowseRouteAndStayOnASimulatedDraco)
{
    const Expected e{32, 32, "Dst 001", "Src 001", "Draco", false, 31, 5};
    RunOnSimulated("draco", "Baud Rate=19200\r\n", e);
}
