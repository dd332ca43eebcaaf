#include "common/SettingsLookup.h"

#include <cmath>
#include <limits>

#include "common/SettingsStore.h"
#include "common/SettingsTable.h"

namespace SettingsLookup {
namespace {

// The major version of this release; it names the store's application.
constexpr int kMajorVersion = 1;

const QString kDefaultSection = QStringLiteral("Default");
const QString kFallbackSuffix = QStringLiteral("-Mst");
// A primary section holding this text counts as not holding the key.
const QString kAbsent = QStringLiteral("Error");

// An explicitly empty section means the same as an omitted one.
QString sectionOrDefault(const QString& section)
{
    return section.isEmpty() ? kDefaultSection : section;
}

}  // namespace

QString appName()
{
    return QStringLiteral("ZKT_%1").arg(kMajorVersion);
}

QString readSetting(const SettingsStore& store, const QString& key, const QString& def,
                    const QString& section)
{
    if (key.isEmpty())
        return {};
    const QString app = appName();
    const QString primary = sectionOrDefault(section);
    if (primary != kDefaultSection) {
        for (const QString& name : {primary, primary + kFallbackSuffix}) {
            QString value = store.get(app, name, key, kAbsent);
            if (value != kAbsent)
                return value;
        }
    }
    QString value = store.get(app, kDefaultSection, key, kAbsent);
    if (value != kAbsent)
        return value;
    return store.get(app, kDefaultSection + kFallbackSuffix, key, def);
}

void writeSetting(SettingsStore& store, const QString& key, const QString& value, const QString& section)
{
    const QString target = sectionOrDefault(section);
    // Fallback sections are provided from outside and only ever read.
    if (key.isEmpty() || target.endsWith(kFallbackSuffix, Qt::CaseInsensitive))
        return;
    const QString app = appName();
    if (key == QLatin1String("Init")) {
        store.save(app, target, QStringLiteral("Dummy"), QString());
        store.deleteSection(app, target);
        return;
    }
    store.save(app, target, key, value);
}

LoadReport loadSettings(const SettingsStore& store, AppSettings& record)
{
    LoadReport report;
    for (const SettingsTable::Field& field : SettingsTable::fields()) {
        const QString key = QString::fromUtf16(field.key);
        const QString fallback = SettingsTable::defaultText(field);
        if (!SettingsTable::assign(field, readSetting(store, key, fallback), record)) {
            SettingsTable::assign(field, fallback, record);
            report.unconvertible << key;
        }
    }
    return report;
}

void saveSettings(SettingsStore& store, const AppSettings& record)
{
    for (const SettingsTable::Field& field : SettingsTable::fields())
        writeSetting(store, QString::fromUtf16(field.key), SettingsTable::storedText(field, record));
    // Confirming the settings is the moment the user expects them kept.
    store.flush();
}

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

}  // namespace SettingsLookup
