#include "BoardServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <utility>

#include "Board.h"
#include "BoardSession.h"
#include "common/Cp932.h"
#include "common/TimeSource.h"

namespace {

// Writes text in code page 932 and drops a client whose backlog is too big.
void send(QTcpSocket* socket, const QString& text)
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    socket->write(Cp932::encode(text).bytes);
    if (socket->bytesToWrite() > BoardServer::kMaxBacklog)
        socket->abort();
}

// Hears every byte a connection sent, as it is read.
using ByteTap = std::function<void(const QByteArray&)>;

// One user's connection: the socket's bytes through the decoder into the
// session, the session's text through the encoder onto the socket.
class SessionLink : public QObject {
public:
    SessionLink(Board& board, QTcpSocket* socket, ByteTap tap)
        : QObject(socket), socket_(socket), tap_(std::move(tap)), session_(board)
    {
        session_.onOutput = [this](const QString& text) { send(socket_, text); };
        session_.onClose = [this] { socket_->disconnectFromHost(); };
        connect(socket, &QTcpSocket::readyRead, this, &SessionLink::readAll);
        session_.start();
    }

private:
    void readAll()
    {
        const QByteArray bytes = socket_->readAll();
        tap_(bytes);
        QString text;
        decoder_.decode(bytes, text);
        session_.receive(text);
    }

    QTcpSocket* socket_;
    ByteTap tap_;
    Cp932::Decoder decoder_;
    BoardSession session_;
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
            socket->write(Cp932::encode(u"満員です。しばらくしてから接続してください。\r\n").bytes);
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
    new SessionLink(board_, socket, tapFor(connection));
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
