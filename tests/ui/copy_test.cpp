#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <initializer_list>
#include <memory>
#include <utility>

#include "common/MemorySettingsStore.h"
#include "controls/GridModel.h"
#include "controls/qt/SpreadGrid.h"
#include "main/DialogueSession.h"
#include "main/qt/MainWindow.h"
#include "support/FakeSocket.h"
#include "support/FakeTime.h"
#include "support/qt/EventWait.h"

namespace {

// What the context menu offered when it opened.
struct MenuSeen {
    bool shown = false;
    QStringList actions;
    bool copyEnabled = false;
};

// Copying from the main window's views, as the user does it: a selection made
// in the view that has the focus, then Ctrl+C or the view's context menu.
class CopyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QApplication::clipboard()->clear();
        window = std::make_unique<MainWindow>(store, socket, time);
        window->setExitHandler([](int) {});
        window->load();
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();

        window->dialogue().functionKeyPressed(1);  // ログイン
        socket.pushText(u"ようこそ ZKT 掲示板へ\r\n本日の話題：温泉\r\n区切り\tタブ入り\r\n"_qs);
        waitForFrames();
    }

    // The views show what was received at their next frame.
    void waitForFrames()
    {
        ASSERT_TRUE(waitUntil([this] {
            return !window->terminalView()->gridView().changeWaiting() &&
                   !window->chatView()->gridView().changeWaiting();
        }));
    }

    void enterChatRoom()
    {
        socket.pushText(
            u"たろうさんがチャットルームに入室しました。\r\n花子>こんにちは\r\nBob>元気ですか？\r\n"_qs);
        waitForFrames();
        ASSERT_TRUE(window->chatView()->isVisible());
        ASSERT_EQ(window->chatModel().rowCount(), 3);
    }

    static void select(SpreadGrid* view, int row, int col, QItemSelectionModel::SelectionFlags how)
    {
        view->selectionModel()->select(view->model()->index(row, col), how);
    }

    static void pressCtrlC(QWidget* target)
    {
        target->setFocus(Qt::OtherFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), target);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03"));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03"));
        QApplication::sendEvent(target, &release);
    }

    // Opens the view's context menu over its first cell and picks "コピー" in it
    // (with Enter, as from the keyboard) once the menu shows.
    static MenuSeen copyFromContextMenu(SpreadGrid* view)
    {
        MenuSeen seen;
        QTimer::singleShot(0, view, [&seen] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            seen.shown = true;
            for (QAction* action : menu->actions()) {
                seen.actions.append(action->text());
                if (action->text() == u"コピー") {
                    seen.copyEnabled = action->isEnabled();
                    menu->setActiveAction(action);
                }
            }
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(menu, &enter);
            menu->close();
        });
        const QPoint at = view->visualRect(view->model()->index(0, 0)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &event);
        return seen;
    }

    static QString clipboardText() { return QApplication::clipboard()->text(); }

    // Adds the cells at `cells` (row, column) to the view's selection, presses
    // Ctrl+C there and returns what the clipboard then holds.
    static QString copyWithCtrlC(SpreadGrid* view, std::initializer_list<std::pair<int, int>> cells,
                                 QItemSelectionModel::SelectionFlags how)
    {
        for (const auto& [row, col] : cells)
            select(view, row, col, how);
        pressCtrlC(view);
        return clipboardText();
    }

    MemorySettingsStore store;
    FakeSocket socket;
    FakeTimeSource time;
    std::unique_ptr<MainWindow> window;
};

constexpr auto kRows = QItemSelectionModel::Select | QItemSelectionModel::Rows;
constexpr auto kCell = QItemSelectionModel::Select;

TEST_F(CopyTest, CtrlCCopiesTerminalRowsOnePerLine)
{
    SpreadGrid* terminal = window->terminalView();
    ASSERT_TRUE(terminal->isVisible());
    // The TAB the host sent is shown as spaces to the next multiple of eight.
    EXPECT_EQ(copyWithCtrlC(terminal, {{2, 0}, {0, 0}}, kRows), u"ようこそ ZKT 掲示板へ\n区切り  タブ入り");
}

TEST_F(CopyTest, CtrlCCopiesChatRowsAsHandleTabMessage)
{
    enterChatRoom();
    SpreadGrid* chat = window->chatView();
    EXPECT_EQ(copyWithCtrlC(chat, {{1, 0}, {2, 0}}, kRows), u"花子\tこんにちは\nBob\t元気ですか？");

    // A row without a handle keeps its empty first column.
    chat->clearSelection();
    EXPECT_EQ(copyWithCtrlC(chat, {{0, 0}}, kRows), u"\tたろうさんがチャットルームに入室しました。");
}

TEST_F(CopyTest, CtrlCCopiesSingleCellsWithoutTheirNeighbours)
{
    enterChatRoom();
    SpreadGrid* chat = window->chatView();
    EXPECT_EQ(copyWithCtrlC(chat, {{1, 1}}, kCell), u"こんにちは");
    EXPECT_EQ(copyWithCtrlC(chat, {{2, 1}}, kCell), u"こんにちは\n元気ですか？");
}

TEST_F(CopyTest, ContextMenuCopiesTheSelectionOfEitherView)
{
    SpreadGrid* terminal = window->terminalView();
    select(terminal, 1, 0, kRows);
    MenuSeen seen = copyFromContextMenu(terminal);
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.actions, QStringList{u"コピー"_qs});
    EXPECT_TRUE(seen.copyEnabled);
    EXPECT_EQ(clipboardText(), u"本日の話題：温泉");

    enterChatRoom();
    SpreadGrid* chat = window->chatView();
    select(chat, 1, 0, kRows);
    seen = copyFromContextMenu(chat);
    ASSERT_TRUE(seen.shown);
    EXPECT_TRUE(seen.copyEnabled);
    EXPECT_EQ(clipboardText(), u"花子\tこんにちは");
}

TEST_F(CopyTest, NothingSelectedLeavesTheClipboardAlone)
{
    QApplication::clipboard()->setText(u"前からの内容"_qs);
    SpreadGrid* terminal = window->terminalView();
    terminal->clearSelection();
    pressCtrlC(terminal);
    EXPECT_EQ(clipboardText(), u"前からの内容");

    const MenuSeen seen = copyFromContextMenu(terminal);
    ASSERT_TRUE(seen.shown);
    EXPECT_FALSE(seen.copyEnabled);
    EXPECT_EQ(clipboardText(), u"前からの内容");
}

TEST_F(CopyTest, CtrlCInTheInputLineCopiesItsOwnText)
{
    select(window->terminalView(), 0, 0, kRows);
    QLineEdit* input = window->inputLine();
    ASSERT_TRUE(input->isEnabled());
    input->setText(u"入力中の行"_qs);
    input->selectAll();
    pressCtrlC(input);
    EXPECT_EQ(clipboardText(), u"入力中の行");
}

}  // namespace
