#pragma once

#include <QObject>

#include <memory>

class BoardConnection;
class QSocketNotifier;
struct termios;

// One connection served on a pair of file descriptors (standard input and
// output), as a program started by a telnet daemon is: a terminal on the
// input side is put in raw mode without echo, since the daemon does the
// telnet side and the pseudo-terminal must not translate or echo. Emits
// finished() when the session closes or the input ends.
class StdioLink : public QObject {
    Q_OBJECT
public:
    StdioLink(BoardConnection& connection, int inFd, int outFd, QObject* parent = nullptr);
    ~StdioLink() override;

    void start();

signals:
    void finished();

private:
    void readInput();
    void writeAll(const QByteArray& bytes);
    void finish();

    BoardConnection& connection_;
    int inFd_;
    int outFd_;
    QSocketNotifier* notifier_;
    std::unique_ptr<termios> savedTerminal_;
    bool finished_ = false;
};
