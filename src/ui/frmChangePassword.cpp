#include "ui/frmChangePassword.h"

#include "disk/Configuration.h"
#include "disk/Trap.h"
#include "model/Server.h"
#include "ui/DialogParts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

std::string PasswordStorageProblem(PasswordTag tag, const std::string& Plain)
{
    const auto shift = tag == PasswordTag::Helm ? ShiftHelmPassword : ShiftPanelPassword;
    // The stored form must be printable text; the shift of a character
    // depends on its position, so each is checked at its place.
    for (size_t n = 1; n <= Plain.size(); ++n) {
        const std::optional<std::string> stored = shift(Plain.substr(0, n));
        const int code = stored ? static_cast<unsigned char>(stored->back()) : -1;
        if (code < 32 || code > 126)
            return "Character " + std::to_string(n) +
                   " of the new password cannot be stored in tcpserve.ini.\rPlease choose a shorter password or "
                   "other characters.";
    }
    // Readers of the profile format drop spaces and quotes at the ends of a value.
    const std::string stored = shift(Plain).value_or(std::string());
    const auto endsBadly = [](char c) { return c == ' ' || c == '"'; };
    if (!stored.empty() && (endsBadly(stored.front()) || endsBadly(stored.back())))
        return std::string("The ") + (endsBadly(stored.front()) ? "first" : "last") +
               " character of the new password would be stored in tcpserve.ini as a space or a quote, which the "
               "file cannot keep.\rPlease choose another password.";
    return {};
}

frmChangePassword::frmChangePassword(Server& s, PasswordTag tag, QWidget* parent)
    : QDialog(parent),
      s_(s),
      tag_(tag),
      current_(tag == PasswordTag::Helm ? s.cfg.HelmPassword : s.cfg.PanelPassword)
{
    setObjectName(QStringLiteral("frmChangePassword"));
    setWindowTitle(QStringLiteral("Change Password"));
    ask = ModalAsk(this);

    auto* lblOldPassword = new QLabel(QStringLiteral("Old Password"), this);
    lblOldPassword->setObjectName(QStringLiteral("lblOldPassword"));
    txtOldPassword = new QLineEdit(this);
    txtOldPassword->setObjectName(QStringLiteral("txtOldPassword"));
    txtOldPassword->setToolTip(QStringLiteral("Enter Exsisting Password"));
    txtOldPassword->setEchoMode(QLineEdit::Password);
    auto* lblNewPassword = new QLabel(QStringLiteral("New Password"), this);
    lblNewPassword->setObjectName(QStringLiteral("lblNewPassword"));
    txtNewPassword = new QLineEdit(this);
    txtNewPassword->setObjectName(QStringLiteral("txtNewPassword"));
    txtNewPassword->setToolTip(QStringLiteral("Enter New Password"));
    txtNewPassword->setEchoMode(QLineEdit::Password);
    lblOldPassword->setBuddy(txtOldPassword);
    lblNewPassword->setBuddy(txtNewPassword);

    auto* fields = new QGridLayout;
    fields->addWidget(lblOldPassword, 0, 0);
    fields->addWidget(txtOldPassword, 0, 1);
    fields->addWidget(lblNewPassword, 1, 0);
    fields->addWidget(txtNewPassword, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(OkCancelRow(this, &frmChangePassword::cmdOk_Click));
    setMinimumWidth(320);
}

void frmChangePassword::cmdOk_Click()
{
    Trap(s_, "Error changing Password", "Change Password", [&] {
        if (Latin1(txtOldPassword->text()) != current_) {
            ask({"Password Error", "Existing password invalid.  Please try again", BoxButtons::Ok, BoxIcon::Exclamation,
                 BoxResult::Ok});
            txtOldPassword->setFocus();
            return;
        }
        const std::string password = Latin1(txtNewPassword->text());
        // Clients send their passwords one byte per character.
        const std::string problem = Text(password) != txtNewPassword->text()
                                        ? "The new password contains a character that cannot be stored in "
                                          "tcpserve.ini.\rPlease choose other characters."
                                        : PasswordStorageProblem(tag_, password);
        if (!problem.empty()) {
            ask({"Password Error", problem, BoxButtons::Ok, BoxIcon::Exclamation, BoxResult::Ok});
            txtNewPassword->setFocus();
            return;
        }
        (tag_ == PasswordTag::Helm ? s_.cfg.HelmPassword : s_.cfg.PanelPassword) = password;
        WriteConfiguration(s_);
        accept();
    });
}
