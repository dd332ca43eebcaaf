#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <map>
#include <utility>

// The zkt-board program run by a test: started on a free port with
// --record, so that the exact bytes each connection sent to it can be read
// back. Killed when the object goes.
class BoardProcess {
public:
    // `program`: the zkt-board executable.
    explicit BoardProcess(QString program) : program_(std::move(program)) {}
    ~BoardProcess();
    BoardProcess(const BoardProcess&) = delete;
    BoardProcess& operator=(const BoardProcess&) = delete;

    // Starts the board with `arguments` (plus --record and port 0) and runs
    // the event loop (an application object must exist) until its
    // "listening on" line. False, with error() saying why, when it did not
    // come.
    bool start(const QStringList& arguments = {});
    quint16 port() const { return port_; }
    QString error() const { return error_; }

    // Everything connection `connection` (counted from 1) has sent so far,
    // as the board read it.
    QByteArray received(int connection);
    // Waits until the connection has sent exactly `bytes`; false on the cap
    // or when it sent something else.
    bool waitForReceived(int connection, const QByteArray& bytes);

private:
    void readOutput();

    QString program_;
    QProcess process_;
    quint16 port_ = 0;
    QString error_;
    QByteArray partialLine_;
    std::map<int, QByteArray> received_;
};
