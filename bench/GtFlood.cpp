#include "GtFlood.h"

#include <QCoreApplication>

#include <vector>

#include "BenchRig.h"
#include "Measure.h"
#include "common/MemorySettingsStore.h"
#include "common/QtTimeSource.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "main/qt/MainWindow.h"
#include "support/FakeSocket.h"

namespace {

// Seconds of work to receive `prefix` and then `count` copies of `fill`
// through a fresh main window.
double receiveThroughWindow(const QByteArray& prefix, char fill, qsizetype count, qsizetype block)
{
    MemorySettingsStore store;
    // A known handle: the automaton does not go looking for one.
    SettingsLookup::writeSetting(store, QStringLiteral("HandleName"), QStringLiteral("たろう"));
    FakeSocket socket;
    socket.stayConnected();
    socket.setKeepSent(false);
    QtTimeSource time;
    MainWindow window(store, socket, time);
    window.setExitHandler([](int) {});
    window.load();
    window.show();
    QCoreApplication::processEvents();

    const auto receive = [&](const QByteArray& bytes) {
        for (qsizetype at = 0; at < bytes.size(); at += block) {
            window.dialogue().receiveBytes(
                QByteArrayView(bytes.constData() + at, std::min(block, bytes.size() - at)));
        }
    };
    receive(prefix);
    const QByteArray flood(count, fill);
    const Measure::Stopwatch watch;
    receive(flood);
    QCoreApplication::processEvents();
    return watch.seconds();
}

}  // namespace

double gtFloodVsLetters(qsizetype bytes, qsizetype block, int repeat)
{
    // The prompt closes once before the timing starts, so that the one-off
    // work of applying the mode (new captions fitted to their keys) does not
    // swamp the small smoke run; what is timed is the flood that follows.
    const QByteArray prefix("MAIN (>");
    std::vector<double> prompts, letters;
    for (int r = 0; r < repeat; ++r) {
        prompts.push_back(receiveThroughWindow(prefix, '>', bytes, block));
        letters.push_back(receiveThroughWindow(prefix, 'a', bytes, block));
    }
    const double p = Measure::median(prompts), l = Measure::median(letters);
    Measure::print("gt-flood-bytes", double(bytes), "B");
    Measure::print("gt-flood", p * 1e3, "ms");
    Measure::print("letters-flood", l * 1e3, "ms");
    return l > 0 ? p / l : 0;
}
