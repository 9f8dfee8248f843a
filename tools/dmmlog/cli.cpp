#include "tools/dmmlog/cli.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <thread>

#include "meterlink/driver/detector.h"
#include "meterlink/driver/meterfamilies.h"
#include "meterlink/linereport.h"
#include "meterlink/numparse.h"
#include "meterlink/portnames.h"
#include "meterlink/serial/serialline.h"
#include "resources/strings.h"

namespace dmm::cli {

namespace {
std::atomic<bool> g_stop{false};
void OnStopSignal(int) {
    g_stop = true;
}

bool Contains(const std::vector<std::string>& list, const std::string& s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}
}  // namespace

Options::Options(std::vector<std::string> valueOptions, std::vector<std::string> flagOptions)
    : valueOptions_(std::move(valueOptions)), flagOptions_(std::move(flagOptions)) {}

bool Options::parse(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            error_ = "unexpected argument '" + arg + "'";
            return false;
        }
        std::string name = arg.substr(2);
        std::string given;
        bool inlineValue = false;
        if (auto eq = name.find('='); eq != std::string::npos) {
            given = name.substr(eq + 1);
            name.resize(eq);
            inlineValue = true;
        }
        if (Contains(flagOptions_, name)) {
            if (inlineValue) {
                error_ = "option --" + name + " takes no value";
                return false;
            }
            values_[name] = "";
        } else if (Contains(valueOptions_, name)) {
            if (!inlineValue) {
                if (i + 1 >= argc) {
                    error_ = "option --" + name + " needs a value";
                    return false;
                }
                given = argv[++i];
            }
            values_[name] = given;
        } else {
            error_ = "unknown option '--" + name + "'";
            return false;
        }
    }
    return true;
}

std::string Options::value(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

bool Options::integer(const std::string& name, long long min, long long max, long long& out) {
    std::optional<long double> v = ParseNumber(value(name));
    if (!v || *v != static_cast<long double>(static_cast<long long>(*v)) || *v < min || *v > max) {
        error_ = Format("--%s must be a whole number from %lld to %lld", name.c_str(), min, max);
        return false;
    }
    out = static_cast<long long>(*v);
    return true;
}

bool Options::number(const std::string& name, double min, double max, double& out) {
    std::optional<long double> v = ParseNumber(value(name));
    if (!v || *v < min || *v > max) {
        error_ = Format("--%s must be a number from %g to %g", name.c_str(), min, max);
        return false;
    }
    out = static_cast<double>(*v);
    return true;
}

bool StopRequested() {
    return g_stop;
}

void InstallStopHandlers() {
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

void SleepUnlessStopped(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!g_stop && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(20), end - std::chrono::steady_clock::now()));
    }
}

std::string LocalTimestamp() {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    int ms = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return Format("%s.%03d", buf, ms);
}

namespace {
// A pseudo-terminal whose far end closed is gone for good (a new one is another
// device); anything else, a USB adaptor above all, may be plugged back.
bool CanComeBack(const std::string& port, const std::string& device) {
    if (IsPortNameArgument(port)) return true;
    std::error_code ec;
    const std::string real = std::filesystem::canonical(device, ec).string();
    return ec || real.rfind("/dev/pts/", 0) != 0;
}
}  // namespace

bool OpenVerbPort(const char* verb, const std::string& port, MeterLink& link) {
    // The argument is resolved at every opening, so that an adaptor plugged back is
    // found under whatever device it has now.
    MeterLink::Opener opener = [port, folder = std::filesystem::current_path()](
                                   int, const LineSettings& settings) {
        const std::string device = ResolvePortArgument(port, folder);
        if (!device.empty()) return OpenMeterDevice(device, settings);
        OpenResult none;
        none.status =
            Status::Fail(StatusCode::PortNotOpened, "No serial device stands for " + port + ".");
        return none;
    };
    OpenResult opened = opener(0, link.Settings());
    if (!opened.handle) {
        for (const std::string& line : ReportLines(ReportOpenFailure(opened, port)))
            std::fprintf(stderr, "dmmlog %s: %s\n", verb, line.c_str());
        return false;
    }
    const bool comesBack = CanComeBack(port, opened.device);
    link.Attach(std::move(opened.handle));
    if (comesBack) link.SetOpener(std::move(opener));
    return true;
}

std::string DetectMeterOn(const std::string& port, std::string& failure) {
    MeterDetector detector(
        [port, folder = std::filesystem::current_path()](const LineSettings& settings) {
            const std::string device = ResolvePortArgument(port, folder);
            if (!device.empty()) return OpenMeterDevice(device, settings);
            OpenResult none;
            none.status = Status::Fail(StatusCode::PortNotOpened,
                                       "No serial device stands for " + port + ".");
            return none;
        });
    detector.Start();
    detector.Pump([] { return !StopRequested(); });
    failure = detector.Failure().empty() ? std::string(kNoMeterFound) : detector.Failure();
    return detector.Found();
}

int ChooseVerbMeter(const char* verb, const Options& opts, MeterLink& link, const char* help) {
    std::string name = opts.value("meter", std::string(kAdaptorMeter));
    if (name == kAutoMeter) {
        std::string failure;
        name = DetectMeterOn(opts.value("port"), failure);
        if (name.empty()) {
            std::fprintf(stderr, "dmmlog %s: %s: %s\n", verb, opts.value("port").c_str(),
                         failure.c_str());
            return 1;
        }
        std::fprintf(stderr, "dmmlog %s: %s: %s\n", verb, opts.value("port").c_str(), name.c_str());
    }
    if (!link.SetMeter(name)) {
        std::string names;
        for (std::string_view known : MeterNames()) {
            if (!names.empty()) names += ", ";
            names += known;
        }
        names += ", ";
        names += kAutoMeter;
        std::fprintf(stderr, "dmmlog %s: --meter must be one of %s, not '%s'\n\n%s", verb,
                     names.c_str(), name.c_str(), help);
        return 2;
    }
    return 0;
}

void WarnOf(const PollStep& step) {
    if (const std::optional<PollNotice> notice = NoticeOf(step))
        std::fprintf(stderr, "%s %s\n", LocalTimestamp().c_str(), NoticeLine(*notice).c_str());
}

bool PollLoop(Acquisition& acquisition, const PollLoopOptions& options,
              const std::function<bool(const AcquisitionStep&)>& onStep) {
    using SteadyClock = std::chrono::steady_clock;
    auto say = [&] {
        if (options.beforeMessage) options.beforeMessage();
    };
    while (!StopRequested() && SteadyClock::now() < options.deadline) {
        const AcquisitionStep step = acquisition.Step(SteadyClock::now());
        if (StopRequested() || SteadyClock::now() >= options.deadline) break;
        if (step.reconnected) {
            say();
            std::fprintf(stderr, "%s %s\n", LocalTimestamp().c_str(),
                         AdaptorBackLine(options.port, step.device).c_str());
        }
        const bool away = step.poll.result == PollResult::AdaptorGone ||
                          step.poll.result == PollResult::AdaptorAway;
        if (step.poll.line.broken() && !away) {
            say();
            std::fprintf(stderr, "%s dmmlog %s: %s\n", LocalTimestamp().c_str(), options.verb,
                         DescribeLineResult(step.poll.line).c_str());
            return false;
        }
        if (NoticeOf(step.poll)) {
            say();
            WarnOf(step.poll);
        }
        if (!onStep(step)) break;
        const auto left = options.deadline - SteadyClock::now();
        // Waiting for the adaptor is no reason to spin, whatever the poll interval.
        constexpr int kAwayPauseMs = kReconnectPeriodMs / 8;
        const auto pause = std::chrono::milliseconds(away ? std::max(options.pauseMs, kAwayPauseMs)
                                                          : options.pauseMs);
        SleepUnlessStopped(static_cast<int>(
            left < pause ? std::chrono::duration_cast<std::chrono::milliseconds>(left).count() + 1
                         : pause.count()));
    }
    return true;
}

}  // namespace dmm::cli
