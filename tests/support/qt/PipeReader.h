#pragma once

#include <QByteArray>

#include <functional>

class QProcess;

// A pipe that the test reads only when it chooses to, in readUntil(): until
// then what is written waits in the pipe, and a writer that fills it finds
// it full.
class PipeReader {
public:
    PipeReader();
    ~PipeReader();
    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;

    // -1 when the pipe could not be made.
    int writeEnd() const { return fds_[1]; }
    // Standard output of `process`, once started, goes into the pipe.
    void attachStandardOutput(QProcess& process);
    // Closes this side's copy of the write end: the pipe then ends when the
    // writers it was handed to close theirs.
    void closeWriteEnd();

    // Runs the event loop, reading, until `done` holds for everything read
    // so far; false when `capMs` ran out first.
    bool readUntil(const std::function<bool(const QByteArray&)>& done, int capMs = 60000);
    bool readUntilContains(const QByteArray& needle, int capMs = 60000);
    const QByteArray& read() const { return read_; }

private:
    int fds_[2] = {-1, -1};
    QByteArray read_;
};
