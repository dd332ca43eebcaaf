#include "support/qt/BoardProcess.h"

#include "support/qt/EventWait.h"

namespace {

const QByteArray kListening = "zkt-board listening on 127.0.0.1:";
const QByteArray kReceived = "received ";

}  // namespace

BoardProcess::~BoardProcess()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished();
    }
}

bool BoardProcess::start(const QStringList& arguments)
{
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(program_, arguments + QStringList{QStringLiteral("--record"), QStringLiteral("0")});
    const bool answered = waitUntil([this] {
        readOutput();
        return port_ != 0 || process_.state() == QProcess::NotRunning;
    });
    if (port_ == 0) {
        error_ = answered ? QStringLiteral("zkt-board stopped: ") +
                                QString::fromUtf8(process_.readAllStandardError())
                          : QStringLiteral("zkt-board did not say where it listens");
        return false;
    }
    return true;
}

void BoardProcess::readOutput()
{
    partialLine_ += process_.readAllStandardOutput();
    qsizetype end;
    while ((end = partialLine_.indexOf('\n')) >= 0) {
        const QByteArray line = partialLine_.left(end);
        partialLine_.remove(0, end + 1);
        if (line.startsWith(kListening)) {
            port_ = line.mid(kListening.size()).trimmed().toUShort();
        } else if (line.startsWith(kReceived)) {
            const QList<QByteArray> parts = line.mid(kReceived.size()).split(' ');
            if (parts.size() == 2)
                received_[parts[0].toInt()] += QByteArray::fromHex(parts[1]);
        }
    }
}

QByteArray BoardProcess::received(int connection)
{
    readOutput();
    const auto found = received_.find(connection);
    return found == received_.end() ? QByteArray() : found->second;
}

bool BoardProcess::waitForReceived(int connection, const QByteArray& bytes)
{
    // Stops early once the bytes can no longer become the expected ones.
    waitUntil([&] { return !bytes.startsWith(received(connection)) || received(connection) == bytes; });
    return received(connection) == bytes;
}
