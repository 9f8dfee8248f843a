// Finding out which kind of meter is on a port. The families are tried by line
// setting: the port is opened with one setting, every family that uses it runs its own
// exchange side by side (the chips that stream are all listened to at once, a meter
// that answers is asked as its driver asks), and the first whose exchange succeeds
// twice in a row is the meter. A setting gets at most kSettingTime, the whole probe at
// most kTotalTime; the family found last on the port is tried first. Like a driver it
// never waits: an event loop calls OnInput() and OnWake(), a blocking caller Pump().
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "meterlink/driver/handlernest.h"
#include "meterlink/driver/linerunner.h"
#include "meterlink/driver/meterdriver.h"
#include "meterlink/meterline.h"

namespace dmm {

// The meter name that asks for a probe, and what a probe that finds none says.
constexpr std::string_view kAutoMeter = "auto";
constexpr std::string_view kNoMeterFound = "no meter found";

// How a family shows itself: its driver's poll, or a request its driver sends.
struct DetectProbe {
    std::string_view meter;
    std::optional<MeterRequest> request;  // none: a poll
    // What the driver takes on trust, checked here: the bytes of the exchange as they
    // came (null: the driver's outcome is enough).
    bool (*wholeReply)(const std::vector<std::uint8_t>& arrived) = nullptr;
};

// The adaptor's reply frame exactly: DLE STX, a spare byte, the length, the payload, the
// check byte (escaped by a DLE when it is one), DLE ETX, and nothing after it.
bool IsWholeReplyFrame(const std::vector<std::uint8_t>& arrived);

// Every family the probe tries, in the order it tries them.
std::span<const DetectProbe> DetectProbes();

class MeterDetector {
public:
    // Opens the port with a setting (null handle: it did not open).
    using Opener = std::function<OpenResult(const LineSettings& settings)>;

    static constexpr std::chrono::milliseconds kSettingTime{1500};
    // Eight settings of kSettingTime each.
    static constexpr std::chrono::milliseconds kTotalTime{12000};
    static constexpr int kValidInARow = 2;

    // lastFound: the family found last on this port (tried first; empty or unknown: none).
    explicit MeterDetector(Opener opener, std::string_view lastFound = {},
                           std::span<const DetectProbe> probes = DetectProbes());
    ~MeterDetector();
    MeterDetector(const MeterDetector&) = delete;
    MeterDetector& operator=(const MeterDetector&) = delete;

    // The event loop's wake timer (null: run only through Pump()).
    void SetWakeTimer(WakeTimer* timer);
    // Told once when the probe has ended (found, nothing found, the port failed).
    void SetOnFinished(std::function<void()> onFinished) {
        nest_.SetOnEnded(std::move(onFinished));
    }

    // Opens the first setting and starts its exchanges.
    void Start();
    void OnInput();
    void OnWake();
    // Runs the probe to its end, waiting on the line; between() false cancels it.
    bool Pump(const std::function<bool()>& between = {});
    // Ends the probe: the port is closed, nothing is found.
    void Cancel();

    bool Running() const { return running_; }
    // The family found; empty when none was (or before the end).
    const std::string& Found() const { return found_; }
    // Why the probe ended early: the port did not open or broke (empty: it did not).
    const std::string& Failure() const { return failure_; }
    // Progress: the setting being tried (0-based) of how many.
    std::size_t SettingIndex() const { return group_; }
    std::size_t SettingCount() const { return groups_.size(); }
    // The families of a setting, for a progress line.
    std::vector<std::string_view> SettingMeters(std::size_t index) const;
    // The time the probe has taken so far, on the lines' clocks.
    std::chrono::milliseconds Elapsed() const;

private:
    struct Slot;
    struct Group {
        LineSettings settings;
        std::vector<const DetectProbe*> probes;
    };

    void handle(const std::function<void()>& fn);
    void step();
    bool openGroup();
    void closeGroup();
    void startSlot(Slot& slot);
    void readInput();
    void finish(std::string found, std::string failure = {});
    void rearm();
    LineTime now() const;

    Opener opener_;
    std::vector<Group> groups_;
    std::size_t group_ = 0;
    MeterHandle line_;
    std::vector<std::unique_ptr<Slot>> slots_;
    WakeTimer* timer_ = nullptr;
    bool running_ = false;
    std::string found_;
    std::string failure_;
    LineTime groupStart_{};
    std::chrono::milliseconds before_{0};  // the time of the settings already tried
    HandlerNest nest_;  // the probe's end is told once the outermost handler returns
};

}  // namespace dmm
