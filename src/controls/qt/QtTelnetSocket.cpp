#include "controls/qt/QtTelnetSocket.h"

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
    connecting_ = true;
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
    socket_.connectToHost(host, quint16(port_));
}

int QtTelnetSocket::state() const
{
    if (hostClosed_)
        return Closing;
    if (connected_)
        return Connected;
    if (!connecting_)
        return Closed;
    return socket_.state() == QAbstractSocket::HostLookupState ? ResolvingHost : Connecting;
}

void QtTelnetSocket::close()
{
    CallScope scope(*this);
    releaseSocket();
}

void QtTelnetSocket::sendData(const QString& text)
{
    CallScope scope(*this);
    if (!connected_)
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

QString QtTelnetSocket::getData()
{
    CallScope scope(*this);
    QString text = std::move(tail_);
    tail_ = QString();
    const qint64 waiting = socket_.bytesAvailable();
    if (waiting > 0)
        decoder_.decode(socket_.read(waiting), text);
    return text;
}

void QtTelnetSocket::onConnected()
{
    if (releasing_ || !connecting_)
        return;
    connectTimer_->stop();
    connecting_ = false;
    connected_ = true;
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

void QtTelnetSocket::onReadyRead()
{
    if (releasing_ || !connected_)
        return;
    notify([this] {
        if (listener_)
            listener_->onDataArrival();
    });
}

void QtTelnetSocket::onDisconnected()
{
    if (releasing_)
        return;
    if (connected_)
        closedByHost();
    else if (connecting_)
        failConnect(connectFailure(QAbstractSocket::UnknownSocketError));
}

void QtTelnetSocket::onSocketError(QAbstractSocket::SocketError error)
{
    if (releasing_)
        return;
    if (connecting_) {
        failConnect(connectFailure(error));
        return;
    }
    if (!connected_)
        return;
    // An error on a working connection (reset by the peer...) ends it like the
    // host's close. Qt normally follows with disconnected(); look again once
    // it has finished, in case it did not.
    const quint64 generation = generation_;
    QMetaObject::invokeMethod(
        &socket_,
        [this, generation] {
            if (generation == generation_ && connected_ && socket_.state() != QAbstractSocket::ConnectedState)
                closedByHost();
        },
        Qt::QueuedConnection);
}

void QtTelnetSocket::onConnectTimeLimit()
{
    if (connecting_)
        failConnect(connectFailure(QAbstractSocket::SocketTimeoutError));
}

void QtTelnetSocket::failConnect(const QString& why)
{
    const QString reason = why + QStringLiteral(u" (") + target() + u')';
    releaseSocket();
    notify([this, reason] {
        if (listener_)
            listener_->onConnectFailed(reason);
    });
}

void QtTelnetSocket::closedByHost()
{
    if (hostClosed_ || !connected_)
        return;
    connected_ = false;
    hostClosed_ = true;
    // Whatever the host sent last, including a lead byte it never completed,
    // is delivered before the close.
    const qint64 waiting = socket_.bytesAvailable();
    if (waiting > 0)
        decoder_.decode(socket_.read(waiting), tail_);
    decoder_.finish(tail_);
    const quint64 generation = generation_;
    if (!tail_.isEmpty())
        notify([this] {
            if (listener_)
                listener_->onDataArrival();
        });
    if (generation != generation_)
        return;
    notify([this] {
        if (listener_ && hostClosed_)
            listener_->onCloseByHost();
    });
}

void QtTelnetSocket::releaseSocket()
{
    ++generation_;
    connectTimer_->stop();
    releasing_ = true;
    socket_.abort();
    releasing_ = false;
    connecting_ = false;
    connected_ = false;
    hostClosed_ = false;
    decoder_.reset();
    tail_.clear();
}

void QtTelnetSocket::notify(std::function<void()> call)
{
    if (callDepth_ == 0) {
        call();
        return;
    }
    const quint64 generation = generation_;
    QMetaObject::invokeMethod(
        &socket_,
        [this, generation, call = std::move(call)] {
            if (generation == generation_)
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
