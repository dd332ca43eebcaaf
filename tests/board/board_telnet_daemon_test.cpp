#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/qt/EventWait.h"
#include "support/qt/TelnetDaemonHost.h"

namespace {

constexpr unsigned char kIac = 255, kSb = 250, kSe = 240, kWill = 251, kWont = 252, kDo = 253, kDont = 254;

// The least a telnet client must do: agree that the host echoes and
// suppresses go-ahead, decline everything else, and read the text.
class MinimalTelnetClient {
public:
    explicit MinimalTelnetClient(quint16 port)
    {
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { take(socket_.readAll()); });
        QObject::connect(&socket_, &QTcpSocket::disconnected, [this] { closed_ = true; });
        socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
    }

    bool waitForText(const QByteArray& suffix)
    {
        return waitUntil([&] { return text_.endsWith(suffix) || closed_; }) && text_.endsWith(suffix);
    }

    void type(const QByteArray& line) { socket_.write(line + "\r\n"); }
    const QByteArray& text() const { return text_; }
    int commandsAnswered() const { return answered_; }

private:
    void take(const QByteArray& bytes)
    {
        for (char c : bytes)
            takeByte(static_cast<unsigned char>(c));
    }

    void takeByte(unsigned char byte)
    {
        if (inSubnegotiation_) {
            inSubnegotiation_ = !(afterIac_ && byte == kSe);
            afterIac_ = byte == kIac && !afterIac_;
            return;
        }
        if (verb_ != 0) {
            answer(verb_, byte);
            verb_ = 0;
        } else if (afterIac_) {
            afterIac_ = false;
            if (byte == kIac)
                text_.append(char(kIac));
            else if (byte >= kWill && byte <= kDont)
                verb_ = byte;
            else
                inSubnegotiation_ = byte == kSb;
        } else if (byte == kIac) {
            afterIac_ = true;
        } else if (!(byte == 0 && text_.endsWith('\r'))) {
            text_.append(char(byte));
        }
    }

    void answer(unsigned char verb, unsigned char option)
    {
        const bool agree = verb == kWill && (option == 1 || option == 3);
        unsigned char reply = 0;
        if (verb == kWill)
            reply = agree ? kDo : kDont;
        else if (verb == kDo)
            reply = kWont;
        if (reply != 0) {
            const char bytes[] = {char(kIac), char(reply), char(option)};
            socket_.write(bytes, 3);
            ++answered_;
        }
    }

    QTcpSocket socket_;
    QByteArray text_;
    bool closed_ = false;
    bool afterIac_ = false;
    bool inSubnegotiation_ = false;
    unsigned char verb_ = 0;
    int answered_ = 0;
};

TEST(TelnetDaemonHostTest, BoardAnswersThroughARealTelnetDaemon)
{
    TelnetDaemonHost host(QStringLiteral(ZKT_BOARD_PATH));
    if (!host.isAvailable())
        GTEST_SKIP() << qPrintable(host.reason());
    MinimalTelnetClient client(host.port());
    ASSERT_TRUE(client.waitForText("User ID =")) << client.text().toStdString();
    ASSERT_TRUE(host.isAvailable()) << qPrintable(host.reason());
    EXPECT_GE(client.commandsAnswered(), 7) << "the daemon's opening requests";
    EXPECT_TRUE(client.text().startsWith("\r\n*** ZKT ")) << client.text().toStdString();
    client.type("demo");
    ASSERT_TRUE(client.waitForText("Password =")) << client.text().toStdString();
    client.type("demo");
    EXPECT_TRUE(client.waitForText("MAIN (G,C,I,?) >")) << client.text().toStdString();
    EXPECT_EQ(host.daemonsStarted(), 1);
}

TEST(TelnetDaemonHostTest, UnusableBoardProgramIsReported)
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zkt board XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    const QString spaced = dir.filePath(QStringLiteral("zkt-board"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZKT_BOARD_PATH), spaced));
    const struct {
        const char* name;
        QString program;
        const char* reason;
    } cases[] = {
        {"missing", QStringLiteral("/nonexistent/zkt-board"), "no board program"},
        {"path with a space", spaced, "space"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TelnetDaemonHost host(c.program);
        EXPECT_FALSE(host.isAvailable());
        EXPECT_TRUE(host.reason().contains(QString::fromLatin1(c.reason))) << qPrintable(host.reason());
        EXPECT_EQ(host.port(), 0);
    }
}

}  // namespace
