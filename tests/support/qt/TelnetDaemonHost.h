#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <sys/types.h>
#include <vector>

class QTcpServer;

// A real telnet daemon in front of the board, for tests of the client
// against a host it did not write: listens on 127.0.0.1 and, per accepted
// connection, starts inetutils-telnetd on the connection's socket, with the
// board on standard input and output in place of the log-in program.
// Every daemon started is killed and reaped when the host goes.
class TelnetDaemonHost {
public:
    static constexpr const char* kDaemon = "/usr/sbin/telnetd";

    // `boardProgram`: the zkt-board executable, run as
    // "<boardProgram> --stdio <boardArguments>" (no spaces in either).
    explicit TelnetDaemonHost(const QString& boardProgram,
                              const QStringList& boardArguments = {QStringLiteral("--quiet")});
    ~TelnetDaemonHost();
    TelnetDaemonHost(const TelnetDaemonHost&) = delete;
    TelnetDaemonHost& operator=(const TelnetDaemonHost&) = delete;

    // False, with reason() saying why, when there is no daemon to start or
    // it could not be started; tests skip then.
    bool isAvailable() const { return reason_.isEmpty(); }
    QString reason() const { return reason_; }
    quint16 port() const;
    int daemonsStarted() const { return int(children_.size()); }

private:
    void startDaemon(int socketFd);

    std::unique_ptr<QTcpServer> server_;
    QString command_;
    QString reason_;
    std::vector<pid_t> children_;
};
