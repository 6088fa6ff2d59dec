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

namespace {

// Row Row of Fields: the label lbl<Name> and the hidden entry txt<Name>,
// which the label's mnemonic focuses.
QLineEdit* AddPasswordRow(QDialog* dialog, QGridLayout* Fields, int Row, const QString& Name, const QString& Label,
                          const QString& ToolTip)
{
    auto* label = new QLabel(Label, dialog);
    label->setObjectName("lbl" + Name);
    auto* entry = new QLineEdit(dialog);
    entry->setObjectName("txt" + Name);
    entry->setToolTip(ToolTip);
    entry->setEchoMode(QLineEdit::Password);
    label->setBuddy(entry);
    Fields->addWidget(label, Row, 0);
    Fields->addWidget(entry, Row, 1);
    return entry;
}

}  // namespace

frmChangePassword::frmChangePassword(Server& s, PasswordTag tag, QWidget* parent)
    : QDialog(parent),
      s_(s),
      tag_(tag),
      current_(tag == PasswordTag::Helm ? s.cfg.HelmPassword : s.cfg.PanelPassword)
{
    setObjectName(QStringLiteral("frmChangePassword"));
    setWindowTitle(QStringLiteral("Change Password"));
    ask = ModalAsk(this);

    auto* fields = new QGridLayout;
    txtOldPassword = AddPasswordRow(this, fields, 0, "OldPassword", "Old Password", "Enter Exsisting Password");
    txtNewPassword = AddPasswordRow(this, fields, 1, "NewPassword", "New Password", "Enter New Password");
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
