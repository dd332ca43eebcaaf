// The main window over a settings file that is broken: values that do not
// convert, a file or folder that cannot be read, a write that fails. The
// client starts on defaults and says so once, never rewrites the user's
// file behind their back, and reports a failed write in the status bar.

#include <QDir>
#include <QFile>
#include <QStatusBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>

#include "common/IniSettingsStore.h"
#include "common/SettingsTable.h"
#include "support/FileBytes.h"
#include "support/qt/KeyedWindow.h"

namespace {

using namespace Qt::StringLiterals;

const QString kApp = u"ZKT_1"_s;

// The user's own file: comments, a fallback section, a key the client does
// not know, values written by hand.
QByteArray userFile(const QByteArray& defaultLines)
{
    return "; written by hand\n"
           "[Default]\n"
           "UserID=demo\n"
           "Password=s3cret\n"
           "ConnectionAddress=127.0.0.1\n" +
           defaultLines +
           "Unknown=kept as it is\n"
           "\n"
           "[Default-Mst]\n"
           "HandleSuffix=様\n";
}

class BrokenSettingsTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(u"ZKT/ZKT_1.ini"_s); }

    // Starts the client on `storePath`, counting the status bar's messages.
    void start(const QString& storePath)
    {
        store = std::make_unique<IniSettingsStore>(storePath);
        client = std::make_unique<KeyedWindow>(*store);
        QObject::connect(client->window->statusBar(), &QStatusBar::messageChanged,
                         [this](const QString& message) {
                             if (!message.isEmpty())
                                 messages << message;
                         });
        client->start();
    }

    void TearDown() override
    {
        client.reset();
        store.reset();
    }

    QTemporaryDir dir;
    std::unique_ptr<IniSettingsStore> store;
    std::unique_ptr<KeyedWindow> client;
    QStringList messages;
};

TEST_F(BrokenSettingsTest, ValuesThatDoNotConvertAreDefaultedAndReportedOnceAtStartUp)
{
    struct Case {
        QByteArray lines;
        QStringList keys;  // reported, in field order
    };
    const std::vector<Case> cases = {
        {"ConnectionPort=abc\n", {u"ConnectionPort"_s}},
        {"ConnectionPort=99999999999\n", {u"ConnectionPort"_s}},
        {"ConnectionPort=0\n", {u"ConnectionPort"_s}},
        {"ConnectionPort=65536\n", {u"ConnectionPort"_s}},
        {"GuestFlag=maybe\n", {u"GuestFlag"_s}},
        {"Luminosity=-5\n", {u"Luminosity"_s}},
        {"FontSize=12pt\nMyColor=-1\n", {u"MyColor"_s, u"FontSize"_s}},
        {"FontBold=maybe\nConnectionPort=abc\nLocalEcho=\nLuminosity=-1\n",
         {u"ConnectionPort"_s, u"Luminosity"_s, u"LocalEcho"_s, u"FontBold"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.toStdString());
        messages.clear();
        ASSERT_TRUE(writeBytes(path(), userFile(c.lines)));
        start(path());
        settle();

        ASSERT_EQ(messages.size(), 1) << messages.join(u" | "_s).toStdString();
        EXPECT_TRUE(messages[0].startsWith(u"設定の値を読めなかったため既定値を使います: "_s));
        for (const QString& key : c.keys) {
            EXPECT_EQ(messages[0].count(key), 1) << key.toStdString();
            const SettingsTable::Field* field = SettingsTable::find(key);
            ASSERT_NE(field, nullptr);
            EXPECT_EQ(SettingsTable::storedText(*field, client->dialogue().Settings()),
                      SettingsTable::defaultText(*field));
        }
        EXPECT_EQ(client->dialogue().Settings().UserID, u"demo"_s);
        EXPECT_EQ(client->mode(), u"LineOff"_s);
        EXPECT_EQ(client->caption(1), u"ログイン"_s);
        TearDown();
    }
}

// Exit by F8 or by closing the window, with placement memory off and on:
// the file keeps every byte, broken values included, except that the four
// placement keys are added when memory is on.
TEST_F(BrokenSettingsTest, TheUsersFileIsNeverRewrittenWithDefaults)
{
    const QByteArray broken = "ConnectionPort=abc\nLuminosity=-5\nGuestFlag=maybe\nFontSize=99999999999\n";
    const std::vector<std::pair<const char*, std::function<void(KeyedWindow&)>>> exits = {
        {"F8", [](KeyedWindow& client) { client.press(8); }},
        {"window closed", [](KeyedWindow& client) { client.window->close(); }},
    };
    for (const QByteArray screenSave : {"ScreenSave=False\n", "ScreenSave=True\n"}) {
        for (const auto& [name, exit] : exits) {
            SCOPED_TRACE(screenSave.toStdString() + name);
            const QByteArray before = userFile(broken + screenSave);
            ASSERT_TRUE(writeBytes(path(), before));
            start(path());
            exit(*client);
            TearDown();

            const QByteArray after = readBytes(path());
            QByteArrayList kept;
            int placementKeys = 0;
            for (const QByteArray& line : after.split('\n')) {
                if (line.startsWith("RecForm"))
                    ++placementKeys;
                else
                    kept << line;
            }
            EXPECT_EQ(kept.join('\n'), before);
            EXPECT_EQ(placementKeys, screenSave.contains("True") ? 4 : 0);
            const QString top = IniSettingsStore(path()).get(kApp, u"Default"_s, u"RecFormTop"_s, u"absent"_s);
            EXPECT_EQ(top == u"absent", !screenSave.contains("True")) << top.toStdString();
        }
    }
}

// A settings file or folder the client cannot read: the status bar says so
// at start-up, the defaults apply, and what is there is never replaced, not
// even when the placement is to be stored (the failed write is reported).
TEST_F(BrokenSettingsTest, UnreadableStoreIsReportedAndLeftAlone)
{
    struct Case {
        const char* name;
        std::function<QString(const QDir&)> make;  // returns the store's path
    };
    const std::vector<Case> cases = {
        {"folder is a file",
         [](const QDir& d) {
             writeBytes(d.filePath(u"ZKT"_s), "not a folder");
             return d.filePath(u"ZKT/ZKT_1.ini"_s);
         }},
        {"file is a folder",
         [](const QDir& d) {
             d.mkpath(u"ZKT/ZKT_1.ini"_s);
             return d.filePath(u"ZKT/ZKT_1.ini"_s);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir scratch;
        const QString storePath = c.make(QDir(scratch.path()));
        const QByteArray folderBefore = readBytes(scratch.filePath(u"ZKT"_s));
        messages.clear();
        start(storePath);
        settle();

        ASSERT_EQ(messages.size(), 1) << messages.join(u" | "_s).toStdString();
        EXPECT_TRUE(messages[0].startsWith(u"設定を読めなかったため既定値を使います: "_s)) << messages[0].toStdString();
        EXPECT_TRUE(messages[0].contains(storePath)) << messages[0].toStdString();
        EXPECT_EQ(client->dialogue().Settings(), AppSettings());

        client->dialogue().Settings().ScreenSave = true;
        client->press(8);
        EXPECT_EQ(client->exits, 1);
        EXPECT_TRUE(client->status().startsWith(u"設定を保存できませんでした: "_s)) << client->status().toStdString();
        TearDown();
        EXPECT_EQ(readBytes(scratch.filePath(u"ZKT"_s)), folderBefore);
        EXPECT_EQ(QFileInfo(storePath).isDir(), QString(c.name) == u"file is a folder");
    }
}

// A write that the system refuses (here: no file may grow, which binds root
// too) is reported in the status bar, and the old file stays whole.
TEST_F(BrokenSettingsTest, FailedWriteIsReportedAndTheOldFileStays)
{
    const QByteArray before = userFile("ScreenSave=True\n");
    ASSERT_TRUE(writeBytes(path(), before));
    start(path());
    settle();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u" | "_s).toStdString();

    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit none = saved;
    none.rlim_cur = 0;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &none), 0);
    client->press(8);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(client->exits, 1);
    EXPECT_TRUE(client->status().startsWith(u"設定を保存できませんでした: "_s)) << client->status().toStdString();
    EXPECT_EQ(readBytes(path()), before);
    EXPECT_EQ(QDir(dir.filePath(u"ZKT"_s)).entryList(QDir::Files), QStringList{u"ZKT_1.ini"_s});
}

}  // namespace
