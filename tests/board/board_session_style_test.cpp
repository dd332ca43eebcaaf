#include "BoardSession.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include "Board.h"

namespace {

const QString kEsc = QStringLiteral("\x1b");

// What a terminal shows of the text: control sequences and the bell gone.
QString visible(QString text)
{
    static const QRegularExpression controls(QStringLiteral("\x1b\\[[0-9;]*[A-Za-z]|\a"));
    return text.remove(controls);
}

// One user's whole dialogue in a style: log-in, menus, profile, the room.
struct Dialogue {
    Dialogue(Board& board, SessionStyle style, bool echoing = false) : session(board, style)
    {
        session.onOutput = [this](const QString& text) { out += text; };
        session.setEchoing(echoing);
        session.start();
        for (const char* line : {"demo", "demo", "?", "I", "?", "0", "C", "W", "?", "E", "やあ>", "//", "0"})
            session.receive(QString::fromUtf8(line) + QStringLiteral("\r\n"));
    }

    BoardSession session;
    QString out;
};

class BoardSessionStyleTest : public ::testing::Test {
protected:
    BoardSessionStyleTest() { board.accounts = BoardAccounts::parse(QStringLiteral("demo:demo:たろう\n")); }

    Board board;
};

struct StyleCase {
    const char* name;
    SessionStyle style;
    QString lineEnd;
};

TEST_F(BoardSessionStyleTest, StylesShowTheSameTextWithTheirLineEnds)
{
    const QString plain = Dialogue(board, {}).out;
    ASSERT_TRUE(plain.contains(QStringLiteral("たろう>やあ>\r\n")));
    const StyleCase cases[] = {
        {"LF", {false, SessionStyle::LineEnd::Lf}, QStringLiteral("\n")},
        {"LF CR", {false, SessionStyle::LineEnd::LfCr}, QStringLiteral("\n\r")},
        {"colour", {true, SessionStyle::LineEnd::CrLf}, QStringLiteral("\r\n")},
        {"colour and LF", {true, SessionStyle::LineEnd::Lf}, QStringLiteral("\n")},
    };
    for (const StyleCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString out = Dialogue(board, c.style).out;
        EXPECT_EQ(visible(out).toStdU16String(),
                  QString(plain).replace(QStringLiteral("\r\n"), c.lineEnd).toStdU16String());
        EXPECT_EQ(out.contains(kEsc), c.style.colour);
        EXPECT_EQ(out.count(u'\r'), plain.count(u'\r') * c.lineEnd.count(u'\r'));
    }
}

TEST_F(BoardSessionStyleTest, ColourWrapsPromptsAndHandlesAsRealBoardsDo)
{
    const QString out = Dialogue(board, {true, SessionStyle::LineEnd::CrLf}).out;
    const QString fragments[] = {
        // The screen is cleared before the banner.
        QStringLiteral("\x1b[2J\x1b[H\r\n\x1b[1;33m*** ZKT"),
        // The colour ends before "=" here ...
        QStringLiteral("\x1b[1;32mUser ID \x1b[0m="),
        QStringLiteral("\x1b[1;32mPassword \x1b[0m="),
        // ... after ">" here, before it there.
        QStringLiteral("MAIN (G,C,I,?) >\x1b[0m\r\n"),
        QStringLiteral("CHAT (E,W,0,?) \x1b[0m>"),
        QStringLiteral("\aようこそ"),
        QStringLiteral("メインメニュー ────\x1b[K\r\n"),
        QStringLiteral("\x1b[1;36mSYSOP\x1b[0m>/? でヘルプ"),
        QStringLiteral("\x1b[1;36m発言\x1b[0m>やあ>\r\n\x1b[1;36mたろう\x1b[0m>やあ>\r\n"),
        QStringLiteral("\x1b[1;36mSYSOP\x1b[0m>チャットルームから退室しました。"),
    };
    for (const QString& fragment : fragments)
        EXPECT_TRUE(out.contains(fragment)) << qPrintable(fragment.toHtmlEscaped());
}

TEST_F(BoardSessionStyleTest, EchoShowsTypingButNotThePassword)
{
    const QString out = Dialogue(board, {}, true).out;
    EXPECT_TRUE(out.contains(QStringLiteral("User ID =demo\r\nPassword =\r\n\r\nようこそ")));
    EXPECT_TRUE(out.contains(QStringLiteral("MAIN (G,C,I,?) >?\r\n  C  チャット")));
    // In the room no prompt is showing: the echoed line still ends before
    // the board's lines.
    EXPECT_TRUE(out.contains(QStringLiteral("やあ>\r\n発言>やあ>\r\n")));
}

TEST_F(BoardSessionStyleTest, EchoOfAnEmptyLineInTheRoomEndsTheRow)
{
    BoardSession session(board);
    QString out;
    session.onOutput = [&out](const QString& text) { out += text; };
    session.setEchoing(true);
    session.start();
    session.receive(QStringLiteral("demo\r\ndemo\r\nC\r\nE\r\n"));
    out.clear();
    session.receive(QStringLiteral("\r\n"));
    EXPECT_EQ(out, QStringLiteral("\r\n"));
}

TEST_F(BoardSessionStyleTest, TimeOutSaysWhyAndCloses)
{
    BoardSession session(board, {false, SessionStyle::LineEnd::Lf});
    QString out;
    int closes = 0;
    session.onOutput = [&out](const QString& text) { out += text; };
    session.onClose = [&closes] { ++closes; };
    session.start();
    session.timeOut();
    EXPECT_TRUE(out.endsWith(QStringLiteral("User ID =\n一定時間入力がなかったため、接続を終了します。\n")));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(session.stage(), BoardSession::Stage::Closed);
}

}  // namespace
