#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <vector>

// What the prompt automaton knows about the current line, kept up to date
// one character at a time so that no step re-reads the line: which prompt
// words the line contains so far and where, its length and last character,
// and where the handle name of a profile listing line lies. Each append costs the same
// whatever the length of the line, so a host that never ends a line cannot
// make the client slow down.
class LineFacts {
public:
    // The words the automaton looks for. Each is "contained" from the
    // character that completes its first occurrence to the end of the line.
    enum class Word : quint8 {
        MainMenu,  // "MAIN ("
        ChatMenu,  // "CHAT ("
        InstallMenu,  // "INSTALL ("
        UserIdPrompt,  // "User ID"
        PasswordWord,  // "Password"
        HandlePrompt,  // "Handle Name"
        UserIdWord,  // "UserID", in the refusal line
        RefusalWord,  // "間違っています｡" (half-width full stop U+FF61)
        HandleListing,  // "H: ハンドル名"
    };
    static constexpr int kWordCount = 9;
    static QStringView text(Word word);

    // A new, empty current line.
    void reset();
    // The current line grew by one character.
    void append(char16_t ch);
    // The current line grew by these characters: the same as appending them
    // one at a time.
    void append(QStringView run);
    // The current line grew by these characters, but only its length and last
    // character are taken now; the word and handle facts take them in at the
    // next catchUp. Most of a chat line is never asked about: the automaton
    // looks at a line only at a closing character, which comes early.
    void appendLater(QStringView run);
    // Takes in what appendLater left, reading it from `line`, the current
    // line as received so far. Needed before the word and handle facts are
    // read; the appends above require it too.
    void catchUp(QStringView line);
    // Nothing is left for catchUp to take in.
    bool caughtUp() const { return scanned_ >= length_; }
    // The current line lost its end and is now `line` (a backspace followed
    // by new text). Costs at most one checkpoint's span of rescanning,
    // however long the line.
    void truncate(QStringView line);

    qsizetype length() const { return length_; }
    bool isEmpty() const { return length_ == 0; }
    // The last character; 0 for an empty line.
    char16_t last() const { return last_; }
    // The last character other than a space; 0 when there is none. Needs
    // catchUp.
    char16_t lastNonSpace() const { return facts_.lastNonSpace; }
    bool contains(Word word) const { return (facts_.found >> int(word)) & 1u; }
    // The line contains `word` and ends in `closing`.
    bool closes(Word word, char16_t closing) const
    {
        return contains(word) && length_ > 0 && last_ == closing;
    }
    // The same, with spaces after the closing character ignored.
    bool closesBeforeSpaces(Word word, char16_t closing) const
    {
        return contains(word) && facts_.lastNonSpace == closing;
    }
    // The first ">" of the line comes before the first "MAIN (" or "CHAT ("
    // it holds: a chat member's statement, not a menu prompt.
    bool menuWordAfterStatement(Word menu) const;

    // Whether the line has a ":" from its third character on.
    bool hasHandleColon() const { return facts_.colon >= 0; }
    // Where the text after that ":", without leading and trailing spaces,
    // lies in the line: [handleBegin, handleEnd), empty when there is none.
    qsizetype handleBegin() const { return facts_.begin < 0 ? facts_.colon + 1 : facts_.begin; }
    qsizetype handleEnd() const { return facts_.begin < 0 ? facts_.colon + 1 : facts_.end; }

    // Sets `name` to the handle span of `line`, which must be the line these
    // facts describe. When `name` still holds what the previous call left in
    // it for this line, only the characters that arrived since are appended,
    // so following a growing listing line costs linear time in total; any
    // other value of `name` (the settings were reloaded, say) is replaced by
    // one full copy. Does nothing without a ":".
    void followHandle(QString& name, QStringView line);

private:
    // Facts that the scan takes in character by character; saved every
    // kCheckpointSpan characters so that a truncated line is rescanned from
    // the nearest checkpoint, not from its start.
    struct Scanned {
        quint8 state = 0;  // state of the word-matching automaton
        quint16 found = 0;  // one bit per Word, sticky for the line
        char16_t lastNonSpace = 0;
        qsizetype colon = -1;
        qsizetype begin = -1;  // first non-space after the colon
        qsizetype end = -1;  // one past the last non-space after the colon
        qsizetype firstPrompt = -1;  // the first ">"
        qsizetype mainMenuEnd = -1;  // where the first "MAIN (" ends
        qsizetype chatMenuEnd = -1;  // where the first "CHAT (" ends
    };
    static constexpr qsizetype kCheckpointSpan = 4096;

    void scan(QStringView run);
    static void scanChunk(Scanned& f, const char16_t* chars, qsizetype n, qsizetype length);
    bool holdsLastHandle(const QString& name, qsizetype begin, QStringView line) const;
    void rememberHandle(const QString& name, qsizetype begin, qsizetype end);

    qsizetype length_ = 0;
    qsizetype scanned_ = 0;  // characters the scanned facts have taken in
    char16_t last_ = 0;
    Scanned facts_;
    std::vector<Scanned> checkpoints_;  // after 1, 2, ... spans

    // What followHandle left in the name it was given last.
    struct LastHandle {
        bool valid = false;
        qsizetype begin = 0;
        qsizetype end = 0;
        const QChar* data = nullptr;
    } lastHandle_;
};
