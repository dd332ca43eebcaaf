#include "BoardServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <utility>

#include "Board.h"
#include "BoardConnection.h"
#include "common/Cp932.h"
#include "common/TimeSource.h"

namespace {

// Hears every byte a connection sent, as it is read.
using ByteTap = std::function<void(const QByteArray&)>;

// One user's connection on its socket. Input is read only while the
// client takes what the board writes; a client whose unread backlog still
// passes the limit (chat and simulated members go on talking) is dropped.
class SessionLink : public QObject {
public:
    // Bytes read at a time; the socket holds no more than a few of these,
    // so a client sending faster than it reads is held back by TCP.
    static constexpr qint64 kReadPiece = 4096;
    // Input waits while this much output is not yet taken by the socket.
    static constexpr qint64 kPauseBacklog = 64 * 1024;

    SessionLink(Board& board, TimeSource& time, const ConnectionOptions& options, QTcpSocket* socket,
                ByteTap tap, ByteTap telnetTap)
        : QObject(socket), socket_(socket), tap_(std::move(tap)), connection_(board, time, options)
    {
        socket->setReadBufferSize(4 * kReadPiece);
        connection_.onSend = [this](const QByteArray& bytes) { send(bytes); };
        connection_.onClose = [this] { socket_->disconnectFromHost(); };
        connection_.onTelnetCommand = std::move(telnetTap);
        connection_.canSend = [this] { return socket_->bytesToWrite() < kPauseBacklog; };
        connect(socket, &QTcpSocket::readyRead, this, &SessionLink::pump);
        connect(socket, &QTcpSocket::bytesWritten, this, &SessionLink::pump);
        connection_.start();
    }

private:
    void send(const QByteArray& bytes)
    {
        if (socket_->state() != QAbstractSocket::ConnectedState)
            return;
        socket_->write(bytes);
        if (socket_->bytesToWrite() > BoardServer::kMaxBacklog)
            socket_->abort();
    }

    void pump()
    {
        while (socket_->state() == QAbstractSocket::ConnectedState) {
            connection_.resume();
            if (connection_.hasWaitingInput() || socket_->bytesToWrite() >= kPauseBacklog)
                return;
            const QByteArray bytes = socket_->read(kReadPiece);
            if (bytes.isEmpty())
                return;
            tap_(bytes);
            connection_.receive(bytes);
        }
    }

    QTcpSocket* socket_;
    ByteTap tap_;
    BoardConnection connection_;
};

// Plays a script: its bytes in chunks, then waits or closes. What the client
// sends is read and thrown away.
class ScriptLink : public QObject {
public:
    ScriptLink(const BoardScript& script, TimeSource& time, QTcpSocket* socket, const ByteTap& tap)
        : QObject(socket), script_(script), socket_(socket), timer_(time.createTimer())
    {
        connect(socket, &QTcpSocket::readyRead, this, [socket, tap] { tap(socket->readAll()); });
        timer_->onTimeout = [this] { sendChunk(); };
        sendChunk();
    }

private:
    void sendChunk()
    {
        const qsizetype size = script_.chunkSize > 0 ? script_.chunkSize : script_.bytes.size();
        if (sent_ < script_.bytes.size()) {
            socket_->write(script_.bytes.mid(sent_, size));
            sent_ += size;
        }
        if (sent_ < script_.bytes.size())
            timer_->startOnce(script_.chunkDelayMs);
        else if (script_.closeAfter)
            socket_->disconnectFromHost();
    }

    const BoardScript script_;
    QTcpSocket* socket_;
    std::unique_ptr<Timer> timer_;
    qsizetype sent_ = 0;
};

}  // namespace

BoardServer::BoardServer(Board& board, TimeSource& time, QObject* parent)
    : QObject(parent), board_(board), time_(time), server_(new QTcpServer(this))
{
    connect(server_, &QTcpServer::newConnection, this, &BoardServer::acceptConnections);
}

BoardServer::~BoardServer()
{
    // The sockets die with the listening server; their last signals must not
    // reach this half-destroyed object.
    for (QTcpSocket* socket : server_->findChildren<QTcpSocket*>())
        socket->disconnect(this);
}

bool BoardServer::listen(quint16 port)
{
    server_->setMaxPendingConnections(kMaxConnections);
    return server_->listen(QHostAddress::LocalHost, port);
}

quint16 BoardServer::port() const
{
    return server_->serverPort();
}

QString BoardServer::errorString() const
{
    return server_->errorString();
}

void BoardServer::acceptConnections()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (connections_ >= kMaxConnections) {
            socket->write(Cp932::encode(QStringLiteral("満員です。しばらくしてから接続してください。") +
                                        options_.style.lineEndText())
                              .bytes);
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            continue;
        }
        const int connection = track(socket);
        if (script_)
            serveScript(socket, connection);
        else
            serveSession(socket, connection);
    }
}

int BoardServer::track(QTcpSocket* socket)
{
    ++connections_;
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        --connections_;
        socket->deleteLater();
        emit connectionsChanged(connections_);
    });
    emit connectionsChanged(connections_);
    return ++accepted_;
}

void BoardServer::serveSession(QTcpSocket* socket, int connection)
{
    new SessionLink(
        board_, time_, options_, socket, tapFor(connection),
        [this, connection](const QByteArray& bytes) { emit telnetCommandReceived(connection, bytes); });
}

void BoardServer::serveScript(QTcpSocket* socket, int connection)
{
    new ScriptLink(*script_, time_, socket, tapFor(connection));
}

std::function<void(const QByteArray&)> BoardServer::tapFor(int connection)
{
    return [this, connection](const QByteArray& bytes) {
        if (!bytes.isEmpty())
            emit bytesReceived(connection, bytes);
    };
}
