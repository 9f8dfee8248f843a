// The meter line over Qt Serial Port, and opening a COM port the way the protocol wants it.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "meterlink/driver/adaptordriver.h"
#include "meterlink/meterline.h"

namespace dmm {

// The time the line's time-outs are measured on: the steady clock unless a test steps its own.
// A wait on the port lasts at most what is left on this clock, then the clock is asked again.
using LineClock = std::function<std::chrono::steady_clock::time_point()>;

// Opens a device path for reading and writing, exclusively, with a driver's line
// settings (DTR and RTS set where given; a line without modem control is no failure),
// the protocol's time-outs (read constant 3000 ms), both buffers purged. Without
// settings, the adaptor's: 9600 baud, 8 data bits, no parity, one stop bit, RTS raised.
// The line tells the event loop when input arrives (MeterLine::setInputNotifier).
OpenResult OpenMeterDevice(const std::string& devicePath, const LineSettings& settings,
                           LineClock clock = {});
OpenResult OpenMeterDevice(const std::string& devicePath, LineClock clock = {});

// Opens COM port n (1..10) resolved in the program folder; any other number cannot be opened.
OpenResult OpenMeterPort(int portNumber, const std::filesystem::path& programDir,
                         const LineSettings& settings = AdaptorDriver::AdaptorLineSettings());

// Whether a device opens at all (the start-up probe): opened and closed again at once.
bool ProbePort(const std::string& devicePath);

}  // namespace dmm
