#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

#include "common/MemorySettingsStore.h"
#include "common/QtTimeSource.h"
#include "controls/qt/QtTelnetSocket.h"
#include "main/qt/MainWindow.h"
#include "support/DialogueFixture.h"

// The client as the user runs it: the main window with the TCP socket and
// Qt's timers over a settings store in memory, loaded and shown (on the
// offscreen platform in tests). The user's actions go through the widgets:
// function keys are clicked on the bar, lines are typed into the input line.
class LiveClient {
public:
    LiveClient();
    ~LiveClient();

    // Stores one setting before start() or between connections; the window
    // takes it at its next log-in.
    void set(const QString& key, const QString& value);
    // The window load, then show.
    void start();

    // Clicks F<number> on the function-key bar; false when the key is
    // disabled (empty caption), as the click then does nothing.
    bool press(int number);
    // Types `text` into the input line and presses Enter; false when the
    // input line is disabled.
    bool enter(const QString& text);

    QStringList terminalRows() const;
    // The terminal's last row, the line being received.
    QString currentLine() const;
    std::vector<ChatRow> chatRows() const;
    // What the function-key bar shows, F1 first.
    std::array<QString, 12> captions() const;
    bool terminalShown() const;
    bool chatShown() const;
    bool inputEnabled() const;
    Mode mode() const;

    MemorySettingsStore store;
    QtTimeSource time;
    QtTelnetSocket socket{time};
    std::unique_ptr<MainWindow> window;
};
