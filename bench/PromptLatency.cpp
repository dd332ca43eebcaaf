#include "PromptLatency.h"

#include <QEventLoop>
#include <QTimer>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "BenchRig.h"
#include "Loopback.h"
#include "Measure.h"
#include "common/QtTimeSource.h"
#include "controls/qt/QtTelnetSocket.h"

namespace {

// The chat line before each prompt keeps the block from being the prompt alone.
constexpr char kPreamble[] = "\x89\xd4\x8e\x71>\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd hello\r\nUser ID ";
constexpr int kWarmUp = 20;

// Reads until the reply's CR LF has arrived.
bool readReply(int fd)
{
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        if (std::memchr(buffer, '\n', size_t(n)))
            return true;
    }
}

void playBoard(int listenFd, int prompts, std::vector<double>& latencies, std::atomic<bool>& done)
{
    const int fd = ::accept(listenFd, nullptr, nullptr);
    if (fd >= 0) {
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        for (int round = 0; round < prompts + kWarmUp; ++round) {
            if (!Loopback::writeAll(fd, kPreamble, sizeof kPreamble - 1))
                break;
            // Let the client take the prompt's text before its closing byte.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            const auto start = Measure::Clock::now();
            if (!Loopback::writeAll(fd, "=", 1) || !readReply(fd))
                break;
            if (round >= kWarmUp)
                latencies.push_back(Measure::secondsSince(start));
            if (!Loopback::writeAll(fd, "\r\n", 2))
                break;
        }
        ::close(fd);
    }
    done = true;
}

}  // namespace

std::vector<double> measurePromptLatency(int prompts)
{
    int port = 0;
    const int listenFd = Loopback::listen(port);
    if (listenFd < 0)
        return {};
    std::vector<double> latencies;
    std::atomic<bool> done = false;
    std::thread board(playBoard, listenFd, prompts, std::ref(latencies), std::ref(done));

    QtTimeSource time;
    QtTelnetSocket socket(time);
    BenchRig::Options options;
    options.views = true;
    options.socket = &socket;
    options.host = QStringLiteral("127.0.0.1");
    options.port = port;
    BenchRig rig(options);

    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done)
            loop.quit();
    });
    poll.start(20);
    loop.exec();
    board.join();
    ::close(listenFd);
    return latencies;
}
