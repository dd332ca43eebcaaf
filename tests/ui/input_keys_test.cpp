// Keys around the input line, offscreen: paging the visible view with
// Shift+PageUp/PageDown, recalling sent lines with Up and Down, and typing
// while a view has the focus.

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <vector>

#include "controls/GridModel.h"
#include "controls/qt/SpreadGrid.h"
#include "main/DialogueSession.h"
#include "ui/MainWindowHarness.h"
#include "support/RowTest.h"

namespace {

class InputKeysTest : public MainWindowTestBase {
protected:
    // Started and connected (F1), so that the input line is enabled and
    // sends; both views hold many more rows than they show.
    void SetUp() override
    {
        start();
        window->dialogue().functionKeyPressed(1);  // ログイン
        ASSERT_EQ(socket.state(), TelnetSocket::Connected);
        ASSERT_TRUE(window->inputLine()->isEnabled());
        for (GridModel* grid : {&window->terminalModel(), &window->chatModel()}) {
            grid->setRowCount(500);
            for (int row = 1; row <= 500; ++row)
                grid->setText(grid->columnCount(), row, QStringLiteral("row %1").arg(row));
        }
        settle();
        window->inputLine()->setFocus();
    }

    void type(const QString& text)
    {
        QTest::keyClicks(window->inputLine(), text);
        QTest::keyClick(window->inputLine(), Qt::Key_Return);
    }

    void key(Qt::Key k) { QTest::keyClick(window->inputLine(), k); }
    QString shown() const { return window->inputLine()->text(); }
};

struct PageCase : NamedRow<PageCase> {
    Screen screen;
    Qt::Key key;
    int pages;  // how far the visible view moves, in pages down
};

class PageKeys : public InputKeysTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(PageKeys, ShiftPageScrollsTheVisibleViewFromTheInputLine)
{
    const PageCase& c = GetParam();
    window->dialogue().switchScreen(c.screen);
    settle();
    SpreadGrid* visible = c.screen == Screen::Terminal ? window->terminalView() : window->chatView();
    SpreadGrid* hidden = c.screen == Screen::Terminal ? window->chatView() : window->terminalView();
    QScrollBar* bar = visible->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 3 * bar->pageStep());
    const int middle = bar->maximum() / 2;
    bar->setValue(middle);
    const int hiddenAt = hidden->verticalScrollBar()->value();
    window->inputLine()->setText(QStringLiteral("typing"));

    QTest::keyClick(window->inputLine(), c.key, Qt::ShiftModifier);
    EXPECT_EQ(bar->value(), middle + c.pages * bar->pageStep());
    EXPECT_EQ(hidden->verticalScrollBar()->value(), hiddenAt);
    EXPECT_EQ(shown(), QStringLiteral("typing"));
    EXPECT_EQ(QApplication::focusWidget(), window->inputLine());
}

INSTANTIATE_TEST_SUITE_P(InputKeys, PageKeys,
                         ::testing::Values(PageCase{{"TerminalUp"}, Screen::Terminal, Qt::Key_PageUp, -1},
                                           PageCase{{"TerminalDown"}, Screen::Terminal, Qt::Key_PageDown, 1},
                                           PageCase{{"ChatUp"}, Screen::Chat, Qt::Key_PageUp, -1},
                                           PageCase{{"ChatDown"}, Screen::Chat, Qt::Key_PageDown, 1}),
                         RowName());

TEST_F(InputKeysTest, PageWithoutShiftLeavesTheViewAlone)
{
    QScrollBar* bar = window->terminalView()->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const int at = bar->value();
    key(Qt::Key_PageUp);
    EXPECT_EQ(bar->value(), at);
}

// Paged up from the input line, the terminal stays while the host's lines
// arrive; Ctrl+End follows them again, End keeps to the line being typed.
TEST_F(InputKeysTest, CtrlEndFollowsTheVisibleViewAgain)
{
    window->dialogue().switchScreen(Screen::Terminal);
    SpreadGrid* terminal = window->terminalView();
    // The display frame that shows what arrived.
    const auto frame = [&] {
        terminal->gridView().bringUpToDate();
        settle();
    };
    socket.pushText(QStringLiteral("line\r\n"));
    frame();
    QScrollBar* bar = terminal->verticalScrollBar();
    ASSERT_GE(bar->value(), bar->maximum() - 1) << "at the line just closed";
    QTest::keyClick(window->inputLine(), Qt::Key_PageUp, Qt::ShiftModifier);
    const int readAt = bar->value();
    ASSERT_LT(readAt, bar->maximum());

    socket.pushText(QStringLiteral("more\r\nand more\r\n"));
    frame();
    EXPECT_EQ(bar->value(), readAt);
    EXPECT_EQ(terminal->gridView().waitingRows(), 2);

    window->inputLine()->setText(QStringLiteral("typing"));
    window->inputLine()->setCursorPosition(0);
    key(Qt::Key_End);
    EXPECT_EQ(window->inputLine()->cursorPosition(), 6);
    EXPECT_EQ(bar->value(), readAt);
    QTest::keyClick(window->inputLine(), Qt::Key_End, Qt::ControlModifier);
    frame();
    EXPECT_TRUE(terminal->gridView().isFollowing());
    // The newest line is the one just closed, above the empty current line.
    const int closed = window->terminalModel().rowCount() - 1;
    EXPECT_EQ(terminal->currentIndex().row(), closed - 1);
    EXPECT_TRUE(terminal->viewport()->rect().contains(terminal->visualRect(terminal->currentIndex())));
    EXPECT_EQ(shown(), QStringLiteral("typing"));
    EXPECT_EQ(QApplication::focusWidget(), window->inputLine());
}

TEST_F(InputKeysTest, UpAndDownRecallSentLinesAndTheDraft)
{
    type(QStringLiteral("first"));
    type(QStringLiteral("second"));
    ASSERT_EQ(socket.sentTexts(), (QStringList{"first\r\n", "second\r\n"}));
    QTest::keyClicks(window->inputLine(), QStringLiteral("draft"));
    const std::vector<std::pair<Qt::Key, QString>> walk{{Qt::Key_Up, "second"},  {Qt::Key_Up, "first"},
                                                        {Qt::Key_Up, "first"},   {Qt::Key_Down, "second"},
                                                        {Qt::Key_Down, "draft"}, {Qt::Key_Down, "draft"}};
    for (const auto& [k, expected] : walk) {
        key(k);
        EXPECT_EQ(shown(), expected);
    }
    // A recalled line is sent again as it shows.
    key(Qt::Key_Up);
    socket.clearSent();
    QTest::keyClick(window->inputLine(), Qt::Key_Return);
    EXPECT_EQ(socket.sentTexts(), QStringList{"second\r\n"});
}

TEST_F(InputKeysTest, ALineTheHostCannotTakeYetIsNotRecalled)
{
    type(QStringLiteral("sent"));
    socket.setUnsentBytes(1 << 21);  // a host that stopped reading
    type(QStringLiteral("kept"));
    ASSERT_EQ(shown(), QStringLiteral("kept"));
    key(Qt::Key_Up);
    EXPECT_EQ(shown(), QStringLiteral("sent"));
    key(Qt::Key_Down);
    EXPECT_EQ(shown(), QStringLiteral("kept")) << "the unsent line comes back as the draft";
}

struct TypingCase : NamedRow<TypingCase> {
    bool inChatView;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    bool toInputLine;
};

class TypingInViews : public InputKeysTest, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(TypingInViews, PrintableKeysGoToTheInputLine)
{
    const TypingCase& c = GetParam();
    SpreadGrid* view = c.inChatView ? window->chatView() : window->terminalView();
    window->dialogue().switchScreen(c.inChatView ? Screen::Chat : Screen::Terminal);
    window->inputLine()->setText(QStringLiteral("ab"));
    view->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), view);

    QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, c.text);
    QApplication::sendEvent(view, &press);
    QKeyEvent release(QEvent::KeyRelease, c.key, c.modifiers, c.text);
    QApplication::sendEvent(QApplication::focusWidget(), &release);

    EXPECT_EQ(shown(), c.toInputLine ? QStringLiteral("ab") + c.text : QStringLiteral("ab"));
    EXPECT_EQ(QApplication::focusWidget(), c.toInputLine ? static_cast<QWidget*>(window->inputLine()) : view);
}

INSTANTIATE_TEST_SUITE_P(
    InputKeys, TypingInViews,
    ::testing::Values(TypingCase{{"LetterInTerminal"}, false, Qt::Key_X, Qt::NoModifier, "x", true},
                      TypingCase{{"LetterInChat"}, true, Qt::Key_X, Qt::NoModifier, "x", true},
                      TypingCase{{"ShiftedLetter"}, false, Qt::Key_X, Qt::ShiftModifier, "X", true},
                      TypingCase{{"Space"}, true, Qt::Key_Space, Qt::NoModifier, " ", true},
                      TypingCase{{"Kana"}, true, Qt::Key_unknown, Qt::NoModifier, "あ", true},
                      TypingCase{{"KeypadDigit"}, false, Qt::Key_5, Qt::KeypadModifier, "5", true},
                      TypingCase{
                          {"CopyStaysWithTheView"}, true, Qt::Key_C, Qt::ControlModifier, "\x03", false},
                      TypingCase{{"CtrlLetterStays"}, false, Qt::Key_A, Qt::ControlModifier, "a", false},
                      TypingCase{{"AltLetterStays"}, false, Qt::Key_A, Qt::AltModifier, "a", false},
                      TypingCase{{"ArrowStays"}, false, Qt::Key_Down, Qt::NoModifier, "", false},
                      TypingCase{{"EnterStays"}, true, Qt::Key_Return, Qt::NoModifier, "\r", false},
                      TypingCase{{"EscapeStays"}, true, Qt::Key_Escape, Qt::NoModifier, "\x1b", false}),
    RowName());

struct ComposingCase : NamedRow<ComposingCase> {
    QString preedit;
    QString commit;
    bool toInputLine;
};

class ComposingInViews : public InputKeysTest, public ::testing::WithParamInterface<ComposingCase> {};

TEST_P(ComposingInViews, InputMethodTextGoesToTheInputLine)
{
    const ComposingCase& c = GetParam();
    window->dialogue().switchScreen(Screen::Chat);
    window->inputLine()->setText(QStringLiteral("ab"));
    window->chatView()->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), window->chatView());
    QInputMethodEvent composing(c.preedit, {});
    composing.setCommitString(c.commit);
    QApplication::sendEvent(window->chatView(), &composing);
    EXPECT_EQ(shown(), QStringLiteral("ab") + c.commit);
    EXPECT_EQ(QApplication::focusWidget(),
              c.toInputLine ? static_cast<QWidget*>(window->inputLine()) : window->chatView());
    if (!c.preedit.isEmpty()) {
        EXPECT_EQ(window->inputLine()->inputMethodQuery(Qt::ImSurroundingText).toString(),
                  QStringLiteral("ab"))
            << "composing text is not yet part of the line";
    }
}

INSTANTIATE_TEST_SUITE_P(InputKeys, ComposingInViews,
                         ::testing::Values(ComposingCase{{"Committed"}, "", "日本語", true},
                                           ComposingCase{{"Composing"}, "にほ", "", true},
                                           ComposingCase{{"Nothing"}, "", "", false}),
                         RowName());

TEST_F(InputKeysTest, TypingInAViewWhileOffLineStaysThere)
{
    window->setInputEnabled(false);
    window->terminalView()->setFocus();
    QTest::keyClick(window->terminalView(), Qt::Key_X);
    EXPECT_EQ(QApplication::focusWidget(), window->terminalView());
    EXPECT_TRUE(shown().isEmpty());
}

}  // namespace
