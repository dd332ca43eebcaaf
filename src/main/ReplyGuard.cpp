#include "main/ReplyGuard.h"

#include <algorithm>

bool ReplyGuard::allow(const QString& reply, qint64 nowMs)
{
    const auto expired =
        std::find_if(sent_.begin(), sent_.end(), [&](const Sent& s) { return nowMs - s.at < kWindowMs; });
    sent_.erase(sent_.begin(), expired);
    const auto repeats =
        std::count_if(sent_.begin(), sent_.end(), [&](const Sent& s) { return s.reply == reply; });
    if (repeats >= kMaxRepeats)
        return false;
    sent_.push_back({reply, nowMs});
    return true;
}
