// Process-wide state of the desktop program: one instance, alive for the whole run.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "meterlink/meterlink.h"

namespace dmm {

struct Globals {
    // The port, its number, the reading, the reading-ready and transfer flags.
    MeterLink Link;
    std::array<std::uint8_t, 6> PortAvailable{};  // COM1..COM6 opened at start-up
    std::filesystem::path ProgramDir;             // working directory captured at start-up
    double StartHiLimit = 0;  // limits read at start-up; the comparator takes them
    double StartLowLimit = 0;
};

// The one instance.
Globals& G();

}  // namespace dmm
