// The history limit: each view keeps its newest rows, dropping the oldest in
// steps, and the chat rows keep their text when the terminal drops the lines
// they came from.

#include <QString>

#include <memory>

#include "main/HistoryLimit.h"
#include "support/DialogueFixture.h"

using namespace Qt::StringLiterals;

namespace {

TEST(HistoryLimit, DropsDownToTheLimitOncePastTheSlack)
{
    struct Case {
        int limit;
        int rows;
        int excess;
    };
    const Case cases[] = {
        {0, 10'000'000, 0},  // keeps every row
        {100, 100, 0},      {100, 125, 0},        {100, 126, 26},     {100, 1000, 900},
        {1, 17, 0},         {1, 18, 17},  // a small limit still drops in steps of 16
        {10000, 12500, 0},  {10000, 12501, 2501}, {99999, 124998, 0}, {99999, 124999, 25000},
    };
    for (const Case& c : cases) {
        HistoryLimit limit;
        limit.setRows(c.limit);
        EXPECT_EQ(limit.excess(c.rows), c.excess) << c.limit << " " << c.rows;
    }
}

class HistoryLimitTest : public DialogueFixture {};

TEST_F(HistoryLimitTest, BothViewsKeepTheirNewestRowsWithTheirText)
{
    setSetting("LogLines", "100");
    enterChat();
    for (int block = 0; block < 50; ++block) {
        QString text;
        for (int i = 0; i < 20; ++i) {
            const int n = block * 20 + i;
            text += n % 2 ? u"Jiro>message %1\r\n"_s.arg(n) : u"plain line %1\r\n"_s.arg(n);
        }
        receive(text);
        SCOPED_TRACE(block);
        ASSERT_LE(terminal.rowCount(), 125 + 20);
        ASSERT_LE(chat.rowCount(), 125 + 20);
    }
    const QStringList rows = terminalRows();
    EXPECT_GE(rows.size(), 100);
    EXPECT_EQ(rows.last(), "") << "the current line stays";
    EXPECT_EQ(rows[rows.size() - 2], "Jiro>message 999");
    // Consecutive, newest last: nothing in between went missing.
    for (int i = 0; i + 1 < rows.size(); ++i) {
        const int n = 999 - (rows.size() - 2 - i);
        EXPECT_TRUE(rows[i].endsWith(u" %1"_s.arg(n))) << rows[i].toStdString();
    }
    const std::vector<ChatRow> shown = chatRows();
    ASSERT_GE(shown.size(), 100u);
    // In the chat room a line without a handle is a row of its own.
    for (size_t i = 0; i < shown.size(); ++i) {
        const int n = 999 - int(shown.size() - 1 - i);
        const ChatRow expected =
            n % 2 ? ChatRow{"Jiro", u"message %1"_s.arg(n)} : ChatRow{"", u"plain line %1"_s.arg(n)};
        EXPECT_EQ(shown[i], expected) << i;
    }
}

// The chat view holds fewer rows than the terminal, so the lines its rows
// came from go from the terminal long before the rows themselves.
TEST_F(HistoryLimitTest, ChatRowsOutliveTheTerminalLinesTheyCameFrom)
{
    setSetting("LogLines", "50");
    enterChat();
    receive(u"Jiro>keep me\r\n"_s);
    // Blank lines: terminal rows that never become chat rows.
    for (int i = 0; i < 200; ++i)
        receive(u"\r\n"_s);
    EXPECT_FALSE(terminalRows().contains("Jiro>keep me"));
    const std::vector<ChatRow> shown = chatRows();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], (ChatRow{"Jiro", "keep me"}));
}

// The host's repetition of the user's statement is known by the line before
// it, also when the limit dropped that line's row in between.
TEST(HistoryLimitDrop, OwnStatementIsShownOnceWhenItsLineWasDropped)
{
    struct Case {
        bool localEcho;
        std::vector<ChatRow> rows;  // after the entry announcement
    };
    const Case cases[] = {{false, {{"Taro", "hello"}}}, {true, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.localEcho);
        auto client = std::make_unique<WiredDialogue>();
        client->setSetting("HandleName", "Taro");
        client->setSetting("LogLines", "1");
        client->setSetting("LocalEcho", c.localEcho ? "True" : "False");
        client->enterChat();
        // Past the slack: every row but the current line goes, the statement's too.
        client->receive(u"\r\n"_s.repeated(20) + u"発言>hello\r\n"_s);
        ASSERT_EQ(client->terminal.rowCount(), 1);
        client->receive(u"Taro>hello\r\n"_s);
        std::vector<ChatRow> expected{{"", kEntryLine}};
        expected.insert(expected.end(), c.rows.begin(), c.rows.end());
        EXPECT_EQ(client->chatRows(), expected);
    }
}

TEST_F(HistoryLimitTest, NoLimitKeepsEveryRow)
{
    enterChat();
    for (int i = 0; i < 300; ++i)
        receive(u"Jiro>%1\r\n"_s.arg(i));
    EXPECT_EQ(terminal.rowCount(), 302);
    EXPECT_EQ(chat.rowCount(), 301);
}

}  // namespace
