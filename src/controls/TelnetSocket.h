#pragma once

#include <QString>
#include <QtGlobal>

// What the dialogue does with the board connection. The desktop layer
// implements it over TCP with code page 932 in both directions; tests use a
// fake that records what was sent.
class TelnetSocketListener {
public:
    virtual ~TelnetSocketListener() = default;
    // Text is waiting; fetch it with getData().
    virtual void onDataArrival() = 0;
    // The host closed its end; state() reads Closing until close().
    virtual void onCloseByHost() = 0;
    // The connection attempt failed (refused, host not found, no answer in
    // time); state() reads Closed. `reason` is for the user.
    virtual void onConnectFailed(const QString& reason) = 0;
    // A sent text held characters the code page cannot hold; they went as "?".
    virtual void onSendInexact() = 0;
};

class TelnetSocket {
public:
    enum State {
        Closed = 0,
        Open = 1,
        ResolvingHost = 4,
        Connecting = 6,
        Connected = 7,
        Closing = 8,  // the host has closed its end, ours is still open
        Error = 9,
    };

    virtual ~TelnetSocket() = default;

    void setListener(TelnetSocketListener* listener) { listener_ = listener; }

    virtual void setRemoteHost(const QString& host) = 0;
    virtual void setRemotePort(qint32 port) = 0;
    // Returns at once; text arrives later through onDataArrival().
    virtual void connectToRemote() = 0;
    virtual int state() const = 0;
    // Releases the connection; raises no notification.
    virtual void close() = 0;
    // The whole text, converted to the host's code page, in one write.
    virtual void sendData(const QString& text) = 0;
    // All text waiting since the last fetch.
    virtual QString getData() = 0;

protected:
    TelnetSocketListener* listener_ = nullptr;
};
