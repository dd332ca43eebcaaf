#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QStatusBar>
#include <QtTest/QTest>

#include <memory>

#include "common/SettingsStore.h"
#include "controls/GridModel.h"
#include "controls/qt/QtTelnetSocket.h"
#include "controls/qt/SpreadGrid.h"
#include "main/DialogueSession.h"
#include "main/qt/MainWindow.h"
#include "support/FakeTime.h"
#include "support/qt/EventWait.h"

// The main window over the TCP socket, with time in the test's hand, driven
// by real key presses: F1 to F12 reach the window's shortcuts as they do
// from the keyboard, lines are typed into the input line. The exit and
// settings commands are recorded instead of ending the process or opening a
// modal dialog. Whoever includes this links Qt6::Test.
class KeyedWindow {
public:
    explicit KeyedWindow(SettingsStore& store)
    {
        window = std::make_unique<MainWindow>(store, socket, time);
        window->setExitHandler([this](int) { ++exits; });
        window->setSettingsDialogHandler([this] { ++settingsDialogs; });
    }
    ~KeyedWindow() { window.reset(); }

    // The window load, then shown and made the active window, as at start-up.
    void start()
    {
        window->load();
        window->show();
        window->activateWindow();
        // Window shortcuts fire only in the active window.
        if (!QTest::qWaitForWindowActive(window.get()))
            QApplication::setActiveWindow(window.get());
    }

    void press(int number) { QTest::keyClick(window.get(), Qt::Key(Qt::Key_F1 + number - 1)); }
    void type(const QString& text)
    {
        QLineEdit* input = window->inputLine();
        input->setFocus();
        QTest::keyClicks(input, text);
        QTest::keyClick(input, Qt::Key_Return);
    }

    DialogueSession& dialogue() { return window->dialogue(); }
    Mode mode() { return dialogue().currentMode(); }
    QString caption(int number) { return dialogue().caption(number - 1); }
    QString status() const { return window->statusBar()->currentMessage(); }
    bool inputEnabled() const { return window->inputLine()->isEnabled(); }
    bool terminalShown() const { return window->terminalView()->gridView().isVisible(); }
    int rows() const { return window->terminalModel().rowCount(); }
    QString row(int number) const { return window->terminalModel().text(1, number).toString(); }
    qsizetype rowLength(int number) const { return window->terminalModel().text(1, number).size(); }

    FakeTimeSource time;
    QtTelnetSocket socket{time};
    std::unique_ptr<MainWindow> window;
    int exits = 0;
    int settingsDialogs = 0;
};
