#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// Lines for a reader that may fall behind or never read (the record on
// standard output): written without ever blocking, through a bounded queue.
// When the queue is full, lines are dropped until it has drained; then one
// line "record lines dropped: <count>" says how many, and writing goes on.
class RecordWriter : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kDefaultCapacity = 1 << 20;

    // Sets `fd` non-blocking for the writer's life, unless it is a terminal.
    explicit RecordWriter(int fd, qsizetype capacity = kDefaultCapacity, QObject* parent = nullptr);
    ~RecordWriter() override;

    // `line` without its line end.
    void writeLine(const QByteArray& line);

    qsizetype queuedBytes() const { return queue_.size() - queueFrom_; }
    qint64 droppedLines() const { return dropped_; }

private:
    void drain();

    int fd_;
    int originalFlags_;
    qsizetype capacity_;
    QSocketNotifier* notifier_;
    QByteArray queue_;
    qsizetype queueFrom_ = 0;
    qint64 dropped_ = 0;
    bool failed_ = false;
};
