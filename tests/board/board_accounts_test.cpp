#include "BoardAccounts.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

struct AccountLineCase {
    const char* line;
    bool accepted;
    const char* handle;
};

TEST(BoardAccountsTest, EachLineIsTakenOrExplained)
{
    const AccountLineCase cases[] = {
        {"demo:demo:たろう", true, "たろう"},
        {"demo:demo:", true, ""},
        {"demo:pa ss:  Taro  ", true, "Taro"},
        {"demo:demo:a:b", true, "a:b"},
        {"demo::Taro", true, "Taro"},
        {"demo:demo", false, ""},
        {":demo:Taro", false, ""},
        {"Guest:x:Taro", false, ""},
        {"demo:demo:a>b", false, ""},
        {"demo:demo:SYSOP", false, ""},
    };
    for (const AccountLineCase& c : cases) {
        SCOPED_TRACE(c.line);
        const BoardAccounts accounts = BoardAccounts::parse(QString::fromUtf8(c.line));
        EXPECT_EQ(accounts.size(), c.accepted ? 1 : 0);
        EXPECT_EQ(accounts.errors().size(), c.accepted ? 0 : 1);
        if (c.accepted) {
            ASSERT_NE(accounts.find(QString::fromUtf8(c.line).section(u':', 0, 0)), nullptr);
            EXPECT_EQ(accounts.find(QString::fromUtf8(c.line).section(u':', 0, 0))->handle,
                      QString::fromUtf8(c.handle));
        }
    }
}

TEST(BoardAccountsTest, CommentsBlankLinesAndCrLfAreHandled)
{
    const BoardAccounts accounts =
        BoardAccounts::parse(QStringLiteral("# demo\r\n\r\ndemo:demo:たろう\r\nbad line\r\ndemo:x:y\r\n"));
    ASSERT_EQ(accounts.size(), 1);
    EXPECT_EQ(accounts.find(QStringLiteral("demo"))->password, QStringLiteral("demo"));
    EXPECT_EQ(accounts.find(QStringLiteral("demo"))->handle, QStringLiteral("たろう"));
    EXPECT_EQ(accounts.errors(), QStringList({QStringLiteral("line 4: expected userid:password:handle"),
                                              QStringLiteral("line 5: duplicate user ID")}));
    EXPECT_EQ(accounts.find(QStringLiteral("Demo")), nullptr) << "user IDs are case-sensitive";
}

TEST(BoardAccountsTest, MissingFileGivesAnErrorAndNoAccount)
{
    const BoardAccounts accounts = BoardAccounts::load(QStringLiteral("/nonexistent/accounts.txt"));
    EXPECT_EQ(accounts.size(), 0);
    ASSERT_EQ(accounts.errors().size(), 1);
    EXPECT_TRUE(accounts.errors()[0].startsWith(QStringLiteral("/nonexistent/accounts.txt: ")));
}

TEST(BoardAccountsTest, BundledDemoAccountsLoad)
{
    // Found in the source tree, which needs no environment (__FILE__ may be
    // relative when the compiler cache rewrites paths).
    const BoardAccounts accounts =
        BoardAccounts::load(QStringLiteral(ZKT_SOURCE_DIR "/tools/board/accounts.txt"));
    EXPECT_TRUE(accounts.errors().isEmpty()) << qPrintable(accounts.errors().join(u'\n'));
    ASSERT_NE(accounts.find(QStringLiteral("demo")), nullptr);
    EXPECT_EQ(accounts.find(QStringLiteral("demo"))->password, QStringLiteral("demo"));
    EXPECT_EQ(accounts.find(QStringLiteral("demo"))->handle, QStringLiteral("たろう"));
    ASSERT_NE(accounts.find(QStringLiteral("hanako")), nullptr);
    EXPECT_TRUE(accounts.find(QStringLiteral("hanako"))->handle.isEmpty());
}

}  // namespace
