#include "BoardConnection.h"

#include <gtest/gtest.h>

#include <memory>

#include "Board.h"
#include "support/Bytes.h"
#include "support/FakeTime.h"

namespace {

// The telnet opening, and a client that declines all but echo and
// suppress-go-ahead.
const QByteArray kOpening = bytes({255, 251, 37, 255, 253, 24, 255, 251, 1, 255, 251, 3, 255, 253, 31});
const QByteArray kEchoAnswers = bytes({255, 254, 37, 255, 252, 24, 255, 253, 1, 255, 253, 3, 255, 252, 31});
const QByteArray kQuietAnswers = bytes({255, 254, 37, 255, 252, 24, 255, 254, 1, 255, 253, 3, 255, 252, 31});

// A connection and everything it put on the wire.
struct Wire {
    Wire(Board& board, TimeSource& time, ConnectionOptions options)
        : connection(std::make_unique<BoardConnection>(board, time, options))
    {
        connection->onSend = [this](const QByteArray& b) { sent += b; };
        connection->onClose = [this] { ++closes; };
        connection->onTelnetCommand = [this](const QByteArray& b) { commands += b; };
        connection->start();
    }

    QByteArray take() { return std::exchange(sent, {}); }

    std::unique_ptr<BoardConnection> connection;
    QByteArray sent;
    QByteArray commands;
    int closes = 0;
};

class BoardConnectionTest : public ::testing::Test {
protected:
    BoardConnectionTest() { board.accounts = BoardAccounts::parse(QStringLiteral("demo:demo:たろう\n")); }

    static ConnectionOptions telnet()
    {
        ConnectionOptions options;
        options.telnet = true;
        return options;
    }

    // The default options as `change` leaves them.
    static ConnectionOptions optionsWith(void (*change)(ConnectionOptions&))
    {
        ConnectionOptions options;
        change(options);
        return options;
    }

    Board board;
    FakeTimeSource time;
};

TEST_F(BoardConnectionTest, TelnetShowsNothingUntilTheClientHasAnswered)
{
    Wire wire(board, time, telnet());
    EXPECT_EQ(wire.take(), kOpening);
    wire.connection->receive(kEchoAnswers.left(12));
    EXPECT_EQ(wire.take(), QByteArray());
    // Typed ahead: kept until the board is shown.
    wire.connection->receive(kEchoAnswers.mid(12) + "demo\r\0");
    const QByteArray shown = wire.take();
    EXPECT_TRUE(shown.startsWith("\r\n*** ZKT")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("User ID =demo\r\nPassword =")) << "echoed, and CR NUL is one line end";
    EXPECT_EQ(wire.commands, kEchoAnswers);
}

TEST_F(BoardConnectionTest, TelnetWithoutAnswersShowsTheBoardAfterTheWait)
{
    Wire wire(board, time, telnet());
    wire.take();
    time.advance(TelnetProtocol::kDefaultNegotiationTimeoutMs);
    EXPECT_TRUE(wire.take().endsWith("User ID ="));
}

struct TelnetDataCase {
    const char* name;
    QByteArray answers;
    SessionStyle style;
    QByteArray typed;
    QByteArray wireEnd;  // how what the board sent in answer ends
};

TEST_F(BoardConnectionTest, TelnetDataBothWays)
{
    const TelnetDataCase cases[] = {
        {"declined echo: not echoed", kQuietAnswers, {}, "demo\r\n", "User ID =\r\nPassword ="},
        {"agreed echo: echoed", kEchoAnswers, {}, "demo\r\n", "User ID =demo\r\nPassword ="},
        {"IAC IAC typed reaches the session as 0xFF",
         kQuietAnswers,
         {},
         bytes({'a', 255, 255, 'b', '\r', '\n'}),
         "User ID =\r\nPassword ="},
        {"LF CR lines: the bare CR goes out as CR NUL",
         kQuietAnswers,
         {false, SessionStyle::LineEnd::LfCr},
         "demo\r\n",
         QByteArray("User ID =\n\r\0Password =", 22)},
    };
    for (const TelnetDataCase& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectionOptions options = telnet();
        options.style = c.style;
        Wire wire(board, time, options);
        wire.connection->receive(c.answers);
        wire.connection->receive(c.typed);
        const QByteArray sent = wire.take();
        EXPECT_TRUE(sent.endsWith(c.wireEnd)) << sent.toHex(' ').toStdString();
    }
}

TEST_F(BoardConnectionTest, IdleConnectionIsClosedAndInputKeepsItOpen)
{
    Wire wire(board, time, optionsWith([](ConnectionOptions& o) { o.idleTimeoutMs = 60000; }));
    time.advance(59999);
    wire.connection->receive("demo\r\n");
    time.advance(59999);
    EXPECT_EQ(wire.closes, 0);
    wire.take();
    time.advance(1);
    EXPECT_EQ(wire.closes, 1);
    EXPECT_EQ(wire.take(), QByteArray("\r\n") +
                               Cp932::encode(u"一定時間入力がなかったため、接続を終了します。\r\n").bytes);
    EXPECT_EQ(time.activeTimerCount(), 0);
}

TEST_F(BoardConnectionTest, NoIdleTimeoutWhenOff)
{
    Wire wire(board, time, optionsWith([](ConnectionOptions& o) { o.idleTimeoutMs = 0; }));
    time.advance(24 * 3600 * 1000);
    EXPECT_EQ(wire.closes, 0);
}

// A board that restarts drops its connections without a word, whatever the
// user is doing.
TEST_F(BoardConnectionTest, DropAfterClosesSilentlyEvenWhileInputComes)
{
    Wire wire(board, time, optionsWith([](ConnectionOptions& o) { o.dropAfterMs = 3000; }));
    time.advance(2999);
    wire.connection->receive("demo\r\n");
    EXPECT_EQ(wire.closes, 0);
    wire.take();
    time.advance(1);
    EXPECT_EQ(wire.closes, 1);
    EXPECT_EQ(wire.take(), QByteArray()) << "no farewell";
    wire.connection->receive("demo\r\n");
    EXPECT_EQ(wire.take(), QByteArray()) << "nothing after the drop";
    EXPECT_EQ(time.activeTimerCount(), 0);
}

TEST_F(BoardConnectionTest, InputWaitsWhileTheTransportIsFullAndNothingIsLost)
{
    Wire wire(board, time, {});
    bool room = true;
    wire.connection->canSend = [&] { return room; };
    wire.connection->receive("demo\r\ndemo\r\n");
    wire.take();
    const int burst = 20000;
    room = false;
    wire.connection->receive(QByteArray("?\r\n").repeated(burst));
    EXPECT_TRUE(wire.connection->hasWaitingInput());
    EXPECT_EQ(wire.take(), QByteArray());
    int resumes = 0;
    while (wire.connection->hasWaitingInput()) {
        room = true;
        // Each resume acts on one piece at most before the transport is
        // full again.
        wire.connection->canSend = [&] { return std::exchange(room, false); };
        wire.connection->resume();
        ++resumes;
    }
    EXPECT_EQ(resumes, (burst * 3 + BoardConnection::kInputPiece - 1) / BoardConnection::kInputPiece);
    EXPECT_EQ(wire.take().count("MAIN (G,C,I,?) >"), burst);
}

}  // namespace
