// The decoder's 64-byte path against its byte-at-a-time path: random bytes
// rich in lead and trail bytes, decoded whole and one byte per call.

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <random>

#include "common/Cp932.h"

namespace {

// Bytes drawn mostly from the ranges where leads and trails overlap, so runs
// of lead-range bytes of every length and parity cross the block edges.
QByteArray randomBytes(std::mt19937& random, int size)
{
    static const unsigned char kPicks[] = {0x00, 0x0D, 0x0A, 0x20, 0x3F, 0x40, 0x41, 0x7E, 0x7F, 0x80,
                                           0x81, 0x82, 0x88, 0x9F, 0xA0, 0xA1, 0xB1, 0xDF, 0xE0, 0xE9,
                                           0xEA, 0xED, 0xEE, 0xF0, 0xFA, 0xFC, 0xFD, 0xFE, 0xFF};
    QByteArray bytes;
    const int flavour = int(random() % 3);
    for (int k = 0; k < size; ++k) {
        unsigned char b;
        if (flavour == 0)
            b = (unsigned char)(random());
        else if (flavour == 1)
            b = kPicks[random() % sizeof kPicks];
        else
            b = random() % 4 == 0 ? 'a' : (unsigned char)(0x81 + random() % 2);
        bytes.append(char(b));
    }
    return bytes;
}

QString oneByteAtATime(const QByteArray& bytes)
{
    Cp932::Decoder decoder;
    QString text;
    for (char b : bytes)
        decoder.decode(QByteArrayView(&b, 1), text);
    decoder.finish(text);
    return text;
}

TEST(Cp932Blocks, EveryBlockAndSplitAgreesWithOneByteAtATime)
{
    std::mt19937 random(932);
    for (int round = 0; round < 3000; ++round) {
        const QByteArray bytes = randomBytes(random, 1 + int(random() % 400));
        const QString expected = oneByteAtATime(bytes);
        Cp932::Decoder decoder;
        QString text;
        for (qsizetype at = 0; at < bytes.size();) {
            const qsizetype size = std::min<qsizetype>(1 + random() % 200, bytes.size() - at);
            decoder.decode(QByteArrayView(bytes).sliced(at, size), text);
            at += size;
        }
        decoder.finish(text);
        ASSERT_EQ(text, expected) << bytes.toHex().toStdString();
    }
}

}  // namespace
