#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include "common/AppSettings.h"

class SettingsStore;

// The settings lookup: keys read with their fallbacks and defaults, written,
// and the whole record loaded and saved through the settings table.
namespace SettingsLookup {

// Application name under which every key lives: "ZKT_" + major version.
QString appName();

// The stored text for `key`: section, then section + "-Mst", then "Default",
// then "Default-Mst"; "Error" in a primary section counts as absent.
QString readSetting(const SettingsStore& store, const QString& key, const QString& def = {},
                    const QString& section = QStringLiteral("Default"));

// Stores `value` under `key`; the key "Init" empties the section instead.
void writeSetting(SettingsStore& store, const QString& key, const QString& value = {},
                  const QString& section = QStringLiteral("Default"));

// What loadSettings could not take as stored.
struct LoadReport {
    QStringList unconvertible;  // keys whose stored text did not convert; the default was used
    bool ok() const { return unconvertible.isEmpty(); }
};

// Fills every field from section "Default" with the table's defaults.
LoadReport loadSettings(const SettingsStore& store, AppSettings& record);

// Writes every field in their stored forms, in field order.
void saveSettings(SettingsStore& store, const AppSettings& record);

// Stored forms of the typed fields.
QString boolText(bool value);  // "True" / "False"

}  // namespace SettingsLookup
