#include "common/MemoryCeiling.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace {
constexpr qint64 kFallback = qint64(1) << 30;  // when the system will not say

qint64 processLimit(int resource)
{
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return -1;
    return qint64(limit.rlim_cur);
}
}  // namespace

qint64 MemoryCeiling::automatic()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    qint64 ceiling = pages > 0 && pageSize > 0 ? qint64(pages) * pageSize / 4 : kFallback;
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        if (const qint64 limit = processLimit(resource); limit > 0)
            ceiling = std::min(ceiling, limit / 2);
    }
    return ceiling;
}

qint64 MemoryCeiling::forSetting(qint32 megabytes)
{
    return megabytes > 0 ? qint64(megabytes) << 20 : automatic();
}
