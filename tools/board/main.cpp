#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>

#include "Board.h"
#include "BoardServer.h"
#include "common/QtTimeSource.h"
#include "RoomChatter.h"

namespace {

constexpr int kDefaultChatterMs = 20000;

const char* const kDescription =
    "The bundled text board for the zkt client: log-in, main menu, chat menu,\n"
    "chat room and profile listing in Shift_JIS (code page 932), on 127.0.0.1.\n"
    "\n"
    "Demo accounts (tools/board/accounts.txt):\n"
    "  demo / demo        handle たろう\n"
    "  taro / taro        handle Taro\n"
    "  hanako / hanako    no handle: the board asks \"Handle Name =\"\n"
    "  Guest / (empty)    guest log-in; the board asks for a handle\n"
    "\n"
    "Prints \"zkt-board listening on 127.0.0.1:<port>\" once it listens.";

QString defaultAccountsFile()
{
    // Beside the program, then where an installed board's data lives
    // (prefix/share/zkt), then the source tree of a build.
    const QString programDir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {programDir + QStringLiteral("/accounts.txt"),
                                     programDir + QStringLiteral("/../share/zkt/accounts.txt")}) {
        if (QFile::exists(candidate))
            return QDir::cleanPath(candidate);
    }
    return QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("accounts.txt"));
}

int fail(const QString& message)
{
    std::fprintf(stderr, "zkt-board: %s\n", qPrintable(message));
    return 2;
}

bool readNumber(const QCommandLineParser& parser, const QString& name, int max, int& out)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    out = parser.value(name).toInt(&ok);
    return ok && out >= 0 && out <= max;
}

// One line per read, so that a test reading the output sees the bytes in
// the order the board received them.
void printReceived(int connection, const QByteArray& bytes)
{
    std::printf("received %d %s\n", connection, bytes.toHex().constData());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zkt-board"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("port"), QStringLiteral("TCP port; 0 (default) takes any free port."),
                                 QStringLiteral("[port]"));
    parser.addOptions({
        {QStringLiteral("accounts"), QStringLiteral("Account file of lines userid:password:handle."), QStringLiteral("file")},
        {QStringLiteral("quiet"), QStringLiteral("No simulated members in the chat room.")},
        {QStringLiteral("chatter-interval"), QStringLiteral("Milliseconds between simulated statements (default 20000)."), QStringLiteral("ms")},
        {QStringLiteral("script"), QStringLiteral("Send this file's bytes on every connection instead of the dialogue."), QStringLiteral("file")},
        {QStringLiteral("chunk"), QStringLiteral("With --script: bytes per write (default: all at once)."), QStringLiteral("bytes")},
        {QStringLiteral("chunk-delay"), QStringLiteral("With --script: milliseconds between writes (default 0)."), QStringLiteral("ms")},
        {QStringLiteral("close"), QStringLiteral("With --script: close the connection once all is sent.")},
        {QStringLiteral("record"), QStringLiteral("Print what each connection sends as lines \"received <connection> <hex bytes>\".")},
    });
    parser.process(app);

    int port = 0;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return fail(QStringLiteral("one port only"));
    if (!positional.isEmpty()) {
        bool ok = false;
        port = positional.first().toInt(&ok);
        if (!ok || port < 0 || port > 65535)
            return fail(QStringLiteral("not a port: ") + positional.first());
    }
    int chatterMs = kDefaultChatterMs;
    BoardScript script;
    if (!readNumber(parser, QStringLiteral("chatter-interval"), 86400000, chatterMs) || chatterMs == 0)
        return fail(QStringLiteral("--chatter-interval needs a number of milliseconds above 0"));
    if (!readNumber(parser, QStringLiteral("chunk"), 1 << 30, script.chunkSize)
        || !readNumber(parser, QStringLiteral("chunk-delay"), 86400000, script.chunkDelayMs))
        return fail(QStringLiteral("--chunk and --chunk-delay need numbers of 0 or more"));

    Board board;
    const QString accountsFile =
        parser.isSet(QStringLiteral("accounts")) ? parser.value(QStringLiteral("accounts")) : defaultAccountsFile();
    if (!QFileInfo(accountsFile).isReadable())
        return fail(QStringLiteral("cannot read the account file ") + accountsFile);
    board.accounts = BoardAccounts::load(accountsFile);
    for (const QString& error : board.accounts.errors())
        std::fprintf(stderr, "zkt-board: %s\n", qPrintable(error));

    if (parser.isSet(QStringLiteral("script"))) {
        QFile file(parser.value(QStringLiteral("script")));
        if (!file.open(QIODevice::ReadOnly))
            return fail(file.fileName() + QStringLiteral(": ") + file.errorString());
        script.bytes = file.readAll();
        script.closeAfter = parser.isSet(QStringLiteral("close"));
    }

    QtTimeSource time;
    std::unique_ptr<RoomChatter> chatter;
    if (!parser.isSet(QStringLiteral("quiet")))
        chatter = std::make_unique<RoomChatter>(board.room, time, chatterMs);

    BoardServer server(board, time);
    if (parser.isSet(QStringLiteral("script")))
        server.setScript(script);
    if (parser.isSet(QStringLiteral("record")))
        QObject::connect(&server, &BoardServer::bytesReceived, &printReceived);
    if (!server.listen(static_cast<quint16>(port)))
        return fail(QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(port).arg(server.errorString()));
    std::printf("zkt-board listening on 127.0.0.1:%u\n", unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
