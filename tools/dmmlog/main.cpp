// dmmlog: the data logger's command-line companion.
#include <QCoreApplication>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "resources/programinfo.h"
#include "tools/dmmlog/cli.h"

namespace {

const char* const kUsage =
    "usage: dmmlog VERB [OPTIONS]\n"
    "\n"
    "Talks to a handheld multimeter through its RS-232 adaptor, or to a meter built\n"
    "on a measuring chip (read and log --meter, see 'dmmlog read --help').\n"
    "\n"
    "verbs:\n"
    "  ports    list COM1..COM10, the device each stands for and whether it opens\n"
    "  read     poll the meter's display and print one line per reading\n"
    "  log      take samples as the recorder does and write them to a logger file\n"
    "  decode   decode captured display payloads (hexadecimal, one per line) from standard input\n"
    "  import   read the log the meter keeps in its own memory into a logger file\n"
    "  export   write a logger file's readings as the recorder's text lines, as CSV or as JSON\n"
    "  publish  send a logger file's readings to an MQTT broker\n"
    "  plot     draw a logger file as the graphical viewer shows it, to a picture file\n"
    "  recover  list the temporary files a crashed recorder left behind, or save one\n"
    "\n"
    "Run 'dmmlog VERB --help' for the options of a verb, 'dmmlog --version' for the version.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::fputs(dmm::VersionText("dmmlog").c_str(), stdout);
        return 0;
    }
    // The chart needs an application object of the GUI kind, which plot makes itself.
    if (std::strcmp(argv[1], "plot") == 0) return dmm::cli::Plot(argc - 2, argv + 2);
    // Qt Serial Port wants an application object in the thread that uses it.
    QCoreApplication app(argc, argv);
    // Numbers are read and written with "." whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    std::string verb = argv[1];
    int verbArgc = argc - 2;
    char** verbArgv = argv + 2;
    if (verb == "ports") return dmm::cli::Ports(verbArgc, verbArgv);
    if (verb == "read") return dmm::cli::Read(verbArgc, verbArgv);
    if (verb == "log") return dmm::cli::Log(verbArgc, verbArgv);
    if (verb == "decode") return dmm::cli::Decode(verbArgc, verbArgv);
    if (verb == "export") return dmm::cli::Export(verbArgc, verbArgv);
    if (verb == "recover") return dmm::cli::Recover(verbArgc, verbArgv);
    if (verb == "import") return dmm::cli::Import(verbArgc, verbArgv);
    if (verb == "publish") return dmm::cli::Publish(verbArgc, verbArgv);
    std::fprintf(stderr, "dmmlog: unknown verb '%s'\n\n%s", verb.c_str(), kUsage);
    return 2;
}
