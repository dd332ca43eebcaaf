#include "common/IniDocument.h"

#include <QStringDecoder>

#include <algorithm>
#include <iterator>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

bool isBlank(QChar ch)
{
    return ch == u' ' || ch == u'\t';
}

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool isControl(char16_t ch)
{
    return ch < 0x20 || ch == 0x7F;
}

// Section and key names compare as the platform's settings store did.
bool sameName(const QString& a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::optional<QStringConverter::Encoding> utf16Encoding(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QStringConverter::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

std::optional<QString> decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<char16_t> hexCode(QStringView digits)
{
    bool ok = false;
    const uint code = digits.toUInt(&ok, 16);
    // toUInt accepts a sign or spaces; only plain hexadecimal digits count.
    for (QChar ch : digits) {
        if (!ch.isDigit() && !QStringView(u"abcdefABCDEF").contains(ch))
            return std::nullopt;
    }
    if (!ok)
        return std::nullopt;
    return char16_t(code);
}

// The escapes of one letter after a backslash, read and written alike.
struct Escape {
    char16_t letter;
    char16_t plain;
};
constexpr Escape kEscapes[] = {{u'\\', u'\\'}, {u'"', u'"'}, {u'n', u'\n'}, {u'r', u'\r'}, {u't', u'\t'}};

// Reads the quoted text that starts at text[pos] (a double quote) and moves
// pos past its closing quote.
std::optional<QString> unquote(QStringView text, qsizetype& pos)
{
    QString out;
    for (qsizetype i = pos + 1; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'"') {
            pos = i + 1;
            return out;
        }
        if (ch != u'\\') {
            out += ch;
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        const char16_t escape = text[i].unicode();
        qsizetype digits = escape == u'x' ? 2 : escape == u'u' ? 4 : 0;
        if (digits > 0) {
            if (i + digits >= text.size())
                return std::nullopt;
            const std::optional<char16_t> code = hexCode(text.sliced(i + 1, digits));
            if (!code)
                return std::nullopt;
            out += QChar(*code);
            i += digits;
            continue;
        }
        const Escape* known = std::ranges::find(kEscapes, escape, &Escape::letter);
        if (known == std::end(kEscapes))
            return std::nullopt;
        out += QChar(known->plain);
    }
    return std::nullopt;
}

// A whole token: quoted (and then nothing may follow) or plain.
std::optional<QString> token(QStringView text)
{
    if (!text.startsWith(u'"'))
        return text.toString();
    qsizetype pos = 0;
    std::optional<QString> out = unquote(text, pos);
    if (!out || pos != text.size())
        return std::nullopt;
    return out;
}

bool hasUnpairedSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (ch.isSurrogate())
            return true;
    }
    return false;
}

bool needsQuotes(QStringView text, IniDocument::Role role)
{
    using Role = IniDocument::Role;
    if (text.isEmpty())
        return role != Role::Value;
    if (isBlank(text.front()) || isBlank(text.back()) || text.front() == u'"')
        return true;
    for (QChar ch : text) {
        if (isControl(ch.unicode()))
            return true;
    }
    if (hasUnpairedSurrogate(text))
        return true;
    if (role == Role::Key)
        return text.contains(u'=') || QStringView(u"[;#").contains(text.front());
    if (role == Role::Section)
        return text.contains(u']');
    return false;
}

QString quote(QStringView text)
{
    QString out = QStringLiteral("\"");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        const bool paired = QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (paired) {
            out += text.sliced(i, 2);
            ++i;
        } else if (const Escape* e = std::ranges::find(kEscapes, ch, &Escape::plain);
                   e != std::end(kEscapes)) {
            out += u'\\';
            out += QChar(e->letter);
        } else if (isControl(ch)) {
            out += QStringLiteral("\\x%1").arg(uint(ch), 2, 16, QLatin1Char('0'));
        } else if (QChar::isSurrogate(ch)) {
            out += QStringLiteral("\\u%1").arg(uint(ch), 4, 16, QLatin1Char('0'));
        } else {
            out += QChar(ch);
        }
    }
    out += u'"';
    return out;
}

}  // namespace

QString IniDocument::encode(QStringView text, Role role)
{
    return needsQuotes(text, role) ? quote(text) : text.toString();
}

IniDocument::Line IniDocument::classify(const QByteArray& raw, bool first)
{
    Line line;
    line.text = raw;
    const QByteArrayView body =
        first && raw.startsWith(kBom) ? QByteArrayView(raw).sliced(3) : QByteArrayView(raw);
    const QByteArrayView lead = body.trimmed();
    const bool bracket = lead.startsWith('[');
    if (lead.isEmpty() || lead.startsWith(';') || lead.startsWith('#')) {
        line.kind = lead.isEmpty() ? Kind::Blank : Kind::Comment;
        return line;
    }
    line.kind = bracket ? Kind::BadHeader : Kind::Garbage;
    // NUL bytes are UTF-16 text read as UTF-8, never settings.
    const std::optional<QString> decoded = body.contains('\0') ? std::nullopt : decodeUtf8(body);
    if (!decoded)
        return line;
    const QStringView text = trimmed(*decoded);
    if (bracket) {
        if (text.size() < 2 || !text.endsWith(u']'))
            return line;
        const std::optional<QString> name = token(trimmed(text.sliced(1, text.size() - 2)));
        if (!name || name->isEmpty())
            return line;
        line.kind = Kind::Header;
        line.name = *name;
        return line;
    }
    qsizetype equals = 0;
    std::optional<QString> key;
    if (text.startsWith(u'"')) {
        key = unquote(text, equals);
        while (equals < text.size() && isBlank(text[equals]))
            ++equals;
        if (equals >= text.size() || text[equals] != u'=')
            return line;
    } else {
        equals = text.indexOf(u'=');
        if (equals <= 0)
            return line;
        key = trimmed(text.first(equals)).toString();
    }
    const std::optional<QString> value = key ? token(trimmed(text.sliced(equals + 1))) : std::nullopt;
    if (!value)
        return line;
    line.kind = Kind::Entry;
    line.name = *key;
    line.value = *value;
    return line;
}

IniDocument IniDocument::parse(const QByteArray& bytes)
{
    IniDocument doc;
    const std::optional<QStringConverter::Encoding> wide = utf16Encoding(bytes);
    if (!wide) {
        doc.parseLines(bytes);
        return doc;
    }
    QStringDecoder decoder(*wide, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
    // The decoder passes unpaired surrogates, which UTF-8 cannot carry.
    if (decoder.hasError() || bytes.size() % 2 != 0 || hasUnpairedSurrogate(text)) {
        doc.unreadable_ = true;
        return doc;
    }
    doc.encoding_ = *wide;
    doc.parseLines(text.toUtf8());
    return doc;
}

void IniDocument::parseLines(const QByteArray& bytes)
{
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype stop = start;
        while (stop < bytes.size() && bytes[stop] != '\n' && bytes[stop] != '\r')
            ++stop;
        QByteArray end;
        if (stop < bytes.size())
            end = bytes.mid(stop, bytes[stop] == '\r' && bytes.mid(stop + 1, 1) == "\n" ? 2 : 1);
        Line line = classify(bytes.sliced(start, stop - start), lines_.empty());
        line.end = end;
        if (lines_.empty() && !end.isEmpty())
            newline_ = end;
        start = stop + end.size();
        lines_.push_back(std::move(line));
    }
}

QByteArray IniDocument::serialize() const
{
    QByteArray out;
    for (const Line& line : lines_)
        out += line.text + line.end;
    if (!encoding_)
        return out;
    // Written back as it came: UTF-16 with its byte-order mark.
    QStringEncoder encoder(*encoding_, QStringConverter::Flag::WriteBom);
    return encoder.encode(QString::fromUtf8(out));
}

QList<int> IniDocument::unreadableLines() const
{
    QList<int> numbers;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Garbage || lines_[i].kind == Kind::BadHeader)
            numbers << int(i + 1);
    }
    return numbers;
}

std::optional<QString> IniDocument::value(QStringView section, QStringView key) const
{
    bool inSection = false;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Header || line.kind == Kind::BadHeader)
            inSection = line.kind == Kind::Header && sameName(line.name, section);
        else if (inSection && line.kind == Kind::Entry && sameName(line.name, key))
            return line.value;
    }
    return std::nullopt;
}

IniDocument::Line IniDocument::entryLine(const QString& key, const QString& value) const
{
    Line line;
    line.kind = Kind::Entry;
    line.text = (encode(key, Role::Key) + u'=' + encode(value, Role::Value)).toUtf8();
    line.end = newline_;
    line.name = key;
    line.value = value;
    return line;
}

IniDocument::Line IniDocument::headerLine(const QString& section) const
{
    Line line;
    line.kind = Kind::Header;
    line.text = (u'[' + encode(section, Role::Section) + u']').toUtf8();
    line.end = newline_;
    line.name = section;
    return line;
}

void IniDocument::insertLine(std::size_t at, Line line)
{
    // The line before may have been the file's last, without a line end.
    if (at > 0 && lines_[at - 1].end.isEmpty())
        lines_[at - 1].end = newline_;
    lines_.insert(lines_.begin() + qsizetype(at), std::move(line));
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    bool inSection = false;
    bool firstBlock = false;
    std::optional<std::size_t> anchor;  // last header, key or unreadable line of the first block
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        Line& line = lines_[i];
        if (line.kind == Kind::Header || line.kind == Kind::BadHeader) {
            inSection = line.kind == Kind::Header && sameName(line.name, section);
            firstBlock = inSection && !anchor;
            if (firstBlock)
                anchor = i;
            continue;
        }
        if (!inSection)
            continue;
        if (line.kind == Kind::Entry && sameName(line.name, key)) {
            if (line.value != value) {
                // The key keeps the spelling the file gives it.
                const QByteArray end = line.end;
                line = entryLine(line.name, value);
                line.end = end;
            }
            return;
        }
        if (firstBlock && (line.kind == Kind::Entry || line.kind == Kind::Garbage))
            anchor = i;
    }
    if (anchor) {
        insertLine(*anchor + 1, entryLine(key, value));
        return;
    }
    if (!lines_.empty() && lines_.back().kind != Kind::Blank)
        insertLine(lines_.size(), Line{Kind::Blank, {}, newline_, {}, {}});
    insertLine(lines_.size(), headerLine(section));
    insertLine(lines_.size(), entryLine(key, value));
}

void IniDocument::removeSection(const QString& section)
{
    std::vector<Line> kept;
    kept.reserve(lines_.size());
    bool inSection = false;
    for (Line& line : lines_) {
        if (line.kind == Kind::Header || line.kind == Kind::BadHeader)
            inSection = line.kind == Kind::Header && sameName(line.name, section);
        const bool dropped = inSection && (line.kind == Kind::Header || line.kind == Kind::Entry);
        if (!dropped)
            kept.push_back(std::move(line));
    }
    lines_ = std::move(kept);
}
