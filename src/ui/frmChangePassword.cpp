#include "ui/frmChangePassword.h"

#include "disk/Configuration.h"
#include "disk/Trap.h"
#include "model/Server.h"
#include "ui/DialogParts.h"
#include "web/WebAuth.h"
#include "web/WebPort.h"

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
      current_(tag == PasswordTag::Helm    ? s.cfg.HelmPassword
               : tag == PasswordTag::Panel ? s.cfg.PanelPassword
                                           : s.cfg.WebPassword)
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

bool frmChangePassword::OldPasswordMatches(const std::string& Old) const
{
    if (tag_ != PasswordTag::Web)
        return Old == current_;
    // A stored value that is no hash can never be matched: the operator at
    // the machine may replace it whatever he types.
    return current_.empty() ? Old.empty() : !IsWebPasswordHash(current_) || WebPasswordMatches(current_, Old);
}

void frmChangePassword::Store(const std::string& Password)
{
    if (tag_ == PasswordTag::Web) {
        StoreWebPassword(s_, Password);
        return;
    }
    (tag_ == PasswordTag::Helm ? s_.cfg.HelmPassword : s_.cfg.PanelPassword) = Password;
    WriteConfiguration(s_);
}

void frmChangePassword::cmdOk_Click()
{
    Trap(s_, "Error changing Password", "Change Password", [&] {
        // Browsers send the web password as UTF-8; clients of the other ports one byte per character.
        const auto bytes = [&](const QLineEdit* Field) {
            return tag_ == PasswordTag::Web ? Field->text().toStdString() : Latin1(Field->text());
        };
        if (!OldPasswordMatches(bytes(txtOldPassword))) {
            ask({"Password Error", "Existing password invalid.  Please try again", BoxButtons::Ok, BoxIcon::Exclamation,
                 BoxResult::Ok});
            txtOldPassword->setFocus();
            return;
        }
        const std::string password = bytes(txtNewPassword);
        // Only a hash of the web password is stored, which any text has.
        const std::string problem = tag_ == PasswordTag::Web ? std::string()
                                    : Text(password) != txtNewPassword->text()
                                        ? "The new password contains a character that cannot be stored in "
                                          "tcpserve.ini.\rPlease choose other characters."
                                        : PasswordStorageProblem(tag_, password);
        if (!problem.empty()) {
            ask({"Password Error", problem, BoxButtons::Ok, BoxIcon::Exclamation, BoxResult::Ok});
            txtNewPassword->setFocus();
            return;
        }
        Store(password);
        accept();
    });
}
