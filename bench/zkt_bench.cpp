// zkt-bench: the receive path's speed and memory, find over the history and
// the whole client on screen, measured in one run.
// Prints "name: value unit" lines; the last is "pipeline-vs-decode: R", of
// the slower of "pipeline" (no command pending) and "pipeline-pending" (the
// slowest of the states with one pending).

#include <QApplication>
#include <QCoreApplication>
#include <QStringDecoder>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "BenchRig.h"
#include "FindBench.h"
#include "GtFlood.h"
#include "Measure.h"
#include "PromptLatency.h"
#include "ScreenFlood.h"
#include "TrafficGenerator.h"
#include "common/Cp932.h"
#include "controls/qt/SpreadGrid.h"

namespace {

using Measure::print;

struct Options {
    double mb = 100;  // traffic for the decode and pipeline figures
    qint64 lines = 10'000'000;  // the longest history
    double longLineMb = 10;  // the line without CR
    double gtFloodMb = 1;  // ">" after a main-menu prompt
    qint64 gridRows = 1'000'000;  // rows of the big grids
    int prompts = 1000;
    int repeat = 3;
    qsizetype block = 16384;  // bytes per received block
    double screenMb = 40;  // traffic through the main window over loopback
    int typingRounds = 200;  // lines typed during a flood
    std::string only;  // one part alone, for profiling
    double pipelineFigure = 0;  // this run's `pipeline`, once measured
};

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](double& out) {
            if (i + 1 >= argc)
                return false;
            out = std::atof(argv[++i]);
            return out > 0;
        };
        double v = 0;
        if (a == "--smoke") {
            o = Options{4, 20'000, 1, 0.05, 20'000, 50, 1, 16384, 2, 20, o.only};
        } else if (a == "--wall") {
            Measure::useWallClock() = true;
        } else if (a == "--only" && i + 1 < argc) {
            o.only = argv[++i];
        } else if (a == "--mb" && value(v)) {
            o.mb = v;
        } else if (a == "--lines" && value(v)) {
            o.lines = qint64(v);
        } else if (a == "--long-line-mb" && value(v)) {
            o.longLineMb = v;
        } else if (a == "--gt-flood-mb" && value(v)) {
            o.gtFloodMb = v;
        } else if (a == "--grid-rows" && value(v)) {
            o.gridRows = qint64(v);
        } else if (a == "--prompts" && value(v)) {
            o.prompts = int(v);
        } else if (a == "--repeat" && value(v)) {
            o.repeat = int(v);
        } else if (a == "--block" && value(v)) {
            o.block = qsizetype(v);
        } else if (a == "--screen-mb" && value(v)) {
            o.screenMb = v;
        } else if (a == "--typing-rounds" && value(v)) {
            o.typingRounds = int(v);
        } else {
            std::fprintf(
                stderr,
                "usage: zkt-bench [--smoke] [--mb N] [--lines N] [--long-line-mb N] [--gt-flood-mb N]\n"
                "                 [--grid-rows N] [--prompts N] [--repeat N] [--block BYTES] [--wall]\n"
                "                 [--screen-mb N] [--typing-rounds N]\n"
                "                 [--only history|history-limit|pipeline|long-line|gt-flood|grids|\n"
                "                         latency|find|screen|screen-ingest|screen-typing]\n");
            return false;
        }
    }
    return true;
}

double mbPerSecond(qsizetype bytes, double seconds)
{
    return double(bytes) / 1e6 / seconds;
}

// --- history: per-line cost and memory as the views grow ---------------------

// Feeds the next batch of lines; returns the time the rig took and how many
// lines the batch held.
std::pair<double, qint64> feedBatch(BenchRig& rig, TrafficGenerator& traffic, QByteArray& bytes, qint64 lines,
                                    const Options& o)
{
    bytes.resize(0);
    const qint64 linesBefore = traffic.lines();
    traffic.generateLines(bytes, lines);
    const Measure::Stopwatch watch;
    rig.receiveAll(bytes, o.block);
    return {watch.seconds(), traffic.lines() - linesBefore};
}

// Returns the per-line cost at the last checkpoint, in seconds.
double history(const Options& o)
{
    const qint64 checkpoints[] = {std::max<qint64>(o.lines / 1000, 1000),
                                  std::max<qint64>(o.lines / 10, 1000), o.lines};
    constexpr qint64 kWindow = 10'000;
    constexpr qint64 kBatch = 1'000;
    BenchRig rig;
    TrafficGenerator traffic(7);
    QByteArray bytes;
    double cost[3] = {};
    double rssAt[3] = {}, unitsAt[3] = {}, linesAt[3] = {};
    int next = 0;
    qint64 windowEnd = -1;
    double windowTime = 0;
    qint64 windowLines = 0;
    while (next < 3) {
        const auto [t, added] = feedBatch(rig, traffic, bytes, kBatch, o);
        if (windowEnd >= 0) {
            windowTime += t;
            windowLines += added;
            if (traffic.lines() >= windowEnd) {
                cost[next] = windowTime / double(windowLines);
                ++next;
                windowEnd = -1;
            }
        } else if (traffic.lines() >= checkpoints[next]) {
            rssAt[next] = Measure::residentBytes();
            unitsAt[next] = double(traffic.textUnits());
            linesAt[next] = double(traffic.lines());
            windowEnd = traffic.lines() + kWindow;
            windowTime = 0;
            windowLines = 0;
        }
    }
    for (int k = 0; k < 3; ++k) {
        const std::string name = "per-line-at-" + std::to_string(checkpoints[k]);
        print(name.c_str(), cost[k] * 1e9, "ns");
    }
    print("per-line-ratio-last-first", cost[2] / cost[0], "x");
    const double lines = linesAt[2] - linesAt[0];
    const double perLine = (rssAt[2] - rssAt[0]) / lines;
    const double utf16 = 2 * (unitsAt[2] - unitsAt[0]) / lines;
    print("history-lines", double(rig.terminalModel().rowCount() - 1), "lines");
    print("chat-rows", double(rig.chatModel().rowCount()), "rows");
    print("memory-per-line", perLine, "B");
    print("utf16-per-line", utf16, "B");
    print("memory-budget-per-line", 1.1 * utf16 + 32, "B");
    print("memory-vs-budget", perLine / (1.1 * utf16 + 32), "x");
    return cost[2];
}

// --- history limit: the same traffic with each view kept to 10,000 rows --------

// The per-line cost over 10,000 lines after `o.lines`, drops included;
// against the unlimited cost at the same point when history() measured it.
void historyLimit(const Options& o, double unlimitedCost)
{
    constexpr int kLimit = 10'000;
    constexpr qint64 kWindow = 10'000;
    constexpr qint64 kBatch = 1'000;
    BenchRig::Options options;
    options.logLines = kLimit;
    BenchRig rig(options);
    TrafficGenerator traffic(7);
    QByteArray bytes;
    double windowTime = 0;
    qint64 windowLines = 0;
    while (traffic.lines() < o.lines + kWindow) {
        const bool measured = traffic.lines() >= o.lines;
        const auto [t, added] = feedBatch(rig, traffic, bytes, kBatch, o);
        if (measured) {
            windowTime += t;
            windowLines += added;
        }
    }
    const double cost = windowTime / double(windowLines);
    const std::string name = "limited-per-line-at-" + std::to_string(o.lines);
    print(name.c_str(), cost * 1e9, "ns");
    print("limited-terminal-rows", double(rig.terminalModel().rowCount()), "rows");
    print("limited-chat-rows", double(rig.chatModel().rowCount()), "rows");
    if (unlimitedCost > 0)
        print("limited-vs-unlimited", cost / unlimitedCost, "x");
}

// --- decoding ------------------------------------------------------------------

// Both decoders are timed by the same loop, block by block as the socket
// hands them over.
template <typename Decoder>
double decodeThroughput(Decoder& decoder, const QByteArray& bytes, qsizetype block)
{
    qint64 units = 0;
    const Measure::Stopwatch watch;
    for (qsizetype at = 0; at < bytes.size(); at += block) {
        const QString text =
            decoder.decode(QByteArrayView(bytes).sliced(at, std::min(block, bytes.size() - at)));
        units += text.size();
    }
    const double t = watch.seconds();
    return units > 0 ? mbPerSecond(bytes.size(), t) : 0;
}

double decodeOurs(const QByteArray& bytes, qsizetype block)
{
    Cp932::Decoder decoder;
    return decodeThroughput(decoder, bytes, block);
}

double decodeIcu(const QByteArray& bytes, qsizetype block)
{
    QStringDecoder decoder("windows-31j");
    if (!decoder.isValid())
        return 0;
    return decodeThroughput(decoder, bytes, block);
}

double pipeline(const QByteArray& bytes, qsizetype block, qint64* rows = nullptr)
{
    BenchRig rig;
    const Measure::Stopwatch watch;
    rig.receiveAll(bytes, block);
    const double t = watch.seconds();
    if (rows)
        *rows = rig.chatModel().rowCount();
    return mbPerSecond(bytes.size(), t);
}

// --- the pipeline with a command pending -----------------------------------------

// The states in which the client waits for a prompt while the board talks.
struct PendingState {
    const char* name;
    Command command;
    Mode mode;  // the mode the key is pressed in
    int key;  // 0: the command arms itself
};

constexpr PendingState kPendingStates[] = {
    {"log-out", Command::LogOut, Mode::Main, 1},
    {"chat-in", Command::ChatIn, Mode::Main, 2},
    {"chat-out", Command::ChatOut, Mode::Chat, 2},
    {"handle-lookup", Command::GetHandle, Mode::Main, 0},
};

// The log-in is taken untimed; the rest of the traffic is timed with the
// state's command pending. Without menu excursions in `rest`, no prompt ends
// the command; 0 if it ended anyway.
double pipelinePending(const QByteArray& logIn, const QByteArray& rest, qsizetype block,
                       const PendingState& state)
{
    BenchRig::Options options;
    options.lookUpHandle = state.command == Command::GetHandle;
    BenchRig rig(options);
    rig.receiveAll(logIn, block);
    if (state.key != 0) {
        rig.dialogue().setMode(state.mode);
        rig.dialogue().functionKeyPressed(state.key);
    }
    if (rig.dialogue().pendingCommand() != state.command)
        return 0;
    const Measure::Stopwatch watch;
    rig.receiveAll(rest, block);
    const double t = watch.seconds();
    if (rig.dialogue().pendingCommand() != state.command)
        return 0;
    return mbPerSecond(rest.size(), t);
}

// --- the long line ---------------------------------------------------------------

QByteArray withoutLineEnds(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes)
        if (c != '\r' && c != '\n')
            out.append(c);
    return out;
}

double medianRepaint(QWidget* viewport, int times)
{
    std::vector<double> t;
    for (int i = 0; i < times; ++i) {
        const Measure::Stopwatch watch;
        viewport->repaint();
        t.push_back(watch.seconds());
    }
    return Measure::median(t);
}

// Receives one more block, brings the view up to date (a frame) and repaints.
double medianAppendRepaint(BenchRig& rig, SpreadGrid* view, TrafficGenerator& traffic, qsizetype block,
                           int times, bool lineEnds = true)
{
    std::vector<double> t;
    for (int i = 0; i < times; ++i) {
        QByteArray bytes;
        traffic.generate(bytes, block);
        if (!lineEnds)
            bytes = withoutLineEnds(bytes);
        const Measure::Stopwatch watch;
        rig.receive(bytes.constData(), bytes.size());
        rig.tick();
        QCoreApplication::processEvents();
        view->viewport()->repaint();
        t.push_back(watch.seconds());
    }
    return Measure::median(t);
}

BenchRig::Options shownTerminal()
{
    BenchRig::Options options;
    options.views = true;
    options.autoChangeWindow = false;
    return options;
}

void longLine(const Options& o)
{
    TrafficGenerator traffic(11);
    QByteArray lines;
    traffic.generate(lines, qsizetype(o.longLineMb * 1e6));
    const QByteArray one = withoutLineEnds(lines);
    std::vector<double> withEnds, without;
    for (int r = 0; r < o.repeat; ++r) {
        without.push_back(pipeline(one, o.block));
        withEnds.push_back(pipeline(lines, o.block));
    }
    const double a = Measure::median(without), b = Measure::median(withEnds);
    print("long-line-bytes", double(one.size()), "B");
    print("long-line-mbps", a, "MB/s");
    print("same-bytes-with-line-ends-mbps", b, "MB/s");
    print("long-line-time-ratio", b / a, "x");

    constexpr int kRepaints = 30;
    // The same screenful of history in both views; the current line is the
    // long one in the first and a short one in the second.
    const QByteArray screenful = lines.left(lines.indexOf('\n', 64 * 1024) + 1);
    BenchRig longRig(shownTerminal());
    longRig.receiveAll(screenful, o.block);
    longRig.receiveAll(one, o.block);
    QCoreApplication::processEvents();
    BenchRig shortRig(shownTerminal());
    shortRig.receiveAll(screenful, o.block);
    shortRig.receiveAll(one.left(60), o.block);
    QCoreApplication::processEvents();
    const double longPaint = medianRepaint(longRig.terminalView()->viewport(), kRepaints);
    const double shortPaint = medianRepaint(shortRig.terminalView()->viewport(), kRepaints);
    print("repaint-long-line-current", longPaint * 1e3, "ms");
    print("repaint-short-line-current", shortPaint * 1e3, "ms");
    print("repaint-long-vs-short", longPaint / shortPaint, "x");
    TrafficGenerator more(12);
    const double longAppend =
        medianAppendRepaint(longRig, longRig.terminalView(), more, o.block, kRepaints, false);
    const double shortAppend =
        medianAppendRepaint(shortRig, shortRig.terminalView(), more, o.block, kRepaints);
    print("append-repaint-long-line", longAppend * 1e3, "ms");
    print("append-repaint-short-lines", shortAppend * 1e3, "ms");
}

// --- a flood of ">" after a menu prompt ----------------------------------------

void gtFlood(const Options& o)
{
    const double ratio = gtFloodVsLetters(qsizetype(o.gtFloodMb * 1e6), o.block, o.repeat);
    print("gt-flood-vs-letters", ratio, "x");
}

// --- big grids -------------------------------------------------------------------

void bigGrids(const Options& o)
{
    constexpr int kTimes = 30;
    BenchRig rig(shownTerminal());
    TrafficGenerator traffic(13);
    auto grow = [&](qint64 rows) {
        QByteArray bytes;
        while (rig.terminalModel().rowCount() < rows) {
            bytes.resize(0);
            traffic.generateLines(bytes, std::min<qint64>(5000, rows - rig.terminalModel().rowCount() + 1));
            rig.receiveAll(bytes, o.block);
            QCoreApplication::processEvents();
        }
    };
    auto both = [&](double out[2]) {
        rig.dialogue().switchScreen(Screen::Terminal);
        QCoreApplication::processEvents();
        out[0] = medianAppendRepaint(rig, rig.terminalView(), traffic, o.block, kTimes);
        rig.dialogue().switchScreen(Screen::Chat);
        QCoreApplication::processEvents();
        out[1] = medianAppendRepaint(rig, rig.chatView(), traffic, o.block, kTimes);
    };
    double small[2], big[2];
    grow(1000);
    both(small);
    grow(o.gridRows);
    both(big);
    const std::string rows = std::to_string(o.gridRows);
    print("terminal-append-repaint-1000-rows", small[0] * 1e3, "ms");
    print(("terminal-append-repaint-" + rows + "-rows").c_str(), big[0] * 1e3, "ms");
    print("terminal-append-repaint-ratio", big[0] / small[0], "x");
    print("chat-append-repaint-1000-rows", small[1] * 1e3, "ms");
    print(("chat-append-repaint-" + std::to_string(rig.chatModel().rowCount()) + "-rows").c_str(),
          big[1] * 1e3, "ms");
    print("chat-append-repaint-ratio", big[1] / small[1], "x");
}

// --- prompt replies over loopback --------------------------------------------------

void latency(const Options& o)
{
    const std::vector<double> t = measurePromptLatency(o.prompts);
    print("prompt-replies", double(t.size()), "prompts");
    print("prompt-reply-median", Measure::median(t) * 1e3, "ms");
    print("prompt-reply-p99", Measure::percentile(t, 99) * 1e3, "ms");
}

// --- find over the history -------------------------------------------------------

void find(const Options& o)
{
    findInHistory(o.lines, o.block, o.repeat);
}

// --- the whole client on screen, over loopback ------------------------------------

void screenIngest(const Options& o)
{
    std::vector<double> wall, work;
    ScreenIngest last;
    for (int r = 0; r < o.repeat; ++r) {
        last = measureScreenIngest(o.screenMb);
        if (last.seconds <= 0) {
            Measure::note("screen-ingest: the last line was never shown");
            return;
        }
        wall.push_back(mbPerSecond(qsizetype(last.bytes), last.seconds));
        work.push_back(mbPerSecond(qsizetype(last.bytes), last.workSeconds));
    }
    print("screen-ingest-bytes", last.bytes / 1e6, "MB");
    print("screen-ingest-rows", last.rows, "rows");
    // Wall time from the board's first byte to the last line painted; on a
    // shared machine it counts the neighbours too.
    print("screen-ingest-wall", Measure::median(wall), "MB/s");
    // The client thread's work over the same span, timed like the pipeline.
    const double figure = Measure::median(Measure::useWallClock() ? wall : work);
    print("screen-ingest", figure, "MB/s");
    if (o.pipelineFigure > 0)
        print("screen-ingest-vs-pipeline", figure / o.pipelineFigure, "");
}

void screenTyping(const Options& o)
{
    constexpr int kIntervalMs = 20;
    const TypingDuringFlood t = measureTypingDuringFlood(o.typingRounds, kIntervalMs);
    if (t.rounds == 0) {
        Measure::note("typing during a flood: the client never reached the chat room");
        return;
    }
    print("typing-flood-rate", t.floodMbps, "MB/s");
    print("typing-lines-lost", double(t.lost), "lines");
    print("typing-shown-during-flood-median", Measure::median(t.shown) * 1e3, "ms");
    print("typing-shown-during-flood-p99", Measure::percentile(t.shown, 99) * 1e3, "ms");
    print("typing-latency-during-flood-median", Measure::median(t.enter) * 1e3, "ms");
    print("typing-latency-during-flood-p99", Measure::percentile(t.enter, 99) * 1e3, "ms");
}

// The decode and pipeline figures; returns the pipeline's speed over the
// platform decoder's, printed last.
double decodeAndPipeline(Options& o)
{
    TrafficGenerator traffic(3);
    QByteArray bytes;
    traffic.generate(bytes, qsizetype(o.mb * 1e6));
    print("traffic", double(bytes.size()) / 1e6, "MB");
    print("traffic-lines", double(traffic.lines()), "lines");
    // The same board with a command pending: the log-in, then chat lines only.
    TrafficGenerator pendingTraffic(3);
    QByteArray logIn, rest;
    pendingTraffic.generateLines(logIn, 1);
    pendingTraffic.setMenuExcursions(false);
    pendingTraffic.generate(rest, qsizetype(o.mb * 1e6));
    constexpr size_t kStates = std::size(kPendingStates);
    std::vector<double> ours, icu, whole, pending[kStates];
    qint64 chatRows = 0;
    // Interleaved, so that a noisy neighbour slows all figures alike.
    for (int r = 0; r < o.repeat; ++r) {
        ours.push_back(decodeOurs(bytes, o.block));
        icu.push_back(decodeIcu(bytes, o.block));
        whole.push_back(pipeline(bytes, o.block, &chatRows));
        for (size_t s = 0; s < kStates; ++s)
            pending[s].push_back(pipelinePending(logIn, rest, o.block, kPendingStates[s]));
    }
    print("decode-ours", Measure::median(ours), "MB/s");
    print("decode-icu", Measure::median(icu), "MB/s");
    print("pipeline-chat-rows", double(chatRows), "rows");
    print("pipeline", Measure::median(whole), "MB/s");
    o.pipelineFigure = Measure::median(whole);
    double slowestPending = 0;
    for (size_t s = 0; s < kStates; ++s) {
        const double figure = Measure::median(pending[s]);
        print(("pipeline-pending-" + std::string(kPendingStates[s].name)).c_str(), figure, "MB/s");
        slowestPending = s == 0 ? figure : std::min(slowestPending, figure);
    }
    print("pipeline-pending", slowestPending, "MB/s");
    // The slower of the idle and the pending pipeline.
    return std::min(Measure::median(whole), slowestPending) / Measure::median(icu);
}

// The parts after the pipeline, in the order they run.
struct Part {
    const char* name;
    void (*run)(const Options&);
};
constexpr Part kLaterParts[] = {
    {"long-line", longLine},        {"gt-flood", gtFlood}, {"grids", bigGrids},
    {"latency", latency},           {"find", find},        {"screen-ingest", screenIngest},
    {"screen-typing", screenTyping}};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Options o;
    if (!parse(argc, argv, o))
        return 2;

    Measure::note(Measure::useWallClock() ? "work timed by the wall clock"
                                          : "work timed by the thread's CPU clock (--wall for wall time)");
    // "--only screen" runs both screen parts.
    const auto wanted = [&](const std::string& part) {
        return o.only.empty() || o.only == part || (o.only == "screen" && part.starts_with("screen-"));
    };
    double unlimitedCost = 0;
    if (wanted("history"))
        unlimitedCost = history(o);
    if (wanted("history-limit"))
        historyLimit(o, unlimitedCost);
    const bool withPipeline = wanted("pipeline");
    const double pipelineVsDecode = withPipeline ? decodeAndPipeline(o) : 0;
    for (const Part& part : kLaterParts) {
        if (wanted(part.name))
            part.run(o);
    }
    if (withPipeline)
        print("pipeline-vs-decode", pipelineVsDecode, "");
    return 0;
}
