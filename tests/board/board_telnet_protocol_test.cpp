#include "TelnetProtocol.h"

#include <QList>
#include <gtest/gtest.h>

#include "support/Bytes.h"
#include "support/FakeTime.h"

namespace {

using T = TelnetProtocol;

QByteArray cmd(unsigned char verb, unsigned char option)
{
    return bytes({T::kIac, verb, option});
}

const QByteArray kOpening = cmd(T::kWill, T::kAuthentication) + cmd(T::kDo, T::kTerminalType) +
                            cmd(T::kWill, T::kEcho) + cmd(T::kWill, T::kSuppressGoAhead) +
                            cmd(T::kDo, T::kWindowSize);
const QByteArray kAskTerminalType = bytes({255, 250, 24, 1, 255, 240});

// The board's end with everything it sent, handed on and reported.
struct Daemon {
    explicit Daemon(FakeTimeSource& time) : telnet(time)
    {
        telnet.onSend = [this](const QByteArray& b) { sent += b; };
        telnet.onData = [this](const QByteArray& b) { data += b; };
        telnet.onCommand = [this](const QByteArray& b) { commands.append(b); };
        telnet.onReady = [this] { ++readies; };
    }

    TelnetProtocol telnet;
    QByteArray sent;
    QByteArray data;
    QList<QByteArray> commands;
    int readies = 0;
};

class TelnetProtocolTest : public ::testing::Test {
protected:
    FakeTimeSource time;
};

TEST_F(TelnetProtocolTest, OpensWithTheDaemonsRequestsAndWaits)
{
    Daemon daemon(time);
    daemon.telnet.start();
    EXPECT_EQ(daemon.sent, kOpening);
    EXPECT_EQ(daemon.telnet.phase(), T::Phase::Negotiating);
    time.advance(T::kDefaultNegotiationTimeoutMs - 1);
    EXPECT_EQ(daemon.readies, 0);
    time.advance(1);
    EXPECT_EQ(daemon.readies, 1) << "an unanswering client gets the board after the wait";
    time.advance(60000);
    EXPECT_EQ(daemon.readies, 1);
}

struct AnswerCase {
    const char* name;
    QByteArray answers;
    QByteArray boardReplies;  // sent after the opening
    bool ready;
    bool echoing;
};

TEST_F(TelnetProtocolTest, AnswersToTheOpening)
{
    const QByteArray declineAll = cmd(T::kDont, T::kAuthentication) + cmd(T::kWont, T::kTerminalType) +
                                  cmd(T::kDont, T::kEcho) + cmd(T::kDont, T::kSuppressGoAhead) +
                                  cmd(T::kWont, T::kWindowSize);
    const QByteArray agreeAll = cmd(T::kDont, T::kAuthentication) + cmd(T::kWill, T::kTerminalType) +
                                cmd(T::kDo, T::kEcho) + cmd(T::kDo, T::kSuppressGoAhead) +
                                cmd(T::kWill, T::kWindowSize);
    const AnswerCase cases[] = {
        {"all declined", declineAll, {}, true, false},
        {"all agreed: the terminal type is asked for", agreeAll, kAskTerminalType, true, true},
        {"one answer missing", agreeAll.left(agreeAll.size() - 3), kAskTerminalType, false, true},
        {"answers with the client's own requests first", cmd(T::kDo, 99) + cmd(T::kWill, 98) + declineAll,
         cmd(T::kWont, 99) + cmd(T::kDont, 98), true, false},
        {"client asks for echo itself before answering",
         cmd(T::kDo, T::kEcho) + declineAll.mid(3, 3) + declineAll.mid(9),
         {},
         false,
         true},
        {"echo agreed, then turned off", agreeAll + cmd(T::kDont, T::kEcho),
         kAskTerminalType + cmd(T::kWont, T::kEcho), true, false},
        {"repeated agreement is not acknowledged",
         agreeAll + cmd(T::kDo, T::kEcho) + cmd(T::kWill, T::kWindowSize), kAskTerminalType, true, true},
        {"refusal of what is off is not acknowledged",
         declineAll + cmd(T::kDont, T::kEcho) + cmd(T::kWont, 5),
         {},
         true,
         false},
        {"the board offers only what it can", declineAll + cmd(T::kDo, T::kSuppressGoAhead) + cmd(T::kDo, 0),
         cmd(T::kWill, T::kSuppressGoAhead) + cmd(T::kWont, 0), true, false},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.name);
        Daemon daemon(time);
        daemon.telnet.start();
        daemon.sent.clear();
        daemon.telnet.receive(c.answers);
        EXPECT_EQ(daemon.sent.toHex(' '), c.boardReplies.toHex(' '));
        EXPECT_EQ(daemon.readies, c.ready ? 1 : 0);
        EXPECT_EQ(daemon.telnet.echoing(), c.echoing);
        EXPECT_EQ(daemon.data, QByteArray());
    }
}

struct ParseCase {
    const char* name;
    QList<QByteArray> pieces;
    QByteArray data;
    QList<QByteArray> commands;
};

TEST_F(TelnetProtocolTest, ClientStreamLosesItsTelnetCommands)
{
    const QByteArray windowSize = bytes({255, 250, 31, 0, 80, 0, 24, 255, 240});
    const ParseCase cases[] = {
        {"plain text", {"demo\r\n"}, "demo\r\n", {}},
        {"IAC IAC is one 0xFF", {bytes({'a', 255, 255, 'b'})}, bytes({'a', 255, 'b'}), {}},
        {"CR NUL is CR", {QByteArray("ab\r\0cd", 6)}, "ab\rcd", {}},
        {"CR NUL split between reads", {"ab\r", QByteArray(1, '\0')}, "ab\r", {}},
        {"NUL not after CR is kept", {QByteArray("a\0b", 3)}, QByteArray("a\0b", 3), {}},
        {"a subnegotiation is taken out whole", {"x" + windowSize + "y"}, "xy", {windowSize}},
        {"IAC IAC inside a subnegotiation",
         {bytes({255, 250, 24, 0, 255, 255, 'A', 255, 240})},
         {},
         {bytes({255, 250, 24, 0, 255, 255, 'A', 255, 240})}},
        {"a command split over three reads",
         {bytes({'a', 255}), bytes({253}), bytes({1, 'b'})},
         "ab",
         {cmd(T::kDo, T::kEcho)}},
        {"two-byte commands",
         {bytes({255, 241, 'a', 255, 249})},
         "a",
         {bytes({255, 241}), bytes({255, 249})}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        Daemon daemon(time);
        for (const QByteArray& piece : c.pieces)
            daemon.telnet.receive(piece);
        EXPECT_EQ(daemon.data.toHex(' '), c.data.toHex(' '));
        EXPECT_EQ(daemon.commands, c.commands);
    }
}

TEST_F(TelnetProtocolTest, OverlongSubnegotiationIsCutButEndsAndDataFollows)
{
    Daemon daemon(time);
    const QByteArray body(10000, 'x');
    daemon.telnet.receive(bytes({255, 250, 24}) + body + bytes({255, 240}) + "ok");
    ASSERT_EQ(daemon.commands.size(), 1);
    EXPECT_EQ(daemon.commands[0].size(), T::kMaxSubnegotiation + 2);
    EXPECT_TRUE(daemon.commands[0].endsWith(bytes({255, 240})));
    EXPECT_EQ(daemon.data, QByteArray("ok"));
}

TEST_F(TelnetProtocolTest, BoardDataIsEscaped)
{
    struct Case {
        const char* name;
        QByteArray data;
        QByteArray wire;
    };
    const Case cases[] = {
        {"CR LF as it is", "a\r\nb", "a\r\nb"},
        {"bare CR gets a NUL", "a\rb", QByteArray("a\r\0b", 4)},
        {"CR at the end gets a NUL", "a\r", QByteArray("a\r\0", 3)},
        {"LF CR", "a\n\r", QByteArray("a\n\r\0", 4)},
        {"0xFF doubled", bytes({'a', 255}), bytes({'a', 255, 255})},
        {"code page 932 text unchanged", "\x82\xa0\x83\x41", "\x82\xa0\x83\x41"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(T::escape(c.data).toHex(' '), c.wire.toHex(' '));
    }
}

}  // namespace
