#include "meterlink/driver/adaptordriver.h"

#include <chrono>

#include "meterlink/displaydecoder.h"

namespace dmm {

namespace {

constexpr std::chrono::milliseconds kReplyPause{250};
// Bytes kept between exchanges: a whole reply frame at most.
constexpr std::size_t kStaleKept = 4 + 255 + 4;

}  // namespace

LineSettings AdaptorDriver::AdaptorLineSettings() {
    LineSettings s;
    s.baud = 9600;
    s.dataBits = 8;
    s.parity = Parity::None;
    s.stopBits = StopBits::One;
    s.rts = true;
    return s;
}

void AdaptorDriver::StartPoll(const MeterReading& previous) {
    poll_ = true;
    previous_ = previous;
    rawBytes_ = 0;
    start(kCmdDisplay);
}

bool AdaptorDriver::StartRequest(const MeterRequest& request) {
    poll_ = false;
    rawBytes_ = request.rawBytes;
    start(request.command);
    return true;
}

void AdaptorDriver::StartReply() {
    poll_ = false;
    rawBytes_ = 0;
    std::vector<std::uint8_t> waiting = std::move(received_);
    reset();
    received_ = std::move(waiting);
    beginStep(Step::Dle);
    advance();
}

void AdaptorDriver::reset() {
    received_.clear();
    taken_.clear();
    payloadLength_ = 0;
    stepGot_ = 0;
    sendFailed_.reset();
    outcome_ = {};
}

void AdaptorDriver::start(std::uint8_t command) {
    reset();
    step_ = Step::Pause;
    port_->Purge();
    // The adaptor is fed one byte per write. A lost byte shows as a missing reply; only
    // a line that broke is remembered, to end the exchange with its reason.
    for (std::uint8_t byte : BuildCommandFrame(command)) {
        const LineResult sent = port_->Send(&byte, 1);
        if (sent.broken() && !sendFailed_) sendFailed_ = sent;
    }
    deadline_ = port_->Now() + kReplyPause;
    port_->WakeAt(deadline_);
}

void AdaptorDriver::OnBytes(const std::uint8_t* data, std::size_t n) {
    received_.insert(received_.end(), data, data + n);
    if (step_ == Step::Idle) {
        // Nothing comes unasked: bytes between exchanges are stale and go with the next
        // request's purge; only a reply already on its way (StartReply) takes them.
        if (received_.size() > kStaleKept)
            received_.erase(received_.begin(),
                            received_.end() - static_cast<std::ptrdiff_t>(kStaleKept));
        return;
    }
    if (step_ != Step::Pause) advance();
}

void AdaptorDriver::OnTimer() {
    if (step_ == Step::Idle) return;
    if (port_->Now() < deadline_) {
        port_->WakeAt(deadline_);
        return;
    }
    if (step_ == Step::Pause) {
        if (sendFailed_) {
            finish(*sendFailed_);
            return;
        }
        beginStep(rawBytes_ > 0 ? Step::Raw : Step::Dle);
        advance();
        return;
    }
    // The step's time ran out; a payload cut short counts as none.
    finish(LineResult::TimedOut(step_ == Step::Payload ? stepGot_ : 0));
}

void AdaptorDriver::OnLineBroken(const LineResult& why) {
    if (step_ == Step::Idle) return;
    LineResult ended = why;
    ended.count = step_ == Step::Payload ? stepGot_ : 0;
    finish(std::move(ended));
}

void AdaptorDriver::Cancel() {
    step_ = Step::Idle;
    received_.clear();
    taken_.clear();
    outcome_ = {};
    port_->CancelWake();
}

DriverOutcome AdaptorDriver::TakeOutcome() {
    DriverOutcome out = std::move(outcome_);
    outcome_ = {};
    return out;
}

std::size_t AdaptorDriver::needed() const {
    return step_ == Step::Payload ? payloadLength_ : 1;
}

void AdaptorDriver::beginStep(Step step) {
    step_ = step;
    stepGot_ = 0;
    // (bytes asked) ms + 3000 ms from the moment the step begins waiting.
    deadline_ = port_->Now() + std::chrono::milliseconds(needed() + kReadConstantMs);
}

void AdaptorDriver::advance() {
    std::size_t at = 0;
    while (step_ != Step::Idle && step_ != Step::Pause && at < received_.size()) {
        if (step_ == Step::Payload) {
            const std::size_t take = std::min(payloadLength_ - stepGot_, received_.size() - at);
            taken_.insert(taken_.end(), received_.begin() + static_cast<std::ptrdiff_t>(at),
                          received_.begin() + static_cast<std::ptrdiff_t>(at + take));
            at += take;
            stepGot_ += take;
            if (stepGot_ < payloadLength_) break;
            beginStep(Step::Check);
            continue;
        }
        if (step_ == Step::Raw) {
            // Each byte is a step of its own, but the bytes that came together are taken
            // at one moment: only the last one's step sets the deadline for the next.
            const std::size_t take = std::min(rawBytes_ - taken_.size(), received_.size() - at);
            taken_.insert(taken_.end(), received_.begin() + static_cast<std::ptrdiff_t>(at),
                          received_.begin() + static_cast<std::ptrdiff_t>(at + take));
            at += take;
            if (taken_.size() == rawBytes_)
                finish(LineResult::Done(taken_.size()));
            else
                beginStep(Step::Raw);
            continue;
        }
        const std::uint8_t byte = received_[at++];
        switch (step_) {
            case Step::Dle:  // DLE, STX and one unused byte: taken, not compared
                beginStep(Step::Stx);
                break;
            case Step::Stx:
                beginStep(Step::Spare);
                break;
            case Step::Spare:
                beginStep(Step::Length);
                break;
            case Step::Length:
                payloadLength_ = byte;
                beginStep(payloadLength_ > 0 ? Step::Payload : Step::Check);
                break;
            case Step::Check:  // the check byte, escaped by a DLE; not verified
                beginStep(byte == kDle ? Step::Escaped : Step::End1);
                break;
            case Step::Escaped:
                beginStep(Step::End1);
                break;
            case Step::End1:  // DLE, ETX: taken, not compared
                beginStep(Step::End2);
                break;
            case Step::End2:
                finish(LineResult::Done(taken_.size()));
                break;
            default:
                break;
        }
    }
    // What the reply left over is not part of it.
    if (step_ == Step::Idle) {
        received_.clear();
        return;
    }
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(at));
    port_->WakeAt(deadline_);
}

void AdaptorDriver::finish(LineResult line) {
    step_ = Step::Idle;
    received_.clear();
    outcome_ = {};
    outcome_.line = std::move(line);
    if (poll_ && outcome_.line.ok()) {
        std::optional<DisplayFrame> frame = ParseDisplayPayload(taken_);
        if (!frame) {
            // The reply came whole but is too short to hold a display.
            outcome_.line = LineResult::TimedOut(taken_.size());
        } else {
            MeterReading reading = previous_;
            StoreFrame(reading, frame->status, frame->value, frame->range);
            DecodeReading(reading);
            outcome_.reading = std::move(reading);
            lastFrame_ = std::move(frame);
        }
    }
    outcome_.bytes = std::move(taken_);
    taken_.clear();
    port_->Finished();
}

}  // namespace dmm
