#pragma once

#include <QByteArray>

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "Measure.h"

// The board side of a flood over loopback TCP, on a thread of its own:
// accepts one client, writes `head` once and then `body` (once, or over and
// over until stop()) as fast as the socket takes it, and meanwhile reads what
// the client sends, noting when each typed line "t<n>e" arrived.
class FloodBoard {
public:
    FloodBoard();
    ~FloodBoard();
    Q_DISABLE_COPY_MOVE(FloodBoard)

    // 0 when no loopback socket could be made.
    int port() const { return port_; }
    void start(QByteArray head, QByteArray body, bool repeat);
    // Ends the flood and closes the connection.
    void stop();

    // When the first byte was written; nullopt before that.
    std::optional<Measure::Clock::time_point> firstWrite() const;
    qint64 bytesWritten() const { return written_; }
    // Everything written (a flood played once).
    bool finished() const { return finished_; }
    // When the line "t<n>e" arrived.
    std::optional<Measure::Clock::time_point> arrival(int n) const;

    // The number in a typed line ("t12e" is 12); -1 for any other line.
    static int typedLineNumber(QByteArrayView line);
    static QByteArray typedLine(int n);

private:
    void play(int fd);
    bool writeSome(int fd);
    void takeLines(const char* data, qsizetype size);

    int listenFd_ = -1;
    int port_ = 0;
    QByteArray head_, body_;
    bool repeat_ = false;
    qsizetype at_ = 0;  // into the part being written
    bool inBody_ = false;
    QByteArray inbox_;  // the client's unfinished line
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::atomic<bool> finished_ = false;
    std::atomic<qint64> written_ = 0;
    mutable std::mutex mutex_;
    std::optional<Measure::Clock::time_point> firstWrite_;
    std::map<int, Measure::Clock::time_point> arrivals_;
};
