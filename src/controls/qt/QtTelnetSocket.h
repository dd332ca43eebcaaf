#pragma once

#include <QAbstractSocket>
#include <QTcpSocket>

#include <functional>
#include <memory>

#include "common/Cp932.h"
#include "common/TimeSource.h"
#include "controls/TelnetSocket.h"

// The board connection over QTcpSocket, code page 932 in both directions.
//
// QTcpSocket has no half-closed state and reports our own close like the
// host's, so this class records which end closed: after the host closes,
// state() reads Closing until close() releases the socket.
class QtTelnetSocket : public TelnetSocket {
public:
    static constexpr int kConnectTimeLimitMs = 20000;

    explicit QtTelnetSocket(TimeSource& time);
    ~QtTelnetSocket() override;

    void setRemoteHost(const QString& host) override;
    void setRemotePort(qint32 port) override;
    void connectToRemote() override;
    int state() const override;
    void close() override;
    void sendData(const QString& text) override;
    QString getData() override;

private:
    class CallScope;

    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError(QAbstractSocket::SocketError error);
    void onConnectTimeLimit();

    void failConnect(const QString& why);
    void closedByHost();
    void releaseSocket();
    void notify(std::function<void()> call);
    QString target() const;

    QTcpSocket socket_;
    std::unique_ptr<Timer> connectTimer_;
    Cp932::Decoder decoder_;
    QString host_;
    qint32 port_ = 0;
    // Text decoded when the host closed, waiting for getData().
    QString tail_;
    bool connecting_ = false;
    bool connected_ = false;
    bool hostClosed_ = false;
    bool releasing_ = false;
    // Depth of calls made into this object; notifications raised meanwhile
    // are posted so that a listener is never called from inside its own call.
    int callDepth_ = 0;
    // Bumped whenever the connection is released, so that a posted
    // notification of an earlier connection is dropped.
    quint64 generation_ = 0;
};
