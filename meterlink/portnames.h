// COM port names and the device each stands for on this system.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace dmm {

constexpr int kPortCount = 10;       // "COM1".."COM10"
constexpr int kDialogPortCount = 6;  // the port dialog offers COM1..COM6

// "COM1".."COM10" for 1..10, empty otherwise.
std::string PortName(int portNumber);

// The device a COM number stands for, empty when there is none:
//  1. an entry named COMn in the program folder (a link to any device) wins;
//  2. otherwise the USB adaptors in /dev/serial/by-id, sorted by name, then the
//     ttyUSB* and ttyACM* devices not reached that way, sorted naturally, take
//     the numbers from COM1 up, followed by the built-in ports ttyS0, ttyS1, ...
//     that have a UART behind them (per /sys/class/tty/ttySn/type).
//     On Windows the name is used as it is.
// The roots let tests point the rule at a fake /dev and /sys.
struct PortScanRoots {
    std::filesystem::path dev = "/dev";
    std::filesystem::path sys = "/sys";
};
std::string ResolvePortDevice(int portNumber, const std::filesystem::path& programDir,
                              const PortScanRoots& roots = {});

// The devices of the rule above in COM order (without the program-folder overrides).
std::vector<std::string> ScanPortDevices(const PortScanRoots& roots = {});

// Whether a port given on a command line is a COM name ("COMn", any case, n digits).
bool IsPortNameArgument(const std::string& arg);

// A port given on a command line: "COMn" (any case) resolves as above, anything
// else is taken as a device path. "COM" with a number outside 1..10 resolves to empty.
std::string ResolvePortArgument(const std::string& arg, const std::filesystem::path& programDir,
                                const PortScanRoots& roots = {});

}  // namespace dmm
