#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

#include "ConnectionOptions.h"

struct Board;
class QTcpServer;
class QTcpSocket;
class TimeSource;

// Bytes sent as they are to every connection instead of the dialogue, for
// tests of a hostile or odd host.
struct BoardScript {
    QByteArray bytes;
    int chunkSize = 0;  // bytes per write; 0 sends all at once
    int chunkDelayMs = 0;  // pause between writes
    bool closeAfter = false;  // close once all is sent, else keep listening
};

// The board on TCP: listens on 127.0.0.1 and runs one BoardSession per
// connection, in code page 932 both ways.
class BoardServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 64;
    // A client that stops reading is dropped before its backlog grows
    // without bound.
    static constexpr qint64 kMaxBacklog = 1 << 20;

    BoardServer(Board& board, TimeSource& time, QObject* parent = nullptr);
    ~BoardServer() override;

    // How connections accepted from now on are served.
    void setOptions(const ConnectionOptions& options) { options_ = options; }

    // From now on connections get the script instead of the dialogue.
    void setScript(const BoardScript& script) { script_ = script; }

    // Port 0 takes any free port. Returns false with errorString() set.
    bool listen(quint16 port);
    quint16 port() const;
    QString errorString() const;
    int connectionCount() const { return connections_; }

signals:
    void connectionsChanged(int count);
    // Every byte read from a connection, in the order read, for tests that
    // check what a client sent. Connections are numbered from 1 as accepted.
    void bytesReceived(int connection, const QByteArray& bytes);
    // With telnet on: each telnet command a connection sent, whole.
    void telnetCommandReceived(int connection, const QByteArray& command);

private:
    void acceptConnections();
    void serveSession(QTcpSocket* socket, int connection);
    void serveScript(QTcpSocket* socket, int connection);
    // Counts the connection in and returns its number.
    int track(QTcpSocket* socket);
    std::function<void(const QByteArray&)> tapFor(int connection);

    Board& board_;
    TimeSource& time_;
    QTcpServer* server_;
    ConnectionOptions options_;
    std::optional<BoardScript> script_;
    int connections_ = 0;
    int accepted_ = 0;
};
