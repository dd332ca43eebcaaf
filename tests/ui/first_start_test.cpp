// A first start, offscreen, over a real settings file in a temporary
// folder: the hint over the empty views, and the settings dialog opened in
// its detailed layout at the first F5.

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

#include "common/IniSettingsStore.h"
#include "main/DialogueSession.h"
#include "main/qt/MainWindow.h"
#include "support/FakeSocket.h"
#include "support/FakeTime.h"
#include "support/FileBytes.h"
#include "support/PrintQString.h"
#include "support/qt/EventWait.h"

#include <gtest/gtest.h>

namespace {

const QString kHint = QStringLiteral("F5 で接続先を設定し、F1 で接続します");

// What the settings dialog showed when it opened.
struct Opening {
    bool shown = false;
    bool detailed = false;
    QString modeCaption;
};

class FirstStartTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override
    {
        window.reset();
        store.reset();
    }

    QString path() const { return dir.filePath(QStringLiteral("ZKT/ZKT_1.ini")); }

    void start()
    {
        store = std::make_unique<IniSettingsStore>(path());
        window = std::make_unique<MainWindow>(*store, socket, time);
        window->setExitHandler([](int) {});
        window->load();
        window->show();
        QApplication::setActiveWindow(window.get());
        settle();
    }

    // F5 at line-off; the dialog is looked at, then closed with 更新 or
    // Escape.
    Opening pressSettingsKey(bool confirm)
    {
        Opening seen;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen.shown = true;
            seen.detailed = dialog->findChild<QWidget*>(QStringLiteral("detailedFrame"))->isVisible();
            seen.modeCaption = dialog->findChild<QPushButton*>(QStringLiteral("layoutButton"))->text();
            if (confirm) {
                dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
                return;
            }
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(dialog, &escape);
        });
        window->dialogue().functionKeyPressed(5);  // 設定; returns when the dialog has closed
        settle();
        return seen;
    }

    bool hintShown() const
    {
        const QLabel* hint = window->firstStartHint();
        return hint && hint->isVisible() && hint->text() == kHint;
    }

    QTemporaryDir dir;
    std::unique_ptr<IniSettingsStore> store;
    FakeSocket socket;
    FakeTimeSource time;
    std::unique_ptr<MainWindow> window;
};

TEST_F(FirstStartTest, WithoutASettingsFileTheWindowSaysWhatToDo)
{
    start();
    ASSERT_TRUE(hintShown());
    const QLabel* hint = window->firstStartHint();
    EXPECT_EQ(hint->geometry(), window->terminalArea()->contentsRect()) << "centred over the views";
    EXPECT_TRUE(hint->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(FirstStartTest, WithASettingsFileNothingChanges)
{
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("ZKT"))));
    ASSERT_TRUE(writeBytes(path(), "[Default]\nConnectionAddress=bbs.example\n"));
    start();
    EXPECT_EQ(window->firstStartHint(), nullptr);
    const Opening first = pressSettingsKey(false);
    ASSERT_TRUE(first.shown);
    EXPECT_FALSE(first.detailed);
    EXPECT_EQ(first.modeCaption, QStringLiteral("詳細設定"));
}

TEST_F(FirstStartTest, TheFirstSettingsKeyOpensTheDetailedLayoutOnly)
{
    start();
    const Opening first = pressSettingsKey(false);
    ASSERT_TRUE(first.shown);
    EXPECT_TRUE(first.detailed) << "the address and port in sight";
    EXPECT_EQ(first.modeCaption, QStringLiteral("簡易設定"));
    EXPECT_TRUE(hintShown()) << "cancelled: nothing is stored yet";

    const Opening second = pressSettingsKey(false);
    ASSERT_TRUE(second.shown);
    EXPECT_FALSE(second.detailed) << "as designed from the second opening on";
}

TEST_F(FirstStartTest, StoredSettingsTakeTheHintAway)
{
    start();
    const Opening first = pressSettingsKey(true);
    ASSERT_TRUE(first.shown);
    EXPECT_EQ(window->firstStartHint(), nullptr);
    EXPECT_FALSE(store->isFresh());
}

TEST_F(FirstStartTest, AnythingReceivedTakesTheHintAway)
{
    start();
    window->dialogue().functionKeyPressed(1);  // ログイン, to localhost as it stands
    ASSERT_EQ(socket.state(), TelnetSocket::Connected);
    EXPECT_TRUE(hintShown()) << "connected, nothing received yet";
    socket.pushText(QStringLiteral("Welcome\r\n"));
    settle();
    EXPECT_EQ(window->firstStartHint(), nullptr);
}

}  // namespace
