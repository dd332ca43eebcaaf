#pragma once

#include <QString>

#include <deque>
#include <optional>

// The lines typed into the input line during this run, recalled with Up and
// Down as a shell does. Walking back from the line being typed keeps it as
// the draft, which Down past the newest line brings back.
class InputHistory {
public:
    // The most lines kept; the oldest goes first.
    static constexpr int kCapacity = 100;

    // A line was sent: it becomes the newest (an empty line, or the newest
    // again, is not kept twice) and the walk starts again from the draft.
    void add(const QString& line);

    // Up, with what the input line holds now: the next older line, or
    // nothing when there is none.
    std::optional<QString> older(const QString& current);
    // Down: the next newer line, the draft past the newest, or nothing while
    // at the draft already.
    std::optional<QString> newer();

    int size() const { return int(lines_.size()); }

private:
    std::deque<QString> lines_;
    // The line shown: an index into lines_, or size() for the draft.
    int position_ = 0;
    QString draft_;
};
