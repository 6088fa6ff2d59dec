#include "ui/UiRig.h"
#include "ui/frmAbout.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

std::string Shown(frmAbout& dialog, const char* name)
{
    QLabel* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label ? label->text().toStdString() : std::string();
}

}  // namespace

TEST(AboutDialog, ShowsTheVersionAndTheSettingsInUse)
{
    DialogRig rig("Serial Port=2\r\nBaud Rate=19200\r\nTCP/IP Port=1300\r\nMax List Size=40\r\n"
                  "Maintain Error Log=No\r\nStay On Top=No\r\n");
    frmAbout dialog(rig.server);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "HVN Server Module Information");
    EXPECT_EQ(dialog.findChild<QGroupBox*>(QStringLiteral("frmVersionInfo"))->title().toStdString(),
              "Version Information");
    EXPECT_EQ(dialog.findChild<QGroupBox*>(QStringLiteral("frmSetupInfo"))->title().toStdString(),
              "Setup Information");
    EXPECT_EQ(Shown(dialog, "lblVersionInfo"), "HVN Server Module\nVersion 4.09 - 05/23/2005");
    EXPECT_EQ(Shown(dialog, "lblLogFile"), "Enabled");
    EXPECT_EQ(Shown(dialog, "lblErrorLog"), "Disabled");
    EXPECT_EQ(Shown(dialog, "lblMaxListSize"), "40 Items");
    EXPECT_EQ(Shown(dialog, "lblSerialPort"), "COM2 (19200,n,8,1)");
    EXPECT_EQ(Shown(dialog, "LblStayOnTop"), "False");
    EXPECT_EQ(Shown(dialog, "lblTcpPort"), "Port 1300");
    EXPECT_EQ(Shown(dialog, "lblLogFileCaption"), "Log File:");
    EXPECT_EQ(Shown(dialog, "lblErrorLogCaption"), "Error Log File :");
    EXPECT_EQ(Shown(dialog, "lblMaxListSizeCaption"), "Max List Size :");
    EXPECT_EQ(Shown(dialog, "lblSerialPortCaption"), "Serial Port :");
    EXPECT_EQ(Shown(dialog, "LblStayOnTopCaption"), "Stay on Top:");
    EXPECT_EQ(Shown(dialog, "lblTcpPortCaption"), "TCP/IP Port :");
    EXPECT_FALSE(dialog.findChild<QLabel*>(QStringLiteral("imgLogo"))->pixmap().isNull());

    QPushButton* ok = dialog.findChild<QPushButton*>(QStringLiteral("cmdAboutquit"));
    EXPECT_EQ(ok->text().toStdString(), "&Ok");
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(AboutDialog, DefaultSettingsReadEnabledAndTopmost)
{
    DialogRig rig;
    frmAbout dialog(rig.server);
    EXPECT_EQ(Shown(dialog, "lblLogFile"), "Enabled");
    EXPECT_EQ(Shown(dialog, "lblErrorLog"), "Enabled");
    EXPECT_EQ(Shown(dialog, "lblSerialPort"), "COM1 (57600,n,8,1)");
    EXPECT_EQ(Shown(dialog, "LblStayOnTop"), "True");
    EXPECT_EQ(Shown(dialog, "lblTcpPort"), "Port 1250");
}
