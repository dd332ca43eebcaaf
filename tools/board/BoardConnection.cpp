#include "BoardConnection.h"

#include "Board.h"

BoardConnection::BoardConnection(Board& board, TimeSource& time, const ConnectionOptions& options)
    : options_(options), session_(board, options.style), idleTimer_(time.createTimer()),
      dropTimer_(time.createTimer())
{
    session_.onOutput = [this](const QString& text) { send(text); };
    session_.onClose = [this] {
        closed_ = true;
        idleTimer_->stop();
        dropTimer_->stop();
        if (onClose)
            onClose();
    };
    idleTimer_->onTimeout = [this] { session_.timeOut(); };
    dropTimer_->onTimeout = [this] { drop(); };
    if (options.telnet) {
        telnet_.emplace(time);
        telnet_->onSend = [this](const QByteArray& bytes) {
            if (onSend && !closed_)
                onSend(bytes);
        };
        telnet_->onData = [this](const QByteArray& data) {
            waiting_ += data;
            resume();
        };
        telnet_->onCommand = [this](const QByteArray& command) {
            if (onTelnetCommand)
                onTelnetCommand(command);
        };
        telnet_->onReady = [this] { startSession(); };
    }
}

void BoardConnection::start()
{
    restartIdleTimer();
    if (options_.dropAfterMs > 0)
        dropTimer_->startOnce(options_.dropAfterMs);
    if (telnet_)
        telnet_->start();
    else
        startSession();
}

void BoardConnection::startSession()
{
    started_ = true;
    session_.start();
    resume();
}

void BoardConnection::receive(const QByteArray& bytes)
{
    if (closed_ || bytes.isEmpty())
        return;
    restartIdleTimer();
    if (telnet_) {
        telnet_->receive(bytes);
        return;
    }
    waiting_ += bytes;
    resume();
}

void BoardConnection::resume()
{
    while (started_ && !closed_ && hasWaitingInput() && (!canSend || canSend())) {
        if (telnet_)
            session_.setEchoing(telnet_->echoing());
        const qsizetype size = qMin(kInputPiece, waiting_.size() - waitingFrom_);
        QString text;
        decoder_.decode(QByteArrayView(waiting_).sliced(waitingFrom_, size), text);
        waitingFrom_ += size;
        session_.receive(text);
    }
    if (!hasWaitingInput() || closed_) {
        waiting_.clear();
        waitingFrom_ = 0;
    }
}

void BoardConnection::send(const QString& text)
{
    if (!onSend)
        return;
    const QByteArray bytes = Cp932::encode(text).bytes;
    onSend(telnet_ ? TelnetProtocol::escape(bytes) : bytes);
}

void BoardConnection::restartIdleTimer()
{
    if (options_.idleTimeoutMs > 0 && !closed_)
        idleTimer_->startOnce(options_.idleTimeoutMs);
}

void BoardConnection::drop()
{
    if (closed_)
        return;
    closed_ = true;
    idleTimer_->stop();
    if (onClose)
        onClose();
}
