#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

#include "controls/TelnetSocket.h"
#include "support/PrintBoardState.h"

// A scripted board connection. It records every text handed to sendData with
// the exact bytes it would put on the wire, and lets a test play the host:
// push text, close from the host's side, refuse the connection.
class FakeSocket : public TelnetSocket {
public:
    void setRemoteHost(const QString& host) override { host_ = host; }
    void setRemotePort(qint32 port) override { port_ = port; }
    void connectToRemote() override;
    State state() const override { return state_; }
    void close() override;
    void sendData(const QString& text) override;
    void sendBytes(QByteArrayView bytes) override { sentRaw_.append(bytes); }
    qint64 unsentBytes() const override { return unsent_; }

    // The host's side.
    void pushText(const QString& text);  // in code page 932, as one block
    void pushBytes(QByteArrayView bytes);
    // What unsentBytes() reports: a host that does not read.
    void setUnsentBytes(qint64 bytes) { unsent_ = bytes; }
    void hostCloses();                   // state Closing, then the notification
    void failConnect(const QString& reason);
    void setState(State state) { state_ = state; }
    // The state a connect request leads to at once; Connected unless changed.
    void setStateAfterConnect(State state) { stateAfterConnect_ = state; }

    // What was sent, oldest first.
    const QStringList& sentTexts() const { return sentTexts_; }
    const std::vector<QByteArray>& sentBytes() const { return sentBytes_; }
    // Telnet answers: what went out through sendBytes.
    const QByteArray& sentRaw() const { return sentRaw_; }
    void clearSent();

    const QString& host() const { return host_; }
    qint32 port() const { return port_; }
    int connectCount() const { return connectCount_; }
    int closeCount() const { return closeCount_; }

private:
    QString host_;
    qint32 port_ = 0;
    State state_ = Closed;
    State stateAfterConnect_ = Connected;
    int connectCount_ = 0;
    int closeCount_ = 0;
    qint64 unsent_ = 0;
    QByteArray sentRaw_;
    QStringList sentTexts_;
    std::vector<QByteArray> sentBytes_;
};
