#pragma once

#include <QObject>
#include <QTimer>

class SearchSummaries;

// Builds a view's find summaries from the event loop, never on the receive
// path: in slices of a few milliseconds while the grid is quiet, one block
// per tick while rows keep arriving, so that a flood neither waits for the
// summaries nor leaves them far behind. Idle once every complete block is
// summarised, until the grid changes again.
class IdleSummarizer : public QObject {
public:
    IdleSummarizer(SearchSummaries& summaries, QObject* parent = nullptr);

    // Rows arrived or changed.
    void gridChanged();
    // One tick of work, as the timer gives it; public for tests.
    void tick();
    bool isActive() const { return timer_.isActive(); }

private:
    SearchSummaries& summaries_;
    QTimer timer_;
    bool changedSinceTick_ = false;
};
