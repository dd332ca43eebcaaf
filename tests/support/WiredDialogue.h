#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <ostream>
#include <vector>

#include "common/MemorySettingsStore.h"
#include "controls/GridModel.h"
#include "controls/GridViewState.h"
#include "main/DialogueSession.h"
#include "support/FakeMeasurer.h"
#include "support/FakeSocket.h"
#include "support/FakeTime.h"
#include "support/FakeWindow.h"

struct ChatRow {
    QString handle;
    QString message;
    friend bool operator==(const ChatRow&, const ChatRow&) = default;
    friend void PrintTo(const ChatRow& row, std::ostream* os)
    {
        *os << '{' << '"' << row.handle.toStdString() << "\", \"" << row.message.toStdString() << "\"}";
    }
};

// What a grid shows, row by row: the terminal's lines, the chat's handle
// and message pairs.
QStringList terminalRowsOf(const GridModel& terminal);
std::vector<ChatRow> chatRowsOf(const GridModel& chat);
// The twelve function-key captions, by item.
std::array<QString, 12> captionsOf(const std::function<QString(int)>& caption);

// The board dialogue wired to an in-memory settings store, a scripted socket,
// a recording window and two grids with their views, started up as the
// window starts it.
// Tests, the fuzzer's harness and the recorded sessions reach the dialogue
// through here.
struct WiredDialogue {
    WiredDialogue();
    WiredDialogue(const WiredDialogue&) = delete;
    WiredDialogue& operator=(const WiredDialogue&) = delete;

    // Stores one setting and reloads the dialogue's record from the store.
    void setSetting(const QString& key, const QString& value);
    // Reloads the dialogue's record after settings were written to the store.
    void reloadSettings();
    // One block of text from the host.
    void receive(const QString& text);
    // F1 at line-off: the connection opens and is up; what was sent and
    // shown in the status bar so far is forgotten.
    void connect();
    // Connected, then the host announces the entry into the chat room. The
    // announcement is the chat view's first row.
    void enterChat();

    // The user's side, as the window passes it on.
    void pressKey(int key);  // F1..F12
    void pressEnter();  // Enter on the input line
    void tick();  // the window's periodic timer
    // A display frame: both views brought up to date.
    void showFrame();
    // The connection opens as the log-in command opens it.
    void openLine();
    // Empties both views and starts over at line-off, as the window's start does.
    void restart();

    Mode mode() const;
    QString caption(int item) const;
    QStringList sent() const { return socket.sentTexts(); }
    QStringList terminalRows() const;
    std::vector<ChatRow> chatRows() const;
    std::array<QString, 12> captions() const;

    MemorySettingsStore store;
    FakeSocket socket;
    FakeWindow window;
    FakeMeasurer measurer;
    GridModel terminal{1};
    GridModel chat{2};
    GridViewState terminalView{terminal};
    GridViewState chatView{chat};
    FakeTimeSource time;
    DialogueSession dialogue{store, socket, terminal, chat, terminalView, chatView, window, time};
};

// The host's announcement of the user's entry into the chat room.
inline const QString kEntryLine = QStringLiteral("Taroさんがチャットルームに入室しました。");
