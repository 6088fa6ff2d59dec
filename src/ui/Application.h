#pragma once
// The application object. Kept apart from the server's headers: Qt's
// QApplication header declares the X11 type Display, which clashes with the
// server's Display interface.
#include <memory>

class QCoreApplication;

// A QApplication when Window is true, else a core application.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, bool Window);
// True when the application can show windows: a QApplication on a platform
// that draws on a screen (not "offscreen" or "minimal").
bool ShowsWindows(const QCoreApplication& app);
// Whether a window platform is available before any application exists:
// a display is set and the chosen platform is not a headless one.
bool DisplayAvailable();
// A window hidden in the tray must not end the program.
void KeepRunningWithoutWindows();
