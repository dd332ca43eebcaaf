#pragma once

#include <QByteArray>

#include <functional>
#include <memory>
#include <optional>

#include "BoardSession.h"
#include "ConnectionOptions.h"
#include "TelnetProtocol.h"
#include "common/Cp932.h"
#include "common/TimeSource.h"

struct Board;

// One user's connection without its transport: bytes from the wire go
// through telnet (when on) and the decoder into the session; the session's
// text goes through the encoder and telnet back out. Typed input is acted
// on only while the transport says it can take more output, so a client
// that sends a burst gets every answer at the pace it reads them.
class BoardConnection {
public:
    // Input acted on between two looks at the transport's backlog.
    static constexpr qsizetype kInputPiece = 256;

    BoardConnection(Board& board, TimeSource& time, const ConnectionOptions& options);
    BoardConnection(const BoardConnection&) = delete;
    BoardConnection& operator=(const BoardConnection&) = delete;

    // Bytes for the wire.
    std::function<void(const QByteArray&)> onSend;
    // The board ends the connection.
    std::function<void()> onClose;
    // A telnet command the client sent, whole.
    std::function<void(const QByteArray&)> onTelnetCommand;
    // Whether the transport can take more output now; unset means always.
    std::function<bool()> canSend;

    // The telnet requests, or at once the banner and first prompt.
    void start();
    // Bytes from the wire, in any pieces.
    void receive(const QByteArray& bytes);
    // The transport's backlog went down: act on input that waited.
    void resume();
    bool hasWaitingInput() const { return waitingFrom_ < waiting_.size(); }

    const BoardSession& session() const { return session_; }

private:
    void startSession();
    void send(const QString& text);
    void restartIdleTimer();
    void drop();

    ConnectionOptions options_;
    BoardSession session_;
    std::optional<TelnetProtocol> telnet_;
    std::unique_ptr<Timer> idleTimer_;
    std::unique_ptr<Timer> dropTimer_;
    Cp932::Decoder decoder_;
    bool started_ = false;
    bool closed_ = false;
    QByteArray waiting_;
    qsizetype waitingFrom_ = 0;
};
