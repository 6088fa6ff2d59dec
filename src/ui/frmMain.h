#pragma once
// The operator's window: menus, activity lamps, command history, status bar
// and the notification-area icon. It is the server's display.
#include "platform/Seams.h"
#include "ui/Boxes.h"

#include <QMainWindow>
#include <QSystemTrayIcon>

#include <vector>

class HelpWindow;
class LampShape;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;
class QVBoxLayout;
class Server;

class frmMain : public QMainWindow, public Display {
    Q_OBJECT
public:
    explicit frmMain(bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable());

    // The window and the server need each other; the server is built on the window.
    void attach(Server& server) { server_ = &server; }
    // Shows the window after StartServer: in front or on top as configured, or
    // in the tray when the server starts there.
    void start();

    // Display
    void addHistoryLine(const std::string& source, const std::string& message) override;
    void removeOldestHistoryLine() override;
    int historyCount() const override;
    void clearHistory() override;
    void setStatusPanel(int panel, const std::string& text) override;
    void setLamp(Lamp lamp, bool green) override;
    void setCaption(const std::string& caption) override;
    std::string windowCaption() const override { return caption_; }
    void setLabel(Label label, const std::string& caption) override;
    void setToolTip(Label label, const std::string& tip) override;
    void setEnableMenuCaption(const std::string& caption) override;
    // Shown without waiting: these boxes come from the server's own work.
    BoxResult messageBox(const MessageBox& box) override;

    // The exit question; true when the server may exit.
    bool Form_QueryUnload();
    // Closes help and shuts the server down without asking (also on a signal).
    void Form_Unload();
    // Asks first when clients are connected.
    void mnuExit_Click();
    void mnuPopRestore_Click();
    void mnuContents_Click();

    // The operator's own questions (exit, dialogs); tests answer them.
    Ask ask;

signals:
    // The server has shut down; the program should end.
    void serverShutDown();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QGroupBox* buildLamps(QWidget* parent);
    void buildHistory(QWidget* parent, QVBoxLayout* layout);
    void buildStatusBar();
    void buildMenus();
    void buildTray();
    // Dialogs opened from the menus leave the topmost layer while they are open.
    template <class Dialog, class... Args>
    void runDialog(Args&&... args);
    void setTopmost(bool on);
    void applyStayOnTop();
    void Form_Resize();
    QLabel* labelOf(Label label) const;

    Server* server_ = nullptr;
    bool trayAvailable_;
    bool RestoringFromTray = false;
    bool started_ = false;
    bool shutDown_ = false;
    std::vector<MessageBox> heldBoxes_;
    std::string caption_;

    QAction* mnuEnable = nullptr;
    QAction* mnuDisable = nullptr;
    QMenu* mnuSysTray = nullptr;
    LampShape* shpSerialStatus = nullptr;
    LampShape* shpRcvMsg = nullptr;
    QLabel* lblSerialStatus = nullptr;
    QLabel* lblRcvMsg = nullptr;
    QLabel* lblCmdHistory = nullptr;
    QPushButton* cmdClearList = nullptr;
    QTreeWidget* lstCmdHistory = nullptr;
    QLabel* panels_[3] = {};
    QSystemTrayIcon* trayIcon_ = nullptr;
    HelpWindow* help_ = nullptr;
};
