// dmmlog ports: which device each COM number stands for, and whether it opens.
#include <cstdio>
#include <filesystem>

#include "meterlink/portnames.h"
#include "meterlink/protocol.h"
#include "meterlink/serial/serialline.h"
#include "tools/dmmlog/cli.h"

namespace dmm::cli {

namespace {
const char* const kHelp =
    "usage: dmmlog ports\n"
    "\n"
    "Lists COM1..COM10 with the device each stands for and whether it opens.\n"
    "An entry named COMn in the current folder (a link to any device) overrides\n"
    "the automatic assignment: USB adaptors (/dev/serial/by-id, ttyUSB*, ttyACM*)\n"
    "take the numbers from COM1 up, followed by the built-in ports (ttyS*).\n";
}  // namespace

int Ports(int argc, char** argv) {
    Options opts({}, {"help"});
    if (!opts.parse(argc, argv)) {
        std::fprintf(stderr, "dmmlog ports: %s\n\n%s", opts.error().c_str(), kHelp);
        return 2;
    }
    if (opts.has("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    const auto dir = std::filesystem::current_path();
    for (int n = 1; n <= kPortCount; ++n) {
        std::string device = ResolvePortDevice(n, dir);
        if (device.empty()) {
            std::printf("%s\t-\tno device\n", PortName(n).c_str());
            continue;
        }
        OpenResult result = OpenMeterDevice(device);
        if (result.handle) {
            CloseMeterPort(result.handle);
            std::printf("%s\t%s\topens\n", PortName(n).c_str(), device.c_str());
        } else {
            std::printf("%s\t%s\tcannot open: %s\n", PortName(n).c_str(), device.c_str(),
                        result.status.reason().c_str());
        }
    }
    return 0;
}

}  // namespace dmm::cli
