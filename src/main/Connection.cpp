#include "main/Connection.h"

#include "controls/TelnetSocket.h"
#include "main/MainWindowPort.h"
#include "main/StatusLine.h"

Connection::Connection(TelnetSocket& socket, MainWindowPort& window, StatusLine& status)
    : socket_(socket), window_(window), status_(status)
{}

void Connection::open(const QString& address, qint32 port)
{
    status_.showState(QStringLiteral("接続中… %1:%2").arg(address).arg(port));
    socket_.setRemoteHost(address);
    socket_.setRemotePort(port);
    socket_.connectToRemote();
}

void Connection::close()
{
    if (socket_.state() != TelnetSocket::Closed)
        socket_.close();
}

void Connection::closeIfHostClosed()
{
    if (socket_.state() == TelnetSocket::Closing)
        socket_.close();
}

bool Connection::send(const QString& text)
{
    if (socket_.state() != TelnetSocket::Connected) {
        window_.showStatus(QStringLiteral("接続していないため送信しませんでした"));
        return false;
    }
    // A host that reads nothing would let typed lines pile up without end.
    if (socket_.unsentBytes() > kMaxUnsentBytes) {
        window_.showStatus(QStringLiteral("ホストが受信していないため送信を止めています"));
        return false;
    }
    status_.lineSending();
    socket_.sendData(text + QStringLiteral("\r\n"));
    return true;
}

void Connection::sendAnswers(const QByteArray& answers)
{
    if (!answers.isEmpty() && socket_.state() == TelnetSocket::Connected)
        socket_.sendBytes(answers);
}
