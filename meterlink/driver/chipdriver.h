// The driver of a meter built on a measuring chip. Most such meters stream their
// display a few times a second without being asked; some answer a one-byte request.
// Every byte goes to the chip's packet reader as it arrives; a poll tick takes the
// newest valid packet not yet used as the reading, so each packet is used at most
// once. A meter that is asked gets its request at each tick, and only a packet that
// arrives after it counts. A tick that finds no new packet waits for the next one up
// to kPacketWait and is a failed poll without it (the no-data warning after the
// third, as for the adaptor): polls back to back then follow the meter's pace
// instead of failing at once.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "meterlink/chips/ascii14.h"
#include "meterlink/chips/es51922.h"
#include "meterlink/chips/fs9721.h"
#include "meterlink/chips/fs9922.h"
#include "meterlink/chips/lcd.h"
#include "meterlink/chips/ut71x.h"
#include "meterlink/driver/meterdriver.h"

namespace dmm {

// What sets one family of chips apart from another, besides its packets.
struct ChipFamily {
    LineSettings line;
    std::int32_t counts = 0;              // the chip's full-scale count
    std::optional<std::uint8_t> request;  // sent at each poll tick; none: it streams
};

class ChipDriver : public MeterDriver {
public:
    // How long a tick without a new packet waits for one: the chips send two or more
    // packets a second, and a meter that is asked answers well within it.
    static constexpr std::chrono::milliseconds kPacketWait{2000};

    // The Fortune chips' line: 2400 baud, 8 data bits, no parity, one stop bit; the
    // cable is powered by DTR on, with RTS off.
    static LineSettings ChipLineSettings();

    explicit ChipDriver(ChipFamily family) : family_(family) {}

    LineSettings Settings() const override { return family_.line; }
    void SetPort(DriverPort* port) override { port_ = port; }
    void OnBytes(const std::uint8_t* data, std::size_t n) override;
    void OnTimer() override;
    void OnLineBroken(const LineResult& why) override;
    void StartPoll(const MeterReading& previous) override;
    bool Busy() const override { return waiting_; }
    void Cancel() override;
    DriverOutcome TakeOutcome() override;

    // Packets (or runs of stray bytes) the reader gave up, and packets it took.
    virtual std::uint64_t Dropped() const = 0;
    virtual std::uint64_t Accepted() const = 0;

protected:
    // Appends the display of every valid packet these bytes complete.
    virtual void feed(const std::uint8_t* data, std::size_t n,
                      std::vector<chips::LcdReading>& out) = 0;
    // Forgets a packet begun.
    virtual void resetReader() = 0;
    // The request has just been sent: a reader that counts lines from it starts over.
    virtual void requestSent() {}

private:
    void finish(LineResult line, const std::optional<chips::LcdReading>& lcd);

    ChipFamily family_;
    DriverPort* port_ = nullptr;
    bool waiting_ = false;  // a tick waits for a packet
    LineTime deadline_{};
    MeterReading previous_;
    std::vector<chips::LcdReading> packets_;  // scratch for one feed
    std::optional<chips::LcdReading> newest_;
    std::optional<LineResult> broken_;
    DriverOutcome outcome_;
};

// A chip's driver with its packet reader.
template <class Reader>
class ChipDriverOf final : public ChipDriver {
public:
    explicit ChipDriverOf(ChipFamily family) : ChipDriver(family) {}

    std::uint64_t Dropped() const override { return reader_.dropped(); }
    std::uint64_t Accepted() const override { return reader_.accepted(); }

private:
    void feed(const std::uint8_t* data, std::size_t n,
              std::vector<chips::LcdReading>& out) override {
        reader_.feed(data, n, out);
    }
    void resetReader() override { reader_.reset(); }
    void requestSent() override {
        if constexpr (requires(Reader & r) { r.requestSent(); }) reader_.requestSent();
    }

    Reader reader_;
};

using Fs9721Driver = ChipDriverOf<chips::Fs9721Reader>;
using Fs9922Driver = ChipDriverOf<chips::Fs9922Reader>;
using Es51922Driver = ChipDriverOf<chips::Es51922Reader>;
using Ut71xDriver = ChipDriverOf<chips::Ut71xReader>;
using Ascii14Driver = ChipDriverOf<chips::Ascii14Reader>;
using Ascii14SetDriver = ChipDriverOf<chips::Ascii14SetReader>;

}  // namespace dmm
