// The serial line to the meter's RS-232 adaptor, as the protocol needs it.
// Production code uses the QSerialPort implementation (serialline.h); tests use
// an in-memory fake; end-to-end tests talk to dmm-sim on a pseudo-terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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

class MeterLine {
public:
    virtual ~MeterLine() = default;

    // Writes up to n bytes; returns how many the driver took.
    virtual std::size_t write(const std::uint8_t* data, std::size_t n) = 0;
    // Reads up to n bytes, blocking within the read time-outs; returns the count delivered.
    virtual std::size_t read(std::uint8_t* buffer, std::size_t n) = 0;
    // Discards whatever the driver holds in its receive or transmit buffer.
    virtual void purgeReceive() = 0;
    virtual void purgeTransmit() = 0;
    // Raises or drops RTS. Lines without modem control (pseudo-terminals) return false.
    virtual bool setRts(bool on) = 0;
    // Waits until everything written has left the driver.
    virtual void flush() = 0;
    virtual void close() = 0;

    virtual bool getTimeouts(PortTimeouts& out) = 0;
    virtual bool setTimeouts(const PortTimeouts& timeouts) = 0;

    // Blocks the caller; the protocol's fixed pauses go through here so that a
    // test line can shorten them.
    virtual void sleepMs(int ms) = 0;
    // The pause between a request and the first read of its reply (250 ms on a real line).
    virtual int replyPauseMs() const { return 250; }
};

// A null handle means that no port is open.
using MeterHandle = std::unique_ptr<MeterLine>;

}  // namespace dmm
