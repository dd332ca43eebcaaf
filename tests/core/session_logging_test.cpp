// What the session writes to its logs: every finished terminal line as
// shown, every chat row as shown, from the connection on that the setting
// was on.

#include <QTemporaryDir>

#include "common/SettingsLookup.h"
#include "support/DialogueFixture.h"
#include "support/FileBytes.h"

namespace {

class SessionLoggingTest : public DialogueFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        time.setLocalNow(QDateTime(QDate(2026, 3, 1), QTime(9, 5, 7)));
        SettingsLookup::writeSetting(store, "SaveLog", "True");
        SettingsLookup::writeSetting(store, "LogFolder", temp.path());
        SettingsLookup::writeSetting(store, "HandleName", "Taro");
    }
    QByteArray log(const char* kind) const { return readBytes(temp.path() + "/" + kind + "-2026-03-01.txt"); }

    QTemporaryDir temp;
};

TEST_F(SessionLoggingTest, TerminalLinesAndChatRowsAsShown)
{
    enterChat();
    socket.pushBytes(QByteArray("\x1b[31mJiro\x1b[0m>\x82\xb1\x82\xf1\r\n"));
    receive(QStringLiteral("Hana>a\tb\r\n発言>hi\r\nunfinished"));
    dialogue.flushLogs();
    EXPECT_EQ(log("terminal"), QStringLiteral("09:05:07\tTaroさんがチャットルームに入室しました。\n"
                                              "09:05:07\tJiro>こん\n"
                                              "09:05:07\tHana>a  b\n"
                                              "09:05:07\t発言>hi\n")
                                   .toUtf8());
    EXPECT_EQ(log("chat"), QStringLiteral("09:05:07\t\tTaroさんがチャットルームに入室しました。\n"
                                          "09:05:07\tJiro\tこん\n"
                                          "09:05:07\tHana\ta  b\n"
                                          "09:05:07\tTaro\thi\n")
                               .toUtf8());
}

TEST_F(SessionLoggingTest, TheSettingTakesEffectAtTheNextConnection)
{
    SettingsLookup::writeSetting(store, "SaveLog", "False");
    connect();
    receive(QStringLiteral("not logged\r\n"));
    SettingsLookup::writeSetting(store, "SaveLog", "True");
    receive(QStringLiteral("still not logged\r\n"));
    socket.hostCloses();
    connect();
    receive(QStringLiteral("logged\r\n"));
    dialogue.flushLogs();
    EXPECT_EQ(log("terminal"), "09:05:07\tlogged\n");
}

TEST_F(SessionLoggingTest, TheBreakMarkerIsLoggedToo)
{
    enterChat();
    socket.hostCloses();
    dialogue.flushLogs();
    const QByteArray marker = QStringLiteral("――― 接続が切れました 2026-03-01 09:05:07 ―――").toUtf8();
    EXPECT_TRUE(log("terminal").endsWith("09:05:07\t" + marker + "\n"));
    EXPECT_TRUE(log("chat").endsWith("09:05:07\t\t" + marker + "\n"));
}

// A folder that cannot be written stops only the log, and only until the
// next connection; the views go on.
TEST_F(SessionLoggingTest, AFailingFolderPausesLoggingUntilTheNextConnection)
{
    ASSERT_TRUE(writeBytes(temp.path() + "/file", "x"));
    SettingsLookup::writeSetting(store, "LogFolder", temp.path() + "/file/logs");
    connect();
    receive(QStringLiteral("one\r\ntwo\r\n"));
    EXPECT_EQ(window.warnings.size(), 1);
    EXPECT_EQ(terminalRows(), (QStringList{"one", "two", ""}));
    socket.hostCloses();
    SettingsLookup::writeSetting(store, "LogFolder", temp.path());
    connect();
    receive(QStringLiteral("three\r\n"));
    dialogue.flushLogs();
    EXPECT_EQ(window.warnings.size(), 1);
    EXPECT_TRUE(log("terminal").endsWith("09:05:07\tthree\n"));
}

}  // namespace
