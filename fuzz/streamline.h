// A meter line that plays back a fuzzer's bytes: reads deliver the stream in pieces
// whose sizes come from the input too, then time out; writes are taken whole and
// nothing ever sleeps.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "meterlink/meterline.h"

namespace dmm::fuzz {

class StreamLine : public MeterLine {
public:
    // cuts: read sizes are capped in turn at cuts[0], cuts[1], ... (0: that read times out).
    StreamLine(const std::uint8_t* data, std::size_t size, const std::uint8_t* cuts,
               std::size_t cutCount)
        : data_(data), size_(size), cuts_(cuts), cutCount_(cutCount) {}

    LineResult write(const std::uint8_t*, std::size_t n) override { return LineResult::Done(n); }
    LineResult read(std::uint8_t* buffer, std::size_t n) override {
        std::size_t cap = n;
        if (cutCount_ > 0) cap = std::min<std::size_t>(cap, cuts_[reads_++ % cutCount_]);
        const std::size_t take = std::min(cap, size_ - at_);
        std::memcpy(buffer, data_ + at_, take);
        at_ += take;
        return take == n ? LineResult::Done(n) : LineResult::TimedOut(take);
    }
    LineResult purgeReceive() override { return LineResult::Done(0); }
    LineResult purgeTransmit() override { return LineResult::Done(0); }
    LineResult setRts(bool) override { return LineResult::Done(0); }
    LineResult flush() override { return LineResult::Done(0); }
    void close() override {}
    bool getTimeouts(PortTimeouts& out) override {
        out = timeouts_;
        return true;
    }
    bool setTimeouts(const PortTimeouts& t) override {
        timeouts_ = t;
        return true;
    }
    void sleepMs(int) override {}

    std::size_t consumed() const { return at_; }
    bool exhausted() const { return at_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    const std::uint8_t* cuts_;
    std::size_t cutCount_;
    std::size_t reads_ = 0;
    PortTimeouts timeouts_;
};

}  // namespace dmm::fuzz
