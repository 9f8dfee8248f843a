// The frame reader of the chips whose packets are text of a fixed length that
// ends in a terminator (CR LF, or CR alone): a packet is the bytes that end in
// the terminator, so the reader is back in step at the first whole packet after
// any garbage, a cut packet included.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "meterlink/chips/lcd.h"

namespace dmm::chips {

template <std::size_t N>
class TerminatedPacketReader {
public:
    using Packet = std::array<std::uint8_t, N>;
    using Decoder = std::optional<LcdReading> (*)(const Packet&);

    TerminatedPacketReader(Decoder decode, std::string_view terminator)
        : decode_(decode), terminator_(terminator) {}

    // Appends the display of every valid packet these bytes complete to out.
    void feed(const std::uint8_t* data, std::size_t n, std::vector<LcdReading>& out) {
        for (std::size_t i = 0; i < n; ++i) {
            if (have_ == window_.size()) {
                // Keep only what could still be the start of a packet.
                std::copy(window_.begin() + 1, window_.end(), window_.begin());
                --have_;
                if (counted_ > 0) {
                    --counted_;
                } else {
                    stray_ = true;
                }
            }
            window_[have_++] = data[i];
            if (!Terminated()) continue;

            // Bytes inside a packet can look like the terminator too, so a rejected
            // window is kept: the real packet may still end a few bytes on.
            std::optional<LcdReading> lcd;
            if (have_ == window_.size()) lcd = decode_(window_);
            if (lcd) {
                ++accepted_;
                out.push_back(*lcd);
                if (stray_) ++dropped_;  // the stray bytes in front of it
                have_ = 0;
                counted_ = 0;
                stray_ = false;
            } else {
                ++dropped_;
                counted_ = have_;
                stray_ = false;
            }
        }
    }
    // Packets (or runs of stray bytes) given up since the start.
    std::uint64_t dropped() const { return dropped_; }
    std::uint64_t accepted() const { return accepted_; }
    void reset() {
        have_ = 0;
        counted_ = 0;
        stray_ = false;
    }

private:
    bool Terminated() const {
        if (have_ < terminator_.size()) return false;
        for (std::size_t k = 0; k < terminator_.size(); ++k) {
            if (window_[have_ - terminator_.size() + k] !=
                static_cast<std::uint8_t>(terminator_[k])) {
                return false;
            }
        }
        return true;
    }

    Decoder decode_;
    std::string_view terminator_;
    Packet window_{};  // the last bytes since the last terminator
    std::size_t have_ = 0;
    std::size_t counted_ = 0;  // bytes at the front already counted as a dropped packet
    bool stray_ = false;       // uncounted bytes were pushed out of the window
    std::uint64_t dropped_ = 0;
    std::uint64_t accepted_ = 0;
};

}  // namespace dmm::chips
