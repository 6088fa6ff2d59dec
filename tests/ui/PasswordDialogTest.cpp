#include "ui/UiRig.h"
#include "ui/frmChangePassword.h"
#include "web/WebAuth.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

struct PasswordRig : DialogRig {
    frmChangePassword dialog;

    PasswordRig(PasswordTag tag, const std::string& ini = "") : DialogRig(ini), dialog(server, tag)
    {
        dialog.ask = answers.ask();
    }
    QLineEdit* edit(const char* name) { return dialog.findChild<QLineEdit*>(QString::fromLatin1(name)); }
    // Types both passwords (the new one as UTF-8) and presses OK; true when the dialog closed.
    bool change(const std::string& oldPassword, const std::string& newPassword)
    {
        dialog.setResult(QDialog::Rejected);
        edit("txtOldPassword")->setText(QString::fromLatin1(oldPassword.c_str()));
        edit("txtNewPassword")->setText(QString::fromUtf8(newPassword.c_str()));
        dialog.findChild<QPushButton*>(QStringLiteral("cmdOk"))->click();
        return dialog.result() == QDialog::Accepted;
    }
};

}  // namespace

TEST(PasswordDialog, WithNoPasswordAnEmptyOldOneSetsTheNewOneAndWritesTheFile)
{
    PasswordRig rig(PasswordTag::Helm);
    EXPECT_EQ(rig.dialog.windowTitle().toStdString(), "Change Password");
    EXPECT_EQ(rig.dialog.findChild<QLabel*>(QStringLiteral("lblOldPassword"))->text().toStdString(), "Old Password");
    EXPECT_EQ(rig.edit("txtOldPassword")->toolTip().toStdString(), "Enter Exsisting Password");
    EXPECT_EQ(rig.edit("txtNewPassword")->toolTip().toStdString(), "Enter New Password");

    EXPECT_TRUE(rig.change("", "abc"));
    EXPECT_TRUE(rig.answers.asked.empty());
    EXPECT_EQ(rig.server.cfg.HelmPassword, "abc");
    EXPECT_NE(rig.dir.read("tcpserve.ini").find("Helm Password=bdf\r\n"), std::string::npos);
}

TEST(PasswordDialog, AWrongOldPasswordIsRefusedAndNothingIsWritten)
{
    PasswordRig rig(PasswordTag::Panel, "Panel Password=```\r\n");
    ASSERT_EQ(rig.server.cfg.PanelPassword, "abc");
    const std::string before = rig.dir.read("tcpserve.ini");
    for (const char* wrong : {"", "ABC", "abcd"}) {
        EXPECT_FALSE(rig.change(wrong, "new")) << wrong;
        EXPECT_EQ(rig.dialog.focusWidget(), rig.edit("txtOldPassword"));
    }
    ASSERT_EQ(rig.answers.asked.size(), 3u);
    EXPECT_EQ(rig.answers.asked[0].title, "Password Error");
    EXPECT_EQ(rig.answers.asked[0].text, "Existing password invalid.  Please try again");
    EXPECT_EQ(rig.answers.asked[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(rig.dir.read("tcpserve.ini"), before);

    EXPECT_TRUE(rig.change("abc", "xyz"));
    EXPECT_EQ(rig.server.cfg.PanelPassword, "xyz");
    EXPECT_NE(rig.dir.read("tcpserve.ini").find("Panel Password=www\r\n"), std::string::npos);
    // An empty new password switches it off.
    frmChangePassword off(rig.server, PasswordTag::Panel);
    off.findChild<QLineEdit*>(QStringLiteral("txtOldPassword"))->setText(QStringLiteral("xyz"));
    off.findChild<QPushButton*>(QStringLiteral("cmdOk"))->click();
    EXPECT_EQ(rig.server.cfg.PanelPassword, "");
    EXPECT_NE(rig.dir.read("tcpserve.ini").find("Panel Password=\r\n"), std::string::npos);
}

TEST(PasswordDialog, ANewPasswordTheFileCannotKeepIsRefused)
{
    const struct {
        PasswordTag tag;
        const char* password;
        const char* why;
    } refused[] = {
        {PasswordTag::Helm, "ab~", "Character 3 "},                                     // 126 + 3
        {PasswordTag::Helm, "abcdefghijklmnopqrstuvwxyz", "Character 16 "},             // p + 16
        {PasswordTag::Helm, "!abc", "The first character"},                             // stored as a quote
        {PasswordTag::Helm, "ab\x1D", "The last character"},                            // stored as a space
        {PasswordTag::Panel, "!bc", "The first character"},                             // stored as a space
        {PasswordTag::Panel, "a$", "The last character"},                               // stored as a quote
        {PasswordTag::Panel, "aaaaaaaaaaaaaaaa0", "Character 17 "},                     // 0 - 17
        {PasswordTag::Panel, "a\xC3\xA9", "Character 2 "},                              // e acute, 233 - 2
        {PasswordTag::Helm, "a\xE2\x82\xAC", "The new password contains a character"},  // the euro sign
    };
    for (const auto& r : refused) {
        PasswordRig rig(r.tag);
        EXPECT_FALSE(rig.change("", r.password)) << r.password;
        ASSERT_EQ(rig.answers.asked.size(), 1u) << r.password;
        EXPECT_EQ(rig.answers.asked[0].title, "Password Error");
        EXPECT_EQ(rig.answers.asked[0].text.rfind(r.why, 0), 0u) << r.password << ": " << rig.answers.asked[0].text;
        EXPECT_EQ(rig.dialog.focusWidget(), rig.edit("txtNewPassword"));
        EXPECT_EQ(rig.server.cfg.HelmPassword + rig.server.cfg.PanelPassword, "");
        EXPECT_FALSE(rig.dir.exists("tcpserve.ini")) << r.password;
    }
}

TEST(PasswordDialog, APasswordThatFitsIsReadBackFromTheFile)
{
    for (PasswordTag tag : {PasswordTag::Helm, PasswordTag::Panel}) {
        PasswordRig rig(tag);
        EXPECT_TRUE(rig.change("", "Sw1tch-Room"));
        DialogRig reread;
        reread.dir.write("tcpserve.ini", rig.dir.read("tcpserve.ini"));
        StartServer(reread.server);
        EXPECT_EQ(tag == PasswordTag::Helm ? reread.server.cfg.HelmPassword : reread.server.cfg.PanelPassword,
                  "Sw1tch-Room");
    }
}

TEST(PasswordDialog, TheWebPasswordIsCheckedAgainstItsHashAndStoredAsOne)
{
    PasswordRig rig(PasswordTag::Web);
    EXPECT_TRUE(rig.change("", "pässwort"));
    const std::string stored = rig.server.cfg.WebPassword;
    EXPECT_TRUE(WebPasswordMatches(stored, "pässwort"));
    EXPECT_NE(rig.dir.read("tcpserve.ini").find("Web Password=" + stored + "\r\n"), std::string::npos);

    frmChangePassword next(rig.server, PasswordTag::Web);
    next.ask = rig.answers.ask();
    const auto press = [&](const char* Old, const char* New) {
        next.findChild<QLineEdit*>(QStringLiteral("txtOldPassword"))->setText(QString::fromUtf8(Old));
        next.findChild<QLineEdit*>(QStringLiteral("txtNewPassword"))->setText(QString::fromUtf8(New));
        next.findChild<QPushButton*>(QStringLiteral("cmdOk"))->click();
    };
    press("passwort", "other");
    EXPECT_EQ(rig.answers.asked.back().text, "Existing password invalid.  Please try again");
    EXPECT_EQ(rig.server.cfg.WebPassword, stored);
    press("pässwort", "");
    EXPECT_EQ(rig.server.cfg.WebPassword, "");
    EXPECT_NE(rig.dir.read("tcpserve.ini").find("Web Password=\r\n"), std::string::npos);
}
