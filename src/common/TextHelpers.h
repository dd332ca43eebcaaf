#pragma once

#include <QStringView>
#include <QtGlobal>

// Small text and number helpers shared by the settings and the dialogue.
namespace TextHelpers {

// Leading and trailing U+0020 removed.
QStringView trimSpaces(QStringView text);

// Nearest whole number, halves to the even neighbour.
qint64 roundHalfEven(double value);

}  // namespace TextHelpers
