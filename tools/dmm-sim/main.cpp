// dmm-sim: a simulated meter with its RS-232 adaptor on a pseudo-terminal.
//
// Prints the device path of the terminal's slave side as the first line on
// standard output; a client opens that path like a serial port.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): POSIX sigaction lives here
#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): POSIX posix_openpt, ptsname
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "meterlink/chips/ascii14.h"
#include "resources/programinfo.h"
#include "tools/dmm-sim/simulator.h"
#include "tools/dmm-sim/storedlog.h"

namespace {

using Clock = std::chrono::steady_clock;

// Ten bit times (start, 8 data, stop) at 9600 baud.
constexpr std::chrono::nanoseconds kByteTime{1'041'667};

volatile sig_atomic_t gStop = 0;
volatile sig_atomic_t gSilenceToggles = 0;
volatile sig_atomic_t gBatteryToggles = 0;

void OnSignal(int sig) {
    switch (sig) {
        case SIGUSR1:
            gSilenceToggles = gSilenceToggles + 1;
            break;
        case SIGUSR2:
            gBatteryToggles = gBatteryToggles + 1;
            break;
        default:
            gStop = 1;
            break;
    }
}

const char kUsage[] = R"(Usage: dmm-sim [options]

Simulates the meter and its RS-232 adaptor on a pseudo-terminal. The first line
on standard output is the device path of the terminal; open it as the serial
port (9600 8N1). Runs until SIGINT or SIGTERM.

The adaptor answers the command frames DLE STX <cmd> 0 0 0 DLE ETX:
  B  display reply: status word, value text, range text (15 payload bytes)
  F  identity reply: one identity byte
  N  with a stored log: its first 512-byte block, raw; the next R starts after it
  R  with a stored log: its next 512-byte block; past the last block no answer
Other commands get no answer.

Readings (the "B" replies cycle through them, one per request):
  --scenario FILE     read the readings from FILE, one per line:
                        code;value text;range text
                      code is a decimal function code or a 0x status word
                      (0x80000006 = DC volts with low battery); fields are
                      separated by ';' or a tab; blanks around a field are
                      dropped unless it is in double quotes (" OL "); blank
                      lines and text after '#' are ignored
  --reading LINE      answer every "B" with this one reading, e.g. "6;1.234;0"
                      (default: a built-in demonstration that swings a DC voltage
                      and then tours every function, overloads included)

Identity:
  --identity N        identity byte of the "F" reply, 0..255 (default 1)
  --identity-empty    answer "F" with an empty payload

Stored log (the meter's own memory, read by the logger's Import):
  --memory FILE       serve FILE as the stream: the bytes exactly as the meter
                      sends them (only the low nibble of each byte carries
                      data), a whole number of 512-byte blocks, header first
  --memory-log K[:MODE[:FLAGS]]
                      generate a log of K readings (1..43651, all four banks
                      at most) in logging MODE 0..15 (default 2, DC volts) with
                      the mode FLAGS 0..15 (default 0; 1 = the mode's alternate
                      function, 8 = frequency): a slow wave with a ripple, both
                      signs, an overload every 97 readings, the range stepping
                      every 500 readings, every interval code in each hundred
  --memory-stall-after BYTES
                      send BYTES bytes of memory blocks in all, then stop
                      answering N and R (a transfer that breaks off midway)

Faults:
  --silent            answer nothing (SIGUSR1 toggles this at run time)
  --low-battery       set the low-battery bit (SIGUSR2 toggles this at run time)
  --check-dle         send every check byte through the DLE escape (0x10 first)
  --short             send display payloads of 12 bytes instead of 15
  --garbage           send random bytes in place of every reply
  --silent-after N    answer N command frames, then fall silent
  --silent-for M      with --silent-after: stay silent for M frames, then answer
                      again (default: for good)
  --seed N            seed of the random bytes of --garbage

Chip protocols (the meter sends its display on its own, or answers "D"):
  --protocol NAME     adaptor (the default: the adaptor above), or a meter of
                      one of these families:
                        fs9721, fs9922  a packet every 400 ms, 2400 baud 8N1
                        es51922         a packet every 500 ms, 19200 7O1
                        ut71x           a packet every 500 ms, 2400 7O1
                        ascii14         a line in answer to each "D", 1200 7N2
                        ascii14-600, ascii14-2400
                                        the same at 600 or 2400 7N2
                        ascii14-9600    four lines in answer to each "D", 9600
                                        7N2: the reading, then the next three
                                        readings as the other lines
                      The readings come from --scenario or --reading (those the
                      family cannot show are skipped: DC+AC, dBm; degrees and
                      hFE on the fs9721; what a family has no range or unit
                      for). A fourth field marks what only the chip's display
                      shows: "6;0.598;0;diode", "128;0.003;2;continuity",
                      "0;0.215;3;hfe". While the terminal is not set to the
                      family's line, the bytes are what a receiver at its
                      settings makes of them: framing garbage, as a real cable
                      gives, and a "D" sent at other settings is not understood.
                      The terminal reports 8 data bits and no parity whatever
                      is set: the baud rate, the stop bits and odd parity
                      (PARODD) count, the data bits do not.
                      --silent, --low-battery, --short (9 bytes of each packet;
                      of ascii14-9600 the first line and 9 bytes of the second),
                      --garbage, --silent-after/--silent-for (counting packets)
                      and --seed apply; --identity, --check-dle and the stored
                      log are the adaptor's.

Line and output:
  --pace              send replies at the pace of 9600 baud, about 1.04 ms a
                      byte (the default)
  --no-pace           send replies as fast as the terminal takes them
  --link NAME         also make a symbolic link NAME (e.g. COM1) to the device,
                      in the current folder or in --link-dir; an existing link
                      of that name is replaced, any other file is left alone
                      and dmm-sim refuses to start; removed again at exit
  --link-dir DIR      folder for --link (default: the current folder)
  --verbose, -v       one line per command frame on standard error
  --help, -h          show this text
  --version           show the version
)";

struct Options {
    dmm::sim::Protocol protocol = dmm::sim::Protocol::Adaptor;
    std::optional<std::string> scenarioFile;
    std::optional<std::string> reading;
    std::optional<int> identity;
    bool identityEmpty = false;
    dmm::sim::SimModes modes;
    std::optional<std::uint32_t> seed;
    std::optional<std::string> memoryFile;
    std::optional<std::string> memoryLog;
    bool pace = true;
    std::string link;
    std::string linkDir;
    bool verbose = false;
};

bool ParseCount(const std::string& text, std::uint64_t max, std::uint64_t& out) {
    if (text.empty() || text.size() > 19) return false;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (v > max) return false;
    out = v;
    return true;
}

[[noreturn]] void Fail(const std::string& message, int code = 2) {
    std::cerr << "dmm-sim: " << message << "\n";
    std::exit(code);
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    std::optional<std::uint64_t> silentFor;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
            }
        }
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= argc) Fail(arg + " needs a value (see --help)");
            return argv[++i];
        };
        auto flag = [&]() {
            if (inlineValue) Fail(arg + " takes no value");
            return true;
        };
        auto count = [&](std::uint64_t max) {
            const std::string v = value();
            std::uint64_t n = 0;
            if (!ParseCount(v, max, n)) {
                // NOLINTNEXTLINE(performance-inefficient-string-concatenation): once, on exit
                Fail(arg + ": '" + v + "' is not a whole number from 0 to " + std::to_string(max));
            }
            return n;
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--version") {
            std::cout << dmm::VersionText("dmm-sim");
            std::exit(0);
        } else if (arg == "--protocol") {
            dmm::Result<dmm::sim::Protocol> protocol = dmm::sim::ParseProtocol(value());
            if (!protocol) Fail("--protocol: " + protocol.reason());
            o.protocol = *protocol;
        } else if (arg == "--scenario") {
            o.scenarioFile = value();
        } else if (arg == "--reading") {
            o.reading = value();
        } else if (arg == "--identity") {
            o.identity = static_cast<int>(count(255));
        } else if (arg == "--identity-empty") {
            o.identityEmpty = flag();
        } else if (arg == "--silent") {
            o.modes.silent = flag();
        } else if (arg == "--low-battery") {
            o.modes.lowBattery = flag();
        } else if (arg == "--check-dle") {
            o.modes.checkDle = flag();
        } else if (arg == "--short") {
            o.modes.shortPayload = flag();
        } else if (arg == "--garbage") {
            o.modes.garbage = flag();
        } else if (arg == "--silent-after") {
            o.modes.silentAfter = count(UINT64_MAX / 2);
        } else if (arg == "--silent-for") {
            silentFor = count(UINT64_MAX / 2);
        } else if (arg == "--seed") {
            o.seed = static_cast<std::uint32_t>(count(0xFFFFFFFFu));
        } else if (arg == "--memory") {
            o.memoryFile = value();
        } else if (arg == "--memory-log") {
            o.memoryLog = value();
        } else if (arg == "--memory-stall-after") {
            o.modes.memoryStallAfter = count(UINT64_MAX / 2);
        } else if (arg == "--pace") {
            o.pace = flag();
        } else if (arg == "--no-pace") {
            o.pace = !flag();
        } else if (arg == "--link") {
            o.link = value();
        } else if (arg == "--link-dir") {
            o.linkDir = value();
        } else if (arg == "--verbose" || arg == "-v") {
            o.verbose = flag();
        } else {
            Fail("unknown option '" + arg + "' (see --help)");
        }
    }
    if (o.scenarioFile && o.reading) Fail("--scenario and --reading exclude each other");
    if (o.memoryFile && o.memoryLog) Fail("--memory and --memory-log exclude each other");
    if (o.modes.memoryStallAfter && !o.memoryFile && !o.memoryLog)
        Fail("--memory-stall-after needs --memory or --memory-log");
    if (o.identity && o.identityEmpty) Fail("--identity and --identity-empty exclude each other");
    if (silentFor) {
        if (!o.modes.silentAfter) Fail("--silent-for needs --silent-after");
        if (*silentFor == 0) Fail("--silent-for must be at least 1 (leave it out to stay silent)");
        o.modes.silentFor = *silentFor;
    }
    if (o.protocol != dmm::sim::Protocol::Adaptor) {
        const char* adaptorOnly = o.identity || o.identityEmpty ? "--identity"
                                  : o.modes.checkDle            ? "--check-dle"
                                  : o.memoryFile || o.memoryLog ? "the stored log"
                                                                : nullptr;
        if (adaptorOnly) {
            Fail(std::string(adaptorOnly) + " belongs to the adaptor, not to --protocol " +
                 dmm::sim::ProtocolName(o.protocol));
        }
    }
    if (!o.linkDir.empty() && o.link.empty()) Fail("--link-dir needs --link");
    if (!o.link.empty() &&
        (o.link.find('/') != std::string::npos || o.link == "." || o.link == "..")) {
        Fail("--link takes a plain name such as COM1; use --link-dir for the folder");
    }
    return o;
}

std::vector<dmm::sim::SimReading> LoadReadings(const Options& o) {
    std::vector<dmm::sim::SimReading> readings;
    if (o.reading) {
        dmm::Result<dmm::sim::SimReading> r = dmm::sim::ParseReadingLine(*o.reading);
        if (!r) Fail("--reading: " + r.reason());
        readings.push_back(std::move(r).value());
    } else if (o.scenarioFile) {
        std::ifstream in(*o.scenarioFile, std::ios::binary);
        if (!in) Fail("cannot open scenario file " + *o.scenarioFile + ": " + std::strerror(errno));
        std::ostringstream text;
        text << in.rdbuf();
        dmm::Result<std::vector<dmm::sim::SimReading>> parsed = dmm::sim::ParseScenario(text.str());
        if (!parsed) Fail(*o.scenarioFile + ": " + parsed.reason());
        readings = std::move(parsed).value();
    }
    return readings;  // empty: the simulator plays its default scenario
}

// The stored log of --memory or --memory-log; null without either.
std::shared_ptr<const dmm::sim::MemoryImage> LoadMemory(const Options& o) {
    // The largest stream a meter holds is 512 blocks; a file far beyond that is no image.
    constexpr std::size_t kMaxImageBytes = 64u << 20;
    std::vector<std::uint8_t> bytes;
    if (o.memoryLog) {
        const dmm::Result<dmm::sim::MemoryLogOption> option =
            dmm::sim::ParseMemoryLogOption(*o.memoryLog);
        if (!option) Fail("--memory-log " + option.reason());
        bytes = dmm::sim::BuildStreamImage(
            dmm::sim::PatternLog(option->count, option->mode, option->modeFlags), option->mode,
            option->modeFlags);
    } else if (o.memoryFile) {
        std::ifstream in(*o.memoryFile, std::ios::binary);
        if (!in) Fail("cannot open memory image " + *o.memoryFile + ": " + std::strerror(errno));
        char buffer[65536];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            bytes.insert(bytes.end(), buffer, buffer + in.gcount());
            if (bytes.size() > kMaxImageBytes) Fail(*o.memoryFile + ": larger than 64 MiB");
        }
        if (bytes.empty() || bytes.size() % dmm::sim::MemoryImage::kBlockSize != 0) {
            Fail(*o.memoryFile + ": " + std::to_string(bytes.size()) +
                 " bytes is not a whole number of 512-byte blocks");
        }
    } else {
        return nullptr;
    }
    return std::make_shared<dmm::sim::StreamImage>(std::move(bytes));
}

// The pseudo-terminal: master side for us, slave side for the client. We keep a
// slave descriptor of our own open so that the master never sees a hang-up while
// clients open and close the device.
struct Terminal {
    int master = -1;
    int slave = -1;
    std::string slavePath;
};

Terminal OpenTerminal() {
    Terminal t;
    t.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (t.master < 0) Fail(std::string("posix_openpt: ") + std::strerror(errno), 1);
    if (grantpt(t.master) != 0) Fail(std::string("grantpt: ") + std::strerror(errno), 1);
    if (unlockpt(t.master) != 0) Fail(std::string("unlockpt: ") + std::strerror(errno), 1);
    const char* name = ptsname(t.master);
    if (name == nullptr) Fail(std::string("ptsname: ") + std::strerror(errno), 1);
    t.slavePath = name;
    t.slave = open(name, O_RDWR | O_NOCTTY);
    if (t.slave < 0) Fail("open " + t.slavePath + ": " + std::strerror(errno), 1);

    // Raw: nothing echoed back, no line editing, no translation of bytes.
    termios tio{};
    if (tcgetattr(t.slave, &tio) != 0) Fail(std::string("tcgetattr: ") + std::strerror(errno), 1);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    if (tcsetattr(t.slave, TCSANOW, &tio) != 0) {
        Fail(std::string("tcsetattr: ") + std::strerror(errno), 1);
    }

    const int flags = fcntl(t.master, F_GETFL);
    if (flags < 0 || fcntl(t.master, F_SETFL, flags | O_NONBLOCK) != 0) {
        Fail(std::string("fcntl: ") + std::strerror(errno), 1);
    }
    return t;
}

// The framing the client set on the terminal.
dmm::sim::LineFormat FormatOf(const termios& tio) {
    struct Speed {
        speed_t code;
        int baud;
    };
    static const Speed kSpeeds[] = {
        {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},     {B150, 150},
        {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},   {B1800, 1800},
        {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200}, {B38400, 38400},
        {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
    };
    dmm::sim::LineFormat f;
    const speed_t speed = cfgetospeed(&tio);
    for (const Speed& s : kSpeeds) {
        if (s.code == speed) f.baud = s.baud;
    }
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            f.dataBits = 5;
            break;
        case CS6:
            f.dataBits = 6;
            break;
        case CS7:
            f.dataBits = 7;
            break;
        default:
            f.dataBits = 8;
            break;
    }
    f.parity = (tio.c_cflag & PARENB) ? ((tio.c_cflag & PARODD) ? 'O' : 'E') : 'N';
    f.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    return f;
}

// A symbolic link to the device, removed at exit only while it still points there.
class DeviceLink {
public:
    DeviceLink() = default;
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;
    ~DeviceLink() { remove(); }

    void create(const std::string& dir, const std::string& name, const std::string& target) {
        path_ = dir.empty() ? name : dir + "/" + name;
        struct stat st {};
        if (lstat(path_.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                Fail("refusing to replace " + path_ + ": it exists and is not a symbolic link", 1);
            }
            if (unlink(path_.c_str()) != 0) {
                Fail("cannot remove the old link " + path_ + ": " + std::strerror(errno), 1);
            }
        }
        if (symlink(target.c_str(), path_.c_str()) != 0) {
            Fail("cannot create the link " + path_ + ": " + std::strerror(errno), 1);
        }
        target_ = target;
    }

    void remove() {
        if (target_.empty()) return;
        char buffer[4096];
        const ssize_t n = readlink(path_.c_str(), buffer, sizeof buffer - 1);
        if (n >= 0 && std::string(buffer, static_cast<std::size_t>(n)) == target_) {
            unlink(path_.c_str());
        }
        target_.clear();
    }

private:
    std::string path_;
    std::string target_;
};

void InstallSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a signal wakes the poll at once
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) sigaction(sig, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

class Loop {
public:
    Loop(dmm::sim::Simulator& sim, int master, bool pace, bool verbose)
        : sim_(sim), master_(master), pace_(pace), verbose_(verbose), start_(Clock::now()) {}

    // Streams the chip's packets instead of answering requests; slave is our own
    // descriptor of the terminal, to read the client's line settings from.
    void streamChip(dmm::sim::ChipStreamer* chip, int slave) {
        chip_ = chip;
        slave_ = slave;
        meterLine_ = dmm::sim::ChipLine(chip->protocol());
        periodMs_ = dmm::sim::ChipPeriodMs(chip->protocol());
        byteTime_ =
            std::chrono::nanoseconds(std::llround(dmm::sim::CharacterSeconds(meterLine_) * 1e9));
        nextPacket_ = Clock::now();
    }

    int run() {
        while (!gStop) {
            applySignals();
            pollfd pfd{master_, POLLIN, 0};
            int timeoutMs = 250;
            if (!out_.empty()) {
                if (!pace_ || Clock::now() >= nextByte_) {
                    pfd.events |= POLLOUT;
                    timeoutMs = 250;
                } else {
                    const auto wait =
                        std::chrono::ceil<std::chrono::milliseconds>(nextByte_ - Clock::now());
                    timeoutMs = static_cast<int>(std::max<long long>(1, wait.count()));
                }
            }
            if (chip_ && periodMs_ > 0) {
                const auto wait =
                    std::chrono::ceil<std::chrono::milliseconds>(nextPacket_ - Clock::now());
                timeoutMs = static_cast<int>(
                    std::clamp<long long>(wait.count(), 0, static_cast<long long>(timeoutMs)));
            }
            const int r = poll(&pfd, 1, timeoutMs);
            if (r < 0) {
                if (errno == EINTR) continue;
                std::cerr << "dmm-sim: poll: " << std::strerror(errno) << "\n";
                return 1;
            }
            applySignals();
            if (pfd.revents & POLLIN) {
                if (!readInput()) return 1;
            } else if (pfd.revents & (POLLHUP | POLLERR)) {
                // Our own slave descriptor should prevent this; do not spin if it happens.
                poll(nullptr, 0, 50);
            }
            if (chip_ && periodMs_ > 0 && Clock::now() >= nextPacket_) {
                sendPacket();
                nextPacket_ += std::chrono::milliseconds(periodMs_);
                // After a stall, keep the pace from now instead of catching up.
                if (nextPacket_ < Clock::now()) nextPacket_ = Clock::now();
            }
            if (!writeOutput()) return 1;
        }
        return 0;
    }

private:
    void log(const std::string& line) {
        if (!verbose_) return;
        const double t = std::chrono::duration<double>(Clock::now() - start_).count();
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%9.3f", t);
        std::cerr << "dmm-sim " << stamp << " " << line << "\n";
    }

    dmm::sim::SimModes& modes() { return chip_ ? chip_->modes() : sim_.modes(); }

    void applySignals() {
        const sig_atomic_t s = gSilenceToggles;
        if (s != seenSilence_) {
            if ((s - seenSilence_) % 2 != 0) {
                modes().silent = !modes().silent;
                log(std::string("silence ") + (modes().silent ? "on" : "off"));
            }
            seenSilence_ = s;
        }
        const sig_atomic_t b = gBatteryToggles;
        if (b != seenBattery_) {
            if ((b - seenBattery_) % 2 != 0) {
                modes().lowBattery = !modes().lowBattery;
                log(std::string("low battery ") + (modes().lowBattery ? "on" : "off"));
            }
            seenBattery_ = b;
        }
    }

    // The line the client set on the terminal, as far as the terminal tells.
    dmm::sim::LineFormat clientLine() const {
        termios tio{};
        if (tcgetattr(slave_, &tio) != 0) return meterLine_;
        return dmm::sim::ClientLine(FormatOf(tio), (tio.c_cflag & PARODD) != 0, meterLine_);
    }

    // One packet of the chip, as a receiver at the terminal's settings reads it.
    void sendPacket() {
        dmm::sim::SimReply packet = chip_->next();
        std::string note = packet.note;
        if (!packet.bytes.empty()) {
            const dmm::sim::LineFormat line = clientLine();
            if (line != meterLine_) {
                packet.bytes = dmm::sim::Reframe(packet.bytes, meterLine_, line);
                note += ", framing garbage at " + dmm::sim::DescribeLine(line);
            }
            // A port nobody reads keeps no backlog: a serial port that is not open
            // loses what the meter sends, so a client that opens it later gets
            // what the meter shows now, not minutes ago.
            int waiting = 0;
            if (ioctl(slave_, FIONREAD, &waiting) == 0 && waiting > kBacklogBytes) {
                tcflush(slave_, TCIFLUSH);
            }
            if (out_.size() > static_cast<std::size_t>(kBacklogBytes)) {
                note += ", dropped: the line does not take it";
                packet.bytes.clear();
            }
        }
        log("#" + std::to_string(chip_->packets()) + " " + note + " (" +
            std::to_string(packet.bytes.size()) + " bytes)");
        if (packet.bytes.empty()) return;
        if (out_.empty()) nextByte_ = Clock::now();
        out_.insert(out_.end(), packet.bytes.begin(), packet.bytes.end());
    }

    // A meter that answers "D": one line for each "D" it understands, which it
    // does only when the client sends at the meter's own settings.
    void answerRequests(const std::uint8_t* data, std::size_t n) {
        std::vector<std::uint8_t> bytes(data, data + n);
        const dmm::sim::LineFormat line = clientLine();
        if (line != meterLine_) bytes = dmm::sim::Reframe(bytes, line, meterLine_);
        for (std::uint8_t b : bytes) {
            if (b == dmm::chips::kAscii14Request) sendPacket();
        }
    }

    bool readInput() {
        std::uint8_t buffer[256];
        for (;;) {
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n > 0 && chip_) {
                if (periodMs_ == 0) answerRequests(buffer, static_cast<std::size_t>(n));
                continue;  // the streaming chips take no commands
            }
            if (n > 0) {
                for (const dmm::sim::SimAnswer& a :
                     sim_.feed(buffer, static_cast<std::size_t>(n))) {
                    log("#" + std::to_string(a.frameNumber) + " " + a.note);
                    if (a.bytes.empty()) continue;
                    if (out_.empty()) nextByte_ = Clock::now();
                    out_.insert(out_.end(), a.bytes.begin(), a.bytes.end());
                }
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
            // EIO would mean no slave is open, which our own descriptor rules out.
            if (n < 0 && errno == EIO) return true;
            if (n == 0) return true;
            std::cerr << "dmm-sim: read: " << std::strerror(errno) << "\n";
            return false;
        }
    }

    bool writeOutput() {
        while (!out_.empty()) {
            std::size_t chunk = out_.size();
            if (pace_) {
                if (Clock::now() < nextByte_) return true;
                chunk = 1;
            }
            std::uint8_t buffer[512];
            chunk = std::min(chunk, sizeof buffer);
            std::copy(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(chunk), buffer);
            const ssize_t n = write(master_, buffer, chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
                std::cerr << "dmm-sim: write: " << std::strerror(errno) << "\n";
                return false;
            }
            out_.erase(out_.begin(), out_.begin() + n);
            // Deadlines advance by whole byte times, so the average rate stays at
            // 9600 baud even though poll wakes us with millisecond resolution.
            if (pace_) nextByte_ += byteTime_ * n;
        }
        return true;
    }

    static constexpr int kBacklogBytes = 128;

    dmm::sim::Simulator& sim_;
    dmm::sim::ChipStreamer* chip_ = nullptr;
    int slave_ = -1;
    std::chrono::nanoseconds byteTime_ = kByteTime;
    dmm::sim::LineFormat meterLine_ = dmm::sim::kChipLine;
    int periodMs_ = 0;
    Clock::time_point nextPacket_{};
    int master_;
    bool pace_;
    bool verbose_;
    Clock::time_point start_;
    Clock::time_point nextByte_{};
    std::deque<std::uint8_t> out_;
    sig_atomic_t seenSilence_ = 0;
    sig_atomic_t seenBattery_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);

    dmm::sim::Simulator sim(LoadReadings(options));
    sim.modes() = options.modes;
    if (options.identityEmpty) sim.setEmptyIdentity();
    if (options.identity) sim.setIdentity(static_cast<std::uint8_t>(*options.identity));
    if (options.seed) sim.setSeed(*options.seed);
    sim.setMemoryImage(LoadMemory(options));

    std::unique_ptr<dmm::sim::ChipStreamer> chip;
    if (options.protocol != dmm::sim::Protocol::Adaptor) {
        chip = std::make_unique<dmm::sim::ChipStreamer>(options.protocol, sim.scenario());
        if (chip->playable() == 0) {
            Fail(std::string("no reading to play: the ") +
                 dmm::sim::ProtocolName(options.protocol) + " shows none of them");
        }
        chip->modes() = options.modes;
        if (options.seed) chip->setSeed(*options.seed);
    }

    InstallSignals();
    Terminal terminal = OpenTerminal();

    // The link exists before the path is printed, so a reader of the first line
    // may use either at once.
    DeviceLink link;
    if (!options.link.empty()) link.create(options.linkDir, options.link, terminal.slavePath);

    std::cout << terminal.slavePath << std::endl;

    Loop loop(sim, terminal.master, options.pace, options.verbose);
    if (chip) loop.streamChip(chip.get(), terminal.slave);
    const int rc = loop.run();

    link.remove();
    close(terminal.slave);
    close(terminal.master);
    return rc;
}
