#include "ui/frmMain.h"

#include "core/Lifecycle.h"
#include "core/StatusPanels.h"
#include "disk/StatusDisplay.h"
#include "helm/HelmPort.h"
#include "model/Server.h"
#include "ui/DialogParts.h"
#include "ui/ExitQuestion.h"
#include "ui/HelpWindow.h"
#include "ui/LampShape.h"
#include "ui/Logo.h"
#include "ui/frmAbout.h"
#include "ui/frmChangePassword.h"
#include "ui/frmClients.h"
#include "ui/frmSetup.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QAction* AddItem(QMenu* menu, const char* name, const char* caption)
{
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void AddSeparator(QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(QString::fromLatin1(name)); }

}  // namespace

frmMain::frmMain(bool trayAvailable) : trayAvailable_(trayAvailable)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("HVN Server Module"));
    setWindowIcon(AppIcon());
    ask = ModalAsk(this);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(buildLamps(central));
    buildHistory(central, layout);
    setCentralWidget(central);
    buildStatusBar();
    buildMenus();
    buildTray();
    help_ = new HelpWindow(this);
    resize(600, 440);
}

QGroupBox* frmMain::buildLamps(QWidget* parent)
{
    auto* Frame1 = Named(new QGroupBox(QStringLiteral("Status Information"), parent), "Frame1");
    auto* lamps = new QGridLayout(Frame1);
    shpSerialStatus = Named(new LampShape(Frame1), "shpSerialStatus");
    lblSerialStatus = Named(new QLabel(QStringLiteral("Router Serial Connection"), Frame1), "lblSerialStatus");
    shpRcvMsg = Named(new LampShape(Frame1), "shpRcvMsg");
    lblRcvMsg = Named(new QLabel(QStringLiteral("Processing Network Message"), Frame1), "lblRcvMsg");
    lamps->addWidget(shpSerialStatus, 0, 0);
    lamps->addWidget(lblSerialStatus, 0, 1);
    lamps->addWidget(shpRcvMsg, 1, 0);
    lamps->addWidget(lblRcvMsg, 1, 1);
    lamps->setColumnStretch(1, 1);
    lblSerialStatus->setTextFormat(Qt::PlainText);
    lblRcvMsg->setTextFormat(Qt::PlainText);
    return Frame1;
}

void frmMain::buildHistory(QWidget* parent, QVBoxLayout* layout)
{
    auto* historyBar = new QHBoxLayout;
    lblCmdHistory = Named(new QLabel(QStringLiteral(" Command History"), parent), "lblCmdHistory");
    lblCmdHistory->setTextFormat(Qt::PlainText);
    cmdClearList = Named(new QPushButton(QStringLiteral("&Clear"), parent), "cmdClearList");
    cmdClearList->setToolTip(QStringLiteral("Clear Command History"));
    connect(cmdClearList, &QPushButton::clicked, this, [this] {
        if (server_)
            cmdClearList_Click(*server_);
    });
    historyBar->addWidget(lblCmdHistory, 1);
    historyBar->addWidget(cmdClearList);
    layout->addLayout(historyBar);

    lstCmdHistory = Named(new QTreeWidget(parent), "lstCmdHistory");
    lstCmdHistory->setColumnCount(2);
    lstCmdHistory->setHeaderLabels({QStringLiteral("Client Address"), QStringLiteral("Message Description")});
    lstCmdHistory->setRootIsDecorated(false);
    lstCmdHistory->setUniformRowHeights(true);
    lstCmdHistory->setAllColumnsShowFocus(true);
    lstCmdHistory->header()->resizeSection(0, 150);
    layout->addWidget(lstCmdHistory, 1);
}

void frmMain::buildStatusBar()
{
    auto* StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(StatusBar1);
        panels_[i]->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i + 1));
        panels_[i]->setTextFormat(Qt::PlainText);
        StatusBar1->addWidget(panels_[i], 1);
    }
    setStatusBar(StatusBar1);
}

void frmMain::buildMenus()
{
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuEnable = AddItem(mnuFile, "mnuEnable", "&Disable");
    AddSeparator(mnuFile, "mnuSep");
    QAction* mnuDisconnectAllClients = AddItem(mnuFile, "mnuDisconnectAllClients", "Disconnect All &Clients");
    QAction* mnuList = AddItem(mnuFile, "mnuList", "&List Clients");
    AddSeparator(mnuFile, "mnuSep2");
    QAction* mnuSetup = AddItem(mnuFile, "mnuSetup", "&Setup");
    AddSeparator(mnuFile, "mnuSep3");
    QAction* mnuPanelPassword = AddItem(mnuFile, "mnuPanelPassword", "Set &SoftPanel Password");
    QAction* mnuChangePassword = AddItem(mnuFile, "mnuChangePassword", "Set &Helm Password");
    QAction* mnuWebPassword = AddItem(mnuFile, "mnuWebPassword", "Set &Web Password");
    AddSeparator(mnuFile, "mnuSep4");
    QAction* mnuExit = AddItem(mnuFile, "mnuExit", "E&xit");

    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction* mnuContents = AddItem(mnuHelp, "mnuContents", "Contents");
    AddSeparator(mnuHelp, "mnuSep5");
    QAction* mnuAbout = AddItem(mnuHelp, "mnuAbout", "&About");

    mnuSysTray = new QMenu(QStringLiteral("&SysTray"), this);
    mnuSysTray->setObjectName(QStringLiteral("mnuSysTray"));
    mnuDisable = AddItem(mnuSysTray, "mnuDisable", "&Disable");
    QAction* mnuPopRestore = AddItem(mnuSysTray, "mnuPopRestore", "&Restore");
    AddSeparator(mnuSysTray, "mnuSep6");
    QAction* mnuPopExit = AddItem(mnuSysTray, "mnuPopExit", "E&xit");

    const auto withServer = [this](void (*action)(Server&)) {
        return [this, action] {
            if (server_)
                action(*server_);
        };
    };
    connect(mnuEnable, &QAction::triggered, this, withServer(ToggleServerEnabled));
    connect(mnuDisable, &QAction::triggered, this, withServer(ToggleServerEnabled));
    connect(mnuDisconnectAllClients, &QAction::triggered, this, withServer(DisconnectAllClients));
    connect(mnuList, &QAction::triggered, this, [this] { runDialog<frmClients>(); });
    connect(mnuSetup, &QAction::triggered, this, [this] { runDialog<frmSetup>(); });
    connect(mnuPanelPassword, &QAction::triggered, this, [this] { runDialog<frmChangePassword>(PasswordTag::Panel); });
    connect(mnuChangePassword, &QAction::triggered, this, [this] { runDialog<frmChangePassword>(PasswordTag::Helm); });
    connect(mnuWebPassword, &QAction::triggered, this, [this] { runDialog<frmChangePassword>(PasswordTag::Web); });
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(mnuContents, &QAction::triggered, this, &frmMain::mnuContents_Click);
    connect(mnuAbout, &QAction::triggered, this, [this] { runDialog<frmAbout>(); });
    connect(mnuPopRestore, &QAction::triggered, this, &frmMain::mnuPopRestore_Click);
    connect(mnuPopExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
}

void frmMain::buildTray()
{
    if (!trayAvailable_)
        return;
    trayIcon_ = new QSystemTrayIcon(AppIcon(), this);
    trayIcon_->setObjectName(QStringLiteral("TrayIcon"));
    trayIcon_->setToolTip(QStringLiteral("HVN Server Module"));
    trayIcon_->setContextMenu(mnuSysTray);
    connect(trayIcon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            mnuPopRestore_Click();
    });
}

void frmMain::start()
{
    started_ = true;
    applyStayOnTop();
    if (server_ && server_->cfg.StartInTaskBar)
        showMinimized();
    else
        show();
    for (const MessageBox& box : heldBoxes_)
        messageBox(box);
    heldBoxes_.clear();
}

template <class Dialog, class... Args>
void frmMain::runDialog(Args&&... args)
{
    if (!server_)
        return;
    setTopmost(false);
    {
        Dialog dialog(*server_, std::forward<Args>(args)..., this);
        dialog.exec();
    }
    applyStayOnTop();
}

void frmMain::setTopmost(bool on)
{
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    // Changing a window's flags hides it; a window that was up comes back.
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown)
        show();
}

void frmMain::applyStayOnTop() { setTopmost(server_ && server_->cfg.StayOnTop == StayOnTopYes); }

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmMain::Form_Resize()
{
    if (!isMinimized() || RestoringFromTray || !trayIcon_)
        return;
    // Hidden once the minimise has finished, so the window system is not
    // still busy with the window being hidden.
    QTimer::singleShot(0, this, [this] {
        if (!isMinimized() || shutDown_)
            return;
        hide();
        trayIcon_->show();
    });
}

void frmMain::mnuPopRestore_Click()
{
    RestoringFromTray = true;
    showNormal();
    raise();
    activateWindow();
    if (trayIcon_)
        trayIcon_->hide();
    RestoringFromTray = false;
}

void frmMain::mnuContents_Click() { help_->ShowHelpContents(); }

bool frmMain::Form_QueryUnload()
{
    if (!server_)
        return true;
    const ConnectionCounts counts = CountConnections(*server_);
    if (counts.total() == 0)
        return true;
    return ask({" Confirm Exit", ExitQuestionText(counts), BoxButtons::OkCancel, BoxIcon::Information,
                BoxResult::Ok}) == BoxResult::Ok;
}

void frmMain::Form_Unload()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    help_->close();
    if (server_)
        ShutdownServer(*server_);
    if (trayIcon_)
        trayIcon_->hide();
    hide();
    emit serverShutDown();
}

void frmMain::mnuExit_Click()
{
    if (shutDown_ || !Form_QueryUnload())
        return;
    Form_Unload();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (shutDown_) {
        event->accept();
        return;
    }
    // Closing the window is exiting the server; the answer decides.
    event->ignore();
    mnuExit_Click();
}

void frmMain::addHistoryLine(const std::string& source, const std::string& message)
{
    auto* item = new QTreeWidgetItem(lstCmdHistory);
    // A line without a source stays blank.
    if (!source.empty()) {
        item->setText(0, Text(source));
        item->setText(1, Text(message));
    }
    lstCmdHistory->scrollToItem(item);
}

void frmMain::removeOldestHistoryLine() { delete lstCmdHistory->takeTopLevelItem(0); }

int frmMain::historyCount() const { return lstCmdHistory->topLevelItemCount(); }

void frmMain::clearHistory() { lstCmdHistory->clear(); }

void frmMain::setStatusPanel(int panel, const std::string& text)
{
    if (panel >= 1 && panel <= 3)
        panels_[panel - 1]->setText(Text(text));
}

void frmMain::setLamp(Lamp lamp, bool green)
{
    (lamp == Lamp::Serial ? shpSerialStatus : shpRcvMsg)->setColor(QColor(green ? LampGreen : LampGrey));
}

void frmMain::setCaption(const std::string& caption)
{
    caption_ = caption;
    setWindowTitle(Text(caption));
}

QLabel* frmMain::labelOf(Label label) const
{
    switch (label) {
    case Label::SerialStatus: return lblSerialStatus;
    case Label::RcvMsg: return lblRcvMsg;
    case Label::CmdHistory: break;
    }
    return lblCmdHistory;
}

void frmMain::setLabel(Label label, const std::string& caption) { labelOf(label)->setText(Text(caption)); }

void frmMain::setToolTip(Label label, const std::string& tip) { labelOf(label)->setToolTip(Text(tip)); }

void frmMain::setEnableMenuCaption(const std::string& caption)
{
    mnuEnable->setText(Text(caption));
    mnuDisable->setText(Text(caption));
}

BoxResult frmMain::messageBox(const MessageBox& box)
{
    // Boxes raised while starting wait until the window is up.
    if (!started_) {
        heldBoxes_.push_back(box);
        return box.defaultResult;
    }
    QMessageBox* m = MakeMessageBox(box, this);
    m->setAttribute(Qt::WA_DeleteOnClose);
    m->open();
    return box.defaultResult;
}
