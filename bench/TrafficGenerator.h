#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>
#include <initializer_list>
#include <vector>

// Board-like traffic in code page 932, the same bytes for the same seed:
// the log-in prompts, menus, the room-entry line, chat lines of 20 to 120
// characters mixing kana, kanji and ASCII, the user's own statements and
// their echo, and now and then a long line ended by LF alone (no CR), which
// runs on into the next line.
class TrafficGenerator {
public:
    explicit TrafficGenerator(std::uint64_t seed = 1);

    // Appends whole lines to `out` until it has grown by at least `bytes`.
    void generate(QByteArray& out, qsizetype bytes);
    // Appends exactly `count` lines ended by CR LF (chat lines and menus).
    void generateLines(QByteArray& out, qint64 count);

    // Totals over everything generated so far.
    qint64 lines() const { return lines_; }  // CRs written
    qint64 textUnits() const { return textUnits_; }  // UTF-16 units other than CR and LF

private:
    struct Token {
        QByteArray bytes;
        int units;
    };

    std::uint64_t random();
    int below(int n) { return int(random() % std::uint64_t(n)); }
    void line(QByteArray& out);
    void add(QByteArray& out, const QByteArray& bytes, int units);
    void addText(QByteArray& out, const char16_t* text);
    void endLine(QByteArray& out);
    void addLines(QByteArray& out, std::initializer_list<const char16_t*> lines);
    void message(QByteArray& out, int units);
    void chatLine(QByteArray& out);
    void menuExcursion(QByteArray& out);
    void longLine(QByteArray& out);

    std::uint64_t state_;
    std::vector<Token> kana_, kanji_, ascii_, halfKana_, handles_;
    bool loggedIn_ = false;
    qint64 lines_ = 0;
    qint64 textUnits_ = 0;
    qint64 sinceMenu_ = 0;
};
