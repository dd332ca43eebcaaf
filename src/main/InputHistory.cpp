#include "main/InputHistory.h"

void InputHistory::add(const QString& line)
{
    if (!line.isEmpty() && (lines_.empty() || lines_.back() != line)) {
        lines_.push_back(line);
        if (size() > kCapacity)
            lines_.pop_front();
    }
    position_ = size();
    draft_.clear();
}

std::optional<QString> InputHistory::older(const QString& current)
{
    if (position_ == 0)
        return std::nullopt;
    if (position_ == size())
        draft_ = current;
    --position_;
    return lines_[size_t(position_)];
}

std::optional<QString> InputHistory::newer()
{
    if (position_ >= size())
        return std::nullopt;
    ++position_;
    if (position_ == size())
        return draft_;
    return lines_[size_t(position_)];
}
