#include "support/qt/TelnetDaemonHost.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QTcpServer>

#include <cerrno>
#include <functional>
#include <utility>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Hands each accepted connection's descriptor over as it is, for a
// program that is not Qt to own.
class DescriptorServer : public QTcpServer {
public:
    explicit DescriptorServer(std::function<void(int)> take) : take_(std::move(take)) {}

protected:
    void incomingConnection(qintptr descriptor) override { take_(int(descriptor)); }

private:
    std::function<void(int)> take_;
};

}  // namespace

TelnetDaemonHost::TelnetDaemonHost(const QString& boardProgram, const QStringList& boardArguments)
{
    command_ = (QStringList{boardProgram, QStringLiteral("--stdio")} + boardArguments).join(u' ');
    if (!QFileInfo(QString::fromLatin1(kDaemon)).isExecutable()) {
        reason_ = QStringLiteral("%1 is not installed (Debian package inetutils-telnetd)").arg(kDaemon);
        return;
    }
    if (!QFileInfo(boardProgram).isExecutable()) {
        reason_ = QStringLiteral("no board program at ") + boardProgram;
        return;
    }
    // The daemon splits its program's command line at spaces.
    if (boardProgram.contains(u' ')) {
        reason_ = QStringLiteral("the board's path holds a space: ") + boardProgram;
        return;
    }
    server_ = std::make_unique<DescriptorServer>([this](int fd) {
        if (isAvailable())
            startDaemon(fd);
        // The daemon holds its own copy of the socket.
        ::close(fd);
    });
    if (!server_->listen(QHostAddress::LocalHost, 0))
        reason_ = QStringLiteral("cannot listen on 127.0.0.1: ") + server_->errorString();
}

TelnetDaemonHost::~TelnetDaemonHost()
{
    // The board under each daemon sees its terminal hang up and ends.
    for (pid_t child : children_) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
}

quint16 TelnetDaemonHost::port() const
{
    return server_ ? server_->serverPort() : 0;
}

// fork and exec with the socket as fds 0, 1 and 2, as inetd starts the
// daemon. A pipe closed on exec tells whether the exec worked.
void TelnetDaemonHost::startDaemon(int socketFd)
{
    const QByteArray command = command_.toLocal8Bit();
    char* const argv[] = {const_cast<char*>("telnetd"), const_cast<char*>("-h"), const_cast<char*>("-E"),
                          const_cast<char*>(command.constData()), nullptr};
    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0) {
        reason_ = QStringLiteral("pipe: ") + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGPIPE, SIG_DFL);
        for (int fd = 0; fd < 3; ++fd)
            ::dup2(socketFd, fd);
        ::execv(kDaemon, argv);
        const int error = errno;
        (void)!::write(status[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(status[1]);
    int error = 0;
    const bool failed = child < 0 || ::read(status[0], &error, sizeof error) == ssize_t(sizeof error);
    ::close(status[0]);
    if (child < 0) {
        reason_ = QStringLiteral("fork: ") + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    children_.push_back(child);
    if (failed)
        reason_ =
            QStringLiteral("cannot start %1: %2").arg(kDaemon, QString::fromLocal8Bit(std::strerror(error)));
}
