#include "ui/frmAbout.h"

#include "model/Server.h"
#include "ui/Boxes.h"
#include "ui/Logo.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* NamedLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QGroupBox* VersionInfo(QWidget* parent)
{
    auto* frmVersionInfo = new QGroupBox(QStringLiteral("Version Information"), parent);
    frmVersionInfo->setObjectName(QStringLiteral("frmVersionInfo"));
    auto* versionLayout = new QVBoxLayout(frmVersionInfo);
    // The version text breaks its line with CR; a label breaks on LF.
    versionLayout->addWidget(NamedLabel(QStringLiteral("lblVersionInfo"),
                                        QStringLiteral("HVN Server Module\n") + QString::fromLatin1(VersionText),
                                        frmVersionInfo));
    return frmVersionInfo;
}

// One row a setting: its caption, and its value in a label of its own.
QGroupBox* SetupInfo(const Config& c, QWidget* parent)
{
    auto* frmSetupInfo = new QGroupBox(QStringLiteral("Setup Information"), parent);
    frmSetupInfo->setObjectName(QStringLiteral("frmSetupInfo"));
    auto* grid = new QGridLayout(frmSetupInfo);
    const auto enabled = [](bool on) { return QString::fromLatin1(on ? "Enabled" : "Disabled"); };
    const struct {
        const char* caption;
        const char* name;
        QString value;
    } rows[] = {
        {"Log File:", "lblLogFile", enabled(c.MaintainLogFile)},
        {"Error Log File :", "lblErrorLog", enabled(c.MaintainErrorLog)},
        {"Max List Size :", "lblMaxListSize", QStringLiteral("%1 Items").arg(c.MaxListSize)},
        {"Serial Port :", "lblSerialPort", QStringLiteral("COM%1 (%2,n,8,1)").arg(c.CommPort).arg(Text(c.BaudRate))},
        {"Stay on Top:", "LblStayOnTop", QString::fromLatin1(c.StayOnTop == StayOnTopYes ? "True" : "False")},
        {"TCP/IP Port :", "lblTcpPort", QStringLiteral("Port %1").arg(c.HelmPort)},
    };
    int row = 0;
    for (const auto& r : rows) {
        const QString name = QString::fromLatin1(r.name);
        grid->addWidget(NamedLabel(name + QStringLiteral("Caption"), QString::fromLatin1(r.caption), frmSetupInfo), row,
                        0);
        grid->addWidget(NamedLabel(name, r.value, frmSetupInfo), row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    return frmSetupInfo;
}

}  // namespace

frmAbout::frmAbout(Server& s, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("HVN Server Module Information"));

    auto* imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(LogoPixmap(72));
    imgLogo->setAlignment(Qt::AlignTop);

    auto* cmdAboutquit = new QPushButton(QStringLiteral("&Ok"), this);
    cmdAboutquit->setObjectName(QStringLiteral("cmdAboutquit"));
    cmdAboutquit->setDefault(true);
    connect(cmdAboutquit, &QPushButton::clicked, this, &QDialog::accept);

    auto* info = new QVBoxLayout;
    info->addWidget(VersionInfo(this));
    info->addWidget(SetupInfo(s.cfg, this));
    auto* top = new QHBoxLayout;
    top->addWidget(imgLogo);
    top->addLayout(info, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAboutquit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}
