#include <QDir>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include "common/Cp932.h"

#include "support/qt/EventWait.h"
#include "support/qt/PipeReader.h"

namespace {

QString boardProgram()
{
    return QStringLiteral(ZKT_BOARD_PATH);
}

// The zkt-board program, started as scripts start it.
class BoardProgramTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (board.state() != QProcess::NotRunning) {
            board.kill();
            board.waitForFinished();
        }
    }

    // Starts the board and returns the port from its first line.
    quint16 start(const QStringList& arguments)
    {
        board.start(boardProgram(), arguments);
        if (!waitUntil([this] { return board.canReadLine() || board.state() == QProcess::NotRunning; }))
            return 0;
        const QByteArray line = board.readLine();
        const QByteArray prefix = "zkt-board listening on 127.0.0.1:";
        if (!line.startsWith(prefix) || !line.endsWith('\n'))
            return 0;
        return line.mid(prefix.size()).trimmed().toUShort();
    }

    QByteArray receiveUntil(QTcpSocket& socket, const QByteArray& suffix, bool* closed = nullptr)
    {
        QByteArray received;
        bool gone = false;
        // The connection ends with this call: the socket may disconnect later.
        QObject scope;
        QObject::connect(&socket, &QTcpSocket::disconnected, &scope, [&] { gone = true; });
        waitUntil([&] {
            received += socket.readAll();
            return (!suffix.isEmpty() && received.endsWith(suffix)) || gone;
        });
        received += socket.readAll();
        if (closed)
            *closed = gone;
        return received;
    }

    QProcess board;
};

TEST_F(BoardProgramTest, AnnouncesItsPortAndGreets)
{
    const quint16 port = start({QStringLiteral("--quiet")});
    ASSERT_NE(port, 0);
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    const QByteArray banner = receiveUntil(socket, "User ID =");
    EXPECT_TRUE(banner.endsWith("\r\nUser ID =")) << banner.toStdString();
    socket.write("demo\r\n");
    EXPECT_TRUE(receiveUntil(socket, "Password =").endsWith("Password ="));
    socket.write("demo\r\n");
    EXPECT_TRUE(receiveUntil(socket, "MAIN (G,C,I,?) >").endsWith("MAIN (G,C,I,?) >"))
        << "the bundled demo account logs in";
}

TEST_F(BoardProgramTest, HelpNamesTheDemoAccount)
{
    board.start(boardProgram(), {QStringLiteral("--help")});
    ASSERT_TRUE(board.waitForFinished(20000));
    const QString help = QString::fromUtf8(board.readAllStandardOutput());
    EXPECT_TRUE(help.contains(QStringLiteral("demo / demo"))) << qPrintable(help);
    for (const char* option :
         {"--script", "--telnet", "--color", "--lf", "--lfcr", "--stdio", "--idle-timeout"})
        EXPECT_TRUE(help.contains(QString::fromUtf8(option))) << option;
    EXPECT_TRUE(help.contains(QStringLiteral("negotiated <connection>")));
    EXPECT_TRUE(help.contains(QStringLiteral("record lines dropped")));
}

TEST_F(BoardProgramTest, ScriptModeSendsTheFileAndCloses)
{
    QTemporaryFile script;
    ASSERT_TRUE(script.open());
    const QByteArray bytes("\x82\xb1\x82\xf1User ID =", 13);
    script.write(bytes);
    script.close();
    const quint16 port = start({QStringLiteral("--script"), script.fileName(), QStringLiteral("--chunk"),
                                QStringLiteral("3"), QStringLiteral("--close")});
    ASSERT_NE(port, 0);
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    bool closed = false;
    EXPECT_EQ(receiveUntil(socket, {}, &closed), bytes);
    EXPECT_TRUE(closed);
}

struct BadArgumentsCase {
    const char* name;
    QStringList arguments;
};

TEST_F(BoardProgramTest, BadArgumentsStopWithAMessage)
{
    const BadArgumentsCase cases[] = {
        {"port out of range", {"70000"}},
        {"port not a number", {"abc"}},
        {"missing account file", {"--accounts", "/nonexistent/accounts.txt"}},
        {"missing script", {"--script", "/nonexistent/script"}},
        {"zero chatter interval", {"--chatter-interval", "0"}},
        {"two line ends", {"--lf", "--lfcr"}},
        {"negative idle timeout", {"--idle-timeout", "-1"}},
        {"idle timeout not a number", {"--idle-timeout", "5m"}},
        {"standard output is the session", {"--stdio", "--record"}},
        {"no port on standard input", {"--stdio", "2323"}},
    };
    for (const BadArgumentsCase& c : cases) {
        SCOPED_TRACE(c.name);
        QProcess process;
        process.start(boardProgram(), c.arguments);
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitCode(), 2);
        EXPECT_TRUE(process.readAllStandardError().startsWith("zkt-board: "));
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    }
}

struct StdioCase {
    const char* name;
    QStringList arguments;
    QByteArray typed;
    QByteArray start;  // how the output starts
    QByteArray end;  // and ends
};

TEST_F(BoardProgramTest, StdioServesOneSessionThenEnds)
{
    const QByteArray farewell = Cp932::encode(u"ご利用ありがとうございました。さようなら。").bytes;
    const QByteArray declineAll("\xff\xfe\x25\xff\xfc\x18\xff\xfe\x01\xff\xfe\x03\xff\xfc\x1f", 15);
    const StdioCase cases[] = {
        {"logs in and out", {}, "demo\r\ndemo\r\nG\r\n", "\r\n*** ZKT ", "\r\n" + farewell + "\r\n"},
        {"input ends", {}, "demo\r\n", "\r\n*** ZKT ", "Password ="},
        {"telnet, colour and LF together",
         {"--telnet", "--color", "--lf"},
         declineAll + "demo\r\ndemo\r\nG\r\n",
         QByteArray("\xff\xfb\x25\xff\xfd\x18\xff\xfb\x01\xff\xfb\x03\xff\xfd\x1f\x1b[2J", 19),
         "\n" + farewell + "\n"},
    };
    for (const StdioCase& c : cases) {
        SCOPED_TRACE(c.name);
        QProcess process;
        process.start(boardProgram(),
                      QStringList{QStringLiteral("--stdio"), QStringLiteral("--quiet")} + c.arguments);
        ASSERT_TRUE(process.waitForStarted());
        process.write(c.typed);
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitCode(), 0);
        const QByteArray out = process.readAllStandardOutput();
        EXPECT_TRUE(out.startsWith(c.start)) << out.toHex(' ').toStdString();
        EXPECT_TRUE(out.endsWith(c.end)) << out.toHex(' ').toStdString();
        EXPECT_EQ(process.readAllStandardError(), QByteArray());
    }
}

TEST_F(BoardProgramTest, UnreadRecordNeverHoldsTheBoardUp)
{
    PipeReader out;
    out.attachStandardOutput(board);
    board.start(boardProgram(), {QStringLiteral("--record"), QStringLiteral("--quiet")});
    out.closeWriteEnd();
    const QByteArray prefix = "zkt-board listening on 127.0.0.1:";
    ASSERT_TRUE(out.readUntilContains("\n", 20000)) << out.read().toStdString();
    ASSERT_TRUE(out.read().startsWith(prefix));
    const quint16 port = out.read().mid(prefix.size()).trimmed().toUShort();

    // About 1 MB typed and answered, 2 MB of record nobody reads.
    QTcpSocket flood;
    flood.connectToHost(QStringLiteral("127.0.0.1"), port);
    flood.write("demo\r\ndemo\r\n" + (QByteArray(1000, 'x') + "\r\n").repeated(1000));
    QByteArray answers;
    EXPECT_TRUE(waitUntil(
        [&] {
            answers += flood.readAll();
            return answers.count("MAIN (G,C,I,?) >") == 1001;
        },
        20000))
        << answers.count("MAIN (G,C,I,?) >") << " of 1001 prompts";

    QTcpSocket next;
    next.connectToHost(QStringLiteral("127.0.0.1"), port);
    EXPECT_EQ(receiveUntil(next, "User ID ="),
              "\r\n" + Cp932::encode(u"*** ZKT デモ掲示板 ***").bytes + "\r\n" +
                  Cp932::encode(u"ゲストの方はユーザーIDに Guest と入力してください。").bytes +
                  "\r\n\r\nUser ID =");

    // Once read again, the record says what it left out, and goes on.
    EXPECT_TRUE(out.readUntilContains("\nrecord lines dropped: ", 20000));
    next.write("demo\r\n");
    EXPECT_TRUE(out.readUntilContains("\nreceived 2 64656d6f0d0a\n", 20000));
}

}  // namespace
