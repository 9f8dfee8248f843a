#include "meterlink/protocol.h"

#include <functional>

#include "meterlink/driver/adaptordriver.h"
#include "meterlink/driver/linerunner.h"

namespace dmm {

namespace {

constexpr int kWriteConstantMs = 1000;

LineResult NoPort() {
    return LineResult::Fail("No port is open.");
}

// One exchange of the adaptor's driver on a line of its own, waited for.
DriverOutcome RunAdaptor(MeterLine* line, const std::function<void(AdaptorDriver&)>& start,
                         AdaptorDriver* driverOut = nullptr) {
    AdaptorDriver local;
    AdaptorDriver& driver = driverOut ? *driverOut : local;
    LineRunner runner(driver);
    runner.SetLine(line);
    runner.Start([&] { start(driver); });
    runner.Pump();
    return driver.TakeOutcome();
}

std::optional<std::vector<std::uint8_t>> Exchange(MeterLine* line, std::uint8_t command,
                                                  LineResult* why) {
    DriverOutcome out = RunAdaptor(line, [command](AdaptorDriver& d) {
        d.StartRequest(MeterRequest{command, 0});
    });
    if (!out.line.ok()) {
        if (why) *why = std::move(out.line);
        return std::nullopt;
    }
    return std::move(out.bytes);
}

}  // namespace

MeterKind MeterKindFromIdentity(std::uint8_t identity) {
    switch (identity) {
        case 1:
            return MeterKind::KindA;
        case 3:
            return MeterKind::KindB;
        case 9:
            return MeterKind::KindC;
        case 4:
        case 12:
            return MeterKind::KindD;
        case 5:
        case 13:
            return MeterKind::KindE;
        case 6:
        case 14:
            return MeterKind::KindF;
        case 7:
        case 15:
            return MeterKind::KindG;
        default:
            return MeterKind::KindNone;
    }
}

bool HasBuiltInLogging(MeterKind kind) {
    switch (kind) {
        case MeterKind::KindD:
        case MeterKind::KindE:
        case MeterKind::KindF:
        case MeterKind::KindG:
            return false;
        default:
            // An unknown meter is given the benefit of the doubt.
            return true;
    }
}

const char* MeterKindName(MeterKind kind) {
    switch (kind) {
        case MeterKind::KindNone:
            return "KindNone";
        case MeterKind::KindA:
            return "KindA";
        case MeterKind::KindB:
            return "KindB";
        case MeterKind::KindC:
            return "KindC";
        case MeterKind::KindD:
            return "KindD";
        case MeterKind::KindE:
            return "KindE";
        case MeterKind::KindF:
            return "KindF";
        case MeterKind::KindG:
            return "KindG";
    }
    return "KindNone";
}

std::vector<std::uint8_t> BuildCommandFrame(std::uint8_t command) {
    return {kDle, kStx, command, 0x00, 0x00, 0x00, kDle, kEtx};
}

bool SetPortTimeouts(MeterLine* line, int readConstantMs) {
    if (line == nullptr) return false;
    PortTimeouts timeouts;
    if (!line->getTimeouts(timeouts)) return false;
    timeouts.readIntervalTimeout = 0;
    timeouts.readTotalMultiplier = 1;
    timeouts.readTotalConstant = readConstantMs;
    timeouts.writeTotalMultiplier = 0;
    timeouts.writeTotalConstant = kWriteConstantMs;
    return line->setTimeouts(timeouts);
}

void CloseMeterPort(MeterHandle& handle) {
    if (!handle) return;
    handle->flush();
    handle->sleepMs(kClosePauseMs);
    handle->close();
    handle.reset();
}

void SendMeterCommand(MeterLine* line, std::uint8_t command) {
    if (line == nullptr) return;
    line->purgeReceive();
    line->purgeTransmit();
    // The adaptor is fed one byte per write; the results are not examined because
    // a lost byte shows up as a missing reply anyway.
    for (std::uint8_t byte : BuildCommandFrame(command)) line->write(&byte, 1);
}

std::optional<std::vector<std::uint8_t>> ReadMeterReply(MeterLine* line, LineResult* why) {
    if (line == nullptr) {
        if (why) *why = NoPort();
        return std::nullopt;
    }
    DriverOutcome out = RunAdaptor(line, [](AdaptorDriver& d) { d.StartReply(); });
    if (!out.line.ok()) {
        if (why) *why = std::move(out.line);
        return std::nullopt;
    }
    return std::move(out.bytes);
}

int QueryMeterModel(MeterLine* line, MeterKind& kind, LineResult* why) {
    if (line == nullptr) {
        if (why) *why = NoPort();
        return 0;
    }
    auto payload = Exchange(line, kCmdIdentify, why);
    if (!payload) return 0;
    kind = MeterKindFromIdentity(payload->empty() ? 0 : (*payload)[0]);
    return 1;
}

int ReadMeterDisplay(MeterLine* line, std::string& value, std::string& range, std::uint32_t& status,
                     LineResult* why) {
    if (line == nullptr) {
        if (why) *why = NoPort();
        return 0;
    }
    AdaptorDriver driver;
    DriverOutcome out = RunAdaptor(
        line, [](AdaptorDriver& d) { d.StartPoll(MeterReading{}); }, &driver);
    if (!out.reading || !driver.LastFrame()) {
        if (why) *why = std::move(out.line);
        return 0;
    }
    status = driver.LastFrame()->status;
    value = driver.LastFrame()->value;
    range = driver.LastFrame()->range;
    return 1;
}

std::optional<DisplayFrame> ParseDisplayPayload(const std::vector<std::uint8_t>& payload) {
    if (payload.size() < kDisplayPayloadSize) return std::nullopt;
    const std::uint8_t* p = payload.data();
    DisplayFrame frame;
    frame.status = static_cast<std::uint32_t>(p[kStatusOffset]) |
                   static_cast<std::uint32_t>(p[kStatusOffset + 1]) << 8 |
                   static_cast<std::uint32_t>(p[kStatusOffset + 2]) << 16 |
                   static_cast<std::uint32_t>(p[kStatusOffset + 3]) << 24;
    frame.value = FieldText(p + kValueOffset, kValueFieldSize);
    frame.range = FieldText(p + kRangeOffset, kRangeFieldSize);
    return frame;
}

std::string FieldText(const std::uint8_t* field, std::size_t length) {
    if (field == nullptr) return {};
    std::size_t n = 0;
    while (n < length && field[n] != 0) ++n;
    while (n > 0 && field[n - 1] <= 0x20) --n;
    return std::string(reinterpret_cast<const char*>(field), n);
}

}  // namespace dmm
