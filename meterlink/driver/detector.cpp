#include "meterlink/driver/detector.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "meterlink/driver/meterfamilies.h"
#include "meterlink/protocol.h"

namespace dmm {

namespace {

// The adaptor is asked for its identity, as its driver asks; the chips are polled as
// their drivers poll: listened to, or asked with their request. The ASCII-14 meters'
// less common settings come last, so that a common meter is found as soon as before.
const std::array<DetectProbe, 9> kProbes{{
    {kAdaptorMeter, MeterRequest{kCmdIdentify, 0}, &IsWholeReplyFrame},
    {kFs9721Meter, std::nullopt},
    {kFs9922Meter, std::nullopt},
    {kEs51922Meter, std::nullopt},
    {kUt71xMeter, std::nullopt},
    {kAscii14Meter, std::nullopt},
    {kAscii14At600Meter, std::nullopt},
    {kAscii14At2400Meter, std::nullopt},
    {kAscii14At9600Meter, std::nullopt},
}};

int MsUntil(LineTime from, LineTime to) {
    if (to <= from) return 0;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(to - from).count();
    return static_cast<int>(
        std::min<std::int64_t>((us + 999) / 1000, std::numeric_limits<int>::max()));
}

}  // namespace

bool IsWholeReplyFrame(const std::vector<std::uint8_t>& arrived) {
    if (arrived.size() < 7 || arrived[0] != kDle || arrived[1] != 0x02) return false;
    std::size_t at = 4 + std::size_t{arrived[3]};
    if (at < arrived.size() && arrived[at] == kDle) ++at;  // an escaped check byte
    return at + 3 == arrived.size() && arrived[at + 1] == kDle && arrived[at + 2] == 0x03;
}

std::span<const DetectProbe> DetectProbes() {
    return kProbes;
}

// One family's driver on the shared line, with its own timer and count.
struct MeterDetector::Slot final : DriverPort {
    Slot(MeterDetector& detector, const DetectProbe& tried)
        : owner(detector), probe(tried), driver(MakeMeterDriver(tried.meter)) {
        driver->SetPort(this);
    }
    LineResult Send(const std::uint8_t* data, std::size_t n) override {
        if (!owner.line_) return LineResult::Fail("No port is open.");
        return owner.line_->write(data, n);
    }
    void Purge() override {
        arrived.clear();
        if (!owner.line_) return;
        owner.line_->purgeReceive();
        owner.line_->purgeTransmit();
    }
    LineTime Now() const override { return owner.now(); }
    void WakeAt(LineTime at) override { wakeAt = at; }
    void CancelWake() override { wakeAt.reset(); }
    void Finished() override {
        wakeAt.reset();
        finished = true;
    }

    MeterDetector& owner;
    const DetectProbe& probe;
    std::unique_ptr<MeterDriver> driver;
    std::optional<LineTime> wakeAt;
    bool finished = false;
    int valid = 0;
    std::vector<std::uint8_t> arrived;  // since the exchange began, when it is checked

    bool validates(const DriverOutcome& out) const {
        if (!out.line.ok()) return false;
        if (!probe.request) return out.reading.has_value();
        return !out.bytes.empty() && (!probe.wholeReply || probe.wholeReply(arrived));
    }
};

MeterDetector::MeterDetector(Opener opener, std::string_view lastFound,
                             std::span<const DetectProbe> probes)
    : opener_(std::move(opener)) {
    std::vector<const DetectProbe*> order;
    for (const DetectProbe& p : probes)
        if (IsMeterName(p.meter)) order.push_back(&p);
    std::stable_partition(order.begin(), order.end(),
                          [&](const DetectProbe* p) { return p->meter == lastFound; });
    for (const DetectProbe* p : order) {
        const LineSettings settings = MakeMeterDriver(p->meter)->Settings();
        auto same =
            std::ranges::find_if(groups_, [&](const Group& g) { return g.settings == settings; });
        if (same == groups_.end()) same = groups_.insert(groups_.end(), Group{settings, {}});
        same->probes.push_back(p);
    }
}

MeterDetector::~MeterDetector() {
    if (timer_) timer_->SetCallback({});
    closeGroup();
}

void MeterDetector::SetWakeTimer(WakeTimer* timer) {
    if (timer_) {
        timer_->Stop();
        timer_->SetCallback({});
    }
    timer_ = timer;
    if (timer_) timer_->SetCallback([this] { OnWake(); });
}

std::vector<std::string_view> MeterDetector::SettingMeters(std::size_t index) const {
    std::vector<std::string_view> names;
    if (index < groups_.size())
        for (const DetectProbe* p : groups_[index].probes) names.push_back(p->meter);
    return names;
}

LineTime MeterDetector::now() const {
    return line_ ? line_->now() : std::chrono::steady_clock::now();
}

std::chrono::milliseconds MeterDetector::Elapsed() const {
    if (!line_) return before_;
    return before_ + std::chrono::duration_cast<std::chrono::milliseconds>(now() - groupStart_);
}

void MeterDetector::Start() {
    Cancel();
    found_.clear();
    failure_.clear();
    before_ = std::chrono::milliseconds{0};
    group_ = 0;
    running_ = true;
    handle([this] {
        if (openGroup()) step();
    });
}

// What came in while a handler ran is taken by stepping again, while the probe goes on.
void MeterDetector::handle(const std::function<void()>& fn) {
    nest_.Handle(
        fn, [this] { step(); }, [this] { return running_; });
}

void MeterDetector::OnInput() {
    handle([this] { step(); });
}

void MeterDetector::OnWake() {
    handle([this] { step(); });
}

bool MeterDetector::openGroup() {
    while (group_ < groups_.size()) {
        const Group& g = groups_[group_];
        OpenResult opened = opener_(g.settings);
        if (!opened.handle) {
            finish({}, opened.status.reason());
            return false;
        }
        line_ = std::move(opened.handle);
        groupStart_ = line_->now();
        slots_.clear();
        for (const DetectProbe* p : g.probes) slots_.push_back(std::make_unique<Slot>(*this, *p));
        if (timer_) line_->setInputNotifier([this] { OnInput(); });
        for (const auto& slot : slots_) startSlot(*slot);
        return true;
    }
    return false;
}

void MeterDetector::closeGroup() {
    if (!line_) return;
    before_ = Elapsed();
    for (const auto& slot : slots_)
        if (slot->driver->Busy()) slot->driver->Cancel();
    slots_.clear();
    line_->setInputNotifier({});
    line_->close();
    line_.reset();
}

void MeterDetector::startSlot(Slot& slot) {
    slot.finished = false;
    slot.arrived.clear();
    if (slot.probe.request)
        slot.driver->StartRequest(*slot.probe.request);
    else
        slot.driver->StartPoll(MeterReading{});
}

void MeterDetector::readInput() {
    std::array<std::uint8_t, 1024> buffer{};
    for (;;) {
        const LineResult r = line_->readAvailable(buffer.data(), buffer.size());
        if (r.count > 0)
            for (const auto& slot : slots_) {
                if (slot->probe.wholeReply && slot->arrived.size() < 2048)
                    slot->arrived.insert(slot->arrived.end(), buffer.data(),
                                         buffer.data() + r.count);
                slot->driver->OnBytes(buffer.data(), r.count);
            }
        if (r.broken()) {
            finish({}, DescribeLineResult(r));
            return;
        }
        if (r.count < buffer.size()) return;
    }
}

// Takes what arrived, wakes the drivers whose time has come, counts the exchanges that
// ended and starts the next; moves to the next setting when this one's time is up.
void MeterDetector::step() {
    while (running_ && line_) {
        readInput();
        if (!running_) return;
        const LineTime t = now();
        for (const auto& slot : slots_)
            if (slot->wakeAt && *slot->wakeAt <= t) {
                slot->wakeAt.reset();
                slot->driver->OnTimer();
            }
        for (const auto& slot : slots_) {
            if (!slot->finished) continue;
            const DriverOutcome out = slot->driver->TakeOutcome();
            slot->valid = slot->validates(out) ? slot->valid + 1 : 0;
            if (slot->valid >= kValidInARow) {
                finish(std::string(slot->probe.meter));
                return;
            }
            startSlot(*slot);
        }
        const bool settingOver = now() - groupStart_ >= kSettingTime;
        if (!settingOver && Elapsed() < kTotalTime) {
            const bool more =
                std::ranges::any_of(slots_, [](const auto& s) { return s->finished; });
            if (more) continue;  // an exchange ended at its start (a packet already waiting)
            rearm();
            return;
        }
        closeGroup();
        ++group_;
        if (group_ >= groups_.size() || before_ >= kTotalTime) {
            finish({});
            return;
        }
        if (!openGroup()) return;
    }
}

void MeterDetector::rearm() {
    LineTime next = groupStart_ + kSettingTime;
    for (const auto& slot : slots_)
        if (slot->wakeAt) next = std::min(next, *slot->wakeAt);
    if (timer_) timer_->Start(MsUntil(now(), next));
}

bool MeterDetector::Pump(const std::function<bool()>& between) {
    nest_.Enter();
    bool going = true;
    while (running_) {
        if (between && !between()) {
            going = false;
            break;
        }
        step();
        if (!running_ || !line_) break;
        LineTime next = groupStart_ + kSettingTime;
        for (const auto& slot : slots_)
            if (slot->wakeAt) next = std::min(next, *slot->wakeAt);
        const LineResult waited = line_->waitForInput(MsUntil(now(), next));
        if (waited.broken()) step();
    }
    if (!going) Cancel();
    nest_.Leave();
    return going;
}

void MeterDetector::Cancel() {
    if (timer_) timer_->Stop();
    closeGroup();
    running_ = false;
    nest_.ForgetEnded();
}

void MeterDetector::finish(std::string found, std::string failure) {
    if (timer_) timer_->Stop();
    closeGroup();
    running_ = false;
    found_ = std::move(found);
    failure_ = std::move(failure);
    nest_.NoteEnded();
}

}  // namespace dmm
