#pragma once
// Changes the Helm password, the soft panel password or the web password.
#include "ui/Boxes.h"

#include <QDialog>

#include <string>

class QLineEdit;
class Server;

// Which password the dialog changes (the form's tag).
enum class PasswordTag { Helm, Panel, Web };

// Why Plain cannot be kept in tcpserve.ini in its stored (shifted) form;
// empty when it can.
std::string PasswordStorageProblem(PasswordTag tag, const std::string& Plain);

class frmChangePassword : public QDialog {
    Q_OBJECT
public:
    frmChangePassword(Server& s, PasswordTag tag, QWidget* parent = nullptr);
    void cmdOk_Click();

    Ask ask;

private:
    Server& s_;
    PasswordTag tag_;
    // The password as it was when the dialog opened (the web password's hash).
    std::string current_;
    bool OldPasswordMatches(const std::string& Old) const;
    void Store(const std::string& Password);
    QLineEdit* txtOldPassword;
    QLineEdit* txtNewPassword;
};
