// The readings waiting for the broker: a ring of fixed size shared by the thread that
// produces readings and the network thread that sends them. The producer never waits for
// the network: when the ring is full the oldest reading goes and is counted as lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace dmm {

class PublishQueue {
public:
    static constexpr std::size_t kDefaultCapacity = 100000;

    explicit PublishQueue(std::size_t capacity = kDefaultCapacity);

    // Adds a payload at the end; on a full ring the oldest is dropped and counted.
    void Push(std::string payload);
    // The oldest payload, left in place until Pop(): a send that fails keeps it.
    std::optional<std::string> Front() const;
    void Pop();

    std::size_t size() const;
    std::size_t capacity() const { return ring_.size(); }
    // Payloads dropped since the start.
    std::uint64_t lost() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> ring_;
    std::size_t head_ = 0;  // the oldest
    std::size_t count_ = 0;
    std::uint64_t lost_ = 0;
};

}  // namespace dmm
