#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

// What the dialogue does with the board connection. The desktop layer
// implements it over TCP; received bytes are pushed to the listener as they
// come, and the core does the telnet side and the decoding. Tests use a fake
// that records what was sent.
class TelnetSocketListener {
public:
    virtual ~TelnetSocketListener() = default;
    // The connection is up.
    virtual void onConnected() = 0;
    // A block of bytes from the host, valid for the call only.
    virtual void onBytesReceived(QByteArrayView bytes) = 0;
    // The connection ended from the host's side or by a network error;
    // state() reads Closing until close(). Reported once per connection,
    // even when close() ran in between.
    virtual void onCloseByHost() = 0;
    // The connection attempt failed (refused, host not found, no answer in
    // time); state() reads Closed. `reason` is for the user.
    virtual void onConnectFailed(const QString& reason) = 0;
    // A sent text held characters the code page cannot hold; they went as "?".
    virtual void onSendInexact() = 0;
};

class TelnetSocket {
public:
    enum class State : quint8 {
        Closed,
        Open,
        ResolvingHost,
        Connecting,
        Connected,
        Closing,  // the host has closed its end, ours is still open
        Error,
    };
    // Callers name the states as TelnetSocket::Connected.
    using enum State;

    virtual ~TelnetSocket() = default;

    void setListener(TelnetSocketListener* listener) { listener_ = listener; }

    virtual void setRemoteHost(const QString& host) = 0;
    virtual void setRemotePort(qint32 port) = 0;
    // Returns at once; bytes arrive later through onBytesReceived().
    virtual void connectToRemote() = 0;
    virtual State state() const = 0;
    // Releases the connection; raises no notification.
    virtual void close() = 0;
    // The whole text, converted to the host's code page, in one write.
    virtual void sendData(const QString& text) = 0;
    // Bytes as they are (telnet answers), in one write.
    virtual void sendBytes(QByteArrayView bytes) = 0;
    // Bytes handed to the socket that the host has not taken yet.
    virtual qint64 unsentBytes() const = 0;

protected:
    TelnetSocketListener* listener_ = nullptr;
};
