#include "meterlink/meterlink.h"

#include "meterlink/displaydecoder.h"
#include "meterlink/labels.h"
#include "meterlink/protocol.h"

namespace dmm {

namespace {
// Polls in a row without a reply before the no-data warning.
constexpr int kNoDataLimit = 3;
}  // namespace

PollStep PollMeter(MeterLine* line, MeterReading& r) {
    PollStep step;
    std::string value;
    std::string range;
    std::uint32_t status = 0;
    bool ok = ReadMeterDisplay(line, value, range, status, &step.line) == 1;
    if (ok) StoreFrame(r, status, value, range);
    r.iFunc = FunctionCode(r.dwStatus);
    if (!ok) {
        if (step.line.ok()) step.line = LineResult::TimedOut(0);
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
    step.result = (r.dwStatus & kLowBatteryBit) ? PollResult::LowBattery : PollResult::Frame;
    return step;
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
    result = opener_(iPort);
    port_ = std::move(result.handle);
    if (!port_ && result.status.ok()) result.status = Status::Fail(StatusCode::PortNotOpened, {});
    return result;
}

void MeterLink::ClosePort() {
    gone_ = false;
    CloseMeterPort(port_);
}

void MeterLink::DropPort() {
    gone_ = false;
    closeNow();
}

void MeterLink::closeNow() {
    if (!port_) return;
    port_->close();
    port_.reset();
}

LineResult MeterLink::Link() {
    if (lent_) return LineResult::Fail("The line is in use by a transfer.");
    LineResult rts = port_ ? port_->setRts(true) : LineResult::Done(0);
    Reading.iNoDataCount = 0;
    linked_ = true;
    return rts;
}

void MeterLink::Unlink() {
    ReadingReceived = 0;
    linked_ = false;
}

PollStep MeterLink::Poll() {
    if (gone_) {
        PollStep away;
        away.result = PollResult::AdaptorAway;
        away.line = goneReason_;
        return away;
    }
    PollStep step = PollMeter(port_.get(), Reading);
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
    if (linked_) port_->setRts(true);  // a line without modem control goes on working
    return result;
}

void MeterLink::AcceptReading() {
    DecodeReading(Reading);
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
