#include "common/SettingsTable.h"

#include <array>
#include <cmath>
#include <limits>

#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"

namespace SettingsTable {
namespace {

constexpr qint32 kIntMin = std::numeric_limits<qint32>::min();
constexpr qint32 kIntMax = std::numeric_limits<qint32>::max();

// Above this factor the speaker colour leaves the 32-bit range.
constexpr qint32 kMaxLuminosity = 2175;
// A face larger than this cannot be laid out on any screen.
constexpr qint32 kMaxFontSize = 1000;

using S = AppSettings;
constexpr bool kSent = true;

// Past this the history's memory is bounded by the machine's anyway.
constexpr qint32 kMaxHistoryMegabytes = 1 << 20;
// Five digits, as the dialog's field shows.
constexpr qint32 kMaxLogLines = 99999;

const std::array<Field, 25> kFields{{
    {u"GuestFlag", Kind::Boolean, &S::GuestFlag},
    {u"UserID", Kind::Text, &S::UserID, 0, 0, kSent},
    {u"Password", Kind::Text, &S::Password, 0, 0, kSent},
    {u"HandleName", Kind::Text, &S::HandleName, 0, 0, kSent},
    {u"ConnectionAddress", Kind::Text, &S::ConnectionAddress},
    {u"ConnectionPort", Kind::Integer, &S::ConnectionPort, 1, 65535},
    {u"Luminosity", Kind::Integer, &S::Luminosity, 0, kMaxLuminosity},
    {u"HandleSuffix", Kind::Text, &S::HandleSuffix, 0, 0, kSent},
    {u"LocalEcho", Kind::Boolean, &S::LocalEcho},
    {u"AutoChangeWindow", Kind::Boolean, &S::AutoChangeWindow},
    {u"AutoGetHandleName", Kind::Boolean, &S::AutoGetHandleName},
    {u"ScreenSave", Kind::Boolean, &S::ScreenSave},
    {u"ChangeMyColor", Kind::Boolean, &S::ChangeMyColor},
    {u"MyColor", Kind::Integer, &S::MyColor, 0, 0xFFFFFF},
    {u"FontName", Kind::Text, &S::FontName},
    {u"FontSize", Kind::Integer, &S::FontSize, 1, kMaxFontSize},
    {u"FontBold", Kind::Boolean, &S::FontBold},
    {u"FontItalic", Kind::Boolean, &S::FontItalic},
    {u"HistoryMemoryLimitMB", Kind::Integer, &S::HistoryMemoryLimitMB, 0, kMaxHistoryMegabytes},
    {u"SaveLog", Kind::Boolean, &S::SaveLog},
    {u"LogFolder", Kind::Text, &S::LogFolder},
    {u"LogLines", Kind::Integer, &S::LogLines, 0, kMaxLogLines},
    {u"NotifyMention", Kind::Boolean, &S::NotifyMention},
    {u"AutoReconnect", Kind::Boolean, &S::AutoReconnect},
    {u"ReadableColors", Kind::Boolean, &S::ReadableColors},
}};

std::optional<double> toNumber(QStringView text)
{
    const QStringView trimmed = TextHelpers::trimSpaces(text);
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace

std::span<const Field> fields()
{
    return kFields;
}

const Field* find(QStringView key)
{
    for (const Field& field : kFields) {
        if (key == QStringView(field.key))
            return &field;
    }
    return nullptr;
}

QString storedText(const Field& field, const AppSettings& record)
{
    if (auto member = std::get_if<bool S::*>(&field.member))
        return SettingsLookup::boolText(record.*(*member));
    if (auto member = std::get_if<qint32 S::*>(&field.member))
        return QString::number(record.*(*member));
    return record.*std::get<QString S::*>(field.member);
}

QString defaultText(const Field& field)
{
    static const AppSettings defaults;
    return storedText(field, defaults);
}

bool assign(const Field& field, QStringView text, AppSettings& record)
{
    if (auto member = std::get_if<bool S::*>(&field.member)) {
        const std::optional<bool> value = toBoolean(text);
        if (value)
            record.*(*member) = *value;
        return value.has_value();
    }
    if (auto member = std::get_if<qint32 S::*>(&field.member)) {
        const std::optional<qint32> value = toInteger(text);
        if (!value || *value < field.minimum || *value > field.maximum)
            return false;
        record.*(*member) = *value;
        return true;
    }
    if (field.sentToHost && (text.contains(u'\r') || text.contains(u'\n')))
        return false;
    record.*std::get<QString S::*>(field.member) = text.toString();
    return true;
}

std::optional<qint32> toInteger(QStringView text)
{
    const std::optional<double> number = toNumber(text);
    if (!number)
        return std::nullopt;
    const qint64 whole = TextHelpers::roundHalfEven(*number);
    if (whole < kIntMin || whole > kIntMax)
        return std::nullopt;
    return qint32(whole);
}

std::optional<bool> toBoolean(QStringView text)
{
    const QStringView trimmed = TextHelpers::trimSpaces(text);
    if (trimmed.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<double> number = toNumber(trimmed);
    if (!number)
        return std::nullopt;
    return *number != 0;
}

}  // namespace SettingsTable
