#include "controls/qt/IdleSummarizer.h"

#include <QElapsedTimer>

#include "controls/SearchSummaries.h"

namespace {

// Milliseconds between ticks, and of work in a tick while the grid is quiet:
// the window answers keys and paints between them.
constexpr int kTickMs = 40;
constexpr int kQuietWorkMs = 12;
// Text units per call within a quiet tick, about a block's worth.
constexpr qint64 kSlice = qint64(SearchSummaries::kRowsPerBlock) * 64;

}  // namespace

IdleSummarizer::IdleSummarizer(SearchSummaries& summaries, QObject* parent)
    : QObject(parent), summaries_(summaries)
{
    timer_.setSingleShot(true);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &IdleSummarizer::tick);
}

void IdleSummarizer::gridChanged()
{
    changedSinceTick_ = true;
    if (!timer_.isActive())
        timer_.start();
}

void IdleSummarizer::tick()
{
    bool done = false;
    if (changedSinceTick_) {
        done = summaries_.buildSome(1);
    } else {
        QElapsedTimer work;
        work.start();
        while (!(done = summaries_.buildSome(kSlice)) && work.elapsed() < kQuietWorkMs) {}
    }
    changedSinceTick_ = false;
    if (!done)
        timer_.start();
}
