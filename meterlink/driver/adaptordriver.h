// The driver of the meter's RS-232 interface adaptor: nothing comes unasked. A poll
// sends the display request ("B"), lets 250 ms pass, then takes the reply frame field
// by field as the bytes arrive, each field within (bytes asked) ms + 3000 ms of the
// moment it is waited for; the identify request ("F") goes the same way, and a block of
// the stored log ("N", "R") is taken byte by byte, each byte within 3001 ms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "meterlink/driver/meterdriver.h"
#include "meterlink/protocol.h"

namespace dmm {

class AdaptorDriver : public MeterDriver {
public:
    // 9600 baud, 8 data bits, no parity, one stop bit; RTS raised, DTR left as it is.
    static LineSettings AdaptorLineSettings();

    LineSettings Settings() const override { return AdaptorLineSettings(); }
    void SetPort(DriverPort* port) override { port_ = port; }
    void OnBytes(const std::uint8_t* data, std::size_t n) override;
    void OnTimer() override;
    void OnLineBroken(const LineResult& why) override;
    void StartPoll(const MeterReading& previous) override;
    bool StartRequest(const MeterRequest& request) override;
    bool Busy() const override { return step_ != Step::Idle; }
    std::size_t BytesReceived() const override { return taken_.size(); }
    void Cancel() override;
    DriverOutcome TakeOutcome() override;

    // Takes a reply frame without a request first (one already on its way).
    void StartReply();

    // The display frame of the last poll that got one.
    const std::optional<DisplayFrame>& LastFrame() const { return lastFrame_; }

private:
    enum class Step {
        Idle,
        Pause,
        Dle,
        Stx,
        Spare,
        Length,
        Payload,
        Check,
        Escaped,
        End1,
        End2,
        Raw
    };

    void reset();
    void start(std::uint8_t command);
    // Takes what the current step needs from the bytes received; sets the deadline of
    // the step that waits.
    void advance();
    void beginStep(Step step);
    std::size_t needed() const;
    void finish(LineResult line);

    DriverPort* port_ = nullptr;
    Step step_ = Step::Idle;
    bool poll_ = false;
    MeterReading previous_;
    std::size_t rawBytes_ = 0;
    std::vector<std::uint8_t> received_;  // arrived, not yet taken by a step
    std::vector<std::uint8_t> taken_;     // the payload, or the raw bytes
    std::size_t payloadLength_ = 0;
    std::size_t stepGot_ = 0;  // bytes of the payload step so far
    LineTime deadline_{};
    std::optional<LineResult> sendFailed_;
    DriverOutcome outcome_;
    std::optional<DisplayFrame> lastFrame_;
};

}  // namespace dmm
