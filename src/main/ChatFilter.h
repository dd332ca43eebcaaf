#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

struct AppSettings;
class BoardModes;
class GridModel;

// The chat view: which finished lines become chat rows, the user's own
// statement shown once, the entry into the chat room, and each handle's
// colour.
class ChatFilter {
public:
    ChatFilter(GridModel& chat, BoardModes& modes, const AppSettings& settings);

    // Whether a finished line goes on to postChatLine: not the host's echo of
    // what local echo has shown already, nor a blank line.
    bool offerLine(QStringView previousLine, QStringView handle, QStringView message,
                   QStringView finished) const;
    // A line for the chat view; false for a prompt, which is never a row.
    bool postChatLine(QString handle, QStringView message);
    static qint32 handleColor(QStringView handle, qint32 luminosity);

private:
    void addChatRow(const QString& handle, QStringView message);

    GridModel& chat_;
    BoardModes& modes_;
    const AppSettings& settings_;
};
