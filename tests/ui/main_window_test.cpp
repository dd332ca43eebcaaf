// The main window with its widgets, offscreen: start-up, layout, function
// keys, screens, quoting, cell tips, the socket check and the settings
// dialog.

#include <QClipboard>
#include <QDialog>
#include <QTest>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <array>
#include <functional>
#include <vector>

#include "controls/GridModel.h"
#include "support/PrintBoardState.h"
#include "controls/qt/CellTip.h"
#include "controls/qt/FunctionKeyBar.h"
#include "controls/qt/SpreadGrid.h"
#include "main/DialogueSession.h"
#include "ui/MainWindowHarness.h"

namespace {

// Set in the child process that reruns the layout tests at scale factor 2.
constexpr char kScaledRun[] = "ZKT_SCALED_LAYOUT_RUN";

class MainWindowTest : public MainWindowTestBase {
protected:
    std::array<QString, 12> barCaptions() const
    {
        std::array<QString, 12> shown;
        for (int item = 0; item < 12; ++item)
            shown[item] = window->functionKeys()->caption(item);
        return shown;
    }

    void pressKey(QWidget* focus, int number)
    {
        focus->setFocus();
        // A key event that did not come from the platform goes through the
        // window's shortcuts first, as a real key press does.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1 + number - 1, Qt::NoModifier);
        QApplication::sendEvent(focus, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_F1 + number - 1, Qt::NoModifier);
        QApplication::sendEvent(focus, &release);
    }

    static void click(QWidget* target, QPoint at, bool twice = false)
    {
        const QPointF global = target->mapToGlobal(at);
        std::vector<QEvent::Type> types{QEvent::MouseButtonPress, QEvent::MouseButtonRelease};
        if (twice)
            types.insert(types.end(), {QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease});
        for (const QEvent::Type type : types) {
            QMouseEvent event(type, at, global, Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(target, &event);
        }
    }

    void addChatRow(const QString& handle, const QString& message)
    {
        GridModel& chat = window->chatModel();
        const int row = chat.rowCount() + 1;
        chat.setRowCount(row);
        chat.setText(1, row, handle);
        chat.setText(2, row, message);
    }

    QPoint cellCentre(SpreadGrid* view, int col, int row) const
    {
        return view->visualRect(view->model()->index(row - 1, col - 1)).center();
    }

    void hover(SpreadGrid* view, int col, int row)
    {
        const QPoint at = cellCentre(view, col, row);
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &help);
    }

    bool terminalShown() const
    {
        return window->terminalView()->isVisible() && !window->chatView()->isVisible();
    }
    bool chatShown() const { return window->chatView()->isVisible() && !window->terminalView()->isVisible(); }

    void setSetting(const QString& key, const QString& value)
    {
        store.put(key, value);
        window->dialogue().loadSettings();
    }
};

const std::array<QString, 12> kLineOffCaptions = {
    u"ログイン"_qs, {},       {},        u"画面切替"_qs, u"設定"_qs, {}, {},
    u"終了"_qs,     u"F9"_qs, u"F10"_qs, u"F11"_qs,      u"F12"_qs,
};

// --- Start-up ---------------------------------------------------------------

TEST_F(MainWindowTest, StartsLineOffWithEmptyViewsOnTheTerminalScreen)
{
    create();
    // Whatever the views held before the load is gone after it.
    window->terminalModel().setRowCount(3);
    window->chatModel().setRowCount(2);
    window->chatView()->show();
    start();

    EXPECT_EQ(window->terminalModel().rowCount(), 0);
    EXPECT_EQ(window->chatModel().rowCount(), 0);
    EXPECT_EQ(window->terminalModel().columnCount(), 1);
    EXPECT_EQ(window->chatModel().columnCount(), 2);
    EXPECT_TRUE(terminalShown());
    EXPECT_EQ(window->dialogue().currentMode(), Mode::LineOff);
    EXPECT_EQ(barCaptions(), kLineOffCaptions);
    EXPECT_FALSE(window->inputLine()->isEnabled());
    for (int item = 0; item < 12; ++item)
        EXPECT_EQ(window->functionKeys()->button(item)->isEnabled(), !kLineOffCaptions[item].isEmpty())
            << "F" << item + 1;
    EXPECT_EQ(window->windowTitle(), u"ZKT");
}

// --- Layout -----------------------------------------------------------------

struct LayoutCase {
    const char* name;
    QSize client;
};

class MainWindowLayoutTest : public MainWindowTest {
protected:
    // Every control where the layout rules put it for the present size.
    void expectLaidOut(const char* name)
    {
        SCOPED_TRACE(name);
        const int w = window->width();
        const int h = window->height();
        const int status = px(375);
        const int keys = px(390);
        const int input = px(375);
        const int views = std::max(0, h - (input + status + keys));

        EXPECT_EQ(window->statusBar()->geometry(), QRect(0, h - status, w, status));
        EXPECT_EQ(window->functionKeys()->geometry(), QRect(0, h - status - keys, w, keys));
        EXPECT_EQ(window->terminalArea()->geometry(), QRect(0, 0, w, views));
        EXPECT_EQ(window->inputLine()->geometry(), QRect(0, views, w, input));
        const QRect inner = window->terminalArea()->contentsRect();
        EXPECT_EQ(window->terminalView()->geometry(), inner);
        EXPECT_EQ(window->chatView()->geometry(), inner);
    }
};

TEST_F(MainWindowLayoutTest, PlacesViewsAndInputLineByTheRulesAsTheWindowIsResized)
{
    start();
    expectLaidOut("after start-up");
    const LayoutCase cases[] = {
        {"wide", {700, 500}},
        {"narrow and tall", {120, 700}},
        {"just room for the bars", {300, px(375) + px(390) + px(375)}},
        {"too small for the bars", {300, 40}},
        {"enlarged again", {640, 480}},
        {"one pixel", {1, 1}},
        {"enlarged after one pixel", {500, 400}},
    };
    for (const LayoutCase& c : cases) {
        window->resize(c.client);
        settle();
        ASSERT_EQ(window->size(), c.client) << c.name;
        expectLaidOut(c.name);
    }
}

TEST_F(MainWindowLayoutTest, NothingSizeGivesEmptyViewsAndTheNextSizeRestores)
{
    // A top-level window is never 0 by 0; inside a parent the window meets
    // that size as a minimised one does.
    QWidget host;
    host.resize(600, 500);
    window = std::make_unique<MainWindow>(store, socket, time, &host);
    window->setExitHandler([](int) {});
    window->load();
    host.show();
    window->resize(400, 300);
    settle();
    expectLaidOut("400 by 300");

    window->resize(0, 0);
    settle();
    ASSERT_EQ(window->size(), QSize(0, 0));
    EXPECT_EQ(window->terminalArea()->geometry(), QRect(0, 0, 0, 0));
    EXPECT_EQ(window->inputLine()->width(), 0);
    EXPECT_EQ(window->inputLine()->y(), 0);
    EXPECT_EQ(window->terminalView()->size(), QSize(0, 0));
    EXPECT_EQ(window->chatView()->size(), QSize(0, 0));

    window->resize(450, 350);
    settle();
    expectLaidOut("450 by 350 after 0 by 0");
    window.reset();
}

TEST_F(MainWindowLayoutTest, SwitchingScreensNeedsNoLayoutStep)
{
    start();
    window->resize(520, 410);
    settle();
    window->dialogue().switchScreen(Screen::Chat);
    settle();
    EXPECT_EQ(window->chatView()->geometry(), window->terminalArea()->contentsRect());
    EXPECT_EQ(window->chatView()->geometry(), window->terminalView()->geometry());
}

// The same layout at a device pixel ratio of 2: Qt's coordinates stay
// device-independent, so the twips convert through the logical DPI alone.
TEST(MainWindowScaled, LayoutHoldsAtScaleFactorTwo)
{
    if (qEnvironmentVariableIsSet(kScaledRun)) {
        EXPECT_DOUBLE_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
        return;
    }
    expectChildPassesAtScaleFactorTwo(
        kScaledRun, {QStringLiteral("--gtest_filter=MainWindowLayoutTest.*:MainWindowScaled.*")},
        QStringLiteral("[  PASSED  ] 4 tests"));
}

// --- Function keys ----------------------------------------------------------

TEST_F(MainWindowTest, EveryFunctionKeyReachesTheBarFromTheInputLineAndFromAView)
{
    start();
    window->inputLine()->setEnabled(true);
    std::vector<int> reported;
    QObject::connect(window->functionKeys(), &FunctionKeyBar::keyPressed,
                     [&](int number) { reported.push_back(number); });
    // F1 would connect, F5 open the settings and F8 exit; the keys with
    // those captions are only counted here.
    for (int item = 0; item < 12; ++item)
        window->functionKeys()->setCaption(item, {});

    const std::vector<int> all{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (QWidget* focus :
         {static_cast<QWidget*>(window->inputLine()), static_cast<QWidget*>(window->terminalView())}) {
        reported.clear();
        for (int number : all)
            pressKey(focus, number);
        EXPECT_EQ(reported, all) << focus->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, FunctionKeysRunTheCommandOfTheirCaption)
{
    start();
    window->inputLine()->setEnabled(true);
    struct Case {
        const char* name;
        QWidget* focus;
    };
    const Case focuses[] = {
        {"input line", window->inputLine()},
        {"terminal view", window->terminalView()},
    };
    for (const Case& c : focuses) {
        SCOPED_TRACE(c.name);
        const bool wasTerminal = terminalShown();
        pressKey(c.focus, 4);  // 画面切替
        EXPECT_EQ(chatShown(), wasTerminal);
        pressKey(c.focus, 5);  // 設定
        pressKey(c.focus, 3);  // empty caption
        pressKey(c.focus, 9);  // "F9": no command
        pressKey(c.focus, 12);
    }
    EXPECT_EQ(settingsDialogs, 2);
    EXPECT_TRUE(exits.empty());
    EXPECT_EQ(socket.connectCount(), 0);
    EXPECT_TRUE(socket.sentTexts().isEmpty());
    EXPECT_EQ(barCaptions(), kLineOffCaptions);

    pressKey(window->chatView(), 1);  // ログイン
    EXPECT_EQ(socket.connectCount(), 1);
    EXPECT_EQ(window->functionKeys()->caption(0), u"中止");
    EXPECT_TRUE(window->inputLine()->isEnabled());
    pressKey(window->inputLine(), 1);  // 中止: the attempt ends, no new one starts
    EXPECT_EQ(socket.connectCount(), 1);
    EXPECT_EQ(window->functionKeys()->caption(0), u"ログイン");
}

TEST_F(MainWindowTest, ClickingAKeyActsAsPressingIt)
{
    start();
    FunctionKeyBar* bar = window->functionKeys();
    const auto clickItem = [&](int item) {
        QPushButton* button = bar->button(item);
        click(button, button->rect().center());
    };
    clickItem(3);  // 画面切替
    EXPECT_TRUE(chatShown());
    clickItem(3);
    EXPECT_TRUE(terminalShown());
    clickItem(4);  // 設定
    EXPECT_EQ(settingsDialogs, 1);
    clickItem(1);  // empty caption: a disabled item
    clickItem(8);  // "F9"
    EXPECT_TRUE(terminalShown());
    EXPECT_EQ(settingsDialogs, 1);
    EXPECT_EQ(barCaptions(), kLineOffCaptions);
    clickItem(0);  // ログイン
    EXPECT_EQ(socket.connectCount(), 1);
    EXPECT_EQ(socket.host(), window->dialogue().settings().ConnectionAddress);
    clickItem(0);  // cleared: nothing more
    EXPECT_EQ(socket.connectCount(), 1);
    clickItem(7);  // 終了
    EXPECT_EQ(exits, std::vector<int>{0});
}

// --- Input line -------------------------------------------------------------

// Whatever comes into the input line, one Enter sends one whole line: line
// breaks become spaces, control characters other than TAB are dropped, and
// nothing is cut at QLineEdit's default length of 32,767 characters.
TEST_F(MainWindowTest, TheInputLineSendsOneWholeLineWithoutControls)
{
    start();
    pressKey(window->inputLine(), 1);  // ログイン
    ASSERT_EQ(socket.state(), TelnetSocket::Connected);
    QLineEdit* input = window->inputLine();
    const QString longLine = QString(100000, u'あ');
    struct Case {
        const char* name;
        std::function<void()> put;
        QString sent;
    };
    const Case cases[] = {
        {"pasted lines",
         [&] {
             QApplication::clipboard()->setText(u"line1\nline2\r\nline3"_qs);
             input->paste();
         },
         u"line1 line2 line3\r\n"_qs},
        {"inserted controls", [&] { input->insert(u"a\x1b[1mb\x07\tc"_qs); }, u"a[1mb\tc\r\n"_qs},
        {"set text", [&] { input->setText(u"x\ry"_qs); }, u"x y\r\n"_qs},
        {"a long paste",
         [&] {
             QApplication::clipboard()->setText(longLine);
             input->paste();
         },
         longLine + u"\r\n"_qs},
        {"typed past 32,767",
         [&] {
             input->setText(QString(32767, u'x'));
             input->end(false);
             QTest::keyClicks(input, u"yz"_qs);
         },
         QString(32767, u'x') + u"yz\r\n"_qs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        socket.clearSent();
        input->clear();
        c.put();
        QTest::keyClick(input, Qt::Key_Return);
        EXPECT_EQ(socket.sentTexts(), QStringList{c.sent});
        EXPECT_TRUE(input->text().isEmpty());
    }
}

TEST_F(MainWindowTest, APasteInTheMiddleKeepsTheCursorAfterIt)
{
    start();
    QLineEdit* input = window->inputLine();
    input->setEnabled(true);
    input->setText(u"abcd"_qs);
    input->setCursorPosition(2);
    input->insert(u"x\r\ny\x1b"_qs);
    EXPECT_EQ(input->text(), u"abx ycd");
    EXPECT_EQ(input->cursorPosition(), 5);
}

// --- Screens ----------------------------------------------------------------

TEST_F(MainWindowTest, ScreenFollowsTheModeOnlyWithAutoChangeWindow)
{
    struct Case {
        const char* automatic;
        bool chatAfterChat;
    };
    for (const Case c : {Case{"True", true}, Case{"False", false}}) {
        SCOPED_TRACE(c.automatic);
        window.reset();
        store.put(u"AutoChangeWindow"_qs, QString::fromLatin1(c.automatic));
        start();
        pressKey(window->inputLine(), 1);  // the log-in reloads the settings
        socket.setState(TelnetSocket::Connected);
        socket.pushText(u"Taroさんがチャットルームに入室しました。\r\n"_qs);
        ASSERT_EQ(window->dialogue().currentMode(), Mode::Chat);
        EXPECT_EQ(chatShown(), c.chatAfterChat);
        EXPECT_EQ(terminalShown(), !c.chatAfterChat);
        // F4 always switches, whatever the setting.
        pressKey(window->inputLine(), 4);
        EXPECT_EQ(terminalShown(), c.chatAfterChat);
        window->dialogue().setMode(Mode::Main);
        if (c.chatAfterChat) {
            EXPECT_TRUE(terminalShown());
        }
    }
}

TEST_F(MainWindowTest, ScreenWordsOtherThanTheThreeChangeNothing)
{
    start();
    window->dialogue().switchScreen(Screen::Chat);
    for (Screen word : {Screen(3), Screen(4), Screen(0xFF), Screen::Chat})
        window->dialogue().switchScreen(word);
    EXPECT_TRUE(chatShown());
    window->dialogue().switchScreen(Screen::Terminal);
    window->dialogue().switchScreen(Screen::Terminal);
    EXPECT_TRUE(terminalShown());
}

// --- Quoting ----------------------------------------------------------------

TEST_F(MainWindowTest, DoubleClickOnAChatCellQuotesItIntoTheInputLine)
{
    struct Step {
        int col;
        int row;
        QString expected;  // the input line afterwards
    };
    struct Case {
        const char* name;
        QString suffix;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"handle then message", u"さん"_qs, {{1, 1, u"太郎さん"_qs}, {2, 1, u"太郎さんこんにちは"_qs}}},
        {"the same handle twice", u"さん"_qs, {{1, 2, u"花子さん"_qs}, {1, 2, u"花子さん花子さん"_qs}}},
        {"empty handle cell", u"さん"_qs, {{1, 3, u"さん"_qs}}},
        {"empty message cell", u"さん"_qs, {{2, 3, u""_qs}}},
        {"empty suffix", u""_qs, {{1, 1, u"太郎"_qs}}},
        {"text that looks like markup", u"さん"_qs, {{2, 2, u"<b>x</b> & y"_qs}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        store.put(u"HandleSuffix"_qs, c.suffix);
        start();
        addChatRow(u"太郎"_qs, u"こんにちは"_qs);
        addChatRow(u"花子"_qs, u"<b>x</b> & y"_qs);
        addChatRow({}, {});
        window->dialogue().switchScreen(Screen::Chat);
        window->inputLine()->setEnabled(true);
        for (const Step& step : c.steps) {
            emit window->chatView()->cellDoubleClicked(step.col, step.row);
            EXPECT_EQ(window->inputLine()->text(), step.expected);
        }
        EXPECT_TRUE(socket.sentTexts().isEmpty());
        EXPECT_EQ(window->chatModel().rowCount(), 3);
    }
}

TEST_F(MainWindowTest, RealDoubleClickQuotesAfterWhatIsTypedAndLeavesTheFocus)
{
    start();
    addChatRow(u"太郎"_qs, u"こんにちは"_qs);
    window->dialogue().switchScreen(Screen::Chat);
    window->inputLine()->setEnabled(true);
    window->inputLine()->setText(u">>"_qs);
    window->inputLine()->setFocus();
    settle();
    SpreadGrid* chat = window->chatView();
    click(chat->viewport(), cellCentre(chat, 1, 1), true);
    EXPECT_EQ(window->inputLine()->text(), u">>太郎さん"_qs);
    click(chat->viewport(), cellCentre(chat, 2, 1), true);
    EXPECT_EQ(window->inputLine()->text(), u">>太郎さんこんにちは"_qs);
    EXPECT_TRUE(socket.sentTexts().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), window->inputLine());
}

TEST_F(MainWindowTest, DoubleClickOnTheTerminalViewQuotesNothing)
{
    start();
    window->terminalModel().setRowCount(1);
    window->terminalModel().setText(1, 1, u"ようこそ"_qs);
    window->inputLine()->setEnabled(true);
    settle();
    SpreadGrid* terminal = window->terminalView();
    click(terminal->viewport(), cellCentre(terminal, 1, 1), true);
    EXPECT_TRUE(window->inputLine()->text().isEmpty());
}

// --- Cell tips --------------------------------------------------------------

TEST_F(MainWindowTest, CellTipShowsTheWholeTextLiterallyUpToTheLimit)
{
    const QString markup = u"<b>太字</b><br><img src=x>"_qs;
    const QString longText = QString(SpreadGrid::kTipCharacters + 500, u'あ');
    const QString exact = QString(SpreadGrid::kTipCharacters, u'い');
    start();
    addChatRow(u"太郎"_qs, markup);
    addChatRow(u"花子"_qs, longText);
    addChatRow(u"次郎"_qs, exact);
    addChatRow({}, {});
    window->terminalModel().setRowCount(1);
    window->terminalModel().setText(1, 1, markup);

    struct Case {
        const char* name;
        bool chat;
        int col;
        int row;
        QString tip;
    };
    const Case cases[] = {
        {"markup in the terminal", false, 1, 1, markup},
        {"markup in the chat", true, 2, 1, markup},
        {"handle", true, 1, 1, u"太郎"_qs},
        {"too long", true, 2, 2, longText.left(SpreadGrid::kTipCharacters) + u'…'},
        {"just at the limit", true, 2, 3, exact},
        {"empty cell", true, 2, 4, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window->dialogue().switchScreen(c.chat ? Screen::Chat : Screen::Terminal);
        settle();
        SpreadGrid* view = c.chat ? window->chatView() : window->terminalView();
        hover(view, c.col, c.row);
        ASSERT_NE(view->cellTip(), nullptr);
        EXPECT_TRUE(view->cellTip()->isVisible());
        EXPECT_EQ(view->cellTip()->text(), c.tip);
        const_cast<CellTip*>(view->cellTip())->hide();
    }
}

// --- Timer ------------------------------------------------------------------

TEST_F(MainWindowTest, TickClosesASocketTheHostClosedExactlyOnce)
{
    start();
    for (const TelnetSocket::State state :
         {TelnetSocket::Closed, TelnetSocket::Connecting, TelnetSocket::Connected}) {
        socket.setState(state);
        time.advance(200);
        EXPECT_EQ(socket.closeCount(), 0) << state;
    }
    socket.setState(TelnetSocket::Closing);
    time.advance(49);
    EXPECT_EQ(socket.closeCount(), 0);
    time.advance(1);
    EXPECT_EQ(socket.closeCount(), 1);
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    time.advance(1000);
    EXPECT_EQ(socket.closeCount(), 1);
    EXPECT_GE(time.activeTimerCount(), 1);
}

TEST_F(MainWindowTest, CaptionNamesTheHostOnlyWhileConnected)
{
    store.put(u"ConnectionAddress"_qs, u"bbs.example.jp"_qs);
    store.put(u"ConnectionPort"_qs, u"2323"_qs);
    start();
    struct Step {
        TelnetSocket::State state;
        const char* caption;
    };
    const Step steps[] = {
        {TelnetSocket::Connecting, "ZKT"}, {TelnetSocket::Connected, "ZKT - bbs.example.jp:2323"},
        {TelnetSocket::Closing, "ZKT"},    {TelnetSocket::Connected, "ZKT - bbs.example.jp:2323"},
        {TelnetSocket::Closed, "ZKT"},
    };
    for (const Step& step : steps) {
        socket.setState(step.state);
        time.advance(50);
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(step.caption)) << step.state;
    }
}

// --- Settings dialog --------------------------------------------------------

TEST_F(MainWindowTest, SettingsKeyCallsTheHandlerOnlyWhenOffered)
{
    start();
    pressKey(window->inputLine(), 5);
    EXPECT_EQ(settingsDialogs, 1);
    pressKey(window->inputLine(), 1);  // on line: F5 is empty
    socket.setState(TelnetSocket::Connected);
    window->dialogue().setMode(Mode::Main);
    pressKey(window->inputLine(), 5);
    EXPECT_EQ(settingsDialogs, 1);
}

TEST_F(MainWindowTest, WithoutAHandlerTheSettingsKeyOpensTheModalDialog)
{
    window = std::make_unique<MainWindow>(store, socket, time);
    window->setExitHandler([](int) {});
    start();
    QString title;
    bool modal = false;
    QWidget* parent = nullptr;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        title = dialog->windowTitle();
        modal = dialog->isModal();
        parent = dialog->parentWidget();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(dialog, &escape);
    });
    const QStringList before = store.written;
    pressKey(window->terminalView(), 5);  // returns when the dialog has closed
    EXPECT_EQ(title, u"環境設定");
    EXPECT_TRUE(modal);
    EXPECT_EQ(parent, window.get());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(store.written, before);  // cancelled: nothing stored
}

}  // namespace
