// The settings file: exact round trips, hand-written lines, what survives a
// save, file modes, failures, and a writer killed mid-write.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QString>
#include <QStringEncoder>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <ostream>
#include <random>
#include <vector>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/IniSettingsStore.h"
#include "common/MemorySettingsStore.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "support/FileBytes.h"
#include "support/PrintQString.h"

namespace {

const QString kApp = QStringLiteral("ZKT_1");
const QString kDefault = QStringLiteral("Default");
const QString kAbsent = QStringLiteral("<absent>");

unsigned modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0xFFFF;
}

quint64 inodeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

void chmodPath(const QString& path, unsigned mode)
{
    ::chmod(QFile::encodeName(path).constData(), mode);
}

class IniStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    // The folder does not exist until the store first writes.
    QString path() const { return dir_.filePath(QStringLiteral("ZKT/ZKT_1.ini")); }
    QString folder() const { return dir_.filePath(QStringLiteral("ZKT")); }

    // Runs `scenario` where file permissions bind: as root (who ignores
    // them) it runs in a child process under an unprivileged user. Returns
    // what went wrong, empty when all held.
    QStringList withPermissionsEnforced(const std::function<QStringList()>& scenario);

    QTemporaryDir dir_;
};

QStringList IniStoreTest::withPermissionsEnforced(const std::function<QStringList()>& scenario)
{
    if (::geteuid() != 0)
        return scenario();
    constexpr uid_t kNobody = 65534;
    const QByteArray root = QFile::encodeName(dir_.path());
    std::function<void(const QString&)> chownTree = [&](const QString& at) {
        ::lchown(QFile::encodeName(at).constData(), kNobody, kNobody);
        if (QFileInfo(at).isDir() && !QFileInfo(at).isSymLink()) {
            for (const QString& name :
                 QDir(at).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
                chownTree(at + QLatin1Char('/') + name);
        }
    };
    chownTree(dir_.path());
    int report[2];
    if (::pipe(report) != 0)
        return {QStringLiteral("no pipe")};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        const QByteArray problems = scenario().join(QLatin1Char('\n')).toUtf8();
        const bool sent = ::write(report[1], problems.constData(), problems.size()) == problems.size();
        ::_exit(sent ? 0 : 3);
    }
    ::close(report[1]);
    QByteArray received;
    char buffer[4096];
    for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;)
        received.append(buffer, n);
    ::close(report[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {QStringLiteral("the unprivileged scenario did not finish (status %1)").arg(status)};
    return received.isEmpty() ? QStringList() : QString::fromUtf8(received).split(QLatin1Char('\n'));
}

void check(QStringList& problems, bool holds, const QString& what)
{
    if (!holds)
        problems << what;
}

const QStringList kAwkwardValues = {
    "",
    " ",
    "a,b",
    "a, b",
    " leading",
    "trailing ",
    "\ttab\t",
    "\"quoted\"",
    "\"",
    "x\"",
    "back\\slash\\",
    "\\n",
    "\\x41",
    "a=b",
    "=",
    ";semi",
    "#hash",
    "[section]",
    "]",
    "@Variant(\\0)",
    "@",
    QStringLiteral("日本語のテキスト"),
    QStringLiteral("ＭＳ ゴシック"),
    QStringLiteral("\u3000全角空白\u3000"),
    "line1\r\nline2",
    "\n",
    "\r",
    "\r\n\r\n",
    QString(QChar(0)) + "nul",
    "\x01\x1f\x7f",
    QStringLiteral("𠮷"),
    QString(QChar(0xD800)),
    QString(QChar(0xDC00)) + "x",
    "Error",
    QString(5000, QLatin1Char('w')),
    QStringLiteral("\uFEFFbom"),
};
const QStringList kAwkwardKeys = {
    "a=b", "[k", ";k", "#k", " k", "k ", "\"k", "k\nl", QStringLiteral("日本"), "@k", "", "k", "Default"};
const QStringList kAwkwardSections = {"Sec]tion", " spaced ", "[x]", "[", QStringLiteral("ÜnÏ"),
                                      "-Mst",     "a\"b",     "\"",  "\r"};

TEST_F(IniStoreTest, AwkwardTextsRoundTripExactly)
{
    {
        IniSettingsStore store(path());
        for (int i = 0; i < kAwkwardValues.size(); ++i)
            store.save(kApp, kDefault, QStringLiteral("Value%1").arg(i), kAwkwardValues[i]);
        for (const QString& key : kAwkwardKeys)
            store.save(kApp, QStringLiteral("Keys"), key, "v" + key);
        for (const QString& section : kAwkwardSections)
            store.save(kApp, section, QStringLiteral("K"), section);
        ASSERT_TRUE(store.flush()) << store.lastError().toStdString();
    }
    const IniSettingsStore store(path());
    for (int i = 0; i < kAwkwardValues.size(); ++i)
        EXPECT_EQ(store.get(kApp, kDefault, QStringLiteral("Value%1").arg(i), kAbsent), kAwkwardValues[i])
            << i;
    for (const QString& key : kAwkwardKeys)
        EXPECT_EQ(store.get(kApp, QStringLiteral("Keys"), key, kAbsent), "v" + key);
    for (const QString& section : kAwkwardSections)
        EXPECT_EQ(store.get(kApp, section, QStringLiteral("K"), kAbsent), section);
    EXPECT_EQ(store.lastError(), QString());
}

TEST_F(IniStoreTest, SimpleValuesStayReadable)
{
    {
        IniSettingsStore store(path());
        SettingsLookup::saveSettings(store, AppSettings{});
        store.save(kApp, kDefault, "Path", "C:\\dir\\a \"b\";c#d=e");
    }
    const QString text = QString::fromUtf8(readBytes(path()));
    for (const char* line : {"[Default]\n", "\nConnectionPort=23\n", "\nGuestFlag=False\n", "\nUserID=\n",
                             "\nPath=C:\\dir\\a \"b\";c#d=e\n"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line;
    EXPECT_TRUE(text.contains(QStringLiteral("\nFontName=ＭＳ ゴシック\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nHandleSuffix=さん\n")));
}

// Each kind of line a hand may write, well-formed or not.
const QByteArray kHandWrittenFile = "\xEF\xBB\xBFOrphan=before any section\r\n"
                                    "[Default]\r\n"
                                    "Plain=value\r\n"
                                    " Spaced  =  spaced value \t\r\n"
                                    "Inline=a;b # c\n"
                                    "Quoted=\"quoted \\\" text\\n\\x41\\u3042\"\n"
                                    "Path=C:\\dir\\file\n"
                                    "Tail=C:\\ \"x\"\n"
                                    "Empty=\n"
                                    "At=@Variant(1)\n"
                                    "BadEscape=\"bad \\q\"\n"
                                    "Unterminated=\"open\n"
                                    "Trailing=\"a\" b\n"
                                    "=novalue\n"
                                    "NoEquals\n"
                                    "key=lower\n"
                                    "Key=upper\n"
                                    "Key=second\n"
                                    "; Commented=1\n"
                                    "# Hashed=1\n"
                                    "Broken\xFF\xFE=1\n"
                                    "Latin=\xE9t\xE9\n"
                                    "AfterBroken=ok\n"
                                    "[Broken\n"
                                    "Hidden=1\n"
                                    "[Default-Mst]\n"
                                    "Mst=m";

TEST_F(IniStoreTest, HandWrittenLinesReadAsText)
{
    ASSERT_TRUE(writeBytes(path(), kHandWrittenFile));
    const IniSettingsStore store(path());
    const std::vector<std::pair<QString, QString>> expected = {
        {"Orphan", kAbsent},
        {"Plain", "value"},
        {"Spaced", "spaced value"},
        {"Inline", "a;b # c"},
        {"Quoted", QStringLiteral("quoted \" text\nAあ")},
        {"Path", "C:\\dir\\file"},
        {"Tail", "C:\\ \"x\""},
        {"Empty", ""},
        {"At", "@Variant(1)"},
        {"BadEscape", kAbsent},
        {"Unterminated", kAbsent},
        {"Trailing", kAbsent},
        {"", kAbsent},
        {"NoEquals", kAbsent},
        {"key", "lower"},
        {"Key", "lower"},
        {"; Commented", kAbsent},
        {"Commented", kAbsent},
        {"Hashed", kAbsent},
        {"Latin", kAbsent},
        {"AfterBroken", "ok"},
        {"Hidden", kAbsent},
        {"Mst", kAbsent},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(store.get(kApp, kDefault, key, kAbsent), value) << key.toStdString();
    EXPECT_EQ(store.get(kApp, "Broken", "Hidden", kAbsent), kAbsent);
    EXPECT_EQ(store.get(kApp, "Default-Mst", "Mst", kAbsent), QStringLiteral("m"));
    // The ignored lines are named, the first few by number.
    EXPECT_EQ(store.lastError(),
              path() + ": lines that cannot be read are ignored: 11, 12, 13, 14, 15 (8 in all)");
}

TEST_F(IniStoreTest, SaveChangesOnlyWhatWasSaved)
{
    const QByteArray before = "; ZKT settings, edited by hand\n"
                              "\n"
                              "[Default]\n"
                              "UserID = taro\n"
                              "# my note\n"
                              "Unknown=keep me\n"
                              "\xFF garbage line\n"
                              "\n"
                              "[Plugin]\n"
                              "Extra = 1\n"
                              "[Default-Mst]\n"
                              "ConnectionPort=2323";
    ASSERT_TRUE(writeBytes(path(), before));
    IniSettingsStore store(path());
    store.save(kApp, kDefault, "UserID", "jiro");
    store.save(kApp, kDefault, "Unknown", "keep me");
    store.save(kApp, kDefault, "NewKey", " new ");
    store.save(kApp, "Third", "K", "v");
    ASSERT_TRUE(store.flush()) << store.lastError().toStdString();
    // The sections after [Default], the one added at the end included.
    const QByteArray otherSections = "\n"
                                     "[Plugin]\n"
                                     "Extra = 1\n"
                                     "[Default-Mst]\n"
                                     "ConnectionPort=2323\n"
                                     "\n"
                                     "[Third]\n"
                                     "K=v\n";
    EXPECT_EQ(readBytes(path()), "; ZKT settings, edited by hand\n"
                                 "\n"
                                 "[Default]\n"
                                 "UserID=jiro\n"
                                 "# my note\n"
                                 "Unknown=keep me\n"
                                 "\xFF garbage line\n"
                                 "NewKey=\" new \"\n" +
                                     otherSections);

    SettingsLookup::writeSetting(store, "Init");
    ASSERT_TRUE(store.flush()) << store.lastError().toStdString();
    EXPECT_EQ(readBytes(path()), "; ZKT settings, edited by hand\n"
                                 "\n"
                                 "# my note\n"
                                 "\xFF garbage line\n" +
                                     otherSections);
    EXPECT_EQ(store.get(kApp, kDefault, "UserID", kAbsent), kAbsent);
}

TEST_F(IniStoreTest, CrLfFilesGainCrLfLines)
{
    ASSERT_TRUE(writeBytes(path(), "[Default]\r\nA=1\r\n"));
    IniSettingsStore store(path());
    store.save(kApp, kDefault, "B", "2");
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(readBytes(path()), QByteArray("[Default]\r\nA=1\r\nB=2\r\n"));
}

QByteArray utf16(const QString& text, QStringConverter::Encoding encoding, bool bom)
{
    QStringEncoder encoder(encoding,
                           bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

// Files written by other editors: each is read, a save adds one key in the
// file's own form, and what cannot be read is said.
TEST_F(IniStoreTest, OtherLineEndsAndEncodingsAreReadAndKept)
{
    using E = QStringConverter::Encoding;
    const QString text = QStringLiteral("[Default]\r\nA=あ\r\n");
    const QString saved = QStringLiteral("[Default]\r\nA=あ\r\nB=い\r\n");
    struct Case {
        const char* name;
        QByteArray file;
        QByteArray afterSave;
    };
    const std::vector<Case> cases = {
        {"CR", "[Default]\rA=\xE3\x81\x82\rZ=z", "[Default]\rA=\xE3\x81\x82\rZ=z\rB=\xE3\x81\x84\r"},
        {"CR LF", text.toUtf8(), saved.toUtf8()},
        {"LF then CR", "[Default]\n\rA=\xE3\x81\x82\n", "[Default]\n\rA=\xE3\x81\x82\nB=\xE3\x81\x84\n"},
        {"UTF-16LE", utf16(text, E::Utf16LE, true), utf16(saved, E::Utf16LE, true)},
        {"UTF-16BE", utf16(text, E::Utf16BE, true), utf16(saved, E::Utf16BE, true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeBytes(path(), c.file));
        IniSettingsStore store(path());
        EXPECT_EQ(store.get(kApp, kDefault, "A", kAbsent), QStringLiteral("あ"));
        EXPECT_EQ(store.lastError(), QString());
        store.save(kApp, kDefault, "B", QStringLiteral("い"));
        ASSERT_TRUE(store.flush()) << store.lastError().toStdString();
        EXPECT_EQ(readBytes(path()), c.afterSave);
    }
}

TEST_F(IniStoreTest, UnreadableTextIsReportedAndKept)
{
    using E = QStringConverter::Encoding;
    const QString text = QStringLiteral("[Default]\nA=1\n");
    // UTF-16 without its byte-order mark: every line holds NUL bytes.
    ASSERT_TRUE(writeBytes(path(), utf16(text, E::Utf16LE, false)));
    {
        IniSettingsStore store(path());
        EXPECT_EQ(store.get(kApp, kDefault, "A", kAbsent), kAbsent);
        EXPECT_EQ(store.lastError(), path() + ": lines that cannot be read are ignored: 1, 2, 3");
    }
    // A byte-order mark and then text that does not decode: nothing is readable.
    const QByteArray broken = QByteArray("\xFF\xFE[\0D\0", 6) + QByteArray("\x00\xD8\x41\x00", 4);
    ASSERT_TRUE(writeBytes(path(), broken));
    IniSettingsStore store(path());
    EXPECT_EQ(store.get(kApp, kDefault, "A", kAbsent), kAbsent);
    EXPECT_TRUE(store.lastError().contains("UTF-16")) << store.lastError().toStdString();
    store.save(kApp, kDefault, "A", "2");
    EXPECT_FALSE(store.flush());
    EXPECT_EQ(readBytes(path()), broken);
}

TEST_F(IniStoreTest, NamesCompareWithoutLetterCaseAndKeepTheFilesSpelling)
{
    ASSERT_TRUE(writeBytes(path(), "[default]\nuserid=taro\n[DEFAULT-MST]\nPORT=2323\n[Other]\nx=1\n"));
    IniSettingsStore store(path());
    EXPECT_EQ(store.get(kApp, kDefault, "UserID", kAbsent), QStringLiteral("taro"));
    EXPECT_EQ(SettingsLookup::readSetting(store, "Port"), QStringLiteral("2323"));
    store.save(kApp, kDefault, "UserID", "jiro");
    store.save(kApp, kDefault, "HandleName", "h");
    ASSERT_TRUE(store.flush()) << store.lastError().toStdString();
    EXPECT_EQ(readBytes(path()), QByteArray("[default]\nuserid=jiro\nHandleName=h\n"
                                            "[DEFAULT-MST]\nPORT=2323\n[Other]\nx=1\n"));
    SettingsLookup::writeSetting(store, "Init", {}, "OTHER");
    ASSERT_TRUE(store.flush()) << store.lastError().toStdString();
    EXPECT_EQ(readBytes(path()), QByteArray("[default]\nuserid=jiro\nHandleName=h\n"
                                            "[DEFAULT-MST]\nPORT=2323\n"));
}

TEST_F(IniStoreTest, SavingTheStoredValueLeavesTheFileAlone)
{
    ASSERT_TRUE(writeBytes(path(), "[Default]\nA = 1 \n"));
    const quint64 inode = inodeOf(path());
    IniSettingsStore store(path());
    store.save(kApp, kDefault, "A", "1");
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(readBytes(path()), QByteArray("[Default]\nA = 1 \n"));
    EXPECT_EQ(inodeOf(path()), inode);
}

TEST_F(IniStoreTest, FileAndFoldersAreTheOwnersAlone)
{
    const QString nested = dir_.filePath("config/ZKT/ZKT_1.ini");
    IniSettingsStore store(nested);
    store.save(kApp, kDefault, "Password", "secret");
    ASSERT_TRUE(store.flush()) << store.lastError().toStdString();
    EXPECT_EQ(modeOf(dir_.filePath("config")), 0700u);
    EXPECT_EQ(modeOf(dir_.filePath("config/ZKT")), 0700u);
    EXPECT_EQ(modeOf(nested), 0600u);

    chmodPath(nested, 0644);
    store.save(kApp, kDefault, "Password", "changed");
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(modeOf(nested), 0600u);
}

TEST_F(IniStoreTest, ReadsSeeSavesAtOnceAndTheFileAfterFlush)
{
    IniSettingsStore writer(path());
    writer.save(kApp, kDefault, "A", "1");
    EXPECT_EQ(writer.get(kApp, kDefault, "A", kAbsent), QStringLiteral("1"));
    EXPECT_EQ(IniSettingsStore(path()).get(kApp, kDefault, "A", kAbsent), kAbsent);
    ASSERT_TRUE(writer.flush());
    EXPECT_EQ(IniSettingsStore(path()).get(kApp, kDefault, "A", kAbsent), QStringLiteral("1"));
}

TEST_F(IniStoreTest, FreshUntilAnythingIsSavedOrTheFileIsThere)
{
    IniSettingsStore store(path());
    EXPECT_TRUE(store.isFresh()) << "no file yet";
    EXPECT_EQ(store.get(kApp, kDefault, "A", kAbsent), kAbsent);
    EXPECT_TRUE(store.isFresh()) << "reading makes no file";
    store.save(kApp, kDefault, "A", "1");
    EXPECT_FALSE(store.isFresh()) << "saved, not yet flushed";
    store.discard();
    EXPECT_TRUE(store.isFresh()) << "the save was dropped";
    store.save(kApp, kDefault, "A", "1");
    ASSERT_TRUE(store.flush());
    EXPECT_FALSE(store.isFresh());
    EXPECT_FALSE(IniSettingsStore(path()).isFresh()) << "a later start finds the file";
    ASSERT_TRUE(writeBytes(path(), ""));
    EXPECT_FALSE(IniSettingsStore(path()).isFresh()) << "an empty file is a file";
    EXPECT_FALSE(MemorySettingsStore().isFresh()) << "only a store with a file starts fresh";
}

TEST_F(IniStoreTest, PendingChangesAreWrittenWhenTheStoreEnds)
{
    {
        IniSettingsStore writer(path());
        writer.save(kApp, kDefault, "A", "1");
    }
    EXPECT_EQ(IniSettingsStore(path()).get(kApp, kDefault, "A", kAbsent), QStringLiteral("1"));
}

TEST_F(IniStoreTest, HandEditsAreSeenAndKeptOnFlush)
{
    ASSERT_TRUE(writeBytes(path(), "[Default]\nA=1\n"));
    IniSettingsStore store(path());
    EXPECT_EQ(store.get(kApp, kDefault, "A", kAbsent), QStringLiteral("1"));

    ASSERT_TRUE(writeBytes(path(), "[Default]\nA=edited\n"));
    EXPECT_EQ(store.get(kApp, kDefault, "A", kAbsent), QStringLiteral("edited"));

    store.save(kApp, kDefault, "Mine", "m");
    ASSERT_TRUE(writeBytes(path(), "; note\n[Default]\nA=again\nTheirs=t\n"));
    EXPECT_EQ(store.get(kApp, kDefault, "Mine", kAbsent), QStringLiteral("m"));
    EXPECT_EQ(store.get(kApp, kDefault, "Theirs", kAbsent), QStringLiteral("t"));
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(readBytes(path()), QByteArray("; note\n[Default]\nA=again\nTheirs=t\nMine=m\n"));
}

TEST_F(IniStoreTest, OtherApplicationsAreNotServed)
{
    IniSettingsStore store(path());
    EXPECT_EQ(store.appName(), kApp);
    store.save(kApp, kDefault, "A", "1");
    EXPECT_EQ(store.get("ZKT_2", kDefault, "A", kAbsent), kAbsent);
    EXPECT_NE(store.lastError(), QString());
    store.save("ZKT_2", kDefault, "B", "2");
    EXPECT_NE(store.lastError(), QString());
    store.deleteSection("ZKT_2", kDefault);
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(store.lastError(), QString());
    EXPECT_EQ(readBytes(path()), QByteArray("[Default]\nA=1\n"));
}

TEST_F(IniStoreTest, UnreachableFolderReadsAsAbsentAndRefusesToWrite)
{
    ASSERT_TRUE(writeBytes(dir_.filePath("plainfile"), "not a folder"));
    IniSettingsStore store(dir_.filePath("plainfile/ZKT_1.ini"));
    EXPECT_EQ(store.get(kApp, kDefault, "A", kAbsent), kAbsent);
    EXPECT_NE(store.lastError(), QString());
    store.save(kApp, kDefault, "A", "1");
    EXPECT_EQ(store.get(kApp, kDefault, "A", kAbsent), QStringLiteral("1"));
    EXPECT_FALSE(store.flush());
    EXPECT_NE(store.lastError(), QString());
    EXPECT_EQ(readBytes(dir_.filePath("plainfile")), QByteArray("not a folder"));
}

TEST_F(IniStoreTest, UnwritableFolderFailsTheFlushAndKeepsTheOldFile)
{
    const QByteArray old = "; mine\n[Default]\nA=old\n";
    ASSERT_TRUE(writeBytes(path(), old));
    const QStringList problems = withPermissionsEnforced([&] {
        QStringList p;
        IniSettingsStore store(path());
        chmodPath(folder(), 0500);
        store.save(kApp, kDefault, "A", "new");
        check(p, !store.flush(), "flush into a read-only folder succeeded");
        check(p, !store.lastError().isEmpty(), "no error after a failed flush");
        check(p, readBytes(path()) == old, "the old file changed");
        check(p, store.get(kApp, kDefault, "A", kAbsent) == "new", "the pending value was lost");
        chmodPath(folder(), 0700);
        check(p, store.flush(), "the retry failed: " + store.lastError());
        check(p, IniSettingsStore(path()).get(kApp, kDefault, "A", kAbsent) == "new", "retry not written");
        return p;
    });
    EXPECT_EQ(problems, QStringList());
}

TEST_F(IniStoreTest, UnreadableFileReadsAsAbsentAndIsNeverReplaced)
{
    const QByteArray old = "[Default]\nA=old\nB=kept\n";
    ASSERT_TRUE(writeBytes(path(), old));
    const QStringList problems = withPermissionsEnforced([&] {
        QStringList p;
        chmodPath(path(), 0000);
        IniSettingsStore store(path());
        check(p, store.get(kApp, kDefault, "B", kAbsent) == kAbsent, "an unreadable file gave a value");
        check(p, !store.lastError().isEmpty(), "no error for an unreadable file");
        store.save(kApp, kDefault, "A", "new");
        check(p, !store.flush(), "an unreadable file was replaced");
        check(p, !store.lastError().isEmpty(), "no error after the refused flush");
        chmodPath(path(), 0600);
        check(p, readBytes(path()) == old, "the unreadable file changed");
        check(p, store.flush(), "the retry failed: " + store.lastError());
        check(p, readBytes(path()) == "[Default]\nA=new\nB=kept\n", "the retry lost the file's keys");

        chmodPath(folder(), 0000);
        check(p, store.get(kApp, kDefault, "B", kAbsent) == kAbsent, "an unreadable folder gave a value");
        check(p, !store.lastError().isEmpty(), "no error for an unreadable folder");
        chmodPath(folder(), 0700);
        check(p, store.get(kApp, kDefault, "B", kAbsent) == "kept", "not read again once readable");
        return p;
    });
    EXPECT_EQ(problems, QStringList());
}

// A second client (holding the lock beside the file) is saving: this save
// waits for it, and then merges with what it wrote.
TEST_F(IniStoreTest, ASaveWaitsForAnotherClientsLock)
{
    ASSERT_TRUE(writeBytes(path(), "[Default]\nA=1\n"));
    QLockFile other(path() + ".lock");
    ASSERT_TRUE(other.tryLock(0));
    IniSettingsStore store(path());
    store.setLockWait(0);
    store.save(kApp, kDefault, "A", "2");
    EXPECT_FALSE(store.flush());
    EXPECT_TRUE(store.lastError().contains(path() + ".lock")) << store.lastError().toStdString();
    EXPECT_EQ(readBytes(path()), QByteArray("[Default]\nA=1\n"));

    ASSERT_TRUE(writeBytes(path(), "[Default]\nA=1\nTheirs=t\n"));
    other.unlock();
    ASSERT_TRUE(store.flush()) << store.lastError().toStdString();
    EXPECT_EQ(readBytes(path()), QByteArray("[Default]\nA=2\nTheirs=t\n"));
}

// Two clients read the same file; one confirms the settings dialog, then the
// other saves its own edit of the record it read earlier and its placement.
// Each keeps the other's change: a save carries only what its client changed.
TEST_F(IniStoreTest, TwoClientsKeepEachOthersChanges)
{
    ASSERT_TRUE(writeBytes(path(), "[Default]\nUserID=taro\nPassword=old\nHandleName=h\n"));
    IniSettingsStore first(path());
    IniSettingsStore second(path());
    AppSettings a;
    AppSettings b;
    SettingsLookup::loadSettings(first, a);
    SettingsLookup::loadSettings(second, b);
    a.Password = QStringLiteral("new");
    SettingsLookup::saveSettings(first, a);
    ASSERT_EQ(first.lastError(), QString());
    b.HandleName = QStringLiteral("花子");
    SettingsLookup::saveSettings(second, b);
    SettingsLookup::writeSetting(second, "RecFormTop", "120");
    ASSERT_TRUE(second.flush()) << second.lastError().toStdString();

    const IniSettingsStore reader(path());
    AppSettings r;
    SettingsLookup::loadSettings(reader, r);
    EXPECT_EQ(r.UserID, QStringLiteral("taro"));
    EXPECT_EQ(r.Password, QStringLiteral("new"));
    EXPECT_EQ(r.HandleName, QStringLiteral("花子"));
    EXPECT_EQ(SettingsLookup::readSetting(reader, "RecFormTop"), QStringLiteral("120"));
}

// A file-size limit (as `ulimit -f` sets, binding root too) fails the write
// part-way or at once: the system's reason is given, the old file stays, no
// temporary or lock file is left, and the changes are still written later.
TEST_F(IniStoreTest, AFailedWriteGivesTheSystemsReason)
{
    const QByteArray old = "[Default]\nA=old\n";
    ASSERT_TRUE(writeBytes(path(), old));
    IniSettingsStore store(path());
    store.save(kApp, kDefault, "A", QString(4096, QLatin1Char('x')));
    for (const rlim_t limit : {rlim_t(0), rlim_t(1000)}) {
        SCOPED_TRACE(limit);
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = limit;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        const bool flushed = store.flush();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        EXPECT_FALSE(flushed);
        EXPECT_TRUE(store.lastError().contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
            << store.lastError().toStdString();
        EXPECT_EQ(readBytes(path()), old);
        EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"ZKT_1.ini"});
    }
    ASSERT_TRUE(store.flush()) << store.lastError().toStdString();
    EXPECT_EQ(IniSettingsStore(path()).get(kApp, kDefault, "A", kAbsent), QString(4096, QLatin1Char('x')));
}

// Ending without saving: the dropped change is neither written when the
// store ends nor taken for the value last read by a later save.
TEST_F(IniStoreTest, DiscardedChangesAreNeitherWrittenNorRemembered)
{
    ASSERT_TRUE(writeBytes(path(), "[Default]\nA=1\n"));
    {
        IniSettingsStore store(path());
        EXPECT_EQ(store.get(kApp, kDefault, "A", kAbsent), QStringLiteral("1"));
        store.save(kApp, kDefault, "A", "2");
        store.discard();
        EXPECT_EQ(store.get(kApp, kDefault, "A", kAbsent), QStringLiteral("1"));
    }
    EXPECT_EQ(readBytes(path()), QByteArray("[Default]\nA=1\n"));
    IniSettingsStore store(path());
    store.save(kApp, kDefault, "A", "2");
    store.discard();
    store.save(kApp, kDefault, "A", "2");
    ASSERT_TRUE(store.flush()) << store.lastError().toStdString();
    EXPECT_EQ(readBytes(path()), QByteArray("[Default]\nA=2\n"));
}

qint64 sizeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_size : -1;
}

bool seedBigFile(const QString& at, const QString& big)
{
    IniSettingsStore store(at);
    store.save(kApp, kDefault, "Head", " first ");
    store.save(kApp, kDefault, "Big", big);
    store.save(kApp, kDefault, "Tail", "last");
    return store.flush();
}

// The writer child: saves `a` and `b` in turn for ever, writing a mark to
// `ready` as each write starts, so the parent's kill lands in one.
[[noreturn]] void writeInTurnsForever(const QString& at, const QString& a, const QString& b, int ready)
{
    IniSettingsStore store(at);
    for (bool useB = true;; useB = !useB) {
        store.save(kApp, kDefault, "Big", useB ? b : a);
        if (::write(ready, "1", 1) != 1)
            ::_exit(4);
        if (!store.flush())
            ::_exit(3);
    }
}

// Watches the file through 1 or 2 whole writes that the writer marks on
// `ready`, then for a random while more; a reader sees only whole files.
void watchWhileTheWriterRuns(int ready, const QString& path, const QList<qint64>& wholeSizes,
                             std::mt19937& random)
{
    const auto watch = [&] { return wholeSizes.contains(sizeOf(path)); };
    const int writes = std::uniform_int_distribution<int>(1, 2)(random);
    for (int started = 0; started < writes;) {
        ASSERT_TRUE(watch()) << "a reader saw " << sizeOf(path) << " bytes";
        char marks[64];
        const ssize_t n = ::read(ready, marks, sizeof marks);
        ASSERT_NE(n, 0) << "the writer stopped";
        started += int(std::max<ssize_t>(n, 0));
    }
    const int looks = std::uniform_int_distribution<int>(0, 30000)(random);
    for (int i = 0; i < looks; ++i)
        ASSERT_TRUE(watch()) << "a reader saw " << sizeOf(path) << " bytes";
}

TEST_F(IniStoreTest, KilledWriterLeavesTheOldOrTheNewFileWhole)
{
    // Large plain values: little time goes into quoting, much into writing.
    const QString a = QString(3000000, QLatin1Char('a'));
    const QString b = QStringLiteral("日本語,").repeated(600000);
    ASSERT_TRUE(seedBigFile(path(), a));
    ASSERT_TRUE(seedBigFile(dir_.filePath("other/ZKT_1.ini"), b));
    const QByteArray oldBytes = readBytes(path());
    const QByteArray newBytes = readBytes(dir_.filePath("other/ZKT_1.ini"));

    const unsigned randomSeed = std::random_device{}();
    std::mt19937 random(randomSeed);
    SCOPED_TRACE(randomSeed);
    for (int round = 0; round < 6; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            ::close(ready[0]);
            writeInTurnsForever(path(), a, b, ready[1]);
        }
        ::close(ready[1]);
        // Ends the writer also when an assertion below leaves the test early.
        bool reaped = false;
        const std::unique_ptr<void, std::function<void(void*)>> cleanup(&ready, [&](void*) {
            if (!reaped) {
                ::kill(writer, SIGKILL);
                ::waitpid(writer, nullptr, 0);
            }
            ::close(ready[0]);
        });
        char signal = 0;
        ASSERT_EQ(::read(ready[0], &signal, 1), 1) << "the writer stopped before writing";
        // Watch the file through whole writes, then kill at a random point.
        ::fcntl(ready[0], F_SETFL, O_NONBLOCK);
        ASSERT_NO_FATAL_FAILURE(
            watchWhileTheWriterRuns(ready[0], path(), {oldBytes.size(), newBytes.size()}, random));
        ::kill(writer, SIGKILL);
        int status = 0;
        reaped = ::waitpid(writer, &status, 0) == writer;
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the writer ended by itself, status " << status;
        // A kill between creating the lock file and writing its owner into
        // it leaves a lock nobody can prove stale for half a minute; that
        // is the lock's business, not the file's, so the next writer gets
        // a free path.
        QFile::remove(path() + QStringLiteral(".lock"));
        const QByteArray left = readBytes(path());
        ASSERT_TRUE(left == oldBytes || left == newBytes) << "round " << round;
        const IniSettingsStore reader(path());
        const QString big = reader.get(kApp, kDefault, "Big", kAbsent);
        EXPECT_TRUE(big == a || big == b);
        EXPECT_EQ(reader.get(kApp, kDefault, "Tail", kAbsent), QStringLiteral("last"));
    }
}

TEST(IniStorePath, FollowsTheXdgConfigFolder)
{
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("HOME", "/home/someone");
    const std::vector<std::pair<QByteArray, QString>> cases = {
        {"/xdg/config", "/xdg/config/ZKT/ZKT_1.ini"},
        {"", "/home/someone/.config/ZKT/ZKT_1.ini"},
        {"relative/path", "/home/someone/.config/ZKT/ZKT_1.ini"},
    };
    for (const auto& [xdg, expected] : cases) {
        qputenv("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(IniSettingsStore::defaultPath(), expected);
    }
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(IniSettingsStore::defaultPath(), QStringLiteral("/home/someone/.config/ZKT/ZKT_1.ini"));
    qputenv("HOME", savedHome);
    if (hadXdg)
        qputenv("XDG_CONFIG_HOME", savedXdg);
}

}  // namespace
