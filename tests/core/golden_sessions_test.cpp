// The fuzzer's named sessions, replayed through the fuzzer's own harness,
// leave exactly the rows and sends kept in fuzz/golden/<name>.txt.
// ZKT_UPDATE_GOLDEN=1 rewrites the files from what the client does now.

#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>

#include <string>

#include "ReceiveHarness.h"
#include "support/FileBytes.h"

namespace {

const char* const kSessions[] = {
    "guest-refused-then-in", "chat-out",        "close-and-again",   "cut-double-byte",
    "every-action",          "line-ends",       "long-listing-line", "session-bytewise-lookup",
    "session-one-block",     "undefined-bytes",
};

QString sourcePath(const char* folder, const char* name)
{
    return QStringLiteral(ZKT_SOURCE_DIR "/fuzz/%1/%2").arg(QLatin1String(folder), QLatin1String(name));
}

// Control characters, private-use characters (no font shows them),
// backslashes and a line's last space are written as escapes, so every row is
// one readable line that no editor changes.
std::string escaped(const QString& text)
{
    std::string out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\')
            out += "\\\\";
        else if (c == u'\r')
            out += "\\r";
        else if (c == u'\n')
            out += "\\n";
        else if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || (c >= 0xE000 && c < 0xF900) ||
                 (c == u' ' && i + 1 == text.size()))
            out += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0')).toStdString();
        else
            out += QString(QChar(c)).toStdString();
    }
    return out;
}

// Bytes as they went out: printable ASCII as is, everything else escaped.
std::string escaped(const QByteArray& bytes)
{
    std::string out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == '\\')
            out += "\\\\";
        else if (b == '\r')
            out += "\\r";
        else if (b == '\n')
            out += "\\n";
        else if (b < 0x20 || b >= 0x7F || (b == ' ' && i + 1 == bytes.size()))
            out += QStringLiteral("\\x%1").arg(int(b), 2, 16, QLatin1Char('0')).toStdString();
        else
            out += char(b);
    }
    return out;
}

std::string describe(const ReceiveHarness::Session& session)
{
    std::string out = "terminal:\n";
    for (const QString& row : session.terminalRows)
        out += "  " + escaped(row) + '\n';
    out += "chat:\n";
    for (const auto& [handle, message] : session.chatRows)
        out += "  " + escaped(handle) + " | " + escaped(message) + '\n';
    out += "sent:\n";
    for (const QByteArray& bytes : session.sent)
        out += "  " + escaped(bytes) + '\n';
    if (!session.broken.isEmpty())
        out += "broken: " + session.broken.toStdString() + '\n';
    return out;
}

TEST(GoldenSessions, EachSessionLeavesItsRecordedRowsAndSends)
{
    const bool update = qEnvironmentVariable("ZKT_UPDATE_GOLDEN") == u"1";
    for (const char* name : kSessions) {
        SCOPED_TRACE(name);
        const QByteArray input = readBytes(sourcePath("corpus", name));
        ASSERT_NE(input, "<unreadable>");
        const std::string actual = describe(ReceiveHarness::replay(
            reinterpret_cast<const std::uint8_t*>(input.constData()), size_t(input.size())));
        const QString goldenPath = sourcePath("golden", name) + QStringLiteral(".txt");
        if (update) {
            ASSERT_TRUE(writeBytes(goldenPath, QByteArray::fromStdString(actual)));
        }
        EXPECT_EQ(readBytes(goldenPath).toStdString(), actual);
    }
}

}  // namespace
