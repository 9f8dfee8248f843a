// The serial line to the meter's RS-232 adaptor, as the protocol needs it.
// Production code uses the QSerialPort implementation (serialline.h); tests use
// an in-memory fake; end-to-end tests talk to dmm-sim on a pseudo-terminal.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "resources/status.h"

namespace dmm {

// Read and write time-outs in milliseconds. A read of n bytes waits at most
// n * readTotalMultiplier + readTotalConstant ms in all and returns what arrived
// by then (possibly nothing). Interval time-outs are not used.
struct PortTimeouts {
    int readIntervalTimeout = 0;
    int readTotalMultiplier = 1;
    int readTotalConstant = 3000;
    int writeTotalMultiplier = 0;
    int writeTotalConstant = 1000;
};

// What a call on the line came to. A time-out is the normal end of a read that
// did not get every byte it asked for; "device gone" means the device went away
// underneath an open port (a USB adaptor unplugged, the far end of a
// pseudo-terminal closed) and nothing more will come until it is opened again.
enum class LineStatus {
    Ok,
    Timeout,
    DeviceGone,
    Failed,  // anything else: the port is not open, the driver refused the call
};

// "ok", "time-out", "device gone", "failed"
const char* LineStatusText(LineStatus status);

struct LineResult {
    LineStatus status = LineStatus::Ok;
    std::size_t count = 0;  // bytes moved by a read or write (also when it ended early)
    std::string reason;     // the operating system's message, where there is one

    bool ok() const { return status == LineStatus::Ok; }
    // The line can no longer be used as it is (device gone, or the call failed).
    bool broken() const { return status == LineStatus::DeviceGone || status == LineStatus::Failed; }

    static LineResult Done(std::size_t n) { return {LineStatus::Ok, n, {}}; }
    static LineResult TimedOut(std::size_t n) { return {LineStatus::Timeout, n, {}}; }
    static LineResult Gone(std::size_t n, std::string why) {
        return {LineStatus::DeviceGone, n, std::move(why)};
    }
    static LineResult Fail(std::string why, std::size_t n = 0) {
        return {LineStatus::Failed, n, std::move(why)};
    }
};

// One line for the user: "time-out", "device gone: Input/output error",
// "failed: The port is not open."; "ok" for a result that is fine.
std::string DescribeLineResult(const LineResult& result);

// How a meter wants its line: the framing, and the levels of the two modem control
// lines. A level left empty is not touched at the open.
enum class Parity { None, Even, Odd };
enum class StopBits { One, Two };
struct LineSettings {
    int baud = 9600;
    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    std::optional<bool> dtr;
    std::optional<bool> rts;

    bool operator==(const LineSettings&) const = default;
};

// The time a line's waits are measured on.
using LineTime = std::chrono::steady_clock::time_point;

class MeterLine {
public:
    virtual ~MeterLine() = default;

    // Writes n bytes and waits up to n * writeTotalMultiplier + writeTotalConstant ms
    // for them to leave the driver. Ok when all of them left; Timeout (count = what
    // left) when the wait ran out; a total of 0 does not wait. Units: bytes and ms.
    virtual LineResult write(const std::uint8_t* data, std::size_t n) = 0;
    // Reads up to n bytes, waiting at most n * readTotalMultiplier + readTotalConstant
    // ms in all. Ok as soon as all n arrived; Timeout with the bytes that arrived
    // (possibly none) when the wait ran out; a total of 0 returns at once with what
    // the driver already holds. DeviceGone or Failed end the read early, with the
    // bytes delivered before.
    virtual LineResult read(std::uint8_t* buffer, std::size_t n) = 0;
    // Discards whatever the driver holds in its receive or transmit buffer.
    virtual LineResult purgeReceive() = 0;
    virtual LineResult purgeTransmit() = 0;
    // Raises or drops RTS. Lines without modem control (pseudo-terminals) fail
    // with a reason and go on working.
    virtual LineResult setRts(bool on) = 0;
    // The same for DTR; a line that has no such control says so and goes on working.
    virtual LineResult setDtr(bool on) {
        (void)on;
        return LineResult::Fail("The line has no modem control.");
    }
    // Waits until everything written has left the driver, within the write time-outs.
    virtual LineResult flush() = 0;
    virtual void close() = 0;

    virtual bool getTimeouts(PortTimeouts& out) = 0;
    virtual bool setTimeouts(const PortTimeouts& timeouts) = 0;

    // Blocks the caller for ms milliseconds (0 or less: not at all); the pause of
    // the normal close goes through here so that a test line can skip it.
    virtual void sleepMs(int ms) = 0;

    // Without waiting: up to n bytes of what has arrived (Ok with the count, possibly 0),
    // or DeviceGone / Failed. The default reads through read(), which does not wait on
    // an in-memory line.
    virtual LineResult readAvailable(std::uint8_t* buffer, std::size_t n) {
        LineResult r = read(buffer, n);
        if (r.status == LineStatus::Timeout) r.status = LineStatus::Ok;
        return r;
    }
    // Waits up to ms for input: Ok when some is waiting, Timeout when none came,
    // DeviceGone or Failed when none will. Only a blocking caller waits here; the
    // default lets the line's own time pass instead (an in-memory line).
    virtual LineResult waitForInput(int ms) {
        if (ms > 0) simulatedNow_ += std::chrono::milliseconds(ms);
        return LineResult::TimedOut(0);
    }
    // The time the line's waits are measured on; an in-memory line keeps its own,
    // which moves only while waitForInput waits.
    virtual LineTime now() const { return simulatedNow_; }
    // Called from the event loop whenever input arrived or the line failed; empty
    // to stop. A line that is not served by an event loop never calls it.
    virtual void setInputNotifier(std::function<void()> notify) { notifier_ = std::move(notify); }

protected:
    // For in-memory lines: input has arrived.
    void notifyInput() {
        if (notifier_) notifier_();
    }
    std::function<void()> notifier_;
    LineTime simulatedNow_{};
};

// A null handle means that no port is open.
using MeterHandle = std::unique_ptr<MeterLine>;

// Opening a port: the handle, or the failure (PortNotOpened or PortNoTimeouts with the
// operating system's reason). The device tried goes with both, for the messages.
struct OpenResult {
    MeterHandle handle;  // null on failure
    Status status;
    std::string device;  // the device path that was tried (empty when the COM number has none)
};

}  // namespace dmm
