#include "RecordWriter.h"

#include <gtest/gtest.h>

#include "support/qt/PipeReader.h"

namespace {

QByteArray numbered(int n)
{
    return "line " + QByteArray::number(n) + ' ' + QByteArray(990, 'x');
}

TEST(RecordWriterTest, FullQueueDropsLinesThenSaysHowManyAndGoesOn)
{
    PipeReader reader;
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
    PipeReader reader;
    RecordWriter writer(reader.writeEnd(), 100);
    writer.writeLine(QByteArray(200, 'x'));
    writer.writeLine("next");
    EXPECT_TRUE(reader.readUntil([](const QByteArray& read) {
        return read == "record lines dropped: 1\nnext\n";
    })) << reader.read().toStdString();
}

}  // namespace
