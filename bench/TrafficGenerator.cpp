#include "TrafficGenerator.h"

#include <QString>

#include "common/Cp932.h"

namespace {

constexpr char16_t kKanji[] =
    u"日本語今朝昼夜話会社学校先生友達電車駅時間天気雨雪風空海山川花木森町村東西南北"
    u"上下左右中大小多少長短高安新古明暗早遅近遠強弱前後出入見聞読書食飲行来帰始終"
    u"思考知分作使立座走歩歌楽音色光点線形名字文章問題答案試験旅館店家庭室部屋";
constexpr char16_t kHandles[][8] = {u"花子",    u"Bob",    u"ｼﾞﾛｳ", u"たろう",  u"Taro",
                                    u"ゲスト1", u"みかん", u"kei",  u"ＹＵＫＩ"};
constexpr char16_t kOwnHandle[] = u"たろう";

QByteArray encode(QStringView text)
{
    return Cp932::encode(text).bytes;
}

}  // namespace

TrafficGenerator::TrafficGenerator(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1)
{
    auto single = [](char16_t c) { return QString(QChar(c)); };
    for (char16_t c = u'ぁ'; c <= u'ん'; ++c)
        kana_.push_back({encode(single(c)), 1});
    for (char16_t c = u'ァ'; c <= u'ヶ'; ++c)
        kana_.push_back({encode(single(c)), 1});
    for (const char16_t* p = kKanji; *p; ++p)
        kanji_.push_back({encode(single(*p)), 1});
    for (char16_t c = u' '; c <= u'~'; ++c)
        if (c != u'>')
            ascii_.push_back({encode(single(c)), 1});
    for (char16_t c = 0xFF66; c <= 0xFF9D; ++c)
        halfKana_.push_back({encode(single(c)), 1});
    for (const auto& h : kHandles) {
        const QString text = QString::fromUtf16(h);
        handles_.push_back({encode(text), int(text.size())});
    }
}

std::uint64_t TrafficGenerator::random()
{
    // xorshift64*: fast, and the same sequence on every machine.
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return (state_ * 0x2545F4914F6CDD1DULL) >> 16;
}

void TrafficGenerator::add(QByteArray& out, const QByteArray& bytes, int units)
{
    out.append(bytes);
    textUnits_ += units;
}

void TrafficGenerator::addText(QByteArray& out, const char16_t* text)
{
    const QString s = QString::fromUtf16(text);
    add(out, encode(s), int(s.size()));
}

void TrafficGenerator::endLine(QByteArray& out)
{
    out.append("\r\n", 2);
    ++lines_;
}

void TrafficGenerator::addLines(QByteArray& out, std::initializer_list<const char16_t*> lines)
{
    for (const char16_t* text : lines) {
        addText(out, text);
        endLine(out);
    }
}

void TrafficGenerator::message(QByteArray& out, int units)
{
    for (int i = 0; i < units;) {
        const int kind = below(100);
        const std::vector<Token>& pool = kind < 40   ? kana_
                                         : kind < 65 ? kanji_
                                         : kind < 95 ? ascii_
                                                     : halfKana_;
        // Words of a few characters of one script, as people type.
        const int run = 1 + below(6);
        for (int k = 0; k < run && i < units; ++k, ++i) {
            const Token& t = pool[size_t(below(int(pool.size())))];
            add(out, t.bytes, t.units);
        }
    }
}

void TrafficGenerator::chatLine(QByteArray& out)
{
    const int total = 20 + below(101);
    const int pick = below(100);
    if (pick < 4) {
        // The user's own statement, then the host's repetition of it.
        QByteArray text;
        const qint64 before = textUnits_;
        message(text, total - 3);
        const int units = int(textUnits_ - before);
        addText(out, u"発言>");
        out.append(text);
        endLine(out);
        addText(out, kOwnHandle);
        addText(out, u">");
        add(out, text, units);
        endLine(out);
        return;
    }
    if (pick < 7) {
        // A system line without a handle.
        message(out, total);
        endLine(out);
        return;
    }
    const Token& handle = handles_[size_t(below(int(handles_.size())))];
    add(out, handle.bytes, handle.units);
    addText(out, u">");
    message(out, std::max(1, total - handle.units - 1));
    endLine(out);
}

void TrafficGenerator::menuExcursion(QByteArray& out)
{
    addLines(out, {u"CHAT (E,W,0,?) >0", u"MAIN (G,C,I,?) >C", u"CHAT (E,W,0,?) >E",
                   u"たろうさんがチャットルームに入室しました。"});
}

void TrafficGenerator::longLine(QByteArray& out)
{
    // Ended by LF only: the client keeps it as the current line and the next
    // line continues it.
    message(out, 1000 + below(3000));
    out.append('\n');
}

void TrafficGenerator::line(QByteArray& out)
{
    if (!loggedIn_) {
        loggedIn_ = true;
        addLines(out, {u"ようこそ ZKT ボードへ", u"User ID = demo", u"Password = ", u"MAIN (G,C,I,?) >C",
                       u"CHAT (E,W,0,?) >E", u"たろうさんがチャットルームに入室しました。"});
        return;
    }
    if (++sinceMenu_ >= 500) {
        sinceMenu_ = 0;
        menuExcursion(out);
        return;
    }
    if (below(1000) == 0)
        longLine(out);
    chatLine(out);
}

void TrafficGenerator::generate(QByteArray& out, qsizetype bytes)
{
    const qsizetype target = out.size() + bytes;
    out.reserve(target + 16384);
    while (out.size() < target)
        line(out);
}

void TrafficGenerator::generateLines(QByteArray& out, qint64 count)
{
    const qint64 target = lines_ + count;
    while (lines_ < target)
        line(out);
}
