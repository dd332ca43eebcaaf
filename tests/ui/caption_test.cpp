#include <gtest/gtest.h>

#include <memory>

#include "common/MemorySettingsStore.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "controls/TelnetSocket.h"
#include "main/DialogueSession.h"
#include "main/qt/MainWindow.h"
#include "support/PrintBoardState.h"
#include "support/FakeSocket.h"
#include "support/FakeTime.h"

namespace {

constexpr int kTickMs = 50;

class CaptionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SettingsLookup::writeSetting(store, QStringLiteral("ConnectionAddress"),
                                     QStringLiteral("bbs.example.jp"));
        SettingsLookup::writeSetting(store, QStringLiteral("ConnectionPort"), QStringLiteral("2323"));
        window = std::make_unique<MainWindow>(store, socket, time);
        window->setExitHandler([](int) {});
        window->load();
    }

    void logIn()
    {
        window->dialogue().functionKeyPressed(1);
        ASSERT_EQ(socket.connectCount(), 1);
    }

    MemorySettingsStore store;
    FakeSocket socket;
    FakeTimeSource time;
    std::unique_ptr<MainWindow> window;
};

TEST_F(CaptionTest, OffLineAtStartAndUntilTheTimerSeesTheConnection)
{
    EXPECT_EQ(window->windowTitle(), u"ZKT");
    time.advance(kTickMs);
    EXPECT_EQ(window->windowTitle(), u"ZKT");

    logIn();
    // The caption follows the socket at the timer's next tick, not before.
    EXPECT_EQ(window->windowTitle(), u"ZKT");
    time.advance(kTickMs - 1);
    EXPECT_EQ(window->windowTitle(), u"ZKT");
    time.advance(1);
    EXPECT_EQ(window->windowTitle(), u"ZKT - bbs.example.jp:2323");
}

TEST_F(CaptionTest, ShowsTheHostOnlyWhileTheSocketReadsConnected)
{
    struct Case {
        TelnetSocket::State state;
        const char16_t* caption;
    };
    const Case cases[] = {
        {TelnetSocket::Connected, u"ZKT - bbs.example.jp:2323"},
        {TelnetSocket::ResolvingHost, u"ZKT"},
        {TelnetSocket::Connecting, u"ZKT"},
        {TelnetSocket::Open, u"ZKT"},
        {TelnetSocket::Error, u"ZKT"},
        {TelnetSocket::Closed, u"ZKT"},
        {TelnetSocket::Connected, u"ZKT - bbs.example.jp:2323"},
    };
    logIn();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        socket.setState(c.state);
        time.advance(kTickMs);
        EXPECT_EQ(window->windowTitle(), QStringView(c.caption));
    }
}

TEST_F(CaptionTest, ReturnsToOffLineWhenTheHostCloses)
{
    logIn();
    time.advance(kTickMs);
    ASSERT_EQ(window->windowTitle(), u"ZKT - bbs.example.jp:2323");

    socket.hostCloses();
    time.advance(kTickMs);
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    EXPECT_EQ(window->windowTitle(), u"ZKT");
}

TEST_F(CaptionTest, NamesTheHostOfTheConnectionNotTheEditedSettings)
{
    logIn();
    // Settings saved while on line take effect at the next log-in only.
    SettingsLookup::writeSetting(store, QStringLiteral("ConnectionAddress"),
                                 QStringLiteral("other.example.jp"));
    SettingsLookup::writeSetting(store, QStringLiteral("ConnectionPort"), QStringLiteral("23"));
    time.advance(kTickMs);
    EXPECT_EQ(window->windowTitle(), u"ZKT - bbs.example.jp:2323");

    socket.hostCloses();
    time.advance(kTickMs);
    window->dialogue().functionKeyPressed(1);
    time.advance(kTickMs);
    EXPECT_EQ(socket.host(), u"other.example.jp");
    EXPECT_EQ(window->windowTitle(), u"ZKT - other.example.jp:23");
}

TEST_F(CaptionTest, AFailedConnectionLeavesTheCaptionOffLine)
{
    socket.setStateAfterConnect(TelnetSocket::Connecting);
    logIn();
    time.advance(kTickMs);
    EXPECT_EQ(window->windowTitle(), u"ZKT");
    socket.failConnect(QStringLiteral("接続できませんでした"));
    time.advance(kTickMs);
    EXPECT_EQ(window->windowTitle(), u"ZKT");
}

}  // namespace
