#include <QApplication>
#include <QDir>
#include <QLocale>

#include <csignal>

#include "common/IniSettingsStore.h"
#include "controls/qt/QtTelnetSocket.h"
#include "common/QtTimeSource.h"
#include "controls/qt/Fonts.h"
#include "main/qt/QtTranslations.h"
#include "main/qt/MainWindow.h"

int main(int argc, char** argv)
{
    // Over a file-size limit a write fails with EFBIG, which the settings
    // save reports; the signal's default would end the client on the spot.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZKT"));
    // No display name: X11 would append it to every window title.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.zkt.zkt"));
    Fonts::registerSubstitutions();
    QtTranslations::install(QLocale::system());

    IniSettingsStore store(IniSettingsStore::defaultPath());
    QtTimeSource time;
    QtTelnetSocket socket(time);
    MainWindow window(store, socket, time);
    window.load();
    window.show();
    return app.exec();
}
