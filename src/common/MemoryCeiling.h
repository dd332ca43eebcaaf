#pragma once

#include <QtGlobal>

// How much memory the history of the views may take before its oldest rows
// go, so that no host can make the process run out of memory.
namespace MemoryCeiling {

// A quarter of the machine's physical memory, and never more than half of
// what the process may map at all (ulimit -v, -d).
qint64 automatic();

// `megabytes` when the user set a limit, else automatic().
qint64 forSetting(qint32 megabytes);

}  // namespace MemoryCeiling
