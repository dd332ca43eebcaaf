#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include "common/AppSettings.h"

class SettingsStore;

// The shared module: settings access with fallbacks and defaults, the
// handle/message split of a chat line, and small text helpers.
namespace modZkCommon {

// Application name under which every key lives: "ZKT_" + major version.
QString AppName();

// The stored text for `key`: section, then section + "-Mst", then "Default",
// then "Default-Mst"; "Error" in a primary section counts as absent.
QString ReadSetting(const SettingsStore& store, const QString& key, const QString& def = {},
                    const QString& section = QStringLiteral("Default"));

// Stores `value` under `key`; the key "Init" empties the section instead.
void WriteSetting(SettingsStore& store, const QString& key, const QString& value = {},
                  const QString& section = QStringLiteral("Default"));

// What LoadSettings could not take as stored.
struct LoadReport {
    QStringList unconvertible;  // keys whose stored text did not convert; the default was used
    bool ok() const { return unconvertible.isEmpty(); }
};

// Fills all 18 fields from section "Default" with the table's defaults.
LoadReport LoadSettings(const SettingsStore& store, AppSettings& record);

// Writes all 18 fields in their stored forms, in field order.
void SaveSettings(SettingsStore& store, const AppSettings& record);

// Leading and trailing U+0020 removed.
QStringView TrimSpaces(QStringView text);

// Nearest whole number, halves to the even neighbour.
qint64 RoundHalfEven(double value);

// Stored forms of the typed fields.
QString BoolText(bool value);  // "True" / "False"

}  // namespace modZkCommon
