#include "common/modZkCommon.h"

#include <cmath>
#include <limits>

#include "common/SettingsStore.h"
#include "common/SettingsTable.h"

namespace modZkCommon {
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

QString AppName()
{
    return QStringLiteral("ZKT_%1").arg(kMajorVersion);
}

QString ReadSetting(const SettingsStore& store, const QString& key, const QString& def,
                    const QString& section)
{
    if (key.isEmpty())
        return {};
    const QString app = AppName();
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

void WriteSetting(SettingsStore& store, const QString& key, const QString& value,
                  const QString& section)
{
    const QString target = sectionOrDefault(section);
    // Fallback sections are provided from outside and only ever read.
    if (key.isEmpty() || target.endsWith(kFallbackSuffix, Qt::CaseInsensitive))
        return;
    const QString app = AppName();
    if (key == QLatin1String("Init")) {
        store.save(app, target, QStringLiteral("Dummy"), QString());
        store.deleteSection(app, target);
        return;
    }
    store.save(app, target, key, value);
}

LoadReport LoadSettings(const SettingsStore& store, AppSettings& record)
{
    LoadReport report;
    for (const SettingsTable::Field& field : SettingsTable::fields()) {
        const QString key = QString::fromUtf16(field.key);
        const QString fallback = SettingsTable::defaultText(field);
        if (!SettingsTable::assign(field, ReadSetting(store, key, fallback), record)) {
            SettingsTable::assign(field, fallback, record);
            report.unconvertible << key;
        }
    }
    return report;
}

void SaveSettings(SettingsStore& store, const AppSettings& record)
{
    for (const SettingsTable::Field& field : SettingsTable::fields())
        WriteSetting(store, QString::fromUtf16(field.key), SettingsTable::storedText(field, record));
    // Confirming the settings is the moment the user expects them kept.
    store.flush();
}

QStringView TrimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

qint64 RoundHalfEven(double value)
{
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (std::isnan(value))
        return 0;
    if (value >= kLimit)
        return std::numeric_limits<qint64>::max();
    if (value < -kLimit)
        return std::numeric_limits<qint64>::min();
    const double floor = std::floor(value);
    const double fraction = value - floor;  // exact for every double
    qint64 whole = qint64(floor);
    if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0))
        ++whole;
    return whole;
}

QString BoolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

}  // namespace modZkCommon
