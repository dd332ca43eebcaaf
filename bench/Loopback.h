#pragma once

#include <cstddef>

// Plain POSIX sockets for the board side of the loopback benchmarks, which
// runs on a thread of its own, away from the client's event loop.
namespace Loopback {

// A socket listening on 127.0.0.1 at a free port (written to `port`); -1 on failure.
int listen(int& port);
// Writes all of `data` on a blocking socket; false when the peer is gone.
bool writeAll(int fd, const char* data, size_t size);

}  // namespace Loopback
