// A board that drops the connection: the client marks the break in both
// views and in its log, counts down, connects again and logs in as F1 would,
// and F1 stops it. Against the zkt-board program over loopback TCP.

#include <QStatusBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "common/Cp932.h"
#include "support/FileBytes.h"
#include "support/qt/BoardProcess.h"
#include "support/qt/EventWait.h"
#include "support/qt/LiveClient.h"

using namespace Qt::StringLiterals;

namespace {

const QString kMainPrompt = u"MAIN (G,C,I,?) >"_s;
const QString kBreak = u"――― 接続が切れました "_s;

TEST(DroppedConnectionTest, MarkedReconnectedAndStoppedWithF1)
{
    // Long enough for the log-in to finish before the board drops it.
    BoardProcess board(QStringLiteral(ZKT_BOARD_PATH));
    ASSERT_TRUE(board.start({u"--quiet"_s, u"--drop-after"_s, u"2500"_s})) << board.error().toStdString();
    QTemporaryDir logs;
    ASSERT_TRUE(logs.isValid());
    LiveClient client;
    client.set(u"ConnectionAddress"_s, u"127.0.0.1"_s);
    client.set(u"ConnectionPort"_s, QString::number(board.port()));
    client.set(u"UserID"_s, u"demo"_s);
    client.set(u"Password"_s, u"demo"_s);
    client.set(u"HandleName"_s, u"たろう"_s);
    client.set(u"AutoReconnect"_s, u"True"_s);
    client.set(u"SaveLog"_s, u"True"_s);
    client.set(u"LogFolder"_s, logs.path());
    client.start();

    ASSERT_TRUE(client.press(1));
    ASSERT_TRUE(
        waitUntil([&] { return client.currentLine() == kMainPrompt && client.mode() == Mode::Main; }));
    EXPECT_TRUE(board.waitForReceived(1, "demo\r\ndemo\r\n")) << board.received(1).toStdString();

    // The board drops it: a marker, the countdown, F1 to stop.
    ASSERT_TRUE(waitUntil([&] { return client.mode() == Mode::LineOff; }));
    const QStringList rows = client.terminalRows();
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(rows[rows.size() - 3], kMainPrompt) << "the prompt the host left standing ends there";
    EXPECT_TRUE(rows[rows.size() - 2].startsWith(kBreak)) << rows[rows.size() - 2].toStdString();
    ASSERT_FALSE(client.chatRows().empty());
    EXPECT_TRUE(client.chatRows().back().message.startsWith(kBreak));
    EXPECT_EQ(client.captions()[0], u"中止"_s);
    EXPECT_TRUE(client.window->statusBar()->currentMessage().startsWith(u"再接続まで "_s));

    // Two seconds on, the same log-in on a new connection.
    EXPECT_TRUE(board.waitForReceived(2, "demo\r\ndemo\r\n")) << board.received(2).toStdString();
    ASSERT_TRUE(
        waitUntil([&] { return client.currentLine() == kMainPrompt && client.mode() == Mode::Main; }));

    // Dropped again; F1 stops the next attempt.
    ASSERT_TRUE(
        waitUntil([&] { return client.captions()[0] == u"中止"_s && client.mode() == Mode::LineOff; }));
    ASSERT_TRUE(client.press(1));
    EXPECT_EQ(client.captions()[0], u"ログイン"_s);
    EXPECT_EQ(client.window->statusBar()->currentMessage(), u"接続を中止しました"_s);
    EXPECT_FALSE(client.window->dialogue().reconnector().waiting());

    client.window->dialogue().flushLogs();
    const QString today = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
    const QString terminalLog =
        QString::fromUtf8(readBytes(logs.path() + u"/terminal-"_s + today + u".txt"_s));
    EXPECT_EQ(terminalLog.count(kBreak), 2) << terminalLog.toStdString();
    EXPECT_TRUE(terminalLog.contains(u"\t"_s + kMainPrompt + u"\n"_s)) << terminalLog.toStdString();
}

}  // namespace
