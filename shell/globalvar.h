// Process-wide state of the desktop program: one instance, alive for the whole run.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

namespace dmm {

struct Globals {
    int iPort = 1;                                // selected port number, 1-based
    std::array<std::uint8_t, 6> PortAvailable{};  // COM1..COM6 opened at start-up
    int TaskbarHeight = 0;                        // pixels kept free at the bottom of the screen
    int ReadingReceived = 0;                      // a reading was decoded since the last link
    bool TransferInProgress = false;              // a logger file is read in or memory imported
    std::filesystem::path ProgramDir;             // working directory captured at start-up
    double StartHiLimit = 0;  // limits read at start-up; the comparator takes them
    double StartLowLimit = 0;
};

// The one instance.
Globals& G();

}  // namespace dmm
