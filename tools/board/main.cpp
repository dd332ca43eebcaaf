#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

#include "Board.h"
#include "BoardConnection.h"
#include "BoardServer.h"
#include "RecordWriter.h"
#include "RoomChatter.h"
#include "StdioLink.h"
#include "common/QtTimeSource.h"

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
    "Prints \"zkt-board listening on 127.0.0.1:<port>\" once it listens.\n"
    "\n"
    "Like real hosts: --telnet negotiates as a telnet daemon does (WILL\n"
    "AUTHENTICATION, DO TERMINAL-TYPE, WILL ECHO, WILL SUPPRESS-GO-AHEAD, DO NAWS)\n"
    "and shows nothing until the client has answered them all or 5 s have\n"
    "passed; --color adds colours, a screen clear, a bell and a line erase;\n"
    "--lf and --lfcr change the line end. They combine.\n"
    "\n"
    "--record prints, after the listening line, one line per read from a\n"
    "connection, \"received <connection> <hex bytes>\" (telnet commands included,\n"
    "as read), and with --telnet one line per telnet command the client sent,\n"
    "\"negotiated <connection> <hex bytes of the command>\". Connections count\n"
    "from 1. The record never holds the board up: when its reader falls 1 MiB\n"
    "behind, lines are dropped until it catches up, then\n"
    "\"record lines dropped: <count>\" says how many.\n"
    "\n"
    "At most 64 connections; a newcomer to a full board is told so and closed.";

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
    return QStringLiteral(ZKT_BOARD_SOURCE_DIR "/accounts.txt");
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
QByteArray recordLine(const char* what, int connection, const QByteArray& bytes)
{
    return what + (' ' + QByteArray::number(connection)) + ' ' + bytes.toHex();
}

// What the command line asked for.
struct Settings {
    int port = 0;
    int chatterMs = kDefaultChatterMs;
    QString accountsFile;
    std::optional<BoardScript> script;
    ConnectionOptions connection;
    bool stdio = false;
    bool record = false;
    bool quiet = false;
};

void addOptions(QCommandLineParser& parser)
{
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("port"),
                                 QStringLiteral("TCP port; 0 (default) takes any free port."),
                                 QStringLiteral("[port]"));
    parser.addOptions({
        {QStringLiteral("accounts"), QStringLiteral("Account file of lines userid:password:handle."),
         QStringLiteral("file")},
        {QStringLiteral("quiet"), QStringLiteral("No simulated members in the chat room.")},
        {QStringLiteral("chatter-interval"),
         QStringLiteral("Milliseconds between simulated statements (default 20000)."), QStringLiteral("ms")},
        {QStringLiteral("script"),
         QStringLiteral("Send this file's bytes on every connection instead of the dialogue."),
         QStringLiteral("file")},
        {QStringLiteral("chunk"), QStringLiteral("With --script: bytes per write (default: all at once)."),
         QStringLiteral("bytes")},
        {QStringLiteral("chunk-delay"),
         QStringLiteral("With --script: milliseconds between writes (default 0)."), QStringLiteral("ms")},
        {QStringLiteral("close"), QStringLiteral("With --script: close the connection once all is sent.")},
        {QStringLiteral("record"),
         QStringLiteral("Print what each connection sends as lines \"received <connection> <hex bytes>\" "
                        "(and \"negotiated ...\" with --telnet).")},
        {QStringLiteral("telnet"), QStringLiteral("Negotiate and speak telnet as a telnet daemon does.")},
        {QStringLiteral("color"),
         QStringLiteral("Colour the banner, prompts and chat handles; clear the screen, ring the bell.")},
        {QStringLiteral("lf"), QStringLiteral("End lines in LF alone instead of CR LF.")},
        {QStringLiteral("lfcr"), QStringLiteral("End lines in LF CR instead of CR LF.")},
        {QStringLiteral("stdio"),
         QStringLiteral(
             "Serve one session on standard input and output (under a telnet daemon) instead of listening.")},
        {QStringLiteral("idle-timeout"),
         QStringLiteral("Close a connection that sends nothing for this long (default 300; 0 never)."),
         QStringLiteral("seconds")},
        {QStringLiteral("drop-after"),
         QStringLiteral("Drop each connection this long after it opened, without a word, as a board that "
                        "restarts does (default 0: never)."),
         QStringLiteral("ms")},
    });
}

// Empty when the settings are good, else what is wrong.
QString readSettings(const QCommandLineParser& parser, Settings& settings)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return QStringLiteral("one port only");
    if (!positional.isEmpty()) {
        bool ok = false;
        settings.port = positional.first().toInt(&ok);
        if (!ok || settings.port < 0 || settings.port > 65535)
            return QStringLiteral("not a port: ") + positional.first();
    }
    BoardScript script;
    int idleSeconds = ConnectionOptions::kDefaultIdleTimeoutMs / 1000;
    if (!readNumber(parser, QStringLiteral("chatter-interval"), 86400000, settings.chatterMs) ||
        settings.chatterMs == 0)
        return QStringLiteral("--chatter-interval needs a number of milliseconds above 0");
    if (!readNumber(parser, QStringLiteral("chunk"), 1 << 30, script.chunkSize) ||
        !readNumber(parser, QStringLiteral("chunk-delay"), 86400000, script.chunkDelayMs))
        return QStringLiteral("--chunk and --chunk-delay need numbers of 0 or more");
    if (!readNumber(parser, QStringLiteral("idle-timeout"), 86400, idleSeconds))
        return QStringLiteral("--idle-timeout needs a number of seconds from 0 to 86400");
    settings.connection.idleTimeoutMs = idleSeconds * 1000;
    if (!readNumber(parser, QStringLiteral("drop-after"), 86400000, settings.connection.dropAfterMs))
        return QStringLiteral("--drop-after needs a number of milliseconds from 0 to 86400000");
    settings.connection.telnet = parser.isSet(QStringLiteral("telnet"));
    settings.connection.style.colour = parser.isSet(QStringLiteral("color"));
    if (parser.isSet(QStringLiteral("lf")) && parser.isSet(QStringLiteral("lfcr")))
        return QStringLiteral("--lf and --lfcr exclude each other");
    if (parser.isSet(QStringLiteral("lf")))
        settings.connection.style.lineEnd = SessionStyle::LineEnd::Lf;
    if (parser.isSet(QStringLiteral("lfcr")))
        settings.connection.style.lineEnd = SessionStyle::LineEnd::LfCr;
    settings.stdio = parser.isSet(QStringLiteral("stdio"));
    settings.record = parser.isSet(QStringLiteral("record"));
    settings.quiet = parser.isSet(QStringLiteral("quiet"));
    if (settings.stdio &&
        (settings.record || parser.isSet(QStringLiteral("script")) || !positional.isEmpty()))
        return QStringLiteral(
            "--stdio serves the dialogue on standard output: no port, --record or --script");
    settings.accountsFile = parser.isSet(QStringLiteral("accounts"))
                                ? parser.value(QStringLiteral("accounts"))
                                : defaultAccountsFile();
    if (parser.isSet(QStringLiteral("script"))) {
        QFile file(parser.value(QStringLiteral("script")));
        if (!file.open(QIODevice::ReadOnly))
            return file.fileName() + QStringLiteral(": ") + file.errorString();
        script.bytes = file.readAll();
        script.closeAfter = parser.isSet(QStringLiteral("close"));
        settings.script = script;
    }
    return {};
}

int serveStdio(Board& board, TimeSource& time, const ConnectionOptions& options)
{
    BoardConnection connection(board, time, options);
    StdioLink link(connection, STDIN_FILENO, STDOUT_FILENO);
    QObject::connect(&link, &StdioLink::finished, QCoreApplication::instance(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    link.start();
    return QCoreApplication::exec();
}

int serveTcp(Board& board, TimeSource& time, const Settings& settings)
{
    BoardServer server(board, time);
    server.setOptions(settings.connection);
    if (settings.script)
        server.setScript(*settings.script);
    // Standard output is written without blocking, whoever reads it.
    RecordWriter out(STDOUT_FILENO);
    if (settings.record) {
        QObject::connect(&server, &BoardServer::bytesReceived, &out,
                         [&out](int connection, const QByteArray& bytes) {
                             out.writeLine(recordLine("received", connection, bytes));
                         });
        QObject::connect(&server, &BoardServer::telnetCommandReceived, &out,
                         [&out](int connection, const QByteArray& bytes) {
                             out.writeLine(recordLine("negotiated", connection, bytes));
                         });
    }
    if (!server.listen(static_cast<quint16>(settings.port)))
        return fail(
            QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(settings.port).arg(server.errorString()));
    out.writeLine("zkt-board listening on 127.0.0.1:" + QByteArray::number(server.port()));
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zkt-board"));
    // A record reader that went away must not end the board.
    std::signal(SIGPIPE, SIG_IGN);

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    addOptions(parser);
    parser.process(app);

    Settings settings;
    const QString problem = readSettings(parser, settings);
    if (!problem.isEmpty())
        return fail(problem);

    Board board;
    if (!QFileInfo(settings.accountsFile).isReadable())
        return fail(QStringLiteral("cannot read the account file ") + settings.accountsFile);
    board.accounts = BoardAccounts::load(settings.accountsFile);
    for (const QString& error : board.accounts.errors())
        std::fprintf(stderr, "zkt-board: %s\n", qPrintable(error));

    QtTimeSource time;
    std::unique_ptr<RoomChatter> chatter;
    if (!settings.quiet)
        chatter = std::make_unique<RoomChatter>(board.room, time, settings.chatterMs);
    return settings.stdio ? serveStdio(board, time, settings.connection) : serveTcp(board, time, settings);
}
