#include "logger/publish/publishqueue.h"

namespace dmm {

PublishQueue::PublishQueue(std::size_t capacity) : ring_(capacity == 0 ? 1 : capacity) {}

void PublishQueue::Push(std::string payload) {
    std::lock_guard lock(mutex_);
    if (count_ == ring_.size()) {
        head_ = (head_ + 1) % ring_.size();
        --count_;
        ++lost_;
    }
    ring_[(head_ + count_) % ring_.size()] = std::move(payload);
    ++count_;
}

std::optional<std::string> PublishQueue::Front() const {
    std::lock_guard lock(mutex_);
    if (count_ == 0) return std::nullopt;
    return ring_[head_];
}

void PublishQueue::Pop() {
    std::lock_guard lock(mutex_);
    if (count_ == 0) return;
    head_ = (head_ + 1) % ring_.size();
    --count_;
}

std::size_t PublishQueue::size() const {
    std::lock_guard lock(mutex_);
    return count_;
}

std::uint64_t PublishQueue::lost() const {
    std::lock_guard lock(mutex_);
    return lost_;
}

}  // namespace dmm
