// The main window over a settings file that is broken: values that do not
// convert, a file or folder that cannot be read, a write that fails. The
// client starts on defaults and says so once, never rewrites the user's
// file behind their back, and reports a failed write in the status bar.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QStatusBar>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
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

// Answers each message box that opens while it lives with the button that
// `choose` names, after letting it act (as the user who frees disk space).
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::function<QString(int boxNumber)> choose) : choose_(std::move(choose))
    {
        // Polls from inside the box's own event loop; nothing waits on time.
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start();
    }
    QStringList texts;

private:
    void answer()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        texts << box->text();
        const QString choice = choose_(int(texts.size()));
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == choice) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << choice.toStdString();
        box->reject();
    }

    std::function<QString(int)> choose_;
    QTimer timer_;
};

const QString kRetry = u"再試行"_s;
const QString kQuit = u"保存せずに終了"_s;

struct FailedWriteCase {
    const char* name;
    bool byClosing;
    int retriesFailing;  // 再試行 while the limit holds
    bool lastRetrySucceeds;
};

const FailedWriteCase kFailedWriteCases[] = {
    {"F8, end without saving", false, 0, false},
    {"F8, retry twice, then end", false, 2, false},
    {"F8, retry after the limit is lifted", false, 0, true},
    {"closing, end without saving", true, 0, false},
    {"closing, retry after the limit is lifted", true, 1, true},
};

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

    // Ends the client by F8 or by closing while no file may grow, answering
    // the message boxes as `c` says; `texts` gets the boxes' texts.
    void exitWhileNoFileMayGrow(const FailedWriteCase& c, QStringList& texts)
    {
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit none = saved;
        none.rlim_cur = 0;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &none), 0);
        BoxAnswerer answers([&](int box) {
            if (box <= c.retriesFailing)
                return kRetry;
            if (!c.lastRetrySucceeds)
                return kQuit;
            ::setrlimit(RLIMIT_FSIZE, &saved);
            return kRetry;
        });
        if (c.byClosing)
            client->window->close();
        else
            client->press(8);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        texts = answers.texts;
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
            EXPECT_EQ(SettingsTable::storedText(*field, client->dialogue().settings()),
                      SettingsTable::defaultText(*field));
        }
        EXPECT_EQ(client->dialogue().settings().UserID, u"demo"_s);
        EXPECT_EQ(client->mode(), Mode::LineOff);
        EXPECT_EQ(client->caption(1), u"ログイン"_s);
        TearDown();
    }
}

// The first F1 replaces the status bar's message; the warning stays where
// the user can still read it.
TEST_F(BrokenSettingsTest, AStartUpWarningOutlivesTheFirstConnection)
{
    ASSERT_TRUE(writeBytes(path(), userFile("ConnectionPort=abc\n")));
    start(path());
    settle();
    QStatusBar* bar = client->window->statusBar();
    ASSERT_TRUE(bar->currentMessage().startsWith(u"設定の値を読めなかった"_s));
    client->press(1);
    settle();
    EXPECT_FALSE(bar->currentMessage().startsWith(u"設定の値を読めなかった"_s));
    EXPECT_TRUE(bar->toolTip().contains(u"ConnectionPort"_s)) << bar->toolTip().toStdString();
}

// Files from other editors: what can be read is used without a word; what
// cannot is named once at start-up, and the file is left as it is.
TEST_F(BrokenSettingsTest, UnreadableTextIsReportedOnceAtStartUp)
{
    const QString text = QString::fromUtf8(userFile("HandleName=太郎\n"));
    const auto utf16 = [&](QStringConverter::Encoding encoding, bool bom) {
        QStringEncoder encoder(encoding,
                               bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return QByteArray(encoder.encode(text));
    };
    struct Case {
        const char* name;
        QByteArray file;
        QString handle;  // the handle read, empty when the file was not readable
        bool reported;
    };
    const std::vector<Case> cases = {
        {"CR line ends", text.toUtf8().replace('\n', '\r'), u"太郎"_s, false},
        {"UTF-16 with its mark", utf16(QStringConverter::Utf16LE, true), u"太郎"_s, false},
        {"lower-case names",
         text.toUtf8().replace("[Default]", "[default]").replace("HandleName", "handlename"), u"太郎"_s,
         false},
        {"a line not in UTF-8", userFile("HandleName=太郎\nFontName=\xFF\xFE\n"), u"太郎"_s, true},
        {"UTF-16 without its mark", utf16(QStringConverter::Utf16LE, false), QString(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeBytes(path(), c.file));
        messages.clear();
        start(path());
        settle();
        EXPECT_EQ(client->dialogue().settings().HandleName, c.handle);
        ASSERT_EQ(messages.size(), c.reported ? 1 : 0) << messages.join(u" | "_s).toStdString();
        if (c.reported) {
            EXPECT_TRUE(messages[0].contains(u"lines that cannot be read are ignored"_s))
                << messages[0].toStdString();
        }
        client->press(8);
        TearDown();
        EXPECT_EQ(readBytes(path()), c.file);
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
            const QString top =
                IniSettingsStore(path()).get(kApp, u"Default"_s, u"RecFormTop"_s, u"absent"_s);
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
        EXPECT_TRUE(messages[0].startsWith(u"設定を読めなかったため既定値を使います: "_s))
            << messages[0].toStdString();
        EXPECT_TRUE(messages[0].contains(storePath)) << messages[0].toStdString();
        EXPECT_EQ(client->dialogue().settings(), AppSettings());

        client->dialogue().settings().ScreenSave = true;
        BoxAnswerer answers([](int) { return kQuit; });
        client->press(8);
        EXPECT_EQ(answers.texts.size(), 1);
        EXPECT_EQ(client->exits, 1);
        EXPECT_TRUE(client->status().startsWith(u"設定を保存できませんでした: "_s))
            << client->status().toStdString();
        TearDown();
        EXPECT_EQ(readBytes(scratch.filePath(u"ZKT"_s)), folderBefore);
        EXPECT_EQ(QFileInfo(storePath).isDir(), QString(c.name) == u"file is a folder");
    }
}

// A write that the system refuses (here: no file may grow, which binds root
// too) at F8 or at closing: a message box gives the system's reason and
// offers to try again or to end without saving; the old file stays whole
// until a save succeeds.
TEST_F(BrokenSettingsTest, FailedWriteAtExitIsAskedAboutAndTheOldFileStays)
{
    const QByteArray before = userFile("ScreenSave=True\n");
    const QString tooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
    for (const FailedWriteCase& c : kFailedWriteCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeBytes(path(), before));
        messages.clear();
        start(path());
        settle();
        EXPECT_TRUE(messages.isEmpty()) << messages.join(u" | "_s).toStdString();

        QStringList texts;
        ASSERT_NO_FATAL_FAILURE(exitWhileNoFileMayGrow(c, texts));
        EXPECT_EQ(texts.size(), c.retriesFailing + 1);
        for (const QString& text : texts) {
            EXPECT_TRUE(text.startsWith(u"設定を保存できませんでした。"_s)) << text.toStdString();
            EXPECT_TRUE(text.contains(tooLarge)) << text.toStdString();
        }
        EXPECT_EQ(client->exits, c.byClosing ? 0 : 1);
        EXPECT_TRUE(client->status().startsWith(u"設定を保存できませんでした: "_s))
            << client->status().toStdString();
        EXPECT_TRUE(client->status().contains(tooLarge)) << client->status().toStdString();
        const int placementKeys = int(readBytes(path()).count("RecForm"));
        if (c.lastRetrySucceeds)
            EXPECT_EQ(placementKeys, 4);
        else
            EXPECT_EQ(readBytes(path()), before);
        EXPECT_EQ(QDir(dir.filePath(u"ZKT"_s)).entryList(QDir::Files | QDir::Hidden),
                  QStringList{u"ZKT_1.ini"_s});
        TearDown();
        // Ending without saving means it: nothing is written when the store ends.
        EXPECT_EQ(readBytes(path()).count("RecForm"), c.lastRetrySucceeds ? 4 : 0);
    }
}

}  // namespace
