#pragma once

#include <QString>
#include <QtGlobal>

#include "common/FontSpec.h"

// Where the logs go unless the user picks a folder:
// ${XDG_DATA_HOME:-~/.local/share}/ZKT/logs.
QString defaultLogFolder();

// The settings record. Each field is stored under its own name; the defaults
// here are the ones a missing key yields (see SettingsTable.h).
struct AppSettings {
    bool GuestFlag = false;
    QString UserID;
    QString Password;
    QString HandleName;
    QString ConnectionAddress = QStringLiteral("localhost");
    qint32 ConnectionPort = 23;
    qint32 Luminosity = 13;
    QString HandleSuffix = QStringLiteral("さん");
    bool LocalEcho = false;
    bool AutoChangeWindow = true;
    bool AutoGetHandleName = true;
    bool ScreenSave = false;
    bool ChangeMyColor = false;
    qint32 MyColor = 0;  // 0x00BBGGRR
    QString FontName = QStringLiteral("ＭＳ ゴシック");
    qint32 FontSize = 10;
    bool FontBold = false;
    bool FontItalic = false;
    // The most memory both views' history may take, in MiB; 0 picks a share
    // of the machine's memory.
    qint32 HistoryMemoryLimitMB = 0;
    // Chat rows and terminal lines appended to dated files in LogFolder.
    bool SaveLog = false;
    QString LogFolder = defaultLogFolder();
    // Rows each view keeps; 0 keeps every row.
    qint32 LogLines = 0;
    // A member's statement naming the user is highlighted and announced.
    bool NotifyMention = true;
    // A connection the host ends is opened again after a growing wait.
    bool AutoReconnect = false;
    // Speaker colours too faint on the chat view's background are darkened
    // (keeping their hue) until they can be read.
    bool ReadableColors = true;

    FontSpec font() const { return {FontName, FontSize, FontBold, FontItalic}; }

    friend bool operator==(const AppSettings&, const AppSettings&) = default;
};
