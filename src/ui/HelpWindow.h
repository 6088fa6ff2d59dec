#pragma once
// The help window: the program's own help page, compiled in.
#include <QWidget>

class QTextBrowser;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent);
    // Shows the contents page in front.
    void ShowHelpContents();

private:
    QTextBrowser* txtHelp;
};
