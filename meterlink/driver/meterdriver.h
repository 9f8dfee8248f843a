// A meter driver: everything about one kind of meter's protocol. It knows the line
// settings its meter wants, sees every byte that arrives (asked for or not), decides
// what to send and when, and at each poll tick ends with a complete reading or with
// the reason why there is none. It never waits: the link runs it from the window's
// event loop, or through a blocking pump (dmmlog, the tests), by the same calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "meterlink/meterline.h"
#include "meterlink/meterreading.h"

namespace dmm {

// What the link lets a driver do with the line.
class DriverPort {
public:
    virtual ~DriverPort() = default;
    // Writes the bytes as one write call.
    virtual LineResult Send(const std::uint8_t* data, std::size_t n) = 0;
    // Discards what the line holds to receive, then what it holds to send.
    virtual void Purge() = 0;
    virtual LineTime Now() const = 0;
    // The driver's one timer: OnTimer() comes at or after `at`. A later call replaces it.
    virtual void WakeAt(LineTime at) = 0;
    virtual void CancelWake() = 0;
    // The exchange in flight has ended; its outcome is ready.
    virtual void Finished() = 0;
};

// How an exchange ended.
struct DriverOutcome {
    LineResult line;                      // Ok when it came whole; otherwise why not
    std::optional<MeterReading> reading;  // a poll: the complete reading
    std::vector<std::uint8_t> bytes;      // a request: the reply's payload, or the bytes so far
};

// A request besides the poll, for meters that answer one: a reply frame (rawBytes 0,
// the payload is the outcome) or that many bytes as they come (a block of a stored log).
struct MeterRequest {
    std::uint8_t command = 0;
    std::size_t rawBytes = 0;
};

class MeterDriver {
public:
    virtual ~MeterDriver() = default;

    virtual LineSettings Settings() const = 0;
    // Before anything else; the port stays valid for the driver's life.
    virtual void SetPort(DriverPort* port) = 0;

    // Every byte, as it arrives.
    virtual void OnBytes(const std::uint8_t* data, std::size_t n) = 0;
    // The time asked for with WakeAt has come.
    virtual void OnTimer() = 0;
    // The line failed (the device gone): nothing more will come through it.
    virtual void OnLineBroken(const LineResult& why) = 0;

    // A poll tick. It ends (Finished) with a complete reading, built on the previous one
    // where the meter's display rules carry state, or with the reason for none.
    virtual void StartPoll(const MeterReading& previous) = 0;
    // Starts a request; false when the meter knows none of that kind (nothing started).
    virtual bool StartRequest(const MeterRequest& request) {
        (void)request;
        return false;
    }
    // An exchange is in flight.
    virtual bool Busy() const = 0;
    // Bytes of the request in flight received so far.
    virtual std::size_t BytesReceived() const { return 0; }
    // Abandons the exchange in flight: nothing of it is kept and Finished is not called.
    virtual void Cancel() = 0;
    // The outcome of the last exchange that finished.
    virtual DriverOutcome TakeOutcome() = 0;
};

}  // namespace dmm
