// A scripted, in-memory MeterLine for tests. It never blocks and never sleeps.
//
//   auto owned = std::make_unique<FakeLine>();
//   FakeLine& line = *owned;
//   line.queueReply(FakeLine::ReplyFrame({0x04}));  // the answer to the next command
//   MeterKind kind{};
//   QueryMeterModel(&line, kind);                    // kind == MeterKind::KindD
//   line.log().written();                            // 10 02 46 00 00 00 10 03
//
// Incoming bytes
//   queueReply(bytes)  the meter's answer to a command: it enters the receive buffer when
//                      the line has been written a complete command frame (a write that
//                      ends in DLE ETX), one queued reply per frame, in order. Because it
//                      arrives after the request, the purge before the request keeps it.
//   respondWith(fn)    alternatively, fn(commandByte) builds the answer for each frame; it is
//                      asked only when no queued reply is waiting.
//   answerByte(b, bytes, ms)  a meter asked with one byte: bytes arrive ms after each b.
//   deliverNow(bytes)  bytes already waiting in the receive buffer (stale input);
//                      purgeReceive() discards them.
//   queueTimedReply(pieces)  the answer to the next command in pieces, each arriving
//                      afterMs on the line's clock after the command's last byte (a piece
//                      may instead unplug the device). The pieces arrive while the line
//                      waits (waitForInput) or when the test calls advance(ms).
//
// Reads
//   A read of n bytes delivers min(n, buffered) bytes; with nothing buffered it delivers 0,
//   which stands for a read that ran into its time-out. limitRead(k, cap) makes read call
//   number k (counted from 0 over the line's life) deliver at most cap bytes; cap 0 makes
//   that call time out even when bytes are waiting (they stay for the next call).
//
// Other behaviour
//   sleepMs() is recorded, not slept. The line keeps its own time (now()), which moves
//   only while waitForInput() waits (logged as "wait" with its ms in waits) or when the
//   test calls advance(ms).
//
// From an event loop
//   A link that runs from an event loop sets an input notifier; deliverNow() and the
//   answer to a command tell it at once, as a serial port's ready-read would.
//   refuseGetTimeouts / refuseSetTimeouts make the driver refuse the time-outs,
//   rtsSupported = false makes setRts() fail like a pseudo-terminal, acceptWrites = false
//   makes every write take nothing (a time-out). unplug(reason) makes the device go away:
//   every read and write from then on reports "device gone" with that reason. After
//   close() reads and writes fail.
//
// Everything the code under test did is kept in a FakeLineLog that outlives the line
// (sharedLog()), so a test can still look at it after CloseMeterPort has destroyed the line.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "meterlink/meterline.h"

namespace dmm {

struct FakeLineLog {
    // Every call in order: "write", "read", "purgeReceive", "purgeTransmit", "setRts",
    // "flush", "close", "getTimeouts", "setTimeouts", "sleep", "wait".
    std::vector<std::string> calls;
    std::vector<std::vector<std::uint8_t>> writes;  // the bytes offered by each write call
    std::vector<std::size_t> readRequests;          // n of each read call
    std::vector<std::size_t> readDelivered;         // what each read call delivered
    std::vector<int> sleeps;                        // ms of each sleepMs call
    std::vector<int> waits;                         // ms of each waitForInput call
    std::vector<bool> rtsCalls;                     // argument of each setRts call
    PortTimeouts lastTimeoutsSet;                   // what setTimeouts was last given
    bool closed = false;

    // All bytes written, in order.
    std::vector<std::uint8_t> written() const {
        std::vector<std::uint8_t> all;
        for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
        return all;
    }
    // How often a call of that name was made.
    std::size_t count(const std::string& call) const {
        return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
    }
};

class FakeLine : public MeterLine {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Settings a test may change at any time.
    bool refuseGetTimeouts = false;
    bool refuseSetTimeouts = false;
    bool rtsSupported = true;
    bool acceptWrites = true;
    PortTimeouts timeouts;  // what the driver currently holds

    // A well-formed reply frame around a payload: DLE STX 0 N payload check DLE ETX.
    // A check byte of 0x10 is sent escaped (DLE check).
    static Bytes ReplyFrame(const Bytes& payload, std::uint8_t check = 0) {
        Bytes frame;
        frame.reserve(payload.size() + 8);
        for (std::uint8_t b : {std::uint8_t{0x10}, std::uint8_t{0x02}, std::uint8_t{0x00},
                               static_cast<std::uint8_t>(payload.size())})
            frame.push_back(b);
        // Byte by byte: GCC 12 warns falsely about a range insert here.
        for (std::uint8_t b : payload) frame.push_back(b);
        if (check == 0x10) frame.push_back(0x10);
        frame.push_back(check);
        frame.push_back(0x10);
        frame.push_back(0x03);
        return frame;
    }

    // The 15-byte display payload: status little-endian, value text at 4, range text at 13.
    static Bytes DisplayPayload(std::uint32_t status, const std::string& value,
                                const std::string& range) {
        Bytes p(15, 0);
        for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(status >> (8 * i));
        for (std::size_t i = 0; i < value.size() && i < 8; ++i) p[4 + i] = value[i];
        for (std::size_t i = 0; i < range.size() && i < 2; ++i) p[13 + i] = range[i];
        return p;
    }

    struct Piece {
        int afterMs = 0;
        Bytes bytes;
        bool unplug = false;  // the device goes away at that moment instead
    };

    void queueReply(Bytes bytes) { replies_.push_back(std::move(bytes)); }
    void queueTimedReply(std::vector<Piece> pieces) { timedReplies_.push_back(std::move(pieces)); }
    void respondWith(std::function<Bytes(std::uint8_t command)> responder) {
        responder_ = std::move(responder);
    }
    // A meter asked with one byte: each time that byte is written, reply arrives afterMs later.
    void answerByte(std::uint8_t request, Bytes reply, int afterMs) {
        byteAnswer_ = ByteAnswer{request, std::move(reply), afterMs};
    }
    void deliverNow(const Bytes& bytes) {
        receive_.insert(receive_.end(), bytes.begin(), bytes.end());
        if (!bytes.empty()) notifyInput();
    }
    // Pieces that arrive unasked, each afterMs from now (a meter that streams).
    void scheduleArrival(std::vector<Piece> pieces) {
        for (Piece& piece : pieces)
            scheduled_.push_back(
                {simulatedNow_ + std::chrono::milliseconds(piece.afterMs), std::move(piece)});
        std::stable_sort(scheduled_.begin(), scheduled_.end(),
                         [](const auto& a, const auto& b) { return a.at < b.at; });
        arriveDue();
    }
    void limitRead(std::size_t readCall, std::size_t cap) { readCaps_[readCall] = cap; }
    void unplug(std::string reason = "Input/output error") {
        goneReason_ = std::move(reason);
        notifyInput();
    }

    // Bytes in the receive buffer that nobody has read yet.
    Bytes unread() const { return Bytes(receive_.begin(), receive_.end()); }
    std::size_t pendingReplies() const { return replies_.size(); }

    FakeLineLog& log() { return *log_; }
    std::shared_ptr<FakeLineLog> sharedLog() const { return log_; }

    LineResult write(const std::uint8_t* data, std::size_t n) override {
        log_->calls.push_back("write");
        log_->writes.emplace_back(data, data + n);
        if (log_->closed) return LineResult::Fail("The port is not open.");
        if (goneReason_) return LineResult::Gone(0, *goneReason_);
        if (!acceptWrites) return LineResult::TimedOut(0);
        for (std::size_t i = 0; i < n; ++i) {
            if (byteAnswer_ && data[i] == byteAnswer_->request)
                scheduleArrival({{byteAnswer_->afterMs, byteAnswer_->reply}});
            if (lastWritten_ == 0x10 && data[i] == 0x03) {
                answerFrame();
                lastWritten_ = 0;
                continue;
            }
            lastWritten_ = data[i];
            frame_.push_back(data[i]);
        }
        return LineResult::Done(n);
    }

    LineResult read(std::uint8_t* buffer, std::size_t n) override {
        std::size_t call = log_->readRequests.size();
        log_->calls.push_back("read");
        log_->readRequests.push_back(n);
        if (log_->closed || goneReason_) {
            log_->readDelivered.push_back(0);
            return log_->closed ? LineResult::Fail("The port is not open.")
                                : LineResult::Gone(0, *goneReason_);
        }
        std::size_t got = std::min(n, receive_.size());
        if (auto cap = readCaps_.find(call); cap != readCaps_.end())
            got = std::min(got, cap->second);
        std::copy_n(receive_.begin(), got, buffer);
        receive_.erase(receive_.begin(), receive_.begin() + static_cast<std::ptrdiff_t>(got));
        log_->readDelivered.push_back(got);
        return got == n ? LineResult::Done(got) : LineResult::TimedOut(got);
    }

    LineResult purgeReceive() override {
        log_->calls.push_back("purgeReceive");
        receive_.clear();
        return LineResult::Done(0);
    }
    LineResult purgeTransmit() override {
        log_->calls.push_back("purgeTransmit");
        frame_.clear();
        lastWritten_ = 0;
        return LineResult::Done(0);
    }
    LineResult setRts(bool on) override {
        log_->calls.push_back("setRts");
        log_->rtsCalls.push_back(on);
        if (rtsSupported && !log_->closed) return LineResult::Done(0);
        return LineResult::Fail("The line has no modem control.");
    }
    LineResult flush() override {
        log_->calls.push_back("flush");
        return LineResult::Done(0);
    }
    void close() override {
        log_->calls.push_back("close");
        log_->closed = true;
    }
    bool getTimeouts(PortTimeouts& out) override {
        log_->calls.push_back("getTimeouts");
        if (refuseGetTimeouts || log_->closed) return false;
        out = timeouts;
        return true;
    }
    bool setTimeouts(const PortTimeouts& t) override {
        log_->calls.push_back("setTimeouts");
        log_->lastTimeoutsSet = t;
        if (refuseSetTimeouts || log_->closed) return false;
        timeouts = t;
        return true;
    }
    void sleepMs(int ms) override {
        log_->calls.push_back("sleep");
        log_->sleeps.push_back(ms);
    }
    LineResult waitForInput(int ms) override {
        log_->calls.push_back("wait");
        log_->waits.push_back(ms);
        if (log_->closed) return LineResult::Fail("The port is not open.");
        if (goneReason_) return LineResult::Gone(0, *goneReason_);
        if (!receive_.empty()) return LineResult::Done(0);
        // Time passes until the wait ends or the next piece arrives.
        LineTime until = simulatedNow_ + std::chrono::milliseconds(std::max(ms, 0));
        if (!scheduled_.empty()) until = std::min(until, scheduled_.front().at);
        simulatedNow_ = until;
        arriveDue();
        if (goneReason_) return LineResult::Gone(0, *goneReason_);
        return receive_.empty() ? LineResult::TimedOut(0) : LineResult::Done(0);
    }
    // Milliseconds until the next scheduled piece arrives; none when nothing is scheduled.
    std::optional<int> msToNextArrival() const {
        if (scheduled_.empty()) return std::nullopt;
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                            scheduled_.front().at - simulatedNow_)
                            .count();
        return static_cast<int>(std::max<std::int64_t>(0, (us + 999) / 1000));
    }
    // Moves the line's time on, as if ms had passed; pieces due by then arrive.
    void advance(int ms) {
        simulatedNow_ += std::chrono::milliseconds(ms);
        arriveDue();
    }

private:
    // A command frame is complete: the meter answers it.
    void answerFrame() {
        // The command byte follows the frame's DLE STX.
        std::uint8_t command = 0;
        for (std::size_t i = 0; i + 2 < frame_.size(); ++i) {
            if (frame_[i] == 0x10 && frame_[i + 1] == 0x02) {
                command = frame_[i + 2];
                break;
            }
        }
        frame_.clear();
        Bytes reply;
        if (!timedReplies_.empty()) {
            std::vector<Piece> pieces = std::move(timedReplies_.front());
            timedReplies_.pop_front();
            scheduleArrival(std::move(pieces));
            return;
        }
        if (!replies_.empty()) {
            reply = std::move(replies_.front());
            replies_.pop_front();
        } else if (responder_) {
            reply = responder_(command);
        }
        receive_.insert(receive_.end(), reply.begin(), reply.end());
        if (!reply.empty()) notifyInput();
    }

    // Pieces whose time has come enter the receive buffer (or unplug the device).
    void arriveDue() {
        bool arrived = false;
        while (!scheduled_.empty() && scheduled_.front().at <= simulatedNow_) {
            Piece piece = std::move(scheduled_.front().piece);
            scheduled_.pop_front();
            if (piece.unplug && !goneReason_) goneReason_ = "Input/output error";
            receive_.insert(receive_.end(), piece.bytes.begin(), piece.bytes.end());
            arrived = true;
        }
        if (arrived) notifyInput();
    }

    struct Scheduled {
        LineTime at;
        Piece piece;
    };

    std::shared_ptr<FakeLineLog> log_ = std::make_shared<FakeLineLog>();
    std::deque<std::vector<Piece>> timedReplies_;
    std::deque<Scheduled> scheduled_;
    std::deque<std::uint8_t> receive_;
    std::deque<Bytes> replies_;
    std::function<Bytes(std::uint8_t)> responder_;
    struct ByteAnswer {
        std::uint8_t request;
        Bytes reply;
        int afterMs;
    };
    std::optional<ByteAnswer> byteAnswer_;
    std::map<std::size_t, std::size_t> readCaps_;
    std::optional<std::string> goneReason_;
    Bytes frame_;  // bytes written since the last complete frame or transmit purge
    std::uint8_t lastWritten_ = 0;
};

}  // namespace dmm
