#include "support/QtGuiApp.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

void GuiApp()
{
    if (!QCoreApplication::instance()) {
        // Nothing may appear on the developer's screen.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "hvn_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);  // lives as long as the program
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fputs("hvn_tests: a core application was created before the QApplication the window tests need\n", stderr);
        std::abort();
    }
}

QWidget* ActiveModalWidget() { return QApplication::activeModalWidget(); }

QList<QWidget*> TopLevelWidgets() { return QApplication::topLevelWidgets(); }

void ProcessEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

namespace {

struct GuiAppEnvironment : ::testing::Environment {
    void SetUp() override { GuiApp(); }
};

// Before any test, so that no test creates a core application first.
[[maybe_unused]] ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new GuiAppEnvironment);

}  // namespace

// Under LeakSanitizer: fontconfig, which Qt uses to find fonts, keeps a
// cache it never frees.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
