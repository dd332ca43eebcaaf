// The main window when the connection cannot be made: refused, a host name
// that cannot be found, no answer within the time limit, and a line typed
// while the connection is still being made. The status bar says what
// happened and the client is back in "LineOff" with the log-in key offered.

#include <QHostAddress>
#include <QLineEdit>
#include <QTcpServer>
#include <gtest/gtest.h>

#include <functional>

#include "common/MemorySettingsStore.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "support/qt/KeyedWindow.h"

namespace {

using namespace Qt::StringLiterals;

const QString kLogIn = u"ログイン"_s;

// A free loopback port that nobody listens on.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

class ConnectionFailureTest : public ::testing::Test {
protected:
    void set(const QString& key, const QString& value) { SettingsLookup::writeSetting(store, key, value); }

    void expectLineOffOfferingLogIn()
    {
        EXPECT_EQ(client.mode(), Mode::LineOff);
        EXPECT_EQ(client.caption(1), kLogIn);
        EXPECT_EQ(client.caption(5), u"設定"_s);
        EXPECT_FALSE(client.inputEnabled());
        EXPECT_EQ(client.socket.state(), TelnetSocket::Closed);
    }

    MemorySettingsStore store;
    KeyedWindow client{store};
};

struct Failure {
    const char* name;
    QString host;
    // Makes the attempt fail; by default the event loop runs until it has.
    std::function<void(KeyedWindow&)> fail;
    QString status;  // what the status bar says, up to the target
    friend void PrintTo(const Failure& failure, std::ostream* os) { *os << failure.name; }
};

class ConnectionFailureCaseTest : public ConnectionFailureTest,
                                  public ::testing::WithParamInterface<Failure> {};

TEST_P(ConnectionFailureCaseTest, StatusSaysWhatHappenedAndLogInIsOfferedAgain)
{
    const Failure& failure = GetParam();
    const quint16 port = closedPort();
    set(u"ConnectionAddress"_s, failure.host);
    set(u"ConnectionPort"_s, QString::number(port));
    client.start();

    // The second attempt shows that the first left nothing behind.
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        client.press(1);
        EXPECT_EQ(client.mode(), Mode::Main);
        if (failure.fail)
            failure.fail(client);
        ASSERT_TRUE(waitUntil([&] { return client.mode() == Mode::LineOff; }));
        settle();
        EXPECT_EQ(client.status(), u"接続できませんでした: "_s + failure.status + u" ("_s + failure.host +
                                       u':' + QString::number(port) + u')');
        expectLineOffOfferingLogIn();
        EXPECT_EQ(client.time.activeTimerCount(), 1) << "only the window's own timer is left";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ConnectionFailureCaseTest,
    ::testing::Values(Failure{"Refused", u"127.0.0.1"_s, nullptr, u"接続が拒否されました"_s},
                      // A name that cannot be a host name fails without asking any name server.
                      Failure{"HostNotFound", u".no-such-host"_s, nullptr, u"ホストが見つかりません"_s},
                      // The attempt is still pending while the event loop does not run;
                      // the time limit ends it without any waiting.
                      Failure{"NoAnswerWithinTheTimeLimit", u"127.0.0.1"_s,
                              [](KeyedWindow& client) {
                                  client.time.advance(QtTelnetSocket::kConnectTimeLimitMs - 1);
                                  EXPECT_EQ(client.mode(), Mode::Main);
                                  client.time.advance(1);
                              },
                              u"接続がタイムアウトしました"_s}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

// Enter while the connection is still being made: nothing is sent, the
// status bar says so, and the typed line stays in the input line.
TEST_F(ConnectionFailureTest, LineTypedBeforeTheConnectionIsUpIsKept)
{
    set(u"ConnectionAddress"_s, u"127.0.0.1"_s);
    set(u"ConnectionPort"_s, QString::number(closedPort()));
    client.start();
    client.press(1);
    ASSERT_TRUE(client.inputEnabled());
    ASSERT_NE(client.socket.state(), TelnetSocket::Connected);

    client.type(u"hello"_s);
    EXPECT_EQ(client.status(), u"接続していないため送信しませんでした"_s);
    EXPECT_EQ(client.window->inputLine()->text(), u"hello"_s);

    client.press(7);  // no caption yet: nothing happens, nothing is said
    EXPECT_EQ(client.status(), u"接続していないため送信しませんでした"_s);

    client.time.advance(QtTelnetSocket::kConnectTimeLimitMs);
    settle();
    expectLineOffOfferingLogIn();
    EXPECT_TRUE(client.status().startsWith(u"接続できませんでした: 接続がタイムアウトしました"_s));
}

}  // namespace
