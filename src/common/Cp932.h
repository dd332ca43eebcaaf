#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows code page 932 (Shift_JIS as Windows maps it), both directions.
// Bytes 0x00-0x7F are taken unchanged; bytes and byte pairs the code page
// does not define decode to U+FFFD.
namespace Cp932 {

// Stateful across blocks: a lead byte at the end of a block is held until the
// next block, so a character split by the network comes out whole.
class Decoder {
public:
    // Appends the text of `bytes` to `out`.
    void decode(QByteArrayView bytes, QString& out);
    QString decode(QByteArrayView bytes);
    // The stream ended: a held lead byte becomes U+FFFD.
    void finish(QString& out);
    bool hasPendingByte() const { return pending_ >= 0; }
    void reset() { pending_ = -1; }

private:
    int pending_ = -1;
};

struct Encoded {
    QByteArray bytes;
    bool exact = true;  // false when some character was replaced by "?"
};

// Characters the code page cannot hold become "?" (0x3F), one per code point.
Encoded encode(QStringView text);

// The character's code: the byte for a single-byte character, lead * 256 +
// trail for a double-byte one, or -1 when the code page cannot hold it.
int codeOf(char16_t ch);

}  // namespace Cp932
