#include "main/LineFacts.h"

#include <array>

namespace {

constexpr std::array<std::u16string_view, LineFacts::kWordCount> kWords = {
    u"MAIN (",      u"CHAT (", u"INSTALL (",       u"User ID",       u"Password",
    u"Handle Name", u"UserID", u"間違っています｡", u"H: ハンドル名",
};

constexpr int kMaxStates = 96;
constexpr int kMaxClasses = 64;

// One automaton for all words (Aho-Corasick, completed into a table):
// characters are first mapped to a class, 0 for every character that occurs
// in no word, so a step is two table reads whatever the character.
struct Tables {
    std::array<quint8, 0x10000> charClass{};
    std::array<std::array<quint8, kMaxClasses>, kMaxStates> next{};
    std::array<quint16, kMaxStates> found{};
};

constexpr Tables buildTables()
{
    Tables t;
    int classes = 1;
    for (auto word : kWords)
        for (char16_t c : word)
            if (t.charClass[c] == 0)
                t.charClass[c] = quint8(classes++);

    // The trie; 0 marks a missing edge (the root is never a target).
    std::array<std::array<quint8, kMaxClasses>, kMaxStates> edge{};
    int states = 1;
    for (int w = 0; w < LineFacts::kWordCount; ++w) {
        int s = 0;
        for (char16_t c : kWords[w]) {
            quint8& e = edge[s][t.charClass[c]];
            if (e == 0)
                e = quint8(states++);
            s = e;
        }
        t.found[s] |= quint16(1u << w);
    }

    // Breadth first: each state's fallback is complete before its children.
    std::array<quint8, kMaxStates> fallback{};
    std::array<quint8, kMaxStates> queue{};
    int head = 0, tail = 0;
    for (int c = 0; c < classes; ++c) {
        t.next[0][c] = edge[0][c];
        if (edge[0][c] != 0)
            queue[tail++] = edge[0][c];
    }
    while (head < tail) {
        const int s = queue[head++];
        t.found[s] |= t.found[fallback[s]];
        for (int c = 0; c < classes; ++c) {
            const quint8 child = edge[s][c];
            if (child == 0) {
                t.next[s][c] = t.next[fallback[s]][c];
            } else {
                t.next[s][c] = child;
                fallback[child] = t.next[fallback[s]][c];
                queue[tail++] = child;
            }
        }
    }
    return t;
}

constexpr Tables kTables = buildTables();

constexpr int stateCount()
{
    int states = 1;
    for (auto word : kWords)
        states += int(word.size());
    return states;
}
static_assert(stateCount() <= kMaxStates, "too many states for the word automaton");

constexpr int classCount()
{
    std::array<bool, 0x10000> seen{};
    int classes = 1;
    for (auto word : kWords)
        for (char16_t c : word)
            if (!seen[c]) {
                seen[c] = true;
                ++classes;
            }
    return classes;
}
static_assert(classCount() <= kMaxClasses, "too many character classes for the word automaton");

}  // namespace

QStringView LineFacts::text(Word word)
{
    return kWords[int(word)];
}

void LineFacts::reset()
{
    length_ = 0;
    scanned_ = 0;
    last_ = 0;
    facts_ = Scanned();
    checkpoints_.clear();
    lastHandle_ = LastHandle();
}

void LineFacts::append(char16_t ch)
{
    append(QStringView(&ch, 1));
}

void LineFacts::append(QStringView run)
{
    if (run.isEmpty())
        return;
    // The facts are caught up here, so the run starts where the scan stands.
    scan(run);
    length_ += run.size();
    last_ = run.back().unicode();
    scanned_ = length_;
}

void LineFacts::appendLater(QStringView run)
{
    if (run.isEmpty())
        return;
    length_ += run.size();
    last_ = run.back().unicode();
}

void LineFacts::catchUp(QStringView line)
{
    // A line shorter than the facts (a cell at its size limit) is read only
    // as far as it goes.
    const qsizetype to = qMin(length_, line.size());
    if (scanned_ < to)
        scan(line.sliced(scanned_, to - scanned_));
    scanned_ = length_;
}

void LineFacts::truncate(QStringView line)
{
    const qsizetype to = line.size();
    length_ = to;
    last_ = to > 0 ? line[to - 1].unicode() : 0;
    lastHandle_.valid = false;
    if (scanned_ <= to)
        return;
    const size_t keep = size_t(to / kCheckpointSpan);
    checkpoints_.resize(qMin(checkpoints_.size(), keep));
    facts_ = checkpoints_.empty() ? Scanned() : checkpoints_.back();
    scanned_ = qsizetype(checkpoints_.size()) * kCheckpointSpan;
    catchUp(line);
}

bool LineFacts::menuWordAfterStatement(Word menu) const
{
    const qsizetype end = menu == Word::MainMenu ? facts_.mainMenuEnd : facts_.chatMenuEnd;
    const qsizetype start = end - text(menu).size() + 1;
    return end >= 0 && facts_.firstPrompt >= 0 && facts_.firstPrompt < start;
}

// The characters starting at scanned_, in pieces that end at checkpoints.
void LineFacts::scan(QStringView run)
{
    const char16_t* chars = run.utf16();
    qsizetype n = run.size();
    qsizetype at = scanned_;
    while (n > 0) {
        const qsizetype piece = qMin(n, kCheckpointSpan - at % kCheckpointSpan);
        scanChunk(facts_, chars, piece, at);
        chars += piece;
        n -= piece;
        at += piece;
        if (at % kCheckpointSpan == 0 && qsizetype(checkpoints_.size()) < at / kCheckpointSpan)
            checkpoints_.push_back(facts_);
    }
}

// One character at a time with the facts in locals; `length` is where the
// characters start in the line.
void LineFacts::scanChunk(Scanned& f, const char16_t* chars, qsizetype n, qsizetype length)
{
    Scanned s = f;
    for (qsizetype i = 0; i < n; ++i, ++length) {
        const char16_t ch = chars[i];
        s.state = kTables.next[s.state][kTables.charClass[ch]];
        const quint16 now = kTables.found[s.state];
        if (now & ~s.found) {
            if (now & ~s.found & (1u << int(Word::MainMenu)))
                s.mainMenuEnd = length;
            if (now & ~s.found & (1u << int(Word::ChatMenu)))
                s.chatMenuEnd = length;
            s.found |= now;
        }
        if (ch == u'>' && s.firstPrompt < 0)
            s.firstPrompt = length;
        if (ch != u' ') {
            s.lastNonSpace = ch;
            if (s.colon >= 0) {
                if (s.begin < 0)
                    s.begin = length;
                s.end = length + 1;
            }
        }
        // The listing's ":" is looked for from the third character on.
        if (ch == u':' && length >= 2 && s.colon < 0)
            s.colon = length;
    }
    f = s;
}

void LineFacts::followHandle(QString& name, QStringView line)
{
    if (facts_.colon < 0)
        return;
    const qsizetype begin = handleBegin();
    const qsizetype end = qMax(begin, qMin(handleEnd(), line.size()));
    if (begin == end) {
        name.clear();
    } else if (holdsLastHandle(name, begin, line) && lastHandle_.end <= end) {
        name.append(line.sliced(lastHandle_.end, end - lastHandle_.end));
    } else {
        name = line.sliced(begin, end - begin).toString();
    }
    rememberHandle(name, begin, end);
}

// The pointer and size tell whether anyone replaced the name since; the
// end characters guard against a new string that reuses the freed buffer.
bool LineFacts::holdsLastHandle(const QString& name, qsizetype begin, QStringView line) const
{
    const LastHandle& h = lastHandle_;
    return h.valid && h.begin == begin && !name.isEmpty() && name.constData() == h.data &&
           name.size() == h.end - h.begin && h.end <= line.size() && name.front() == line[h.begin] &&
           name.back() == line[h.end - 1];
}

void LineFacts::rememberHandle(const QString& name, qsizetype begin, qsizetype end)
{
    lastHandle_ = {true, begin, end, name.constData()};
}
