#include "main/WindowPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/modZkCommon.h"

namespace WindowPlacement {

namespace {

const QString kTop = QStringLiteral("RecFormTop");
const QString kLeft = QStringLiteral("RecFormLeft");
const QString kHeight = QStringLiteral("RecFormHeight");
const QString kWidth = QStringLiteral("RecFormWidth");

QString decimal(double twips)
{
    return QString::number(modZkCommon::RoundHalfEven(twips));
}

}  // namespace

int parseStored(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return -1;
    const qint64 whole = modZkCommon::RoundHalfEven(value);
    if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
        return -1;
    return int(whole);
}

Stored read(const SettingsStore& store)
{
    const QString absent = QStringLiteral("-1");
    Stored stored;
    stored.top = parseStored(modZkCommon::ReadSetting(store, kTop, absent));
    stored.left = parseStored(modZkCommon::ReadSetting(store, kLeft, absent));
    stored.height = parseStored(modZkCommon::ReadSetting(store, kHeight, absent));
    stored.width = parseStored(modZkCommon::ReadSetting(store, kWidth, absent));
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
    modZkCommon::WriteSetting(store, kTop, decimal(outer.top));
    modZkCommon::WriteSetting(store, kLeft, decimal(outer.left));
    modZkCommon::WriteSetting(store, kHeight, decimal(outer.height));
    modZkCommon::WriteSetting(store, kWidth, decimal(outer.width));
    return true;
}

}  // namespace WindowPlacement
