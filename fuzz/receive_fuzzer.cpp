// libFuzzer entry: arbitrary bytes from a hostile board through the code
// page 932 decoder and the board dialogue (see ReceiveHarness.h).

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "ReceiveHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString broken = ReceiveHarness::run(data, size);
    if (!broken.isEmpty()) {
        std::fprintf(stderr, "receive harness: %s\n", broken.toUtf8().constData());
        std::abort();
    }
    return 0;
}
