#include "BoardServer.h"

#include <QProcess>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <utility>
#include <memory>
#include <vector>

#include "Board.h"
#include "RoomChatter.h"
#include "common/Cp932.h"
#include "support/FakeTime.h"
#include "support/qt/EventWait.h"

namespace {

QByteArray sjis(const QString& text)
{
    return Cp932::encode(text).bytes;
}

// A client that keeps everything it received.
class Client {
public:
    explicit Client(quint16 port)
    {
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { received_ += socket_.readAll(); });
        QObject::connect(&socket_, &QTcpSocket::disconnected, [this] { closed_ = true; });
        socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
    }

    // Everything received once it ends with `suffix`, then forgotten.
    QByteArray until(const QByteArray& suffix)
    {
        if (!waitUntil([&] { return received_.endsWith(suffix) || closed_; }))
            return "(timed out) " + received_;
        return take();
    }

    QByteArray take() { return std::exchange(received_, {}); }

    QByteArray send(const QByteArray& bytes, const QByteArray& replyEnd)
    {
        socket_.write(bytes);
        return until(replyEnd);
    }

    QByteArray type(const QString& line, const QByteArray& replyEnd)
    {
        return send(sjis(line) + "\r\n", replyEnd);
    }

    void write(const QByteArray& bytes) { socket_.write(bytes); }
    qsizetype receivedSize() const { return received_.size(); }
    bool closed() const { return closed_; }
    bool waitClosed()
    {
        return waitUntil([this] { return closed_; });
    }

private:
    QTcpSocket socket_;
    QByteArray received_;
    bool closed_ = false;
};

const QByteArray kMainPrompt = "MAIN (G,C,I,?) >";
const QByteArray kChatPrompt = "CHAT (E,W,0,?) >";

class BoardServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        board.accounts = BoardAccounts::parse(QStringLiteral("demo:demo:たろう\nbob:pw:Bob\n"));
        ASSERT_TRUE(server.listen(0)) << qPrintable(server.errorString());
        ASSERT_NE(server.port(), 0);
    }

    std::unique_ptr<Client> inRoom(const QString& id, const QString& password)
    {
        auto client = std::make_unique<Client>(server.port());
        client->until("User ID =");
        client->type(id, "Password =");
        client->type(password, kMainPrompt);
        client->type(QStringLiteral("C"), kChatPrompt);
        client->type(QStringLiteral("E"), sjis(QStringLiteral("SYSOP>/? でヘルプ、// で退室します。\r\n")));
        return client;
    }

    Board board;
    FakeTimeSource time;
    BoardServer server{board, time};
};

TEST_F(BoardServerTest, LogInDialogueInCodePage932)
{
    Client client(server.port());
    const QByteArray banner = client.until("User ID =");
    EXPECT_TRUE(banner.startsWith("\r\n*** ZKT ")) << banner.toStdString();
    EXPECT_EQ(client.type(QStringLiteral("demo"), "Password ="), QByteArray("\r\nPassword ="));
    EXPECT_EQ(
        client.type(QStringLiteral("nope"), "User ID ="),
        QByteArray("\r\nUserID \x82\xdc\x82\xbd\x82\xcd Password "
                   "\x82\xaa\x8a\xd4\x88\xe1\x82\xc1\x82\xc4\x82\xa2\x82\xdc\x82\xb7\xa1\r\nUser ID ="));
    client.type(QStringLiteral("demo"), "Password =");
    const QByteArray menu = client.type(QStringLiteral("demo"), kMainPrompt);
    EXPECT_TRUE(menu.endsWith("\r\n" + kMainPrompt)) << menu.toStdString();
    client.type(QStringLiteral("I"), "INSTALL (?,0) >");
    const QByteArray listing = client.type(QStringLiteral("?"), "INSTALL (?,0) >");
    EXPECT_TRUE(
        listing.contains("\r\nH: \x83n\x83\x93\x83h\x83\x8b\x96\xbc   :  \x82\xbd\x82\xeb\x82\xa4  \r\n"))
        << listing.toStdString();
}

TEST_F(BoardServerTest, TwoClientsSeeEachOtherInTheRoom)
{
    auto taro = inRoom(QStringLiteral("demo"), QStringLiteral("demo"));
    auto bob = inRoom(QStringLiteral("bob"), QStringLiteral("pw"));
    EXPECT_EQ(taro->until("\r\n"), sjis(QStringLiteral("SYSOP>Bobさんが入ってきました。\r\n")));

    // "こんにちは" typed in code page 932 by the client.
    const QByteArray hello = "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd";
    EXPECT_EQ(taro->send(hello + "\r\n", "\x82\xcd\r\n\x82\xbd\x82\xeb\x82\xa4>" + hello + "\r\n"),
              "\x94\xad\x8c\xbe>" + hello + "\r\n\x82\xbd\x82\xeb\x82\xa4>" + hello + "\r\n");
    EXPECT_EQ(bob->until(hello + "\r\n"), "\x82\xbd\x82\xeb\x82\xa4>" + hello + "\r\n");

    EXPECT_EQ(bob->type(QStringLiteral("//"), kChatPrompt),
              sjis(QStringLiteral("SYSOP>チャットルームから退室しました。\r\n")) + kChatPrompt);
    EXPECT_EQ(taro->until("\r\n"), sjis(QStringLiteral("SYSOP>Bobさんが退室しました。\r\n")));
}

TEST_F(BoardServerTest, SimulatedMembersReachEveryoneInTheRoom)
{
    RoomChatter chatter(board.room, time, 5000);
    auto taro = inRoom(QStringLiteral("demo"), QStringLiteral("demo"));
    auto bob = inRoom(QStringLiteral("bob"), QStringLiteral("pw"));
    taro->until("\r\n");
    time.advance(5000);
    const QByteArray line = sjis(QStringLiteral("花子>こんにちは\r\n"));
    EXPECT_EQ(taro->until(line), line);
    EXPECT_EQ(bob->until(line), line);
}

TEST_F(BoardServerTest, LogOutClosesAndDroppedClientLeavesTheRoom)
{
    auto taro = inRoom(QStringLiteral("demo"), QStringLiteral("demo"));
    auto bob = inRoom(QStringLiteral("bob"), QStringLiteral("pw"));
    taro->until("\r\n");
    EXPECT_EQ(server.connectionCount(), 2);
    bob.reset();
    EXPECT_EQ(taro->until("\r\n"), sjis(QStringLiteral("SYSOP>Bobさんが退室しました。\r\n")));
    EXPECT_TRUE(waitUntil([this] { return server.connectionCount() == 1; }));

    taro->type(QStringLiteral("//"), kChatPrompt);
    taro->type(QStringLiteral("0"), kMainPrompt);
    EXPECT_EQ(taro->type(QStringLiteral("G"), "\r\n"),
              sjis(QStringLiteral("\r\nご利用ありがとうございました。さようなら。\r\n")));
    EXPECT_TRUE(taro->waitClosed());
    EXPECT_TRUE(waitUntil([this] { return server.connectionCount() == 0; }));
}

TEST_F(BoardServerTest, ScriptIsSentRawInChunksThenClosed)
{
    // Bytes no dialogue would send: a lead byte split from its trail byte by
    // the chunking, an undefined byte, a bare LF.
    const QByteArray bytes("abc\x82\xa0\xff\nUser ID =", 16);
    server.setScript({bytes, 4, 10, true});
    Client client(server.port());
    QByteArray received;
    ASSERT_TRUE(waitUntil([&] {
        time.advance(10);
        received += client.take();
        return client.closed();
    }));
    received += client.take();
    EXPECT_EQ(received, bytes);
}

TEST_F(BoardServerTest, ScriptWithoutCloseKeepsTheConnectionAndIgnoresInput)
{
    server.setScript({QByteArray("User ID ="), 0, 0, false});
    Client client(server.port());
    EXPECT_EQ(client.until("="), QByteArray("User ID ="));
    client.write("demo\r\n");
    ASSERT_TRUE(waitUntil([this] { return server.connectionCount() == 1; }));
    time.advance(60000);
    settle();
    EXPECT_FALSE(client.closed());
    EXPECT_EQ(client.take(), QByteArray());
}

TEST_F(BoardServerTest, IdleConnectionsTimeOutSoAFullBoardTakesNewcomersAgain)
{
    std::vector<std::unique_ptr<Client>> idle;
    for (int i = 0; i < BoardServer::kMaxConnections; ++i) {
        idle.push_back(std::make_unique<Client>(server.port()));
        ASSERT_TRUE(idle.back()->until("User ID =").endsWith("User ID ="));
    }
    EXPECT_EQ(server.connectionCount(), BoardServer::kMaxConnections);
    Client late(server.port());
    EXPECT_EQ(late.until("\r\n"), sjis(QStringLiteral("満員です。しばらくしてから接続してください。\r\n")));
    EXPECT_TRUE(late.waitClosed());

    time.advance(ConnectionOptions::kDefaultIdleTimeoutMs);
    const QByteArray farewell =
        sjis(QStringLiteral("\r\n一定時間入力がなかったため、接続を終了します。\r\n"));
    for (auto& client : idle) {
        EXPECT_EQ(client->until(farewell), farewell);
        EXPECT_TRUE(client->waitClosed());
    }
    ASSERT_TRUE(waitUntil([this] { return server.connectionCount() == 0; }));
    Client fresh(server.port());
    EXPECT_TRUE(fresh.until("User ID =").endsWith("User ID ="));
}

TEST_F(BoardServerTest, BurstFromAReadingClientIsAnsweredInFull)
{
    Client client(server.port());
    client.until("User ID =");
    client.type(QStringLiteral("demo"), "Password =");
    client.type(QStringLiteral("demo"), kMainPrompt);
    const QByteArray answer = client.type(QStringLiteral("?"), kMainPrompt);
    ASSERT_TRUE(answer.startsWith("\r\n  C  ")) << answer.toStdString();

    // 60 KB typed at once, about 4.6 MB of answers: far past the backlog
    // limit if the board answered faster than the client reads.
    const int burst = 20000;
    client.write(QByteArray("?\r\n").repeated(burst));
    const qsizetype expected = answer.size() * burst;
    EXPECT_TRUE(waitUntil([&] { return client.receivedSize() >= expected || client.closed(); }));
    EXPECT_FALSE(client.closed());
    EXPECT_EQ(client.take(), answer.repeated(burst));
}

TEST_F(BoardServerTest, ClientThatDoesNotReadIsDroppedAndTheOthersGoOn)
{
    auto taro = inRoom(QStringLiteral("demo"), QStringLiteral("demo"));
    auto bob = inRoom(QStringLiteral("bob"), QStringLiteral("pw"));
    taro->until("\r\n");
    // Bob's program stops reading: what the room says piles up for him.
    bob.reset();
    QTcpSocket deaf;
    deaf.setReadBufferSize(1024);
    deaf.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    ASSERT_TRUE(waitUntil([this] { return server.connectionCount() == 2; }));
    const QByteArray statement(4000, 'x');
    deaf.write("bob\r\npw\r\nC\r\nE\r\n");
    const QByteArray left = sjis(QStringLiteral("SYSOP>Bobさんが退室しました。\r\n"));
    ASSERT_TRUE(waitUntil([&] { return taro->take().contains("Bob"); }));
    qsizetype linesHeard = 0;
    int said = 0;
    bool heardLeaving = false;
    const bool dropped = waitUntil([&] {
        const QByteArray heard = taro->take();
        heardLeaving = heardLeaving || heard.contains(left);
        linesHeard += heard.count('\n');
        if (heardLeaving)
            return true;
        // A few statements at a time, once taro has his own lines back.
        if (linesHeard >= 2 * said) {
            for (int i = 0; i < 64; ++i)
                taro->write(statement + QByteArray::number(said++) + "\r\n");
        }
        return false;
    });
    EXPECT_TRUE(dropped) << said << " statements";
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_TRUE(taro->type(QStringLiteral("//"), kChatPrompt).endsWith(kChatPrompt));
}

}  // namespace
