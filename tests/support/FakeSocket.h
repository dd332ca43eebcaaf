#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

#include "controls/TelnetSocket.h"

// A scripted board connection. It records every text handed to sendData with
// the exact bytes it would put on the wire, and lets the caller play the
// host: push text, close from the host's side, refuse the connection.
// The benchmarks make it a connection that never goes down and only counts
// what is sent (stayConnected, keepSent).
class FakeSocket : public TelnetSocket {
public:
    void setRemoteHost(const QString& host) override { host_ = host; }
    void setRemotePort(qint32 port) override { port_ = port; }
    void connectToRemote() override;
    State state() const override { return state_; }
    void close() override;
    void sendData(const QString& text) override;
    void sendBytes(QByteArrayView bytes) override;
    qint64 unsentBytes() const override { return unsent_; }

    // The host's side.
    void pushText(const QString& text);  // in code page 932, as one block
    void pushBytes(QByteArrayView bytes);
    // What unsentBytes() reports: a host that does not read.
    void setUnsentBytes(qint64 bytes) { unsent_ = bytes; }
    void hostCloses();  // state Closing, then the notification
    void failConnect(const QString& reason);
    void setState(State state) { state_ = state; }
    // The state a connect request leads to at once; Connected unless changed.
    void setStateAfterConnect(State state) { stateAfterConnect_ = state; }
    // Connected from now on, whatever close() is asked.
    void stayConnected();
    // Off: sends are only counted, so a long run holds no record of them.
    void setKeepSent(bool keep) { keepSent_ = keep; }

    // What was sent, oldest first.
    const QStringList& sentTexts() const { return sentTexts_; }
    const std::vector<QByteArray>& sentBytes() const { return sentBytes_; }
    // Telnet answers: what went out through sendBytes.
    const QByteArray& sentRaw() const { return sentRaw_; }
    // Every send of either kind, as the bytes it put on the wire, in order.
    const std::vector<QByteArray>& wire() const { return wire_; }
    void clearSent();
    // Calls to sendData and sendBytes, and those made while not connected;
    // kept whether or not the sends are.
    qint64 sendCount() const { return sendCount_; }
    qint64 sendsWithoutConnection() const { return sendsWithoutConnection_; }

    const QString& host() const { return host_; }
    qint32 port() const { return port_; }
    int connectCount() const { return connectCount_; }
    int closeCount() const { return closeCount_; }

private:
    void countSend();

    QString host_;
    qint32 port_ = 0;
    State state_ = Closed;
    State stateAfterConnect_ = Connected;
    bool stayConnected_ = false;
    bool keepSent_ = true;
    int connectCount_ = 0;
    int closeCount_ = 0;
    qint64 unsent_ = 0;
    qint64 sendCount_ = 0;
    qint64 sendsWithoutConnection_ = 0;
    QByteArray sentRaw_;
    QStringList sentTexts_;
    std::vector<QByteArray> sentBytes_;
    std::vector<QByteArray> wire_;
};
