#include "meterlink/meterlink.h"

#include "meterlink/displaydecoder.h"
#include "meterlink/driver/adaptordriver.h"
#include "meterlink/labels.h"
#include "meterlink/protocol.h"

namespace dmm {

namespace {
// Polls in a row without a reply before the no-data warning.
constexpr int kNoDataLimit = 3;

LineResult NoPort() {
    return LineResult::Fail("No port is open.");
}

// Steps 6 and 7 of a poll: the no-data count, and what the caller does next.
PollStep CountPoll(MeterReading& r, bool got, LineResult why, bool lowBattery) {
    PollStep step;
    if (!got) {
        step.line = why.ok() ? LineResult::TimedOut(0) : std::move(why);
        if (++r.iNoDataCount < kNoDataLimit) {
            step.result = PollResult::NoReply;
        } else {
            r.iNoDataCount = 0;
            step.result = PollResult::NoDataWarning;
        }
        return step;
    }
    r.iNoDataCount = 0;
    step.line = LineResult::Done(0);
    step.result = lowBattery ? PollResult::LowBattery : PollResult::Frame;
    return step;
}

}  // namespace

PollStep PollMeter(MeterLine* line, MeterReading& r) {
    std::string value;
    std::string range;
    std::uint32_t status = 0;
    LineResult why;
    const bool ok = ReadMeterDisplay(line, value, range, status, &why) == 1;
    if (ok) StoreFrame(r, status, value, range);
    r.iFunc = FunctionCode(r.dwStatus);
    return CountPoll(r, ok, std::move(why), (r.dwStatus & kLowBatteryBit) != 0);
}

MeterLink::MeterLink()
    : driver_(std::make_unique<AdaptorDriver>()), runner_(std::make_unique<LineRunner>(*driver_)) {
    bindRunner();
}

MeterLink::MeterLink(Opener opener) : MeterLink() {
    opener_ = std::move(opener);
}

MeterLink::MeterLink(PlainOpener opener) : MeterLink() {
    SetOpener(std::move(opener));
}

MeterLink::~MeterLink() {
    if (runner_) runner_->SetLine(nullptr);
    // The runner lets go of the wake timer as it ends: it goes before the timer does.
    runner_.reset();
}

MeterLink::MeterLink(MeterLink&& other) noexcept : MeterLink() {
    *this = std::move(other);
}

MeterLink& MeterLink::operator=(MeterLink&& other) noexcept {
    if (this == &other) return *this;
    if (runner_) runner_->SetLine(nullptr);
    iPort = other.iPort;
    Reading = std::move(other.Reading);
    ReadingReceived = other.ReadingReceived;
    opener_ = std::move(other.opener_);
    meter_ = other.meter_;
    driver_ = std::move(other.driver_);
    runner_ = std::move(other.runner_);
    wakeTimer_ = std::move(other.wakeTimer_);
    exchange_ = other.exchange_;
    exchangeSerial_ = other.exchangeSerial_;
    pollDone_ = std::move(other.pollDone_);
    requestDone_ = std::move(other.requestDone_);
    polled_ = std::move(other.polled_);
    port_ = std::move(other.port_);
    linked_ = other.linked_;
    lent_ = other.lent_;
    transferInProgress_ = other.transferInProgress_;
    gone_ = other.gone_;
    goneReason_ = std::move(other.goneReason_);
    bindRunner();
    // The moved-from link stays usable: a driver of its own and no port.
    other.meter_ = kAdaptorMeter;
    other.driver_ = std::make_unique<AdaptorDriver>();
    other.runner_ = std::make_unique<LineRunner>(*other.driver_);
    other.exchange_ = Exchange::None;
    other.bindRunner();
    return *this;
}

void MeterLink::bindRunner() {
    runner_->SetOnFinished([this] { exchangeFinished(); });
}

void MeterLink::SetOpener(PlainOpener opener) {
    if (!opener) {
        opener_ = {};
        return;
    }
    opener_ = [plain = std::move(opener)](int n, const LineSettings&) { return plain(n); };
}

void MeterLink::SetDriver(std::unique_ptr<MeterDriver> driver) {
    if (!driver) return;
    CancelExchange();
    MeterLine* line = port_.get();
    WakeTimer* timer = wakeTimer_.get();
    runner_->SetLine(nullptr);
    runner_->SetWakeTimer(nullptr);
    driver_ = std::move(driver);
    runner_ = std::make_unique<LineRunner>(*driver_);
    bindRunner();
    runner_->SetWakeTimer(timer);
    runner_->SetLine(line);
}

bool MeterLink::SetMeter(std::string_view name) {
    for (std::string_view known : MeterNames()) {
        if (known != name) continue;
        if (known != meter_) {
            SetDriver(MakeMeterDriver(known));
            meter_ = known;
        }
        return true;
    }
    return false;
}

void MeterLink::SetWakeTimer(std::unique_ptr<WakeTimer> timer) {
    runner_->SetWakeTimer(timer.get());
    wakeTimer_ = std::move(timer);
}

void MeterLink::Attach(MeterHandle line) {
    CancelExchange();
    runner_->SetLine(nullptr);
    port_ = std::move(line);
    runner_->SetLine(port_.get());
    gone_ = false;
}

void MeterLink::CancelExchange() {
    if (exchange_ == Exchange::None && !runner_->Busy()) return;
    exchange_ = Exchange::None;
    pollDone_ = {};
    requestDone_ = {};
    runner_->Cancel();
}

OpenResult MeterLink::OpenPort() {
    gone_ = false;
    return openThroughOpener();
}

OpenResult MeterLink::openThroughOpener() {
    closeNow();
    OpenResult result;
    if (!opener_) {
        result.status = Status::Fail(StatusCode::PortNotOpened, "No way to open a port is set up.");
        return result;
    }
    result = opener_(iPort, driver_->Settings());
    port_ = std::move(result.handle);
    runner_->SetLine(port_.get());
    if (!port_ && result.status.ok()) result.status = Status::Fail(StatusCode::PortNotOpened, {});
    return result;
}

OpenResult MeterLink::OpenForProbe(const LineSettings& settings) const {
    if (!opener_) {
        OpenResult none;
        none.status = Status::Fail(StatusCode::PortNotOpened, "No way to open a port is set up.");
        return none;
    }
    OpenResult result = opener_(iPort, settings);
    if (!result.handle && result.status.ok())
        result.status = Status::Fail(StatusCode::PortNotOpened, {});
    return result;
}

void MeterLink::ClosePort() {
    gone_ = false;
    CancelExchange();
    runner_->SetLine(nullptr);
    CloseMeterPort(port_);
}

void MeterLink::DropPort() {
    gone_ = false;
    closeNow();
}

void MeterLink::closeNow() {
    CancelExchange();
    runner_->SetLine(nullptr);
    if (!port_) return;
    port_->close();
    port_.reset();
}

LineResult MeterLink::Link() {
    if (lent_) return LineResult::Fail("The line is in use by a transfer.");
    const std::optional<bool> rts = driver_->Settings().rts;
    LineResult raised = port_ && rts ? port_->setRts(*rts) : LineResult::Done(0);
    Reading.iNoDataCount = 0;
    linked_ = true;
    return raised;
}

void MeterLink::Unlink() {
    CancelExchange();
    ReadingReceived = 0;
    linked_ = false;
}

PollStep MeterLink::Poll() {
    std::optional<PollStep> result;
    StartPoll([&result](const PollStep& step) { result = step; });
    if (!result && runner_->Busy()) runner_->Pump();
    if (!result) {
        // Cancelled while it was waited for: a failed poll that counts for nothing.
        PollStep none;
        none.line = LineResult::Fail({});
        return none;
    }
    return *result;
}

void MeterLink::StartPoll(std::function<void(const PollStep&)> done) {
    CancelExchange();
    if (gone_) {
        PollStep away;
        away.result = PollResult::AdaptorAway;
        away.line = goneReason_;
        if (done) done(away);
        return;
    }
    if (!port_) {
        PollStep none = CountPoll(Reading, false, NoPort(), false);
        if (done) done(none);
        return;
    }
    exchange_ = Exchange::Poll;
    ++exchangeSerial_;
    pollDone_ = std::move(done);
    runner_->Start([this] { driver_->StartPoll(Reading); });
    if (!runner_->EventDriven() && runner_->Busy()) runner_->Pump();
}

bool MeterLink::StartRequest(const MeterRequest& request, std::function<void(DriverOutcome)> done) {
    CancelExchange();
    if (!port_) return false;
    exchange_ = Exchange::Request;
    ++exchangeSerial_;
    requestDone_ = std::move(done);
    bool started = false;
    runner_->Start([&] { started = driver_->StartRequest(request); });
    if (!started) {
        exchange_ = Exchange::None;
        requestDone_ = {};
        return false;
    }
    if (!runner_->EventDriven() && runner_->Busy()) runner_->Pump();
    return true;
}

DriverOutcome MeterLink::Request(const MeterRequest& request, const std::function<bool()>& between,
                                 const std::function<void()>& serve) {
    std::optional<DriverOutcome> result;
    if (!port_) {
        DriverOutcome none;
        none.line = NoPort();
        return none;
    }
    // Started without pumping, so that between() sees every step.
    CancelExchange();
    exchange_ = Exchange::Request;
    const std::uint64_t serial = ++exchangeSerial_;
    requestDone_ = [&result](DriverOutcome out) { result = std::move(out); };
    bool started = false;
    runner_->Start([&] { started = driver_->StartRequest(request); });
    if (!started) {
        exchange_ = Exchange::None;
        requestDone_ = {};
        DriverOutcome none;
        none.line = LineResult::Fail("The meter knows no such request.");
        return none;
    }
    if (serve && runner_->EventDriven()) {
        // The driver always has a wake pending while busy, so serve() always returns.
        while (!result && exchange_ == Exchange::Request && exchangeSerial_ == serial) {
            if (between && !between()) {
                CancelExchange();
                break;
            }
            serve();
        }
    } else if (!result && runner_->Busy() && !runner_->Pump(between)) {
        exchange_ = Exchange::None;
        requestDone_ = {};
    }
    if (!result) {
        DriverOutcome cancelled;
        cancelled.line = LineResult::Fail({});
        return cancelled;
    }
    return std::move(*result);
}

void MeterLink::exchangeFinished() {
    const Exchange finished = exchange_;
    exchange_ = Exchange::None;
    DriverOutcome outcome = driver_->TakeOutcome();
    if (finished == Exchange::Poll) {
        auto done = std::move(pollDone_);
        pollDone_ = {};
        const PollStep step = completePoll(std::move(outcome));
        if (done) done(step);
    } else if (finished == Exchange::Request) {
        auto done = std::move(requestDone_);
        requestDone_ = {};
        if (done) done(std::move(outcome));
    }
}

PollStep MeterLink::completePoll(DriverOutcome outcome) {
    const bool got = outcome.reading.has_value();
    const bool lowBattery = got && (outcome.reading->dwStatus & kLowBatteryBit) != 0;
    if (got) polled_ = std::move(outcome.reading);
    PollStep step = CountPoll(Reading, got, std::move(outcome.line), lowBattery);
    if (linked_ && port_ && opener_ && step.line.broken()) {
        // Nothing more comes through this port: counting failures would only end in
        // no-data warnings every few seconds, so the port is let go and opened anew later.
        closeNow();
        gone_ = true;
        goneReason_ = step.line;
        Reading.iNoDataCount = 0;
        step.result = PollResult::AdaptorGone;
    }
    return step;
}

OpenResult MeterLink::Reconnect() {
    if (!gone_) return {};
    OpenResult result = openThroughOpener();
    if (!port_) return result;
    gone_ = false;
    goneReason_ = {};
    Reading.iNoDataCount = 0;
    // A line without modem control goes on working.
    if (linked_ && driver_->Settings().rts) port_->setRts(*driver_->Settings().rts);
    return result;
}

void MeterLink::AcceptReading() {
    if (polled_) {
        const std::int32_t count = Reading.iNoDataCount;
        Reading = std::move(*polled_);
        Reading.iNoDataCount = count;
        polled_.reset();
    } else {
        DecodeReading(Reading);
    }
    ReadingReceived = 1;
}

MeterLink::Loan& MeterLink::Loan::operator=(Loan&& other) noexcept {
    if (this != &other) {
        Release();
        link_ = other.link_;
        other.link_ = nullptr;
    }
    return *this;
}

void MeterLink::Loan::Release() {
    if (link_) link_->lent_ = false;
    link_ = nullptr;
}

MeterLink::Loan MeterLink::Borrow() {
    if (linked_ || lent_ || !port_) return Loan();
    lent_ = true;
    return Loan(this);
}

}  // namespace dmm
