// The main window against hosts that misbehave, over loopback TCP: bytes
// code page 932 does not define, a character cut by the close, a line with no
// end, a flood of lines, a host that closes while the client sends, and a
// host that never says anything. Whatever the host does, the client shows
// what came (U+FFFD for bytes it cannot read), keeps answering the keys, and
// is back in "LineOff" offering the log-in key once the connection is gone.

#include <QHostAddress>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "common/Cp932.h"
#include "common/MemorySettingsStore.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "support/qt/KeyedWindow.h"

namespace {

using namespace Qt::StringLiterals;

const QString kLogIn = u"ログイン"_s;
const QString kHostEnded = u"ホストが接続を終了しました"_s;

// A host scripted by the test: it accepts connections on a free loopback
// port and keeps what each one sent.
class ScriptedHost {
public:
    ScriptedHost()
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* peer = server.nextPendingConnection()) {
                peers.push_back(peer);
                received.emplace_back();
                const size_t index = peers.size() - 1;
                QObject::connect(peer, &QTcpSocket::readyRead, peer,
                                 [this, peer, index] { received[index] += peer->readAll(); });
            }
        });
    }

    quint16 port() const { return server.serverPort(); }
    QTcpSocket* peer() const { return peers.empty() ? nullptr : peers.back(); }

    // Writes and closes gracefully once everything written has gone out.
    void sendAndClose(const QByteArray& bytes)
    {
        peer()->write(bytes);
        peer()->disconnectFromHost();
    }

    QTcpServer server;
    std::vector<QTcpSocket*> peers;
    std::vector<QByteArray> received;
};

class HostileHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.server.isListening());
        for (auto [key, value] : {std::pair{u"ConnectionAddress"_s, u"127.0.0.1"_s},
                                  {u"ConnectionPort"_s, QString::number(host.port())},
                                  {u"UserID"_s, u"demo"_s},
                                  {u"Password"_s, u"secret"_s},
                                  {u"HandleName"_s, u"Taro"_s}})
            SettingsLookup::writeSetting(store, key, value);
        client.start();
    }

    // F1 at line-off, then the host has the connection.
    void logIn()
    {
        const size_t before = host.peers.size();
        ASSERT_EQ(client.caption(1), kLogIn);
        client.press(1);
        ASSERT_TRUE(waitUntil(
            [&] { return host.peers.size() > before && client.socket.state() == TelnetSocket::Connected; }));
    }

    // What every test ends with: the connection is gone, the client stands in
    // "LineOff" and says so, and the keys it offers there work.
    void expectBackInLineOff()
    {
        ASSERT_TRUE(waitUntil([&] { return client.mode() == Mode::LineOff; }));
        settle();
        EXPECT_EQ(client.caption(1), kLogIn);
        EXPECT_EQ(client.caption(5), u"設定"_s);
        EXPECT_FALSE(client.inputEnabled());
        EXPECT_EQ(client.socket.state(), TelnetSocket::Closed);
        EXPECT_EQ(client.status(), kHostEnded);
        expectScreenKeyWorks();
        client.press(5);
        EXPECT_EQ(client.settingsDialogs, 1);
    }

    void expectScreenKeyWorks()
    {
        const bool terminal = client.terminalShown();
        client.press(4);
        EXPECT_EQ(client.terminalShown(), !terminal);
        client.press(4);
        EXPECT_EQ(client.terminalShown(), terminal);
    }

    QStringList rows() const
    {
        QStringList shown;
        for (int row = 1; row <= client.rows(); ++row)
            shown << client.row(row);
        return shown;
    }

    MemorySettingsStore store;
    ScriptedHost host;
    KeyedWindow client{store};
};

struct ByteScript {
    const char* name;
    QByteArray bytes;
    QStringList rows;  // the terminal once the host has closed
    friend void PrintTo(const ByteScript& script, std::ostream* os) { *os << script.name; }
};

class HostileBytesTest : public HostileHostTest, public ::testing::WithParamInterface<ByteScript> {};

TEST_P(HostileBytesTest, ShownWithReplacementsThenLineOff)
{
    logIn();
    host.sendAndClose(GetParam().bytes);
    expectBackInLineOff();
    EXPECT_EQ(rows(), GetParam().rows);
}

const QString kFFFD = QString(QChar(0xFFFD));
// Where the host ended the connection (the test's clock stands still).
const QString kBreak = u"――― 接続が切れました 2026-01-01 12:00:00 ―――"_s;

INSTANTIATE_TEST_SUITE_P(Bytes, HostileBytesTest,
                         ::testing::Values(
                             // 0xFF is the telnet command byte: with the "B" after it, a command.
                             ByteScript{"UndefinedSingleBytes",
                                        QByteArray("A\x80\xA0\xFD\xFE\xFF"
                                                   "B\r\n"),
                                        {u"A"_s + kFFFD.repeated(4), kBreak, QString()}},
                             ByteScript{"NulAndDoubledFF",
                                        QByteArray("a\0b\xFF\xFF"
                                                   "c\r\nd",
                                                   9),
                                        {u"ab"_s + kFFFD + u"c"_s, u"d"_s, kBreak, QString()}},
                             ByteScript{"UndefinedPairsAndStrayLeads",
                                        QByteArray("\x85\x40x\x82\r\n\xA0\x82\xA0y"),
                                        {kFFFD + u"x"_s + kFFFD, kFFFD + u"あy"_s, kBreak, QString()}},
                             ByteScript{"CharacterCutByTheClose",
                                        Cp932::encode(u"あい"_s).bytes + "\x82",
                                        {u"あい"_s + kFFFD, kBreak, QString()}}),
                         [](const ::testing::TestParamInfo<ByteScript>& info) {
                             return std::string(info.param.name);
                         });

// Ten megabytes without a CR: one row holding all of it, read through
// blocks of whatever size the network makes.
TEST_F(HostileHostTest, TenMegabyteLineWithoutLineEnd)
{
    const QByteArray pattern = Cp932::encode(u"ｱ漢ok "_s).bytes + QByteArray("\x80\x00", 2);
    const QString decoded = u"ｱ漢ok "_s + kFFFD;  // NUL draws nothing
    constexpr int kRepeats = (10 << 20) / 8;
    ASSERT_EQ(pattern.size(), 8);

    logIn();
    host.sendAndClose(pattern.repeated(kRepeats));
    expectBackInLineOff();
    ASSERT_EQ(client.rows(), 3);  // the line, the break, the new current line
    EXPECT_EQ(client.row(2), kBreak);
    ASSERT_EQ(client.rowLength(1), qsizetype(decoded.size()) * kRepeats);
    EXPECT_TRUE(client.window->terminalModel().text(1, 1) == decoded.repeated(kRepeats));
}

// A million short lines as fast as loopback carries them. The window keeps
// turning its event loop while they arrive, so a key pressed meanwhile is
// answered before the flood ends.
TEST_F(HostileHostTest, MillionShortLines)
{
    constexpr int kLines = 1000000;
    QByteArray flood;
    flood.reserve(kLines * 12);
    for (int i = 0; i < kLines; ++i)
        flood += "L" + QByteArray::number(i) + "\r\n";

    logIn();
    host.sendAndClose(flood);
    ASSERT_TRUE(waitUntil([&] { return client.rows() > 1000; }));
    expectScreenKeyWorks();
    expectBackInLineOff();

    ASSERT_EQ(client.rows(), kLines + 2);  // and the break
    EXPECT_EQ(client.row(kLines + 1), kBreak);
    EXPECT_EQ(client.row(1), u"L0"_s);
    EXPECT_EQ(client.row(kLines / 2 + 1), QStringLiteral("L%1").arg(kLines / 2));
    EXPECT_EQ(client.row(kLines), QStringLiteral("L%1").arg(kLines - 1));
    EXPECT_EQ(client.row(kLines + 2), QString());
}

// The user sends a long line while the host goes away, by a reset or by an
// orderly close that the unread line then turns into a reset: the send does
// not bring the client down, and the next log-in works.
TEST_F(HostileHostTest, HostClosesWhileTheClientSends)
{
    const std::vector<std::pair<const char*, std::function<void(QTcpSocket*)>>> closes = {
        {"reset", [](QTcpSocket* peer) { peer->abort(); }},
        {"orderly close", [](QTcpSocket* peer) { peer->disconnectFromHost(); }},
    };
    const QString longLine(1 << 20, u'x');
    for (const auto& [name, close] : closes) {
        SCOPED_TRACE(name);
        client.settingsDialogs = 0;
        logIn();
        host.peer()->write("User ID = ");
        ASSERT_TRUE(waitUntil([&] { return host.received.back() == "demo\r\n"; }));
        close(host.peer());
        // Sent at once, before the client can have seen the close.
        client.window->inputLine()->setText(longLine);
        QTest::keyClick(client.window->inputLine(), Qt::Key_Return);
        expectBackInLineOff();
    }
}

// A host that accepts and never sends: the connection stays up, the time
// limit of the connection attempt no longer applies, and every key the bar
// offers meanwhile does its work.
TEST_F(HostileHostTest, SilentHostKeepsTheClientResponsive)
{
    logIn();
    client.time.advance(10 * 60 * 1000);
    settle();
    EXPECT_EQ(client.socket.state(), TelnetSocket::Connected);
    EXPECT_EQ(client.mode(), Mode::Main);
    EXPECT_TRUE(client.inputEnabled());

    // The line-off captions stay until the board's menu is seen; the log-in
    // key offers to stop the attempt.
    EXPECT_EQ(client.caption(1), u"中止"_s);
    EXPECT_EQ(client.caption(4), u"画面切替"_s);
    EXPECT_EQ(client.caption(5), u"設定"_s);
    EXPECT_EQ(client.caption(8), u"終了"_s);

    expectScreenKeyWorks();
    client.press(5);
    EXPECT_EQ(client.settingsDialogs, 1);
    client.type(u"hello"_s);
    ASSERT_TRUE(waitUntil([&] { return host.received.back() == "hello\r\n"; }));
    client.press(1);
    settle();
    EXPECT_EQ(host.peers.size(), 1u) << "stopping makes no new attempt";
    EXPECT_EQ(client.mode(), Mode::LineOff);
    EXPECT_EQ(client.caption(1), u"ログイン"_s);
    client.press(8);
    EXPECT_EQ(client.exits, 1);
}

}  // namespace
