#include "ui/UiRig.h"
#include "ui/frmAbout.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(AboutDialog, ShowsTheVersionAndTheSettingsInUse)
{
    DialogRig rig(
        "Serial Port=2\r\nBaud Rate=19200\r\nTCP/IP Port=1300\r\nMax List Size=40\r\n"
        "Maintain Error Log=No\r\nStay On Top=No\r\n");
    frmAbout dialog(rig.server);
    const auto shown = [&](const char* name) {
        QLabel* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
        return label ? label->text().toStdString() : std::string("missing");
    };
    EXPECT_EQ(dialog.windowTitle().toStdString(), "HVN Server Module Information");
    EXPECT_EQ(shown("lblVersionInfo"), "HVN Server Module\nVersion 4.09 - 05/23/2005");
    EXPECT_EQ(shown("lblLogFile"), "Enabled");
    EXPECT_EQ(shown("lblErrorLog"), "Disabled");
    EXPECT_EQ(shown("lblMaxListSize"), "40 Items");
    EXPECT_EQ(shown("lblSerialPort"), "COM2 (19200,n,8,1)");
    EXPECT_EQ(shown("LblStayOnTop"), "False");
    EXPECT_EQ(shown("lblTcpPort"), "Port 1300");
    EXPECT_EQ(shown("lblErrorLogCaption"), "Error Log File :");

    QPushButton* ok = dialog.findChild<QPushButton*>(QStringLiteral("cmdAboutquit"));
    EXPECT_EQ(ok->text().toStdString(), "&Ok");
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}
