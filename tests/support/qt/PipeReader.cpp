#include "support/qt/PipeReader.h"

#include <QObject>
#include <QProcess>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include "support/qt/EventWait.h"

PipeReader::PipeReader()
{
    // Only the read end is non-blocking: the write end may be a child's
    // standard output, and the flag would reach the child with it.
    if (::pipe2(fds_, O_CLOEXEC) != 0)
        fds_[0] = fds_[1] = -1;
    else
        ::fcntl(fds_[0], F_SETFL, O_NONBLOCK);
}

PipeReader::~PipeReader()
{
    for (int fd : fds_)
        if (fd >= 0)
            ::close(fd);
}

void PipeReader::attachStandardOutput(QProcess& process)
{
    const int writeEnd = fds_[1];
    process.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, STDOUT_FILENO); });
}

void PipeReader::closeWriteEnd()
{
    if (fds_[1] >= 0)
        ::close(fds_[1]);
    fds_[1] = -1;
}

bool PipeReader::readUntil(const std::function<bool(const QByteArray&)>& done, int capMs)
{
    QSocketNotifier notifier(fds_[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [this] {
        char buffer[65536];
        ssize_t size;
        while ((size = ::read(fds_[0], buffer, sizeof buffer)) > 0)
            read_.append(buffer, size);
    });
    return waitUntil([&] { return done(read_); }, capMs);
}

bool PipeReader::readUntilContains(const QByteArray& needle, int capMs)
{
    return readUntil([&needle](const QByteArray& read) { return read.contains(needle); }, capMs);
}
