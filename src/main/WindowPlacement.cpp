#include "main/WindowPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"

namespace WindowPlacement {

namespace {

const QString kTop = QStringLiteral("RecFormTop");
const QString kLeft = QStringLiteral("RecFormLeft");
const QString kHeight = QStringLiteral("RecFormHeight");
const QString kWidth = QStringLiteral("RecFormWidth");

QString decimal(double twips)
{
    return QString::number(TextHelpers::roundHalfEven(twips));
}

}  // namespace

int parseStored(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return -1;
    const qint64 whole = TextHelpers::roundHalfEven(value);
    if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
        return -1;
    return int(whole);
}

Stored read(const SettingsStore& store)
{
    const QString absent = QStringLiteral("-1");
    Stored stored;
    stored.top = parseStored(SettingsLookup::readSetting(store, kTop, absent));
    stored.left = parseStored(SettingsLookup::readSetting(store, kLeft, absent));
    stored.height = parseStored(SettingsLookup::readSetting(store, kHeight, absent));
    stored.width = parseStored(SettingsLookup::readSetting(store, kWidth, absent));
    return stored;
}

Outer initial(const Stored& stored, double screenWidth, double screenHeight)
{
    Outer outer;
    outer.height = stored.height == -1 ? screenHeight / 3 * 2 : stored.height;
    outer.width = stored.width == -1 ? screenWidth / 3 * 2 : stored.width;
    outer.top = stored.top == -1 ? screenHeight / 2 - outer.height / 2 : stored.top;
    outer.left = stored.left == -1 ? screenWidth / 2 - outer.width / 2 : stored.left;
    return outer;
}

Outer fitInto(const Outer& outer, const Outer& area)
{
    Outer fitted = outer;
    fitted.width = std::min(outer.width, area.width);
    fitted.height = std::min(outer.height, area.height);
    fitted.left = std::max(area.left, std::min(outer.left, area.left + area.width - fitted.width));
    fitted.top = std::max(area.top, std::min(outer.top, area.top + area.height - fitted.height));
    return fitted;
}

bool save(SettingsStore& store, const Outer& outer, bool screenSave, bool minimised)
{
    if (!screenSave || minimised)
        return false;
    SettingsLookup::writeSetting(store, kTop, decimal(outer.top));
    SettingsLookup::writeSetting(store, kLeft, decimal(outer.left));
    SettingsLookup::writeSetting(store, kHeight, decimal(outer.height));
    SettingsLookup::writeSetting(store, kWidth, decimal(outer.width));
    return true;
}

}  // namespace WindowPlacement
