// Every input of the fuzzer's corpus, replayed through the fuzzer's own
// harness, so the checks run without clang on every build.

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "ReceiveHarness.h"

namespace {

QDir corpusDir()
{
    return QDir(QStringLiteral(ZKT_SOURCE_DIR "/fuzz/corpus"));
}

TEST(FuzzCorpus, EveryInputKeepsEveryCheck)
{
    const QStringList names = corpusDir().entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty()) << "no corpus in " << corpusDir().path().toStdString();
    for (const QString& name : names) {
        QFile file(corpusDir().filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        const QString broken = ReceiveHarness::run(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                   size_t(bytes.size()));
        EXPECT_TRUE(broken.isEmpty()) << name.toStdString() << ": " << broken.toStdString();
    }
}

}  // namespace
