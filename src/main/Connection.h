#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class MainWindowPort;
class StatusLine;
class TelnetSocket;

// The connection to the board: opens and closes the socket, sends typed lines
// and automatic replies (each followed by CR LF) only while it is up and the
// host is reading, and passes the telnet layer's answers on.
class Connection {
public:
    Connection(TelnetSocket& socket, MainWindowPort& window, StatusLine& status);

    void open(const QString& address, qint32 port);
    // Releases the socket unless it is closed already; raises no notification.
    void close();
    // The host has closed its end: ours is closed too.
    void closeIfHostClosed();

    // Without a connection, or while the host reads nothing, nothing is sent
    // and the status bar says why; false then.
    bool send(const QString& text);
    void sendAnswers(const QByteArray& answers);

private:
    // Typed lines wait in the socket while the host reads nothing; past this
    // they are refused rather than piled up.
    static constexpr qint64 kMaxUnsentBytes = 1 << 20;

    TelnetSocket& socket_;
    MainWindowPort& window_;
    StatusLine& status_;
};
