#pragma once

#include <QtGlobal>

// How a run of terminal text is drawn, as the host's SGR sequences set it.
// Colours are kept as the host named them (a palette index or a 24-bit
// value); the view maps them to what is readable on its background.
struct TextStyle {
    enum Flag : quint8 { Bold = 1, Underline = 2, Reverse = 4 };

    // A colour: 0 is the view's default; kIndexed | n is palette entry n
    // (0-255); kDirect | 0xRRGGBB is a 24-bit colour.
    static constexpr quint32 kDefault = 0;
    static constexpr quint32 kIndexed = 0x1000000;
    static constexpr quint32 kDirect = 0x2000000;
    static constexpr quint32 indexed(int n) { return kIndexed | quint32(n & 0xFF); }
    static constexpr quint32 direct(int r, int g, int b)
    {
        return kDirect | quint32((r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF));
    }

    quint32 fore = kDefault;
    quint32 back = kDefault;
    quint8 flags = 0;

    bool isPlain() const { return fore == kDefault && back == kDefault && flags == 0; }
    bool has(Flag flag) const { return flags & flag; }
    friend bool operator==(const TextStyle&, const TextStyle&) = default;
};
