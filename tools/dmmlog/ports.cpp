// dmmlog ports: which device each COM number stands for, and whether it opens.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "meterlink/portnames.h"
#include "meterlink/protocol.h"
#include "meterlink/serial/serialline.h"
#include "tools/dmmlog/cli.h"

namespace dmm::cli {

namespace {
const char* const kHelp =
    "usage: dmmlog ports\n"
    "       dmmlog ports --detect PORT...\n"
    "\n"
    "Lists COM1..COM10 with the device each stands for and whether it opens.\n"
    "An entry named COMn in the current folder (a link to any device) overrides\n"
    "the automatic assignment: USB adaptors (/dev/serial/by-id, ttyUSB*, ttyACM*)\n"
    "take the numbers from COM1 up, followed by the built-in ports (ttyS*).\n"
    "\n"
    "With --detect, probes each port given (COMn or a device path), and only those,\n"
    "for the kind of meter on it and prints the port and the meter's name, or\n"
    "\"no meter found\". Probing sets DTR and RTS and sends bytes, which may reset\n"
    "another device on the port (a microcontroller board).\n";

// Probes each port given; 0 when a meter was found on every one.
int Detect(int argc, char** argv) {
    if (argc == 0) {
        std::fprintf(stderr, "dmmlog ports: --detect needs a port\n\n%s", kHelp);
        return 2;
    }
    int rc = 0;
    for (int i = 0; i < argc && !StopRequested(); ++i) {
        std::string failure;
        const std::string found = DetectMeterOn(argv[i], failure);
        std::printf("%s\t%s\n", argv[i], found.empty() ? failure.c_str() : found.c_str());
        std::fflush(stdout);
        if (found.empty()) rc = 1;
    }
    return rc;
}
}  // namespace

int Ports(int argc, char** argv) {
    if (argc > 0 && std::string_view(argv[0]) == "--detect") {
        InstallStopHandlers();
        return Detect(argc - 1, argv + 1);
    }
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
