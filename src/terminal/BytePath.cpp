#include "terminal/BytePath.h"

#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "terminal/TerminalSink.h"

namespace {
// A byte that the telnet layer or the reader must look at: C0 controls other
// than CR and LF, DEL, IAC, and 0x80 (which code page 932 leaves undefined).
// Code page 932's trail bytes are all 0x40 or above, so a byte below 0x20 is
// always a control of its own.
bool isSpecialByte(unsigned char b)
{
    return (b < 0x20 && b != '\r' && b != '\n') || b == 0x7F || b == 0x80 || b == 0xFF;
}

bool isPlain(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), c0Top = _mm_set1_epi8(0x1F);
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    const __m128i del = _mm_set1_epi8(0x7F), undefined = _mm_set1_epi8(char(0x80)),
                  iac = _mm_set1_epi8(char(0xFF));
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i c0 = _mm_cmpeq_epi8(_mm_subs_epu8(v, c0Top), zero);
        const __m128i lineEnd = _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf));
        const __m128i other = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, del), _mm_cmpeq_epi8(v, undefined)),
                                           _mm_cmpeq_epi8(v, iac));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_andnot_si128(lineEnd, c0), other)) != 0)
            return false;
    }
#endif
    for (; i < n; ++i)
        if (isSpecialByte(p[i]))
            return false;
    return true;
}
}  // namespace

// Most blocks are plain text: one scan of the bytes shows that neither the
// telnet layer nor the reader has anything to do, and both are passed by.
void BytePath::receive(QByteArrayView bytes)
{
    answers_.resize(0);
    decoded_.resize(0);
    plain_ = telnet_.idle() && controls_.idle() && isPlain(bytes);
    if (plain_) {
        decoder_.decode(bytes, decoded_);
        return;
    }
    QByteArrayView data;
    telnet_.receive(bytes, data, answers_);
    decoder_.decode(data, decoded_);
}

void BytePath::deliver(TerminalSink& sink)
{
    if (plain_ && !decoded_.isEmpty())
        sink.terminalText(decoded_);
    else
        controls_.feed(decoded_, sink);
}

void BytePath::finish()
{
    decoded_.resize(0);
    decoder_.finish(decoded_);
}

void BytePath::reset()
{
    telnet_.reset();
    decoder_.reset();
    controls_.reset();
}
