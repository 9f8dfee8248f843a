#include "meterlink/driver/chipdriver.h"

namespace dmm {

LineSettings ChipDriver::ChipLineSettings() {
    LineSettings s;
    s.baud = 2400;
    s.dataBits = 8;
    s.parity = Parity::None;
    s.stopBits = StopBits::One;
    s.dtr = true;
    s.rts = false;
    return s;
}

void ChipDriver::OnBytes(const std::uint8_t* data, std::size_t n) {
    packets_.clear();
    feed(data, n, packets_);
    if (packets_.empty()) return;
    if (waiting_) {
        finish(LineResult::Done(0), packets_.back());
        return;
    }
    newest_ = packets_.back();
}

void ChipDriver::OnTimer() {
    if (!waiting_) return;
    if (port_->Now() < deadline_) {
        port_->WakeAt(deadline_);
        return;
    }
    finish(LineResult::TimedOut(0), std::nullopt);
}

void ChipDriver::OnLineBroken(const LineResult& why) {
    // Nothing read before the failure is used: the poll says the line broke, and a line
    // opened again starts with a reader that holds no part of a packet.
    newest_.reset();
    resetReader();
    if (waiting_) {
        finish(why, std::nullopt);
        return;
    }
    broken_ = why;
}

void ChipDriver::StartPoll(const MeterReading& previous) {
    outcome_ = {};
    previous_ = previous;
    if (broken_) {
        // Said once; a line that is still broken fails again as the next poll reads it.
        const LineResult why = *broken_;
        broken_.reset();
        finish(why, std::nullopt);
        return;
    }
    if (family_.request) {
        // Only the answer to this request counts: a late answer to the last one, or
        // a line the meter sent on its own before, is not the display now.
        newest_.reset();
        const std::uint8_t request = *family_.request;
        LineResult sent = port_->Send(&request, 1);
        if (!sent.ok()) {
            finish(std::move(sent), std::nullopt);
            return;
        }
        requestSent();
    }
    if (newest_) {
        const chips::LcdReading lcd = *newest_;
        newest_.reset();
        finish(LineResult::Done(0), lcd);
    } else {
        waiting_ = true;
        deadline_ = port_->Now() + kPacketWait;
        port_->WakeAt(deadline_);
    }
}

void ChipDriver::Cancel() {
    waiting_ = false;
    outcome_ = {};
    port_->CancelWake();
}

void ChipDriver::finish(LineResult line, const std::optional<chips::LcdReading>& lcd) {
    waiting_ = false;
    outcome_ = {};
    outcome_.line = std::move(line);
    if (lcd) {
        MeterReading r = previous_;
        chips::FillReading(*lcd, family_.counts, r);
        outcome_.reading = std::move(r);
    }
    port_->Finished();
}

DriverOutcome ChipDriver::TakeOutcome() {
    DriverOutcome out = std::move(outcome_);
    outcome_ = {};
    return out;
}

}  // namespace dmm
