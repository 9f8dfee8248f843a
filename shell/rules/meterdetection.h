// The desktop's choice of meter and the probe behind Detect. The choice is a family or
// auto; with auto the link talks to the family a probe found last (the adaptor while
// none has been). The probe runs on the link's own port only, from the event loop: the
// link's line is closed first, the probe opens the port at each line setting in turn
// (the family found last first), and when a family answers the link takes its driver
// and opens the port again with it. When nothing answers, or the probe is cancelled,
// the port stays closed until the next probe or the next choice.
//
// The desktop probes when Detect is chosen in the port dialog, and when the link is made
// with the meter on auto, so that a meter changed since is found again; only the first link
// after a probe that found the meter goes ahead without another.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "meterlink/driver/detector.h"
#include "meterlink/driver/linerunner.h"
#include "meterlink/meterline.h"
#include "meterlink/meterlink.h"

namespace dmm {

// "9600 baud 8N1", "1200 baud 7N2", "19200 baud 7O1".
std::string LineSettingsText(const LineSettings& settings);

// Where a probe stands, for its window.
struct DetectionProgress {
    std::size_t setting = 0;               // the line setting being tried, 0-based
    std::size_t settings = 0;              // of how many
    std::string line;                      // the setting, as LineSettingsText writes it
    std::vector<std::string_view> meters;  // the families tried at it
    std::chrono::milliseconds elapsed{0};
};

class MeterDetection {
public:
    explicit MeterDetection(MeterLink& link);
    ~MeterDetection();
    MeterDetection(const MeterDetection&) = delete;
    MeterDetection& operator=(const MeterDetection&) = delete;

    // The meter chosen: a family (detected is then forgotten), or auto with the family
    // found for it (empty or unknown: none yet). The link takes LinkMeterFor's driver.
    // A name that is neither is the adaptor.
    void Choose(std::string_view chosen, std::string_view detected = {});
    std::string_view Chosen() const { return chosen_; }
    std::string_view Detected() const { return detected_; }
    bool Auto() const { return chosen_ == kAutoMeter; }
    // Whether making the link probes first: with auto, unless a probe has just found the
    // meter on the port open now. LinkMade() says that the link was made.
    bool ProbeBeforeLink() const { return Auto() && !fresh_; }
    void LinkMade() { fresh_ = false; }

    // The event loop's timer for the probe (null: a probe is waited for where it starts).
    void SetWakeTimer(std::unique_ptr<WakeTimer> timer);
    // Told when the probe moves to the next line setting, and once when it has ended by
    // itself (found, nothing found, the port did not open); never after Cancel().
    void SetOnProgress(std::function<void()> onProgress) { onProgress_ = std::move(onProgress); }
    void SetOnFinished(std::function<void()> onFinished) { onFinished_ = std::move(onFinished); }

    // Closes the link's port and probes port iPort, for the meter on auto (a family found
    // becomes the one detected). Nothing while a probe runs; not from within the finished
    // callback.
    void Start();
    // Ends the probe: its line is closed, nothing is found, the link's port stays closed.
    void Cancel();
    bool Running() const;

    DetectionProgress Progress() const;

    // After the end: the family found (empty: none), and why none was when the port
    // failed (empty otherwise).
    const std::string& Found() const { return found_; }
    const std::string& Failure() const { return failure_; }
    // The port did not open for the probe: how (as the link's own open reports it).
    bool Refused() const { return refused_.has_value(); }
    const OpenResult& Refusal() const { return *refused_; }
    // After a find: the link's port opened again with the family's driver.
    const OpenResult& Reopened() const { return reopened_; }
    // "COM1: fs9721", "COM1: no meter found".
    std::string OutcomeText() const;

private:
    void ended();

    MeterLink& link_;
    std::string_view chosen_ = kAdaptorMeter;
    std::string_view detected_;
    std::unique_ptr<WakeTimer> timer_;
    std::unique_ptr<MeterDetector> detector_;  // after the timer: it lets go of it first
    std::function<void()> onProgress_;
    std::function<void()> onFinished_;
    std::string found_;
    std::string failure_;
    std::optional<OpenResult> refused_;
    OpenResult reopened_;
    bool fresh_ = false;  // the meter was found, and no link made since
};

// The desktop program's one instance, on its link.
MeterDetection& DesktopDetection();

}  // namespace dmm
