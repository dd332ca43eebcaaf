#include "controls/qt/QtTelnetSocket.h"

#include <QHostInfo>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QMetaObject>

namespace {

QString connectFailure(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral(u"接続が拒否されました");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral(u"ホストが見つかりません");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral(u"接続がタイムアウトしました");
    case QAbstractSocket::NetworkError:
        return QStringLiteral(u"ネットワークに接続できません");
    default:
        return QStringLiteral(u"接続できませんでした");
    }
}

}  // namespace

class QtTelnetSocket::CallScope {
public:
    explicit CallScope(QtTelnetSocket& socket) : socket_(socket) { ++socket_.callDepth_; }
    ~CallScope() { --socket_.callDepth_; }

private:
    QtTelnetSocket& socket_;
};

QtTelnetSocket::QtTelnetSocket(TimeSource& time) : connectTimer_(time.createTimer())
{
    connectTimer_->onTimeout = [this] { onConnectTimeLimit(); };
    QObject::connect(&socket_, &QTcpSocket::connected, &socket_, [this] { onConnected(); });
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] { onReadyRead(); });
    QObject::connect(&socket_, &QTcpSocket::disconnected, &socket_, [this] { onDisconnected(); });
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, &socket_,
                     [this](QAbstractSocket::SocketError error) { onSocketError(error); });
}

QtTelnetSocket::~QtTelnetSocket()
{
    // The socket outlives the timer among the members and reports its own
    // teardown; nothing may reach this half-destroyed object.
    QObject::disconnect(&socket_, nullptr, &socket_, nullptr);
    dropPendingConnect(true);
    socket_.abort();
}

void QtTelnetSocket::setRemoteHost(const QString& host)
{
    host_ = host;
}

void QtTelnetSocket::setRemotePort(qint32 port)
{
    port_ = port;
}

void QtTelnetSocket::connectToRemote()
{
    CallScope scope(*this);
    releaseSocket();
    ++attempt_;
    endTold_ = false;
    phase_ = Phase::Connecting;
    connectTimer_->startOnce(kConnectTimeLimitMs);
    const QString host = host_.trimmed();
    if (port_ < 1 || port_ > 65535) {
        failConnect(QStringLiteral(u"ポート番号が正しくありません"));
        return;
    }
    if (host.isEmpty()) {
        failConnect(connectFailure(QAbstractSocket::HostNotFoundError));
        return;
    }
    // Addresses are tried one by one here rather than by QTcpSocket, which
    // also moves on after a host that accepted and reset at once: one
    // attempt must make one connection.
    if (QHostAddress literal; literal.setAddress(host)) {
        addresses_ = {literal};
        nextAddress_ = 0;
        connectNext();
        return;
    }
    const quint64 attempt = attempt_;
    lookupId_ = QHostInfo::lookupHost(host, &socket_, [this, attempt](const QHostInfo& info) {
        if (attempt == attempt_)
            onHostFound(info);
    });
}

void QtTelnetSocket::onHostFound(const QHostInfo& info)
{
    lookupId_ = -1;
    if (phase_ != Phase::Connecting)
        return;
    addresses_ = info.addresses();
    nextAddress_ = 0;
    if (info.error() != QHostInfo::NoError || addresses_.isEmpty()) {
        failConnect(connectFailure(QAbstractSocket::HostNotFoundError));
        return;
    }
    connectNext();
}

// The connection is made on a socket of our own and handed to QTcpSocket
// once it stands: QTcpSocket calls connect() again on a socket that the host
// reset while it was connecting, and so connects over and over to a host
// that accepts and resets at once.
void QtTelnetSocket::connectNext()
{
    const QHostAddress& address = addresses_[nextAddress_++];
    sockaddr_storage target{};
    socklen_t length = 0;
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&target);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(quint16(port_));
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &bytes, sizeof bytes);
        length = sizeof(sockaddr_in6);
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&target);
        in4->sin_family = AF_INET;
        in4->sin_port = htons(quint16(port_));
        in4->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof(sockaddr_in);
    }
    const int fd = ::socket(target.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        connectFailed(errno);
        return;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&target), length) == 0) {
        adopt(fd);
        return;
    }
    if (errno != EINPROGRESS) {
        const int error = errno;
        ::close(fd);
        connectFailed(error);
        return;
    }
    pendingFd_ = fd;
    connectNotifier_ = std::make_unique<QSocketNotifier>(qintptr(fd), QSocketNotifier::Write);
    QObject::connect(connectNotifier_.get(), &QSocketNotifier::activated, &socket_,
                     [this] { connectSettled(); });
}

void QtTelnetSocket::connectSettled()
{
    const int fd = pendingFd_;
    dropPendingConnect(false);
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = errno;
    if (error == 0) {
        adopt(fd);
        return;
    }
    ::close(fd);
    connectFailed(error);
}

void QtTelnetSocket::adopt(int fd)
{
    if (!socket_.setSocketDescriptor(qintptr(fd), QAbstractSocket::ConnectedState)) {
        ::close(fd);
        failConnect(connectFailure(QAbstractSocket::UnknownSocketError));
        return;
    }
    onConnected();
}

// Only where no connection was made is the next address tried.
void QtTelnetSocket::connectFailed(int error)
{
    const bool noConnection = error == ECONNREFUSED || error == ENETUNREACH || error == EHOSTUNREACH ||
                              error == EADDRNOTAVAIL || error == EAFNOSUPPORT;
    if (noConnection && nextAddress_ < addresses_.size()) {
        connectNext();
        return;
    }
    switch (error) {
    case ECONNREFUSED:
        failConnect(connectFailure(QAbstractSocket::ConnectionRefusedError));
        return;
    case ETIMEDOUT:
        failConnect(connectFailure(QAbstractSocket::SocketTimeoutError));
        return;
    case ENETUNREACH:
    case EHOSTUNREACH:
        failConnect(connectFailure(QAbstractSocket::NetworkError));
        return;
    default:
        failConnect(QString::fromLocal8Bit(std::strerror(error)));
        return;
    }
}

void QtTelnetSocket::dropPendingConnect(bool closeSocket)
{
    connectNotifier_.reset();
    if (closeSocket && pendingFd_ >= 0)
        ::close(pendingFd_);
    pendingFd_ = -1;
}

TelnetSocket::State QtTelnetSocket::state() const
{
    switch (phase_) {
    case Phase::Idle:
        return Closed;
    case Phase::Connecting:
        return lookupId_ >= 0 ? ResolvingHost : Connecting;
    case Phase::Connected:
        return Connected;
    case Phase::HostClosed:
        return Closing;
    }
    return Closed;
}

void QtTelnetSocket::close()
{
    CallScope scope(*this);
    // Our own close owes the listener nothing; an end the host caused and
    // that is not yet told still is.
    if (phase_ != Phase::HostClosed)
        endTold_ = true;
    releaseSocket();
}

void QtTelnetSocket::sendData(const QString& text)
{
    CallScope scope(*this);
    if (phase_ != Phase::Connected)
        return;
    const Cp932::Encoded encoded = Cp932::encode(text);
    socket_.write(encoded.bytes);
    // A reply should leave now, not after the rest of a long received block.
    socket_.flush();
    if (!encoded.exact)
        notify([this] {
            if (listener_)
                listener_->onSendInexact();
        });
}

void QtTelnetSocket::sendBytes(QByteArrayView bytes)
{
    CallScope scope(*this);
    if (phase_ != Phase::Connected)
        return;
    socket_.write(bytes.data(), bytes.size());
    socket_.flush();
}

qint64 QtTelnetSocket::unsentBytes() const
{
    return phase_ == Phase::Connected ? socket_.bytesToWrite() : 0;
}

void QtTelnetSocket::onConnected()
{
    if (releasing_ || phase_ != Phase::Connecting)
        return;
    connectTimer_->stop();
    phase_ = Phase::Connected;
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    notify([this] {
        if (listener_)
            listener_->onConnected();
    });
}

void QtTelnetSocket::onReadyRead()
{
    if (releasing_ || phase_ != Phase::Connected)
        return;
    if (callDepth_ > 0) {
        // Taken when the call that raised it has returned.
        const quint64 attempt = attempt_;
        QMetaObject::invokeMethod(
            &socket_,
            [this, attempt] {
                if (attempt == attempt_)
                    onReadyRead();
            },
            Qt::QueuedConnection);
        return;
    }
    deliverWaitingBytes();
}

// Bytes go to the listener straight from the socket's buffer, one block per
// call; the listener may close the connection in between.
void QtTelnetSocket::deliverWaitingBytes()
{
    const quint64 attempt = attempt_;
    while (attempt == attempt_ && socket_.bytesAvailable() > 0) {
        const QByteArray block = socket_.read(socket_.bytesAvailable());
        if (!listener_)
            return;
        CallScope scope(*this);
        listener_->onBytesReceived(block);
    }
}

void QtTelnetSocket::onDisconnected()
{
    if (releasing_)
        return;
    if (phase_ == Phase::Connected)
        endedByHost();
    else if (phase_ == Phase::Connecting)
        failConnect(connectFailure(QAbstractSocket::UnknownSocketError));
}

void QtTelnetSocket::onSocketError(QAbstractSocket::SocketError error)
{
    if (releasing_)
        return;
    if (phase_ == Phase::Connecting) {
        failConnect(connectFailure(error));
        return;
    }
    // Any error on a working connection (reset by the peer, a failed write)
    // ends it as the host's close does.
    if (phase_ == Phase::Connected && error != QAbstractSocket::SocketTimeoutError)
        endedByHost();
}

void QtTelnetSocket::onConnectTimeLimit()
{
    if (phase_ == Phase::Connecting)
        failConnect(connectFailure(QAbstractSocket::SocketTimeoutError));
}

void QtTelnetSocket::failConnect(const QString& why)
{
    const QString reason = why + QStringLiteral(u" (") + target() + u')';
    endTold_ = true;
    releaseSocket();
    notify([this, reason] {
        if (listener_)
            listener_->onConnectFailed(reason);
    });
}

void QtTelnetSocket::endedByHost()
{
    if (phase_ != Phase::Connected)
        return;
    // Whatever the host sent last is delivered before the close.
    if (callDepth_ == 0) {
        deliverWaitingBytes();
        if (phase_ != Phase::Connected)
            return;  // the listener closed the connection meanwhile
    } else if (const QByteArray rest = socket_.readAll(); !rest.isEmpty()) {
        notify([this, rest] {
            if (listener_)
                listener_->onBytesReceived(rest);
        });
    }
    phase_ = Phase::HostClosed;
    notify([this] {
        if (listener_ && !endTold_) {
            endTold_ = true;
            listener_->onCloseByHost();
        }
    });
}

void QtTelnetSocket::releaseSocket()
{
    if (lookupId_ >= 0)
        QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
    addresses_.clear();
    dropPendingConnect(true);
    connectTimer_->stop();
    releasing_ = true;
    socket_.abort();
    releasing_ = false;
    phase_ = Phase::Idle;
}

void QtTelnetSocket::notify(std::function<void()> call)
{
    if (callDepth_ == 0) {
        call();
        return;
    }
    const quint64 attempt = attempt_;
    QMetaObject::invokeMethod(
        &socket_,
        [this, attempt, call = std::move(call)] {
            if (attempt == attempt_)
                call();
        },
        Qt::QueuedConnection);
}

QString QtTelnetSocket::target() const
{
    const QString host = host_.trimmed();
    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    return shown + u':' + QString::number(port_);
}
