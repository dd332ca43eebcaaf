#include "support/WiredDialogue.h"

#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"

WiredDialogue::WiredDialogue()
{
    terminalView.setMeasurer(&measurer);
    chatView.setMeasurer(&measurer);
    chatView.measureBorrowedTextBy(terminalView);
    dialogue.loadSettings();
    restart();
}

void WiredDialogue::setSetting(const QString& key, const QString& value)
{
    SettingsLookup::writeSetting(store, key, value);
    reloadSettings();
}

void WiredDialogue::reloadSettings()
{
    dialogue.loadSettings();
}

void WiredDialogue::receive(const QString& text)
{
    socket.pushText(text);
}

void WiredDialogue::connect()
{
    pressKey(1);
    socket.setState(TelnetSocket::Connected);
    socket.clearSent();
    window.statuses.clear();
}

void WiredDialogue::enterChat()
{
    connect();
    receive(kEntryLine + QStringLiteral("\r\n"));
}

void WiredDialogue::pressKey(int key)
{
    dialogue.functionKeyPressed(key);
}

void WiredDialogue::pressEnter()
{
    dialogue.inputLineEnter();
}

void WiredDialogue::tick()
{
    dialogue.timerTick();
}

void WiredDialogue::showFrame()
{
    terminalView.bringUpToDate();
    chatView.bringUpToDate();
}

void WiredDialogue::openLine()
{
    dialogue.openLine();
}

void WiredDialogue::restart()
{
    dialogue.switchScreen(Screen::Init);
}

Mode WiredDialogue::mode() const
{
    return dialogue.currentMode();
}

QString WiredDialogue::caption(int item) const
{
    return dialogue.caption(item);
}

QStringList terminalRowsOf(const GridModel& terminal)
{
    QStringList rows;
    for (int row = 1; row <= terminal.rowCount(); ++row)
        rows.append(terminal.text(1, row).toString());
    return rows;
}

std::vector<ChatRow> chatRowsOf(const GridModel& chat)
{
    std::vector<ChatRow> rows;
    for (int row = 1; row <= chat.rowCount(); ++row)
        rows.push_back({chat.text(1, row).toString(), chat.text(2, row).toString()});
    return rows;
}

std::array<QString, 12> captionsOf(const std::function<QString(int)>& caption)
{
    std::array<QString, 12> shown;
    for (int item = 0; item < 12; ++item)
        shown[item] = caption(item);
    return shown;
}

QStringList WiredDialogue::terminalRows() const
{
    return terminalRowsOf(terminal);
}

std::vector<ChatRow> WiredDialogue::chatRows() const
{
    return chatRowsOf(chat);
}

std::array<QString, 12> WiredDialogue::captions() const
{
    return captionsOf([this](int item) { return caption(item); });
}
