#include "ChatTextGenerator.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "common/Cp932.h"

namespace {

// The most frequent words, most frequent first: what people type most.
constexpr const char16_t* kCommonWords[] = {
    u"w",        u"の",       u"は",       u"です",       u"ね",         u"が",       u"を",       u"に",
    u"って",     u"ww",       u"よ",       u"で",         u"と",         u"も",       u"草",       u"ます",
    u"か",       u"な",       u"けど",     u"それ",       u"笑",         u"今日",     u"から",     u"まで",
    u"した",     u"でした",   u"おはよう", u"こんばんは", u"ありがとう", u"そう",     u"うん",     u"いや",
    u"ok",       u"www",      u"本当",     u"これ",       u"明日",       u"昨日",     u"仕事",     u"ゲーム",
    u"じゃない", u"かな",     u"おやすみ", u"よろしく",   u"すごい",     u"マジ",     u"ﾏｼﾞ",      u"ｷﾀｰ",
    u"ｵﾂｶﾚ",     u"ﾜﾛﾀ",      u"ﾅｲｽ",      u"lol",        u"PC",         u"the",      u"is",       u"it",
    u"電車",     u"サーバー", u"メール",   u"パソコン",   u"ネット",     u"ログ",     u"チャット", u"アニメ",
    u"ラーメン", u"時間",     u"今",       u"人",         u"話",         u"感じ",     u"思う",     u"行く",
    u"来た",     u"見た",     u"どう",     u"なんか",     u"ちょっと",   u"やっぱり", u"たぶん",   u"まだ",
    u"もう",     u"みんな",   u"大丈夫",   u"お疲れ",     u"了解",       u"なるほど", u"Linux",    u"Windows",
    u"OK",       u"test",     u"and",      u"you",        u"I",          u"me",       u"for",      u"to",
    u"ID",       u"URL",      u"。",       u"、",         u"！",         u"？",       u"…",        u"ｗ",
    u"(^^;",     u"^^",       u"orz",
};

constexpr char16_t kKanji[] =
    u"日本語今朝昼夜話会社学校先生友達電車駅時間天気雨雪風空海山川花木森町村東西南北"
    u"上下左右中大小多少長短高安新古明暗早遅近遠強弱前後出入見聞読書食飲行来帰始終"
    u"思考知分作使立座走歩歌楽音色光点線形名字文章問題答案試験旅館店家庭室部屋"
    u"年月週毎回度次最初全部半分番号情報通信機械画面表示設定変更接続切断送受信"
    u"地方都市県国際外内手足目耳口心体気持意味理由事件物品質量値段金銭円";

constexpr char16_t kHiragana[] =
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわん"
    u"がぎぐげござじずぜぞだでどばびぶべぼっゃゅょ";
constexpr char16_t kKatakana[] =
    u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン"
    u"ガギグゲゴザジズゼゾダデドバビブベボパピプペポッャュョー";
constexpr char16_t kHalfKatakana[] = u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝｯｰﾞ";
// Letters by their share in English text, so that made-up words look like words.
constexpr char kLetters[] =
    "eeeeeeeeeeeetttttttttaaaaaaaaooooooooiiiiiiinnnnnnnsssssshhhhhhrrrrrrddddlllluuucccmmmwwffggyyppbbvk";

constexpr const char16_t* kHandles[] = {
    u"花子",     u"Bob",    u"ｼﾞﾛｳ",   u"たろう",  u"Taro",      u"ゲスト1",    u"みかん", u"kei",
    u"ＹＵＫＩ", u"さくら", u"nori",   u"ケン",    u"まさ@会社", u"ぽち",       u"Hiro",   u"ﾐｷ",
    u"あや",     u"shin",   u"リョウ", u"ゲスト2", u"tom",       u"なな",       u"K太",    u"ｻﾄｼ",
    u"ゆう",     u"ジョン", u"mika",   u"ねこ",    u"大吉",      u"通りすがり",
};

constexpr const char16_t* kHosts[] = {u"example.jp", u"www.example.com", u"board.example.net",
                                      u"img.example.org"};

constexpr int kCommonCount = int(std::size(kCommonWords));

}  // namespace

void ChatTextGenerator::Ranked::add(Word word)
{
    words.push_back(std::move(word));
}

// Zipf's law: the word of rank r is drawn in proportion to 1 / r^exponent.
void ChatTextGenerator::Ranked::weigh(double exponent)
{
    cumulative.clear();
    double total = 0;
    for (size_t r = 1; r <= words.size(); ++r) {
        total += 1.0 / std::pow(double(r), exponent);
        cumulative.push_back(total);
    }
    for (double& c : cumulative)
        c /= total;
}

const ChatTextGenerator::Word& ChatTextGenerator::Ranked::pick(double unit) const
{
    const auto it = std::upper_bound(cumulative.begin(), cumulative.end(), unit);
    return words[size_t(std::min<std::ptrdiff_t>(it - cumulative.begin(), std::ptrdiff_t(words.size()) - 1))];
}

ChatTextGenerator::ChatTextGenerator(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1)
{
    buildVocabulary();
    for (const char16_t* h : kHandles) {
        const QString text = QString::fromUtf16(h);
        handles_.add({Cp932::encode(text).bytes, int(text.size()), WordKind::Japanese});
    }
    handles_.weigh(0.8);
}

std::uint64_t ChatTextGenerator::random()
{
    // xorshift64*: fast, and the same sequence on every machine.
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1DULL;
}

// The common words first, then a long tail of made-up words of each script
// in a shuffled order of rank.
void ChatTextGenerator::buildVocabulary()
{
    auto word = [](const QString& text, WordKind kind) {
        return Word{Cp932::encode(text).bytes, int(text.size()), kind};
    };
    auto madeUp = [&](const char16_t* alphabet, int minLength, int maxLength) {
        const int size = int(std::char_traits<char16_t>::length(alphabet));
        QString text;
        for (int n = minLength + below(maxLength - minLength + 1); n > 0; --n)
            text += QChar(alphabet[below(size)]);
        return text;
    };
    std::vector<Word> tail;
    for (int k = 0; k < 1500; ++k)
        tail.push_back(word(madeUp(kKanji, 2, 2), WordKind::Japanese));
    for (int k = 0; k < 400; ++k)
        tail.push_back(word(madeUp(kHiragana, 2, 4), WordKind::Japanese));
    for (int k = 0; k < 600; ++k)
        tail.push_back(word(madeUp(kKatakana, 3, 6), WordKind::Japanese));
    for (int k = 0; k < 150; ++k)
        tail.push_back(word(madeUp(kHalfKatakana, 3, 5), WordKind::Japanese));
    for (int k = 0; k < 500; ++k) {
        QString text;
        for (int n = 3 + below(6); n > 0; --n)
            text += QLatin1Char(kLetters[below(int(sizeof kLetters) - 1)]);
        tail.push_back(word(text, WordKind::Ascii));
    }
    for (size_t k = tail.size(); k > 1; --k)
        std::swap(tail[k - 1], tail[size_t(below(int(k)))]);
    for (const char16_t* w : kCommonWords) {
        const QString text = QString::fromUtf16(w);
        const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
        words_.add(word(text, ascii ? WordKind::Ascii : WordKind::Japanese));
    }
    // Numbers rank among the common words; their digits are drawn each time.
    words_.words.insert(words_.words.begin() + kCommonCount / 3, Word{{}, 0, WordKind::Number});
    for (Word& w : tail)
        words_.add(std::move(w));
    words_.weigh(1.0);
}

bool ChatTextGenerator::vocabularyLacks(const QByteArray& ascii) const
{
    const QByteArray needle = ascii.toLower();
    auto holds = [&](const Word& w) { return w.bytes.toLower().contains(needle); };
    return std::none_of(words_.words.begin(), words_.words.end(), holds) &&
           std::none_of(handles_.words.begin(), handles_.words.end(), holds);
}

void ChatTextGenerator::add(QByteArray& out, const QByteArray& bytes, int units)
{
    out.append(bytes);
    textUnits_ += units;
}

void ChatTextGenerator::addNumber(QByteArray& out)
{
    const int kind = below(4);
    QByteArray text = kind == 0   ? QByteArray::number(below(24)) + ':' + QByteArray::number(10 + below(50))
                      : kind == 1 ? QByteArray::number(2000 + below(30))
                                  : QByteArray::number(below(kind == 2 ? 100 : 100'000));
    add(out, text, int(text.size()));
}

void ChatTextGenerator::addAddress(QByteArray& out)
{
    QByteArray text =
        "http://" + Cp932::encode(QString::fromUtf16(kHosts[below(int(std::size(kHosts)))])).bytes;
    text += '/';
    // A word of the tail, after the common words and the numbers.
    const int tail = kCommonCount + 1;
    const Word& w = words_.words[size_t(tail + below(int(words_.words.size()) - tail))];
    text += w.kind == WordKind::Ascii ? w.bytes : QByteArray("page");
    text += '/' + QByteArray::number(below(10'000));
    add(out, " " + text, int(text.size()) + 1);
}

// Two to sixteen words, nine or ten on average; words of letters or digits stand apart by
// spaces, Japanese words run together.
void ChatTextGenerator::message(QByteArray& out)
{
    bool previousApart = false;
    for (int n = 2 + below(4) + below(6) + below(8); n > 0; --n) {
        const Word& w = words_.pick(unit());
        const bool apart = w.kind != WordKind::Japanese;
        if (apart || previousApart)
            add(out, " ", 1);
        if (w.kind == WordKind::Number)
            addNumber(out);
        else
            add(out, w.bytes, w.units);
        previousApart = apart;
    }
    if (below(40) == 0)
        addAddress(out);
}

void ChatTextGenerator::line(QByteArray& out)
{
    const Word& handle = handles_.pick(unit());
    add(out, handle.bytes, handle.units);
    if (below(300) == 0) {
        const QString text =
            below(2) == 0 ? QStringLiteral(u"さんが入室しました。") : QStringLiteral(u"さんが退室しました。");
        add(out, Cp932::encode(text).bytes, int(text.size()));
    } else {
        add(out, ">", 1);
        message(out);
    }
    out.append("\r\n", 2);
    ++lines_;
}

void ChatTextGenerator::generateLines(QByteArray& out, qint64 count)
{
    const qint64 target = lines_ + count;
    while (lines_ < target)
        line(out);
}
