// dmmlogger: the desktop data logger.
#include <cstdio>
#include <cstring>

#include "resources/programinfo.h"
#include "shell/startup.h"

namespace {

const char* const kUsage =
    "usage: dmmlogger [--version | --help]\n"
    "\n"
    "The desktop data logger for a handheld multimeter on a serial port.\n"
    "The folder it is started in is its program folder: the settings file NRVDL.ini\n"
    "and the recorder's temporary files ~NDMDL<n>.TMP live there. At start-up it\n"
    "offers the samples that a run which did not end normally left in temporary\n"
    "files. The toolkit's own options, such as -platform and -display, are accepted.\n"
    "\n"
    "  --version  print the version and exit\n"
    "  --help     print this text and exit\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window: scripts and manual-page tools ask without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs(dmm::VersionText("dmmlogger").c_str(), stdout);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return dmm::RunDmmLogger(argc, argv);
}
