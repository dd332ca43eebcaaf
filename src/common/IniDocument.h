#pragma once

#include <QByteArray>
#include <QList>
#include <QStringConverter>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// The text of a settings file as lines, so that a change rewrites only the
// lines it touches: comments, blank lines, unknown sections and keys, and
// lines that cannot be read all stay byte for byte where they are.
//
// Format (UTF-8, or UTF-16 with its byte-order mark, which a save keeps;
// lines end in LF, CR LF or CR):
//   [Section]          a section; keys below it belong to it
//   Key=Value          spaces and tabs around Key and Value are not part of them
//   ; text, # text     comment lines (only as whole lines; ";" or "#" inside a
//                      value is part of the value)
// A section name, key or value that starts with a double quote is a quoted
// text: it runs to the next unescaped double quote, and inside it
//   \\  \"  \n  \r  \t  \xHH  \uHHHH
// stand for a backslash, a double quote, LF, CR, tab, and the character with
// that hexadecimal code; any other backslash makes the line unreadable.
// Everything else is taken literally, so a hand-written `Key=a;b "c" \d`
// reads as `a;b "c" \d`. Written values are quoted only when they need it:
// surrounding spaces or tabs, a leading double quote, control characters or
// unpaired surrogates (and for keys also "=", a leading "[", ";" or "#", or
// emptiness; for section names also "]").
// Section names and keys compare without regard to letter case; a save keeps
// the spelling that the file has.
// Lines that are not valid UTF-8 (or hold NUL bytes) or fit none of the forms
// are ignored when reading and listed by unreadableLines(); a malformed
// section header hides the keys below it until the next good header. Keys
// before the first header belong to no section.
class IniDocument {
public:
    static IniDocument parse(const QByteArray& bytes);
    QByteArray serialize() const;

    // A UTF-16 file that does not decode: nothing of it could be read.
    bool unreadable() const { return unreadable_; }
    // Numbers (from 1) of the lines that were ignored.
    QList<int> unreadableLines() const;

    // The first value of `key` in `section`, if there is one.
    std::optional<QString> value(QStringView section, QStringView key) const;
    // Changes the key's first line in place, or adds a line at the end of the
    // section's first block, or adds the section at the end of the file.
    void setValue(const QString& section, const QString& key, const QString& value);
    // Removes the section's headers and keys; comments and blank lines stay.
    void removeSection(const QString& section);

    enum class Role { Section, Key, Value };
    // The text as written to the file: plain when it reads back unchanged,
    // quoted otherwise.
    static QString encode(QStringView text, Role role);

private:
    enum class Kind { Blank, Comment, Garbage, Header, BadHeader, Entry };
    struct Line {
        Kind kind = Kind::Blank;
        QByteArray text;  // as in the file, without the line end
        QByteArray end;  // "\n", "\r\n", or empty for a last line without one
        QString name;  // section name of a header, key of an entry
        QString value;  // value of an entry
    };

    static Line classify(const QByteArray& raw, bool first);
    void parseLines(const QByteArray& bytes);
    Line entryLine(const QString& key, const QString& value) const;
    Line headerLine(const QString& section) const;
    void insertLine(std::size_t at, Line line);

    std::vector<Line> lines_;
    QByteArray newline_ = "\n";
    std::optional<QStringConverter::Encoding> encoding_;  // set for a UTF-16 file
    bool unreadable_ = false;
};
