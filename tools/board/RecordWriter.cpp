#include "RecordWriter.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

RecordWriter::RecordWriter(int fd, qsizetype capacity, QObject* parent)
    : QObject(parent), fd_(fd),
      // A terminal is read by a person and shared with the shell, which
      // must not be left non-blocking; it is written as it is.
      originalFlags_(::isatty(fd) ? -1 : ::fcntl(fd, F_GETFL)), capacity_(capacity),
      notifier_(new QSocketNotifier(fd, QSocketNotifier::Write, this))
{
    if (originalFlags_ >= 0)
        ::fcntl(fd_, F_SETFL, originalFlags_ | O_NONBLOCK);
    notifier_->setEnabled(false);
    connect(notifier_, &QSocketNotifier::activated, this, &RecordWriter::drain);
}

RecordWriter::~RecordWriter()
{
    if (originalFlags_ >= 0)
        ::fcntl(fd_, F_SETFL, originalFlags_);
}

void RecordWriter::writeLine(const QByteArray& line)
{
    // Once a line is dropped, all are until the queue is empty, so the
    // count comes right after the last line that was kept.
    if (dropped_ > 0 || queuedBytes() + line.size() + 1 > capacity_) {
        ++dropped_;
        drain();
        return;
    }
    queue_ += line;
    queue_ += '\n';
    drain();
}

void RecordWriter::drain()
{
    while (!failed_) {
        if (queuedBytes() == 0 && dropped_ > 0) {
            queue_ = "record lines dropped: " + QByteArray::number(dropped_) + '\n';
            queueFrom_ = 0;
            dropped_ = 0;
        }
        if (queuedBytes() == 0)
            break;
        const ssize_t written = ::write(fd_, queue_.constData() + queueFrom_, size_t(queuedBytes()));
        if (written < 0) {
            // A reader that went away cannot be written to again; the board
            // goes on serving.
            failed_ = errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
            break;
        }
        queueFrom_ += written;
    }
    if (queuedBytes() == 0 || failed_) {
        queue_.clear();
        queueFrom_ = 0;
    }
    notifier_->setEnabled(queuedBytes() > 0);
}
