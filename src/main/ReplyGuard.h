#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

// Keeps the automatic replies from flooding a board that repeats a prompt:
// the same reply sent more than kMaxRepeats times within kWindowMs is
// refused. Typed lines never pass through here.
class ReplyGuard {
public:
    static constexpr int kMaxRepeats = 5;
    static constexpr qint64 kWindowMs = 10000;

    // Whether `reply` may go out at `nowMs`; if so it is counted.
    bool allow(const QString& reply, qint64 nowMs);
    // The user acted or a new connection began: counting starts afresh.
    void clear() { sent_.clear(); }

private:
    struct Sent {
        QString reply;
        qint64 at;
    };
    // Replies of the last window, oldest first. At most kMaxRepeats of each
    // reply, and the automaton has only a handful of replies, so it stays
    // short.
    std::vector<Sent> sent_;
};
