#include "controls/qt/QtTelnetSocket.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <functional>
#include <utility>

#include "support/FakeTime.h"
#include "support/PrintBoardState.h"
#include "common/Cp932.h"
#include "support/qt/EventWait.h"

namespace {

QByteArray sjis(const QString& text)
{
    return Cp932::encode(text).bytes;
}

struct RecordingListener : TelnetSocketListener {
    void onConnected() override { ++connects; }
    void onBytesReceived(QByteArrayView bytes) override
    {
        ++arrivals;
        received += bytes;
        if (closeOnArrival)
            socket->close();
        if (onArrival)
            std::exchange(onArrival, nullptr)();
    }
    void onCloseByHost() override
    {
        ++hostCloses;
        stateAtHostClose = socket->state();
    }
    void onConnectFailed(const QString& reason) override
    {
        failures << reason;
        stateAtFailure = socket->state();
    }
    void onSendInexact() override { ++inexactSends; }

    QtTelnetSocket* socket = nullptr;
    bool closeOnArrival = false;
    // Runs inside the next arrival, as a dialog opened there would.
    std::function<void()> onArrival;
    QByteArray received;
    int connects = 0;
    int arrivals = 0;
    int hostCloses = 0;
    int inexactSends = 0;
    std::optional<TelnetSocket::State> stateAtHostClose;
    std::optional<TelnetSocket::State> stateAtFailure;
    QStringList failures;
};

class TelnetSocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
        listener.socket = &socket;
        socket.setListener(&listener);
        socket.setRemoteHost(QStringLiteral("127.0.0.1"));
        socket.setRemotePort(server.serverPort());
    }

    // Connects; `peer` is then the server's end of the connection.
    void connectPeer()
    {
        socket.connectToRemote();
        ASSERT_TRUE(waitUntil([&] {
            return server.hasPendingConnections() && socket.state() == TelnetSocket::Connected;
        })) << listener.failures.join(u'\n').toStdString();
        peer = server.nextPendingConnection();
    }

    void hostSends(QTcpSocket* peer, const QByteArray& bytes)
    {
        peer->write(bytes);
        peer->flush();
    }

    FakeTimeSource time;
    QtTelnetSocket socket{time};
    RecordingListener listener;
    QTcpServer server;
    QTcpSocket* peer = nullptr;
};

TEST_F(TelnetSocketTest, PushesTheBytesAsTheyCome)
{
    ASSERT_NO_FATAL_FAILURE(connectPeer());
    EXPECT_TRUE(waitUntil([&] { return listener.connects == 1; }));
    const QByteArray bytes = sjis(QStringLiteral(u"ようこそ、掲示板へ！ｶﾀｶﾅ ok\r\n")) + "\xFF\xFB\x01";
    const qsizetype cut = bytes.indexOf(char(0x82)) + 1;  // right after a lead byte

    hostSends(peer, bytes.first(cut));
    ASSERT_TRUE(waitUntil([&] { return listener.arrivals >= 1; }));
    EXPECT_EQ(listener.received, bytes.first(cut));
    hostSends(peer, bytes.sliced(cut));
    ASSERT_TRUE(waitUntil([&] { return listener.received.size() >= bytes.size(); }));

    EXPECT_EQ(listener.received, bytes);
    EXPECT_EQ(socket.state(), TelnetSocket::Connected);
}

// While the client is busy inside its call (the event loop runs on, as under
// a dialog), a host that sends far more than the read-ahead is held back by
// the network; when the client returns, every byte arrives, in order.
TEST_F(TelnetSocketTest, AFloodWaitsInTheNetworkWhileTheClientIsBusy)
{
    ASSERT_NO_FATAL_FAILURE(connectPeer());
    QByteArray flood(64 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < flood.size(); ++i)
        flood[i] = char(i % 251);

    qint64 heldAhead = -1;
    qint64 hostLeft = -1;
    listener.onArrival = [&] {
        hostSends(peer, flood.sliced(1));
        // The host writes until nothing moves any more.
        qint64 before = 0;
        do {
            before = peer->bytesToWrite();
            settle();
        } while (peer->bytesToWrite() < before);
        heldAhead = socket.readAheadBytes();
        hostLeft = peer->bytesToWrite();
    };
    hostSends(peer, flood.first(1));

    ASSERT_TRUE(waitUntil([&] { return listener.received.size() >= flood.size(); }));
    EXPECT_GT(hostLeft, 0) << "the host wrote everything: the client read it all ahead";
    EXPECT_LE(heldAhead, QtTelnetSocket::kReadAhead);
    EXPECT_EQ(listener.received.size(), flood.size());
    EXPECT_TRUE(listener.received == flood);
}

TEST_F(TelnetSocketTest, ConnectsByHostName)
{
    socket.setRemoteHost(QStringLiteral("localhost"));
    ASSERT_NO_FATAL_FAILURE(connectPeer());
    hostSends(peer, "ok");
    ASSERT_TRUE(waitUntil([&] { return listener.received == "ok"; }));
}

TEST_F(TelnetSocketTest, SendsCodePage932InOneWrite)
{
    ASSERT_NO_FATAL_FAILURE(connectPeer());
    QByteArray atHost;
    auto expectArrives = [&](const QByteArray& expected) {
        EXPECT_TRUE(waitUntil([&] {
            atHost += peer->readAll();
            return atHost.size() >= expected.size();
        }));
        EXPECT_EQ(atHost, expected);
        atHost.clear();
    };

    socket.sendData(QStringLiteral(u"guest\r\n"));
    expectArrives("guest\r\n");
    socket.sendData(QStringLiteral(u"こんにちは～\r\n"));
    expectArrives(QByteArray("\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\x81\x60\r\n"));
    settle();
    EXPECT_EQ(listener.inexactSends, 0);

    socket.sendData(QStringLiteral(u"€5 𠮷野家\r\n"));
    EXPECT_EQ(listener.inexactSends, 0);  // never from inside the caller's own call
    expectArrives(QByteArray("?5 ?\x96\xEC\x89\xC6\r\n"));
    EXPECT_TRUE(waitUntil([&] { return listener.inexactSends == 1; }));
}

TEST_F(TelnetSocketTest, HostCloseDeliversTheRestThenNotifiesOnce)
{
    ASSERT_NO_FATAL_FAILURE(connectPeer());
    hostSends(peer, sjis(QStringLiteral(u"さようなら\r\n")) + char(0x82));
    peer->disconnectFromHost();

    ASSERT_TRUE(waitUntil([&] { return listener.hostCloses == 1; }));
    EXPECT_EQ(listener.received, sjis(QStringLiteral(u"さようなら\r\n")) + char(0x82));
    EXPECT_EQ(listener.stateAtHostClose, TelnetSocket::Closing);
    EXPECT_EQ(socket.state(), TelnetSocket::Closing);
    settle();
    EXPECT_EQ(listener.hostCloses, 1);
    EXPECT_EQ(socket.state(), TelnetSocket::Closing);

    socket.close();
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    settle();
    EXPECT_EQ(listener.hostCloses, 1);
    EXPECT_TRUE(listener.failures.isEmpty());
}

// The dialogue's timer closes a socket it finds Closing; a close the host
// caused must still be told, whichever comes first.
TEST_F(TelnetSocketTest, AWriteAfterTheResetIsToldEvenWhenClosedFirst)
{
    ASSERT_NO_FATAL_FAILURE(connectPeer());
    peer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    hostSends(peer, "x");
    ASSERT_TRUE(waitUntil([&] { return listener.arrivals == 1; }));
    // Closing with unread data makes the kernel reset the connection.
    socket.sendData(QStringLiteral("unread\r\n"));
    ASSERT_TRUE(waitUntil([&] { return peer->bytesAvailable() > 0; }));
    peer->abort();
    // Neither the event loop nor the listener runs between the failing write
    // and the timer's close.
    for (int i = 0; i < 50 && socket.state() == TelnetSocket::Connected; ++i)
        socket.sendData(QStringLiteral("after the reset\r\n"));
    ASSERT_EQ(socket.state(), TelnetSocket::Closing);
    EXPECT_EQ(listener.hostCloses, 0);
    socket.close();

    settle();
    EXPECT_EQ(listener.hostCloses, 1);
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
}

TEST_F(TelnetSocketTest, ClosingWhileTakingTheLastTextCancelsTheCloseNotification)
{
    ASSERT_NO_FATAL_FAILURE(connectPeer());
    listener.closeOnArrival = true;
    hostSends(peer, "bye");
    peer->disconnectFromHost();

    ASSERT_TRUE(waitUntil([&] { return socket.state() == TelnetSocket::Closed; }));
    settle();
    EXPECT_EQ(listener.hostCloses, 0);
}

TEST_F(TelnetSocketTest, ResetByThePeerCountsAsTheHostClosing)
{
    ASSERT_NO_FATAL_FAILURE(connectPeer());
    // Closing with data the host has not read makes the kernel reset the
    // connection; the event loop must not run in between, or Qt reads it.
    socket.sendData(QStringLiteral(u"unread\r\n"));
    peer->abort();

    ASSERT_TRUE(waitUntil([&] { return listener.hostCloses >= 1; }));
    settle();
    EXPECT_EQ(listener.hostCloses, 1);
    EXPECT_EQ(socket.state(), TelnetSocket::Closing);
}

TEST_F(TelnetSocketTest, OwnCloseRaisesNothingAndALaterConnectWorks)
{
    ASSERT_NO_FATAL_FAILURE(connectPeer());
    QTcpSocket* const first = peer;
    hostSends(first, QByteArray(1, char(0x93)));  // a lead byte the close must forget
    ASSERT_TRUE(waitUntil([&] { return listener.arrivals == 1; }));

    socket.close();
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    ASSERT_TRUE(waitUntil([&] { return first->state() == QAbstractSocket::UnconnectedState; }));
    settle();
    EXPECT_EQ(listener.hostCloses, 0);
    EXPECT_TRUE(listener.failures.isEmpty());

    ASSERT_NO_FATAL_FAILURE(connectPeer());  // a second connection
    hostSends(peer, "\xFA\x40");
    ASSERT_TRUE(waitUntil([&] { return listener.received.size() == 3; }));
    EXPECT_EQ(listener.received, "\x93\xFA\x40");
}

// A name with two addresses, and a host that accepts on the first and resets
// at once: QTcpSocket on its own would go on to the second address.
// A host that accepts and resets at once gets one connection, not a flood:
// on its own QTcpSocket connects again to the same address, and moves on to a
// name's next one. Where localhost has both IPv6 and IPv4, the name is
// tried too.
TEST_F(TelnetSocketTest, OneAttemptMakesOneConnection)
{
    QTcpServer both;
    ASSERT_TRUE(both.listen(QHostAddress::Any));
    QStringList hosts{QStringLiteral("127.0.0.1")};
    if (QHostInfo::fromName(QStringLiteral("localhost")).addresses().size() >= 2)
        hosts << QStringLiteral("localhost");
    int accepted = 0;
    QObject::connect(&both, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* incoming = both.nextPendingConnection()) {
            ++accepted;
            const linger reset{1, 0};  // closing then resets instead of ending politely
            ::setsockopt(int(incoming->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            incoming->abort();
        }
    });
    for (const QString& host : hosts) {
        SCOPED_TRACE(host.toStdString());
        accepted = 0;
        listener.hostCloses = 0;
        listener.failures.clear();
        socket.setRemoteHost(host);
        socket.setRemotePort(both.serverPort());
        socket.connectToRemote();
        ASSERT_TRUE(waitUntil([&] { return listener.hostCloses + listener.failures.size() > 0; }));
        settle();
        EXPECT_EQ(accepted, 1);
        EXPECT_EQ(listener.hostCloses + listener.failures.size(), 1);
        socket.close();
    }
}

TEST_F(TelnetSocketTest, RefusedConnectionReportsAndReturnsToClosed)
{
    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost));
    const quint16 port = gone.serverPort();
    gone.close();
    socket.setRemotePort(port);

    socket.connectToRemote();
    EXPECT_TRUE(listener.failures.isEmpty());  // reported later, never from inside the call
    ASSERT_TRUE(waitUntil([&] { return !listener.failures.isEmpty(); }));
    settle();

    ASSERT_EQ(listener.failures.size(), 1);
    EXPECT_TRUE(listener.failures[0].startsWith(QStringLiteral(u"接続が拒否されました")));
    EXPECT_TRUE(listener.failures[0].contains(QStringLiteral("127.0.0.1:%1").arg(port)));
    EXPECT_EQ(listener.stateAtFailure, TelnetSocket::Closed);
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    EXPECT_EQ(time.activeTimerCount(), 0);
}

TEST_F(TelnetSocketTest, ConnectTimeLimit)
{
    // A non-blocking connect answers through the event loop, which does not
    // run here: the attempt is still pending when time moves. (An address,
    // not a name: a name lookup left pending would outlive the test.)
    socket.setRemoteHost(QStringLiteral("127.0.0.1"));
    socket.connectToRemote();
    const TelnetSocket::State pending = socket.state();
    ASSERT_TRUE(pending == TelnetSocket::ResolvingHost || pending == TelnetSocket::Connecting) << pending;
    time.advance(QtTelnetSocket::kConnectTimeLimitMs - 1);
    EXPECT_TRUE(listener.failures.isEmpty());
    time.advance(1);

    ASSERT_EQ(listener.failures.size(), 1);
    EXPECT_TRUE(listener.failures[0].startsWith(QStringLiteral(u"接続がタイムアウトしました")));
    EXPECT_EQ(listener.stateAtFailure, TelnetSocket::Closed);
    settle();
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    EXPECT_EQ(listener.failures.size(), 1);
}

TEST_F(TelnetSocketTest, TheTimeLimitEndsOnceConnected)
{
    ASSERT_NO_FATAL_FAILURE(connectPeer());
    time.advance(QtTelnetSocket::kConnectTimeLimitMs * 2);
    EXPECT_TRUE(listener.failures.isEmpty());
    EXPECT_EQ(socket.state(), TelnetSocket::Connected);
}

TEST_F(TelnetSocketTest, BadTargetsFailWithoutTouchingTheNetwork)
{
    struct Case {
        QString host;
        qint32 port;
        QString reason;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("127.0.0.1"), 0, QStringLiteral(u"ポート番号が正しくありません (127.0.0.1:0)")},
        {QStringLiteral("127.0.0.1"), 70000,
         QStringLiteral(u"ポート番号が正しくありません (127.0.0.1:70000)")},
        {QStringLiteral("  "), 23, QStringLiteral(u"ホストが見つかりません (:23)")},
    };
    for (const Case& c : cases) {
        listener.failures.clear();
        socket.setRemoteHost(c.host);
        socket.setRemotePort(c.port);
        socket.connectToRemote();
        EXPECT_TRUE(listener.failures.isEmpty());
        ASSERT_TRUE(waitUntil([&] { return !listener.failures.isEmpty(); }));
        EXPECT_EQ(listener.failures, QStringList{c.reason});
        EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    }
}

TEST_F(TelnetSocketTest, NothingIsSentWhileNotConnected)
{
    socket.sendData(QStringLiteral(u"lost€\r\n"));
    settle();
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    EXPECT_EQ(listener.inexactSends, 0);
}

}  // namespace
