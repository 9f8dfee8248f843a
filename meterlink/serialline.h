// The meter line over Qt Serial Port, and opening a COM port the way the protocol wants it.
#pragma once

#include <filesystem>
#include <string>

#include "meterlink/meterline.h"

namespace dmm {

// Which step of opening a port failed.
enum class OpenFailure {
    None,
    Open,      // no such port, or it could not be opened or configured (line settings)
    Timeouts,  // the time-outs could not be read or written
};

struct OpenResult {
    MeterHandle handle;  // null on failure
    OpenFailure failure = OpenFailure::None;
    std::string device;  // the device path that was tried (empty when the COM number has none)
    std::string reason;  // the operating system's reason, for the user
};

// Opens a device path for reading and writing, exclusively: 9600 baud, 8 data
// bits, no parity, one stop bit, the protocol's time-outs (read constant 3000 ms),
// RTS raised (a line without modem control is no failure), both buffers purged.
OpenResult OpenMeterDevice(const std::string& devicePath);

// Opens COM port n (1..10) resolved in the program folder; any other number cannot be opened.
OpenResult OpenMeterPort(int portNumber, const std::filesystem::path& programDir);

// Whether a device opens at all (the start-up probe): opened and closed again at once.
bool ProbePort(const std::string& devicePath);

}  // namespace dmm
