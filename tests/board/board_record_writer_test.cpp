#include "RecordWriter.h"

#include <QSocketNotifier>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "support/qt/EventWait.h"

namespace {

// A pipe whose reader reads only when told to.
class SlowReader {
public:
    SlowReader()
    {
        if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0)
            fds_[0] = fds_[1] = -1;
    }
    ~SlowReader()
    {
        for (int fd : fds_)
            ::close(fd);
    }

    int writeEnd() const { return fds_[1]; }

    // Reads until `done` holds for what was read so far.
    bool readUntil(const std::function<bool(const QByteArray&)>& done)
    {
        QSocketNotifier notifier(fds_[0], QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, [this] {
            char buffer[65536];
            ssize_t size;
            while ((size = ::read(fds_[0], buffer, sizeof buffer)) > 0)
                read_.append(buffer, size);
        });
        return waitUntil([&] { return done(read_); });
    }

    const QByteArray& read() const { return read_; }

private:
    int fds_[2];
    QByteArray read_;
};

QByteArray numbered(int n)
{
    return "line " + QByteArray::number(n) + ' ' + QByteArray(990, 'x');
}

TEST(RecordWriterTest, FullQueueDropsLinesThenSaysHowManyAndGoesOn)
{
    SlowReader reader;
    ASSERT_GE(reader.writeEnd(), 0);
    constexpr qsizetype kCapacity = 100 * 1000;
    RecordWriter writer(reader.writeEnd(), kCapacity);
    // Far more than the pipe and the queue hold, with nobody reading: every
    // call returns at once.
    const int lines = 1000;
    for (int i = 0; i < lines; ++i)
        writer.writeLine(numbered(i));
    EXPECT_LE(writer.queuedBytes(), kCapacity);
    const qint64 dropped = writer.droppedLines();
    EXPECT_GT(dropped, 0);

    const QByteArray notice = "record lines dropped: " + QByteArray::number(dropped) + '\n';
    ASSERT_TRUE(reader.readUntil([&](const QByteArray& read) { return read.endsWith(notice); }));
    QByteArray expected;
    for (int i = 0; i < lines - dropped; ++i)
        expected += numbered(i) + '\n';
    EXPECT_EQ(reader.read(), expected + notice) << "the kept lines whole and in order, then the count";

    writer.writeLine("after");
    EXPECT_TRUE(reader.readUntil([](const QByteArray& read) { return read.endsWith("\nafter\n"); }));
    EXPECT_EQ(writer.droppedLines(), 0);
}

TEST(RecordWriterTest, LineLongerThanTheQueueIsCountedNotStuck)
{
    SlowReader reader;
    RecordWriter writer(reader.writeEnd(), 100);
    writer.writeLine(QByteArray(200, 'x'));
    writer.writeLine("next");
    EXPECT_TRUE(reader.readUntil([](const QByteArray& read) {
        return read == "record lines dropped: 1\nnext\n";
    })) << reader.read().toStdString();
}

}  // namespace
