#include "disk/Configuration.h"

#include "core/Settings.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "switcher/SerialLink.h"

#include <gtest/gtest.h>

namespace {

class ConfigurationTest : public ::testing::Test {
protected:
    void SetUp() override { rig.server.cfg.AppPath = dir.app(); }
    // Writes tcpserve.ini with LF line ends, then reads it.
    void readIni(const std::string& lines)
    {
        dir.write("tcpserve.ini", "[CONFIGURATION]\n" + lines);
        LoadSettings(rig.server);
    }
    bool logged(const std::string& text) const { return dir.read("Errorlog.txt").find(text) != std::string::npos; }

    TempDir dir;
    TestRig rig;
    Config& c = rig.server.cfg;
    SwitcherType& type = rig.server.model.SwitcherType;
};

TEST_F(ConfigurationTest, MissingFileStartsAnOrionServerWithTheDefaults)
{
    c.PasswordTries = 0;
    c.StayOnTop = StayOnTopNo;
    LoadSettings(rig.server);
    EXPECT_EQ(c.CommPort, 1);
    EXPECT_EQ(c.BaudRate, "57600");
    EXPECT_EQ(c.HelmPort, 1250);
    EXPECT_EQ(c.ZoltPort, 0);
    EXPECT_FALSE(c.EnableZoltPort || c.EnableHvnPort || c.EnableLogitekPort);
    EXPECT_EQ(c.StayOnTop, StayOnTopYes);
    EXPECT_EQ(c.MaxListSize, 25);
    EXPECT_TRUE(c.MaintainLogFile && c.MaintainErrorLog && c.LogSwitcherErrors && c.DisplayGains);
    EXPECT_FALSE(c.MaintainNdf || c.DemoMode || c.PassThru || c.RecordZolt);
    EXPECT_EQ(c.PasswordTries, 3);
    EXPECT_EQ(type, SwitcherType::Orion);
    EXPECT_EQ(rig.display.panels[1], "Log File: ON");
    EXPECT_EQ(rig.display.panels[2], "Soft Panel Support: OFF ");
    EXPECT_EQ(rig.display.caption, "HVN Server Module - Orion Switcher");
    EXPECT_TRUE(rig.display.boxes.empty());
    EXPECT_FALSE(dir.exists("tcpserve.ini") || dir.exists("Errorlog.txt"));
}

TEST_F(ConfigurationTest, ProfileFormatAndCaseRules)
{
    dir.write(
        "tcpserve.ini",
        "[OTHER]\nSerial Port=9\n[configuration]\r\n  serial PORT = 4  \r\n; note\nSerial Port=7\n"
        "Maintain Log File=no\nDemo Mode=yes\nStay On Top=YES\nRecord Zolt=Yes\nLog Gains=YES\n"
        "Display Gains=NO\nMaintain Error Log=No\nMaintain ndf=Yes\n"
        "Enable Zolt IP Port=Yes\nConsole IP Port=0\nEnable HVN IP Port=No\nHVN IP Port=1300\n[Later]\nBaud Rate=1\n");
    LoadSettings(rig.server);
    EXPECT_EQ(c.CommPort, 4);  // the first one in the section
    EXPECT_EQ(c.BaudRate, "57600");
    EXPECT_TRUE(c.MaintainLogFile);
    EXPECT_FALSE(c.DemoMode);
    EXPECT_EQ(c.StayOnTop, StayOnTopYes);
    EXPECT_TRUE(c.RecordZolt);
    EXPECT_FALSE(c.LogGains);
    EXPECT_TRUE(c.DisplayGains);
    EXPECT_FALSE(c.MaintainErrorLog);
    EXPECT_EQ(rig.display.panels[2], "Soft Panel Support: ON ");
    EXPECT_FALSE(c.EnableZoltPort);
    EXPECT_TRUE(c.EnableHvnPort);
    EXPECT_FALSE(c.EnableLogitekPort);

    readIni("Serial Port=2\n");  // keys missing from an existing file
    EXPECT_EQ(c.StayOnTop, StayOnTopNo);
    EXPECT_TRUE(c.MaintainLogFile);
}

TEST_F(ConfigurationTest, SerialDeviceNamesTheDeviceAndAFileWithoutItKeepsTheComRule)
{
    readIni("Serial Port=3\nSwitcher Type=Vela\n");  // as an older writer left it
    EXPECT_EQ(c.SerialDevice, "");
    EXPECT_EQ(SerialDevicePath(rig.server), "/dev/ttyS2");
    readIni("Serial Port=3\nSerial Device=/dev/ttyUSB1\n");
    EXPECT_EQ(c.CommPort, 3);
    EXPECT_EQ(SerialDevicePath(rig.server), "/dev/ttyUSB1");
    c.SerialDeviceOption = "/dev/pts/3";
    EXPECT_EQ(SerialDevicePath(rig.server), "/dev/pts/3");
}

TEST_F(ConfigurationTest, AccessKeysAreOffWithoutThemAndANegativeLimitIsNone)
{
    readIni("Serial Port=3\n");  // written before the keys existed
    EXPECT_EQ(c.ListenAddress, "");
    EXPECT_EQ(c.AllowedClients, "");
    EXPECT_EQ(c.MaxClients, 0);
    EXPECT_EQ(Swp08PortInForce(c), 0);
    EXPECT_EQ(EmberPortInForce(c), 0);
    readIni(
        "Listen Address=::1\nAllowed Clients=10.0.0.0/8, ::1\nMax Clients=-4\nSW-P-08 IP Port=-1\n"
        "Ember IP Port=-1\n");
    EXPECT_EQ(BindAddress(c), "::1");
    EXPECT_EQ(c.AllowedClients, "10.0.0.0/8, ::1");
    EXPECT_EQ(c.MaxClients, 0);
    EXPECT_EQ(Swp08PortInForce(c), 8910);
    EXPECT_EQ(EmberPortInForce(c), 9000);
    c.Swp08PortOption = 0;
    EXPECT_EQ(Swp08PortInForce(c), 0);
    c.EmberPortOption = 0;
    EXPECT_EQ(EmberPortInForce(c), 0);
    readIni("Ember IP Port=many\n");
    EXPECT_EQ(EmberPortInForce(c), 0);
}

TEST_F(ConfigurationTest, TheWebPortIsOffWithoutItsKeyAndNegativeMeans8080)
{
    readIni("Serial Port=3\n");
    EXPECT_EQ(WebPortInForce(c), 0);
    readIni("Web IP Port=-1\nWeb Password=pbkdf2-sha256$1000$c2FsdA==$a2V5\n");
    EXPECT_EQ(WebPortInForce(c), 8080);
    EXPECT_EQ(c.WebPassword, "pbkdf2-sha256$1000$c2FsdA==$a2V5");
    readIni("Web IP Port=off\n");
    EXPECT_EQ(WebPortInForce(c), 0);
    // The command line wins and never reaches the file.
    readIni("Web IP Port=9000\n");
    c.WebPortOption = 9100;
    EXPECT_EQ(WebPortInForce(c), 9100);
    WriteConfiguration(rig.server);
    EXPECT_NE(dir.read("tcpserve.ini").find("Web IP Port=9000\r\n"), std::string::npos);
}

TEST_F(ConfigurationTest, SwitcherTypeTextsAndCaptions)
{
    const struct {
        const char* lines;
        SwitcherType type;
        const char* caption;
    } cases[] = {
        {"Switcher Type=Vela\n", SwitcherType::Vela, "HVN Server Module - Vela Switcher - Serial Mode"},
        {"Switcher Type=Draco\n", SwitcherType::Draco, "HVN Server Module - Draco Switcher"},
        {"Switcher Type=vela\n", SwitcherType::Orion, "HVN Server Module - Orion Switcher"},
        {"Switcher Type=PassThru\n", SwitcherType::PassThru, "HVN Server Module - Pass Thru Mode"},
        {"Switcher Type=Draco\nPass Thru=Yes\n", SwitcherType::PassThru, "HVN Server Module - Pass Thru Mode"},
        {"Switcher Type=Vela\nDemo Mode=Yes\n", SwitcherType::Vela, "HVN Server Module - Vela Switcher - Demo Mode"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.lines);
        readIni(k.lines);
        EXPECT_EQ(type, k.type);
        EXPECT_EQ(rig.display.caption, k.caption);
        EXPECT_EQ(c.PassThru, k.type == SwitcherType::PassThru);
    }
    // Demo mode, the last case, turns the event log off.
    EXPECT_FALSE(c.MaintainLogFile);
    EXPECT_EQ(rig.display.panels[1], "DEMO MODE");
    EXPECT_TRUE(rig.display.boxes.empty());

    readIni("Switcher Type=Lyra\n");
    EXPECT_EQ(type, SwitcherType::Orion);
    EXPECT_EQ(rig.display.caption, "HVN Server Module - Lyra Switcher");
    ASSERT_EQ(rig.display.boxes.size(), 1u);
    EXPECT_EQ(rig.display.boxes[0].title, "Swithcer Type Error");
    EXPECT_EQ(rig.display.boxes[0].text, "This product does not support the selected switcher at this time.");
    EXPECT_EQ(rig.display.boxes[0].icon, BoxIcon::Exclamation);
}

TEST_F(ConfigurationTest, NumbersThatAreWrongOrDoNotFitTakeTheKeysDefaults)
{
    readIni(
        "Serial Port=40000\nTCP/IP Port=99999999999\nConsole IP Port=-5\n"
        "HVN IP Port=99999999999999999999999999\nLogitek IP Port=+42 ports\nMax List Size=-32769\n"
        "Maximum Log File Size=2147483648\nMaximum Error Log=2147483647\nMaximum Switcher Error Log=12kb\n");
    EXPECT_EQ(c.CommPort, 1);
    EXPECT_EQ(c.HelmPort, 1250);
    EXPECT_EQ(c.ZoltPort, 1200);
    EXPECT_TRUE(c.EnableZoltPort);
    EXPECT_EQ(c.HvnPort, 1200);
    EXPECT_EQ(c.LogitekPort, 42);
    EXPECT_EQ(c.MaxListSize, 25);
    EXPECT_EQ(c.MaxLogFileSize, 0);
    EXPECT_EQ(c.MaxErrorLogSize, 2147483647);
    EXPECT_EQ(c.MaxSwitcherErrorLogSize, 12);

    readIni("Serial Port=abc\nTCP/IP Port=-1\nMax List Size=32767\n");
    EXPECT_EQ(c.CommPort, 1);
    EXPECT_EQ(c.HelmPort, 1250);
    EXPECT_EQ(c.MaxListSize, 32767);
}

TEST(PasswordShift, StoredFormAndWhatCannotBeStored)
{
    EXPECT_EQ(ShiftHelmPassword("abc"), "bdf");
    EXPECT_EQ(UnshiftHelmPassword("bdf"), "abc");
    EXPECT_EQ(ShiftPanelPassword("abc"), "```");  // three of code 96
    EXPECT_EQ(UnshiftPanelPassword("```"), "abc");
    EXPECT_FALSE(ShiftHelmPassword("a\xFE"));                // 254 + 2
    EXPECT_FALSE(ShiftPanelPassword(std::string(1, '\0')));  // 0 - 1
    EXPECT_FALSE(ShiftHelmPassword("\x09"));                 // a line feed
    EXPECT_FALSE(ShiftPanelPassword("x\x0F"));               // a carriage return
    EXPECT_FALSE(UnshiftHelmPassword("\x01\x01"));
}

TEST_F(ConfigurationTest, WritesEveryKeyInTableOrder)
{
    WriteConfiguration(rig.server);
    EXPECT_EQ(dir.read("tcpserve.ini"),
              "[CONFIGURATION]\r\nSerial Port=1\r\nBaud Rate=57600\r\nTCP/IP Port=1250\r\nEnable Zolt IP Port=No\r\n"
              "Console IP Port=0\r\nEnable HVN IP Port=No\r\nHVN IP Port=0\r\nEnable Logitek IP Port=No\r\n"
              "Logitek IP Port=0\r\nSwitcher Type=Orion\r\nStay On Top=Yes\r\nMax List Size=25\r\n"
              "Maintain Log File=Yes\r\nMaintain Error Log=Yes\r\nRecord Zolt=No\r\nLog Zolt=No\r\n"
              "Log Switcher Errors=Yes\r\nLog Gains=No\r\nDisplay Gains=Yes\r\nArchive Log Files=No\r\n"
              "Maximum Log File Size=0\r\nArchive Error Files=No\r\nMaximum Error Log=0\r\n"
              "Archive Switcher Error=No\r\nMaximum Switcher Error Log=0\r\nMaintain ndf=No\r\nHelm Password=\r\n"
              "Panel Password=\r\nPass Thru=No\r\nStart in Task Bar=No\r\nDemo Mode=No\r\nSerial Device=\r\n"
              "Listen Address=\r\nAllowed Clients=\r\nMax Clients=0\r\nSW-P-08 IP Port=0\r\nEmber IP Port=0\r\n"
              "Web IP Port=0\r\nWeb Password=\r\n");
    EXPECT_FALSE(dir.exists("tcpserve.ini.new"));
}

TEST_F(ConfigurationTest, WrittenSettingsReadBackUnchanged)
{
    c.CommPort = 3;
    c.BaudRate = "19200";
    c.HelmPort = 4000;
    c.ZoltPort = 1201;
    c.HvnPort = 1202;
    c.LogitekPort = 1203;
    c.EnableZoltPort = c.EnableHvnPort = c.EnableLogitekPort = true;
    c.StayOnTop = StayOnTopNo;
    c.MaxListSize = 99;
    c.MaintainLogFile = c.MaintainErrorLog = c.LogSwitcherErrors = c.DisplayGains = false;
    c.RecordZolt = c.LogZolt = c.LogGains = c.MaintainNdf = c.StartInTaskBar = true;
    c.ArchiveLogFiles = c.ArchiveErrorFiles = c.ArchiveSwitcherErrors = true;
    c.MaxLogFileSize = 10;
    c.MaxErrorLogSize = 20;
    c.MaxSwitcherErrorLogSize = 30;
    c.HelmPassword = "abc";
    c.PanelPassword = "!bc";  // stored with a leading blank
    c.SerialDevice = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART-if00-port0";
    c.SerialDeviceOption = "/dev/pts/3";  // wins while running, never written
    c.ListenAddress = "fd00::2";
    c.ListenAddressOption = "127.0.0.1";  // the same
    c.AllowedClients = " 10.0.0.0/8, fd00::/8";
    c.MaxClients = 40;
    c.Swp08Port = 8911;
    c.Swp08PortOption = 0;  // wins while running, never written
    c.EmberPort = 9001;
    c.EmberPortOption = 0;  // the same
    type = SwitcherType::Draco;
    WriteConfiguration(rig.server);
    const std::string first = dir.read("tcpserve.ini");
    EXPECT_NE(first.find("\r\nHelm Password=bdf\r\n"), std::string::npos);
    EXPECT_NE(first.find("\r\nDemo Mode=No\r\nSerial Device=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART-if00-port0\r\n"),
              std::string::npos);

    TestRig other;
    other.server.cfg.AppPath = dir.app();
    LoadSettings(other.server);
    EXPECT_EQ(other.server.cfg.HelmPassword, "abc");
    EXPECT_EQ(other.server.cfg.PanelPassword, "!bc");
    EXPECT_EQ(other.server.cfg.SerialDevice, c.SerialDevice);
    EXPECT_EQ(BindAddress(other.server.cfg), "fd00::2");
    EXPECT_EQ(other.server.cfg.AllowedClients, c.AllowedClients);
    EXPECT_EQ(Swp08PortInForce(other.server.cfg), 8911);
    EXPECT_EQ(EmberPortInForce(other.server.cfg), 9001);
    // Every value differs from its default, so a key lost on the way changes the second file.
    WriteConfiguration(other.server);
    EXPECT_EQ(dir.read("tcpserve.ini"), first);
    EXPECT_FALSE(dir.exists("Errorlog.txt"));
}

TEST_F(ConfigurationTest, PasswordThatCannotBeStoredIsWrittenEmpty)
{
    c.HelmPassword = "\xFF";
    c.PanelPassword = "abc";
    WriteConfiguration(rig.server);
    const std::string text = dir.read("tcpserve.ini");
    EXPECT_NE(text.find("\r\nHelm Password=\r\nPanel Password=```\r\n"), std::string::npos);
    EXPECT_NE(text.find("Demo Mode=No\r\nSerial Device=\r\n"), std::string::npos);
    EXPECT_TRUE(logged("Error Writing tcpserve.ini file: Error # 5"));
}

TEST_F(ConfigurationTest, ReadErrorsAreLoggedAndTheFileIsKept)
{
    readIni("Serial Port=5\nHelm Password=\x01\x01\nPanel Password=```\n");
    EXPECT_EQ(c.CommPort, 5);
    EXPECT_EQ(c.HelmPassword, "");
    EXPECT_EQ(c.PanelPassword, "abc");
    EXPECT_EQ(dir.read("tcpserve.ini.bad"), dir.read("tcpserve.ini"));
    EXPECT_TRUE(logged("File Error"));
    EXPECT_TRUE(logged("Error Reading tcpserve.ini file: Error # 5"));

    std::filesystem::remove(dir.file("tcpserve.ini"));
    std::filesystem::create_directory(dir.file("tcpserve.ini"));
    LoadSettings(rig.server);
    EXPECT_EQ(c.CommPort, 1);
    EXPECT_EQ(c.StayOnTop, StayOnTopYes);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("tcpserve.ini")));
    EXPECT_TRUE(logged("Error Reading tcpserve.ini file: Error # 75 - Path/File access error"));
}

TEST_F(ConfigurationTest, AnExistingFileThatCannotBeReadIsNeverReplaced)
{
    // A link the operator made to a place that cannot be read as a file: an
    // exit that renamed its settings over it would lose it.
    std::filesystem::create_directory(dir.file("elsewhere"));
    std::filesystem::create_symlink(dir.file("elsewhere"), dir.file("tcpserve.ini"));
    LoadSettings(rig.server);
    EXPECT_EQ(c.CommPort, 1);
    EXPECT_TRUE(logged("Running on default settings; tcpserve.ini is kept as it is"));
    c.CommPort = 4;
    WriteConfiguration(rig.server);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("tcpserve.ini")));
    EXPECT_NE(dir.read("tcpserve.ini.new").find("Serial Port=4\r\n"), std::string::npos);

    // Once it can be read again, it is read and written as always.
    std::filesystem::remove(dir.file("tcpserve.ini"));
    std::filesystem::rename(dir.file("tcpserve.ini.new"), dir.file("tcpserve.ini"));
    LoadSettings(rig.server);
    EXPECT_EQ(c.CommPort, 4);
    WriteConfiguration(rig.server);
    EXPECT_FALSE(std::filesystem::exists(dir.file("tcpserve.ini.new")));
}

TEST_F(ConfigurationTest, FailedWriteLeavesTheOldFile)
{
    dir.write("tcpserve.ini", "[CONFIGURATION]\r\nSerial Port=6\r\n");
    std::filesystem::create_directory(dir.file("tcpserve.ini.new"));  // the new file cannot be made
    WriteConfiguration(rig.server);
    EXPECT_EQ(dir.read("tcpserve.ini"), "[CONFIGURATION]\r\nSerial Port=6\r\n");
    EXPECT_TRUE(logged("Error Writing tcpserve.ini file"));

    std::filesystem::remove(dir.file("tcpserve.ini.new"));
    std::filesystem::remove(dir.file("tcpserve.ini"));
    std::filesystem::create_directories(dir.file("tcpserve.ini/keep"));  // nor renamed over the old one
    WriteConfiguration(rig.server);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("tcpserve.ini/keep")));
    EXPECT_FALSE(dir.exists("tcpserve.ini.new"));
    const std::string last = CrLfLines(dir.read("Errorlog.txt")).back();
    EXPECT_EQ(last.substr(24), "File Error" + std::string(26, ' ') +
                                   "Error Writing tcpserve.ini file: Error # 75 - Path/File access error");
}

}  // namespace
