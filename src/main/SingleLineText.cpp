#include "main/SingleLineText.h"

#include <algorithm>

namespace SingleLineText {

namespace {

enum class Kind { Kept, LineBreak, Removed };

Kind kindOf(char16_t c)
{
    if (c == u'\t')
        return Kind::Kept;
    if (c == u'\r' || c == u'\n' || c == 0x85 || c == 0x2028 || c == 0x2029)
        return Kind::LineBreak;
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return Kind::Removed;
    return Kind::Kept;
}

}  // namespace

void Clean(QString& text, int& cursor)
{
    const char16_t* const chars = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    qsizetype first = 0;
    while (first < n && kindOf(chars[first]) == Kind::Kept)
        ++first;
    if (first == n)
        return;

    QString out;
    out.reserve(n);
    out.append(QStringView(chars, first));
    int newCursor = int(std::min<qsizetype>(cursor, first));
    for (qsizetype i = first; i < n; ++i) {
        const char16_t c = chars[i];
        const Kind kind = kindOf(c);
        // CR LF is one line break.
        const bool secondHalf = c == u'\n' && i > 0 && chars[i - 1] == u'\r';
        if (kind == Kind::Kept)
            out.append(QChar(c));
        else if (kind == Kind::LineBreak && !secondHalf)
            out.append(u' ');
        if (i < cursor)
            newCursor = int(out.size());
    }
    text = out;
    cursor = newCursor;
}

QString Cleaned(const QString& text)
{
    QString copy = text;
    int cursor = 0;
    Clean(copy, cursor);
    return copy;
}

}  // namespace SingleLineText
