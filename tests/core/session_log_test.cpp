// The chat and terminal logs: their lines and files by local date, privacy,
// appending across restarts, flushing, and a folder that cannot be written.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>

#include "log/SessionLog.h"
#include "support/FakeTime.h"
#include "support/FakeWindow.h"
#include "support/FileBytes.h"
#include "support/PrintQString.h"

namespace {

class SessionLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        folder = temp.path() + QStringLiteral("/ZKT/logs");
        time.setLocalNow(QDateTime(QDate(2026, 3, 1), QTime(23, 59, 58)));
    }
    QByteArray chatFile(const char* date) const { return readBytes(folder + "/chat-" + date + ".txt"); }
    QByteArray terminalFile(const char* date) const
    {
        return readBytes(folder + "/terminal-" + date + ".txt");
    }
    // One chat row and one terminal line, flushed.
    void writeOneOfEach(bool save)
    {
        SessionLog log(time, window);
        log.start(save, folder);
        log.chatRow(u"Taro", u"hi");
        log.terminalLine(u"line");
        log.flush();
    }

    QTemporaryDir temp;
    QString folder;
    FakeTimeSource time;
    FakeWindow window;
};

TEST_F(SessionLogTest, LinesTakeTheLocalTimeAndFieldsLoseTabsAndLineBreaks)
{
    struct Case {
        QString handle;
        QString message;
        QByteArray chatLine;
    };
    const Case cases[] = {
        {"Taro", "hi", "23:59:58\tTaro\thi\n"},
        {"", "お知らせ", "23:59:58\t\tお知らせ\n"},
        {"Ta\tro", "a\tb\r\nc\rd\ne", "23:59:58\tTa ro\ta b  c d e\n"},
        {"Jiro", "", "23:59:58\tJiro\t\n"},
    };
    SessionLog log(time, window);
    log.start(true, folder);
    QByteArray expected;
    for (const Case& c : cases) {
        log.chatRow(c.handle, c.message);
        expected += c.chatLine;
    }
    log.terminalLine(QStringLiteral("MAIN (G,C,I,?)>\tx"));
    log.flush();
    EXPECT_EQ(chatFile("2026-03-01"), expected);
    EXPECT_EQ(terminalFile("2026-03-01"), "23:59:58\tMAIN (G,C,I,?)> x\n");
    EXPECT_TRUE(window.warnings.isEmpty());
}

TEST_F(SessionLogTest, ALineAfterMidnightGoesToTheNextDaysFile)
{
    SessionLog log(time, window);
    log.start(true, folder);
    log.terminalLine(u"before");
    time.advance(2000);
    log.terminalLine(u"after");
    time.advance(24 * 3600 * 1000);
    log.terminalLine(u"a day later");
    log.flush();
    EXPECT_EQ(terminalFile("2026-03-01"), "23:59:58\tbefore\n");
    EXPECT_EQ(terminalFile("2026-03-02"), "00:00:00\tafter\n");
    EXPECT_EQ(terminalFile("2026-03-03"), "00:00:00\ta day later\n");
}

TEST_F(SessionLogTest, ARestartAppendsToTheSameDaysFile)
{
    {
        SessionLog log(time, window);
        log.start(true, folder);
        log.chatRow(u"Taro", u"first run");
    }
    time.advance(1000);
    SessionLog log(time, window);
    log.start(true, folder);
    log.chatRow(u"Taro", u"second run");
    log.flush();
    EXPECT_EQ(chatFile("2026-03-01"), "23:59:58\tTaro\tfirst run\n23:59:59\tTaro\tsecond run\n");
}

TEST_F(SessionLogTest, FolderAndFilesArePrivateToTheUser)
{
    writeOneOfEach(true);
    const auto owner = QFile::ReadOwner | QFile::WriteOwner;
    const auto mask = owner | QFile::ExeOwner | QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(folder).permissions() & mask, owner | QFile::ExeOwner);
    EXPECT_EQ(QFileInfo(temp.path() + "/ZKT").permissions() & mask, owner | QFile::ExeOwner);
    EXPECT_EQ(QFileInfo(folder + "/chat-2026-03-01.txt").permissions() & mask, owner);
    EXPECT_EQ(QFileInfo(folder + "/terminal-2026-03-01.txt").permissions() & mask, owner);
}

// Within a second of a line it is on disk, whether or not more follow; and
// at once when asked (the exit) or when the log goes away.
TEST_F(SessionLogTest, LinesReachTheFileWithinASecondAndAtFlush)
{
    SessionLog log(time, window);
    log.start(true, folder);
    log.chatRow(u"Taro", u"one");
    EXPECT_EQ(chatFile("2026-03-01"), "") << "buffered for now";
    time.advance(999);
    EXPECT_EQ(chatFile("2026-03-01"), "");
    time.advance(1);
    EXPECT_EQ(chatFile("2026-03-01"), "23:59:58\tTaro\tone\n");
    log.chatRow(u"Taro", u"two");
    log.flush();
    EXPECT_EQ(chatFile("2026-03-01"), "23:59:58\tTaro\tone\n23:59:59\tTaro\ttwo\n");
    EXPECT_EQ(time.activeTimerCount(), 0) << "nothing left to flush";
}

TEST_F(SessionLogTest, TheLastLinesReachTheFileWhenTheLogEnds)
{
    {
        SessionLog log(time, window);
        log.start(true, folder);
        log.terminalLine(u"last words");
    }
    EXPECT_EQ(terminalFile("2026-03-01"), "23:59:58\tlast words\n");
}

TEST_F(SessionLogTest, NothingIsWrittenWhileSavingIsOff)
{
    writeOneOfEach(false);
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(window.warnings.isEmpty());
}

// A folder that cannot be made (a file stands in its way, which holds even
// for root) is reported once; logging then pauses until the next connection.
TEST_F(SessionLogTest, AFolderThatCannotBeWrittenIsReportedOnceAndPausesLogging)
{
    time.setLocalNow(QDateTime(QDate(2026, 3, 1), QTime(12, 0)));
    ASSERT_TRUE(writeBytes(temp.path() + "/blocked", "a file"));
    const QString blocked = temp.path() + "/blocked/logs";
    for (const QString& bad : {blocked, QString()}) {
        SCOPED_TRACE(bad.toStdString());
        window.warnings.clear();
        SessionLog log(time, window);
        log.start(true, bad);
        log.chatRow(u"Taro", u"hi");
        log.terminalLine(u"line");
        log.chatRow(u"Taro", u"again");
        time.advance(2000);
        ASSERT_EQ(window.warnings.size(), 1);
        EXPECT_TRUE(window.warnings[0].startsWith("ログを書き込めないため、次の接続まで記録を止めます: "))
            << window.warnings[0].toStdString();
        EXPECT_FALSE(log.writing());

        log.start(true, folder);  // the next connection, the folder put right
        EXPECT_TRUE(log.writing());
        log.chatRow(u"Taro", u"resumed");
        log.flush();
        EXPECT_EQ(window.warnings.size(), 1);
    }
    EXPECT_EQ(chatFile("2026-03-01"), "12:00:02\tTaro\tresumed\n12:00:04\tTaro\tresumed\n");
}

TEST_F(SessionLogTest, AFileThatCannotBeOpenedIsReported)
{
    // A folder where the day's file should be.
    ASSERT_TRUE(QDir().mkpath(folder + "/chat-2026-03-01.txt"));
    SessionLog log(time, window);
    log.start(true, folder);
    log.chatRow(u"Taro", u"hi");
    ASSERT_EQ(window.warnings.size(), 1);
    EXPECT_TRUE(window.warnings[0].contains("chat-2026-03-01.txt")) << window.warnings[0].toStdString();
    log.terminalLine(u"paused too");
    log.flush();
    EXPECT_EQ(terminalFile("2026-03-01"), "<unreadable>");
}

}  // namespace
