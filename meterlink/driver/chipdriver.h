// The driver of a meter built on a measuring chip that streams its display a few
// times a second without being asked. Every byte goes to the chip's packet reader as
// it arrives; a poll tick takes the newest valid packet not yet used as the reading,
// so each packet is used at most once. A tick that finds no new packet waits for the
// next one up to kPacketWaitMs and is a failed poll without it (the no-data warning
// after the third, as for the adaptor): polls back to back then follow the meter's
// pace instead of failing at once. Nothing is ever sent.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "meterlink/chips/fs9721.h"
#include "meterlink/chips/fs9922.h"
#include "meterlink/chips/lcd.h"
#include "meterlink/driver/meterdriver.h"

namespace dmm {

class ChipDriver : public MeterDriver {
public:
    // How long a tick without a new packet waits for one: the chips send two or more
    // packets a second.
    static constexpr std::chrono::milliseconds kPacketWait{2000};

    // 2400 baud, 8 data bits, no parity, one stop bit; the cable is powered by DTR
    // on, with RTS off.
    static LineSettings ChipLineSettings();

    LineSettings Settings() const override { return ChipLineSettings(); }
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
    // The chip's full-scale count.
    virtual std::int32_t counts() const = 0;

private:
    void finish(LineResult line, const std::optional<chips::LcdReading>& lcd);

    DriverPort* port_ = nullptr;
    bool waiting_ = false;  // a tick waits for a packet
    LineTime deadline_{};
    MeterReading previous_;
    std::vector<chips::LcdReading> packets_;  // scratch for one feed
    std::optional<chips::LcdReading> newest_;
    std::optional<LineResult> broken_;
    DriverOutcome outcome_;
};

class Fs9721Driver final : public ChipDriver {
public:
    std::uint64_t Dropped() const override { return reader_.dropped(); }
    std::uint64_t Accepted() const override { return reader_.accepted(); }

private:
    void feed(const std::uint8_t* data, std::size_t n,
              std::vector<chips::LcdReading>& out) override {
        reader_.feed(data, n, out);
    }
    void resetReader() override { reader_.reset(); }
    std::int32_t counts() const override { return chips::kFs9721Counts; }

    chips::Fs9721Reader reader_;
};

class Fs9922Driver final : public ChipDriver {
public:
    std::uint64_t Dropped() const override { return reader_.dropped(); }
    std::uint64_t Accepted() const override { return reader_.accepted(); }

private:
    void feed(const std::uint8_t* data, std::size_t n,
              std::vector<chips::LcdReading>& out) override {
        reader_.feed(data, n, out);
    }
    void resetReader() override { reader_.reset(); }
    std::int32_t counts() const override { return chips::kFs9922Counts; }

    chips::Fs9922Reader reader_;
};

}  // namespace dmm
