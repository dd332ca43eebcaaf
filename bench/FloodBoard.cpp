#include "FloodBoard.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "Loopback.h"

namespace {

constexpr int kPollMs = 20;

}  // namespace

FloodBoard::FloodBoard()
{
    listenFd_ = Loopback::listen(port_);
    if (listenFd_ < 0)
        port_ = 0;
}

FloodBoard::~FloodBoard()
{
    stop();
    if (listenFd_ >= 0)
        ::close(listenFd_);
}

void FloodBoard::start(QByteArray head, QByteArray body, bool repeat)
{
    if (listenFd_ < 0 || thread_.joinable())
        return;
    head_ = std::move(head);
    body_ = std::move(body);
    repeat_ = repeat && !body_.isEmpty();
    thread_ = std::thread([this] {
        // The client may never come: stop() must not wait on accept().
        pollfd waiting{listenFd_, POLLIN, 0};
        int ready = 0;
        while (!stop_ && ready == 0)
            ready = ::poll(&waiting, 1, kPollMs);
        const int fd = stop_ || ready < 0 ? -1 : ::accept(listenFd_, nullptr, nullptr);
        if (fd >= 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            play(fd);
            ::close(fd);
        }
    });
}

void FloodBoard::stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void FloodBoard::play(int fd)
{
    char buffer[4096];
    while (!stop_) {
        pollfd p{fd, short(POLLIN | (finished_ ? 0 : POLLOUT)), 0};
        if (::poll(&p, 1, kPollMs) < 0 && errno != EINTR)
            return;
        if (p.revents & POLLIN) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
                return;
            if (n > 0)
                takeLines(buffer, n);
        }
        if ((p.revents & POLLOUT) && !writeSome(fd))
            return;
        if (p.revents & (POLLERR | POLLHUP))
            return;
    }
}

// Writes what the socket takes now; false when the client is gone.
bool FloodBoard::writeSome(int fd)
{
    const QByteArray& part = inBody_ ? body_ : head_;
    if (at_ < part.size()) {
        const ssize_t n = ::write(fd, part.constData() + at_, size_t(part.size() - at_));
        if (n < 0)
            return errno == EAGAIN || errno == EINTR;
        if (n > 0 && written_ == 0) {
            const std::lock_guard lock(mutex_);
            firstWrite_ = Measure::Clock::now();
        }
        at_ += n;
        written_ += n;
    }
    if (at_ >= part.size()) {
        at_ = 0;
        if (!inBody_)
            inBody_ = true;
        else if (!repeat_)
            finished_ = true;
        if (inBody_ && body_.isEmpty())
            finished_ = true;
    }
    return true;
}

void FloodBoard::takeLines(const char* data, qsizetype size)
{
    const auto now = Measure::Clock::now();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n') {
            inbox_.append(c);
            continue;
        }
        const int n = typedLineNumber(inbox_);
        inbox_.clear();
        if (n >= 0) {
            const std::lock_guard lock(mutex_);
            arrivals_.try_emplace(n, now);
        }
    }
}

std::optional<Measure::Clock::time_point> FloodBoard::firstWrite() const
{
    const std::lock_guard lock(mutex_);
    return firstWrite_;
}

std::optional<Measure::Clock::time_point> FloodBoard::arrival(int n) const
{
    const std::lock_guard lock(mutex_);
    const auto found = arrivals_.find(n);
    if (found == arrivals_.end())
        return std::nullopt;
    return found->second;
}

int FloodBoard::typedLineNumber(QByteArrayView line)
{
    if (line.size() < 3 || line.front() != 't' || line.back() != 'e' || line.size() > 11)
        return -1;
    int n = 0;
    for (const char c : line.sliced(1, line.size() - 2)) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

QByteArray FloodBoard::typedLine(int n)
{
    return 't' + QByteArray::number(n) + 'e';
}
