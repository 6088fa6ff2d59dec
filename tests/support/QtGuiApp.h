#pragma once
// The one QApplication of the test program, for tests that open windows, on
// Qt's offscreen platform. Widgets need a QApplication, not just a core
// application, so it is created before the first test runs (other tests then
// find it as their application). QApplication itself is only included in
// QtGuiApp.cpp: its header declares the X11 type Display, which clashes with
// the server's Display interface.
#include <QList>

class QWidget;

// Creates the application when there is none yet.
void GuiApp();
QWidget* ActiveModalWidget();
QList<QWidget*> TopLevelWidgets();
// Delivers queued events, including deferred deletions.
void ProcessEvents();
