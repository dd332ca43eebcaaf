#pragma once

#include <QStringView>
#include <QtGlobal>

// Small text and number helpers shared by the settings and the dialogue.
namespace TextHelpers {

// Leading and trailing U+0020 removed.
QStringView trimSpaces(QStringView text);

// The first place of `c` in `text`, or -1.
qsizetype indexOf(QStringView text, char16_t c);
// Whether `part` occurs in `text`, compared exactly (an empty part always
// does). The same answer as QStringView::contains, found quicker for the
// short parts a handle name makes: the scan looks for the part's first
// character eight at a time and compares the rest only where it is.
bool contains(QStringView text, QStringView part);

// Nearest whole number, halves to the even neighbour.
qint64 roundHalfEven(double value);

}  // namespace TextHelpers
