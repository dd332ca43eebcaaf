#pragma once

#include <QAbstractSocket>
#include <QHostAddress>
#include <QList>
#include <QTcpSocket>

#include <functional>
#include <memory>

#include "common/Cp932.h"
#include "common/TimeSource.h"
#include "controls/TelnetSocket.h"

// The board connection over QTcpSocket. Received bytes are pushed to the
// listener as they arrive; text is sent in code page 932.
//
// QTcpSocket has no half-closed state and reports our own close like the
// host's, so this class records which end closed: after the host closes,
// state() reads Closing until close() releases the socket. Every end of a
// connection that we did not cause reaches the listener exactly once,
// whichever path sees it first (read error, write error, host close) and
// even when close() runs before the notification does.
class QHostInfo;
class QSocketNotifier;

class QtTelnetSocket : public TelnetSocket {
public:
    static constexpr int kConnectTimeLimitMs = 20000;

    explicit QtTelnetSocket(TimeSource& time);
    ~QtTelnetSocket() override;

    void setRemoteHost(const QString& host) override;
    void setRemotePort(qint32 port) override;
    void connectToRemote() override;
    State state() const override;
    void close() override;
    void sendData(const QString& text) override;
    void sendBytes(QByteArrayView bytes) override;
    qint64 unsentBytes() const override;

private:
    class CallScope;
    // Where the connection stands; the host's close leaves HostClosed
    // until close() releases the socket.
    enum class Phase { Idle, Connecting, Connected, HostClosed };

    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError(QAbstractSocket::SocketError error);
    void onConnectTimeLimit();

    void onHostFound(const QHostInfo& info);
    void connectNext();
    void connectSettled();
    void adopt(int fd);
    void connectFailed(int error);
    void dropPendingConnect(bool closeSocket);
    void deliverWaitingBytes();
    void failConnect(const QString& why);
    void endedByHost();
    void releaseSocket();
    void notify(std::function<void()> call);
    QString target() const;

    QTcpSocket socket_;
    std::unique_ptr<Timer> connectTimer_;
    QString host_;
    qint32 port_ = 0;
    int lookupId_ = -1;
    // The socket being connected, before QTcpSocket takes it.
    int pendingFd_ = -1;
    std::unique_ptr<QSocketNotifier> connectNotifier_;
    QList<QHostAddress> addresses_;
    qsizetype nextAddress_ = 0;
    Phase phase_ = Phase::Idle;
    bool releasing_ = false;
    // The end of this connection has been told, or was our own doing.
    bool endTold_ = false;
    // Depth of calls made into this object; notifications raised meanwhile
    // are posted so that a listener is never called from inside its own call.
    int callDepth_ = 0;
    // Bumped at each connection attempt, so that a posted notification of an
    // earlier connection is dropped; close() does not bump it, so an end
    // already seen is still told.
    quint64 attempt_ = 0;
};
