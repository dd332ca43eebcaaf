#pragma once

#include <QString>
#include <QtGlobal>

#include "common/FontSpec.h"

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
    // Speaker colours too faint on the chat view's background are darkened
    // (keeping their hue) until they can be read.
    bool ReadableColors = true;

    FontSpec font() const { return {FontName, FontSize, FontBold, FontItalic}; }

    friend bool operator==(const AppSettings&, const AppSettings&) = default;
};
