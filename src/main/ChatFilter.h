#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <deque>

struct AppSettings;
class BoardModes;
class ChatRowListener;
class GridModel;
class GridView;

// The chat view: which finished lines become chat rows, the user's own
// statement shown once, the entry into the chat room, and each handle's
// colour.
class ChatFilter {
public:
    ChatFilter(GridModel& chat, GridView& chatView, BoardModes& modes, const AppSettings& settings);

    // Whether a finished line goes on to postChatLine: not the host's echo of
    // what local echo has shown already, nor a telnet host's echo of a typed
    // line, nor a blank line.
    bool offerLine(QStringView previousLine, QStringView handle, QStringView message,
                   QStringView finished) const;
    // A line was typed to a host that echoes it (telnet ECHO): the line that
    // comes back is the user's own typing, not a member's statement.
    void expectEcho(const QString& line);
    // A new connection: no echo is owed.
    void forgetEchoes() { echoes_.clear(); }
    // A line for the chat view; false for a prompt, which is never a row.
    bool postChatLine(QStringView handle, QStringView message);
    static qint32 handleColor(QStringView handle, qint32 luminosity);
    // A grey row of the client's own, whatever the mode (where the
    // connection broke).
    void addMarkerRow(QStringView text);
    void setRowListener(ChatRowListener* listener) { listener_ = listener; }
    // The background the chat rows with a handle are drawn on (white unless
    // the desktop says otherwise), which speaker colours must stand out from.
    void setBackground(qint32 colour) { background_ = colour; }
    qint32 background() const { return background_; }

private:
    void addChatRow(QStringView handle, QStringView message);
    qint32 rowColor(QStringView handle) const;

    // Kept by offerLine, which takes each echo off as it comes back.
    bool isExpectedEcho(QStringView finished) const;

    GridModel& chat_;
    GridView& chatView_;
    BoardModes& modes_;
    const AppSettings& settings_;
    // Typed lines the host has yet to echo, oldest first; a few at most.
    mutable std::deque<QString> echoes_;
    ChatRowListener* listener_ = nullptr;
    qint32 background_ = 0xFFFFFF;
    // The readable colours last worked out, by handle colour: a room has a
    // few speakers, and every row of theirs asks again. Two places per
    // hash, so that two speakers whose colours meet there do not keep
    // pushing each other out.
    struct ShownColor {
        qint32 derived = -1;
        qint32 background = -1;
        qint32 shown = 0;
    };
    static constexpr int kShownColorSetBits = 5;
    mutable std::array<std::array<ShownColor, 2>, size_t(1) << kShownColorSetBits> shownColors_;
};
