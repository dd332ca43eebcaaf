#pragma once

#include <QString>

// Counts how often a string's characters moved to another buffer. A full
// copy into the string always moves them; appends move them only when they
// outgrow the buffer, which grows geometrically. So a string followed by
// appends moves a handful of times however long it gets, and one copied
// whole at every step moves at every step.
class BufferMoves {
public:
    explicit BufferMoves(const QString& text) : text_(text), last_(text.constData()) {}

    // Looks at the string now; returns the moves seen so far.
    int observe()
    {
        if (text_.constData() != last_) {
            last_ = text_.constData();
            ++moves_;
        }
        return moves_;
    }

private:
    const QString& text_;
    const QChar* last_;
    int moves_ = 0;
};
