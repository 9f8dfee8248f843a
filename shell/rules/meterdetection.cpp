#include "shell/rules/meterdetection.h"

#include "meterlink/driver/meterfamilies.h"
#include "meterlink/globalvar.h"
#include "meterlink/numparse.h"
#include "meterlink/portnames.h"
#include "resources/strings.h"
#include "shell/rules/meterchoice.h"

namespace dmm {

namespace {

// The name as MeterNames() holds it (empty for none), so that a view of it lasts.
std::string_view KnownMeter(std::string_view name) {
    for (std::string_view known : MeterNames())
        if (known == name) return known;
    return {};
}

}  // namespace

std::string LineSettingsText(const LineSettings& s) {
    const char parity = s.parity == Parity::None ? 'N' : s.parity == Parity::Even ? 'E' : 'O';
    return Format("%d baud %d%c%d", s.baud, s.dataBits, parity,
                  s.stopBits == StopBits::Two ? 2 : 1);
}

MeterDetection::MeterDetection(MeterLink& link) : link_(link) {}

MeterDetection::~MeterDetection() {
    detector_.reset();
}

void MeterDetection::Choose(std::string_view chosen, std::string_view detected) {
    fresh_ = false;
    if (chosen == kAutoMeter) {
        chosen_ = kAutoMeter;
        detected_ = KnownMeter(detected);
    } else {
        chosen_ = KnownMeter(chosen).empty() ? kAdaptorMeter : KnownMeter(chosen);
        detected_ = {};
    }
    link_.SetMeter(LinkMeterFor(chosen_, detected_));
}

void MeterDetection::SetWakeTimer(std::unique_ptr<WakeTimer> timer) {
    Cancel();
    detector_.reset();  // it lets go of the old timer
    timer_ = std::move(timer);
}

bool MeterDetection::Running() const {
    return detector_ && detector_->Running();
}

void MeterDetection::Start() {
    if (Running()) return;
    chosen_ = kAutoMeter;
    fresh_ = false;
    link_.DropPort();  // the port opens only once: the probe's line, then the link's again
    found_.clear();
    failure_.clear();
    refused_.reset();
    reopened_ = OpenResult{};
    detector_.reset();
    detector_ = std::make_unique<MeterDetector>(
        [this](const LineSettings& settings) {
            OpenResult opened = link_.OpenForProbe(settings);
            if (!opened.handle) {
                refused_.emplace();
                refused_->status = opened.status;
                refused_->device = opened.device;
            } else if (onProgress_) {
                onProgress_();
            }
            return opened;
        },
        detected_);
    detector_->SetWakeTimer(timer_.get());
    detector_->SetOnFinished([this] { ended(); });
    detector_->Start();
    if (!timer_ && detector_->Running()) detector_->Pump();
}

void MeterDetection::ended() {
    found_ = detector_->Found();
    failure_ = detector_->Failure();
    if (const std::string_view family = KnownMeter(found_); !family.empty()) {
        detected_ = family;
        link_.SetMeter(family);
        reopened_ = link_.OpenPort();
        fresh_ = link_.PortOpen();
    }
    if (onFinished_) onFinished_();
}

void MeterDetection::Cancel() {
    if (!Running()) return;
    detector_->Cancel();
    found_.clear();
    failure_.clear();
}

DetectionProgress MeterDetection::Progress() const {
    DetectionProgress p;
    if (!detector_) return p;
    p.setting = detector_->SettingIndex();
    p.settings = detector_->SettingCount();
    p.meters = detector_->SettingMeters(p.setting);
    if (!p.meters.empty()) p.line = LineSettingsText(MakeMeterDriver(p.meters[0])->Settings());
    p.elapsed = detector_->Elapsed();
    return p;
}

std::string MeterDetection::OutcomeText() const {
    const std::string port = PortName(link_.iPort);
    const std::string what = found_.empty() ? std::string(kNoMeterFound) : found_;
    return Format(LoadStr(str::DetectFoundOn).c_str(), port.c_str(), what.c_str());
}

MeterDetection& DesktopDetection() {
    static MeterDetection detection(G().Link);
    return detection;
}

}  // namespace dmm
