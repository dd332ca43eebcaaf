#include "controls/FollowState.h"

#include <algorithm>
#include <limits>

bool FollowState::readerMoved(int from, int to, int bottom)
{
    if (to >= bottom) {
        const bool resumed = !following_;
        follow();
        return resumed;
    }
    if (to < from && following_) {
        following_ = false;
        waiting_ = 0;
    }
    return false;
}

void FollowState::follow()
{
    following_ = true;
    waiting_ = 0;
}

void FollowState::rowsAdded(int count)
{
    if (following_ || count <= 0)
        return;
    waiting_ = count > std::numeric_limits<int>::max() - waiting_ ? std::numeric_limits<int>::max()
                                                                  : waiting_ + count;
}

void FollowState::oldestRowsDropped(int rowsLeft)
{
    waiting_ = std::clamp(rowsLeft, 0, waiting_);
}

void FollowState::reset(int rows)
{
    if (rows <= 0)
        follow();
    else
        waiting_ = std::min(waiting_, rows);
}
