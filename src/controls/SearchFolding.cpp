#include "controls/SearchFolding.h"

#include <QChar>
#include <QString>

#include <array>
#include <memory>
#include <mutex>

namespace {

// Half-width katakana and punctuation U+FF61..U+FF9D in their full-width
// forms; the voicing marks U+FF9E and U+FF9F follow below.
constexpr char16_t kHalfWidthKana[] = {
    u'。', u'「', u'」', u'、', u'・', u'ヲ', u'ァ', u'ィ', u'ゥ', u'ェ', u'ォ', u'ャ', u'ュ',
    u'ョ', u'ッ', u'ー', u'ア', u'イ', u'ウ', u'エ', u'オ', u'カ', u'キ', u'ク', u'ケ', u'コ',
    u'サ', u'シ', u'ス', u'セ', u'ソ', u'タ', u'チ', u'ツ', u'テ', u'ト', u'ナ', u'ニ', u'ヌ',
    u'ネ', u'ノ', u'ハ', u'ヒ', u'フ', u'ヘ', u'ホ', u'マ', u'ミ', u'ム', u'メ', u'モ', u'ヤ',
    u'ユ', u'ヨ', u'ラ', u'リ', u'ル', u'レ', u'ロ', u'ワ', u'ン'};
static_assert(std::size(kHalfWidthKana) == 0xFF9E - 0xFF61);

// Full-width signs U+FFE0..U+FFE6 and their narrow forms.
constexpr char16_t kFullWidthSigns[] = {u'¢', u'£', u'¬', u'¯', u'¦', u'¥', u'₩'};

constexpr char16_t kVoiced = 0x3099;
constexpr char16_t kSemiVoiced = 0x309A;

// One or two units, packed as SearchFolding::entry() reads them.
quint32 pack(char16_t first, char16_t second = 0)
{
    return quint32(first) | (quint32(second) << 16);
}

// The width-folded form of one unit: narrow ASCII and katakana split into
// base and mark.
quint32 foldWidth(char16_t c)
{
    if (c >= 0xFF01 && c <= 0xFF5E)
        return pack(char16_t(c - 0xFF01 + 0x21));
    if (c == 0x3000)
        return pack(u' ');
    if (c >= 0xFFE0 && c <= 0xFFE6)
        return pack(kFullWidthSigns[c - 0xFFE0]);
    if (c >= 0xFF61 && c < 0xFF9E)
        return pack(kHalfWidthKana[c - 0xFF61]);
    if (c == 0xFF9E || c == 0x309B)
        return pack(kVoiced);
    if (c == 0xFF9F || c == 0x309C)
        return pack(kSemiVoiced);
    // Voiced katakana (ガ, パ, ヴ, ...) as base and combining mark.
    if (c >= 0x30A1 && c <= 0x30FA) {
        const QChar ch(c);
        if (ch.decompositionTag() == QChar::Canonical) {
            const QString parts = ch.decomposition();
            if (parts.size() == 2)
                return pack(parts[0].unicode(), parts[1].unicode());
        }
    }
    return pack(c);
}

char16_t foldCase(char16_t c)
{
    if (QChar::isSurrogate(c))
        return c;
    return QChar(c).toCaseFolded().unicode();
}

}  // namespace

SearchFolding::SearchFolding(const FindOptions& options) : foldsWidth_(!options.matchWidth)
{
    for (quint32 c = 0; c < 0x10000; ++c) {
        const quint32 e = foldsWidth_ ? foldWidth(char16_t(c)) : pack(char16_t(c));
        char16_t first = firstOf(e), second = secondOf(e);
        if (!options.matchCase) {
            first = foldCase(first);
            second = second ? foldCase(second) : 0;
        }
        table_[c] = pack(first, second);
    }
}

const SearchFolding& SearchFolding::forOptions(const FindOptions& options)
{
    static std::once_flag once[4];
    static std::unique_ptr<SearchFolding> built[4];
    const int at = (options.matchCase ? 1 : 0) + (options.matchWidth ? 2 : 0);
    std::call_once(once[at], [&] { built[at].reset(new SearchFolding(options)); });
    return *built[at];
}

std::u16string SearchFolding::fold(QStringView text) const
{
    std::u16string out;
    out.reserve(size_t(text.size()));
    for (const QChar c : text) {
        const quint32 e = entry(c.unicode());
        out.push_back(firstOf(e));
        if (secondOf(e))
            out.push_back(secondOf(e));
    }
    return out;
}
