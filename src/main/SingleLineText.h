#pragma once

#include <QString>
#include <QStringView>

// What a single-line field may hold and send: one line of text. A line break
// (CR LF, CR, LF, and the Unicode next-line, line and paragraph separators)
// becomes one space, as in any single-line field; every other control
// character except TAB (C0, DEL and C1) is removed, since the host would
// take it as a line end or a terminal command.
namespace SingleLineText {

// Cleans `text` in place and moves `cursor` with the characters before it.
// Text that needs nothing is left as it is, without a copy.
void Clean(QString& text, int& cursor);

QString Cleaned(const QString& text);

}  // namespace SingleLineText
