#include "StdioLink.h"

#include <QSocketNotifier>

#include <cerrno>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "BoardConnection.h"

namespace {

constexpr int kReadPiece = 4096;

}  // namespace

StdioLink::StdioLink(BoardConnection& connection, int inFd, int outFd, QObject* parent)
    : QObject(parent), connection_(connection), inFd_(inFd), outFd_(outFd),
      notifier_(new QSocketNotifier(inFd, QSocketNotifier::Read, this))
{
    if (::isatty(inFd_)) {
        savedTerminal_ = std::make_unique<termios>();
        if (::tcgetattr(inFd_, savedTerminal_.get()) == 0) {
            termios raw = *savedTerminal_;
            ::cfmakeraw(&raw);
            ::tcsetattr(inFd_, TCSANOW, &raw);
        } else {
            savedTerminal_.reset();
        }
    }
    connect(notifier_, &QSocketNotifier::activated, this, &StdioLink::readInput);
    connection_.onSend = [this](const QByteArray& bytes) { writeAll(bytes); };
    connection_.onClose = [this] { finish(); };
}

StdioLink::~StdioLink()
{
    if (savedTerminal_)
        ::tcsetattr(inFd_, TCSADRAIN, savedTerminal_.get());
}

void StdioLink::start()
{
    connection_.start();
}

void StdioLink::readInput()
{
    char buffer[kReadPiece];
    const ssize_t size = ::read(inFd_, buffer, sizeof buffer);
    if (size < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (size <= 0) {
        finish();
        return;
    }
    connection_.receive(QByteArray(buffer, size));
}

// Blocking: one user, and the daemon or pipe on the other side reads.
void StdioLink::writeAll(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size() && !finished_) {
        const ssize_t written = ::write(outFd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (written >= 0) {
            done += written;
        } else if (errno == EAGAIN) {
            pollfd out{outFd_, POLLOUT, 0};
            ::poll(&out, 1, -1);
        } else if (errno != EINTR) {
            finish();
        }
    }
}

void StdioLink::finish()
{
    if (finished_)
        return;
    finished_ = true;
    notifier_->setEnabled(false);
    emit finished();
}
