#include "ui/Application.h"

#include <QApplication>

#include <cstdlib>

namespace {

bool HeadlessPlatform(const QString& name)
{
    return name.startsWith(QLatin1String("offscreen")) || name.startsWith(QLatin1String("minimal"));
}

}  // namespace

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, bool Window)
{
    if (Window)
        return std::make_unique<QApplication>(argc, argv);
    return std::make_unique<QCoreApplication>(argc, argv);
}

bool ShowsWindows(const QCoreApplication& app)
{
    return qobject_cast<const QApplication*>(&app) && !HeadlessPlatform(QGuiApplication::platformName());
}

bool DisplayAvailable()
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        return false;
    return !HeadlessPlatform(QString::fromLocal8Bit(qgetenv("QT_QPA_PLATFORM")));
}

void KeepRunningWithoutWindows() { QApplication::setQuitOnLastWindowClosed(false); }
