#pragma once
// The about box: version and a summary of the settings in use.
#include <QDialog>

class Server;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(Server& s, QWidget* parent = nullptr);
};
