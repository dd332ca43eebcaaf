#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>
#include <vector>

// Chat-room-like lines "handle>message" in code page 932, the same bytes for
// the same seed. Messages are words drawn from a fixed vocabulary with a
// Zipf-like frequency (a few words very often, a long tail rarely): Japanese
// words in kanji, hiragana and katakana, some half-width katakana, ASCII
// words, numbers and now and then an address. Unlike characters drawn at
// random, such text repeats its adjacent pairs, as people's text does.
class ChatTextGenerator {
public:
    explicit ChatTextGenerator(std::uint64_t seed = 1);

    // Appends exactly `count` lines ended by CR LF.
    void generateLines(QByteArray& out, qint64 count);
    // True when no word of the vocabulary holds `ascii` in any letter case.
    bool vocabularyLacks(const QByteArray& ascii) const;

    qint64 lines() const { return lines_; }
    qint64 textUnits() const { return textUnits_; }

private:
    enum class WordKind { Japanese, Ascii, Number };
    struct Word {
        QByteArray bytes;
        int units;
        WordKind kind;
    };
    // Words ranked by frequency, and the running totals of their weights.
    struct Ranked {
        std::vector<Word> words;
        std::vector<double> cumulative;
        void add(Word word);
        void weigh(double exponent);
        const Word& pick(double unit) const;
    };

    std::uint64_t random();
    int below(int n) { return int(random() % std::uint64_t(n)); }
    double unit() { return double(random() >> 11) / double(std::uint64_t(1) << 53); }
    void buildVocabulary();
    void add(QByteArray& out, const QByteArray& bytes, int units);
    void addNumber(QByteArray& out);
    void addAddress(QByteArray& out);
    void message(QByteArray& out);
    void line(QByteArray& out);

    std::uint64_t state_;
    Ranked words_, handles_;
    qint64 lines_ = 0;
    qint64 textUnits_ = 0;
};
