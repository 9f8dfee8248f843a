// Small helpers shared by the dmmlog verbs.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "logger/acquisition/acquisition.h"
#include "meterlink/meterline.h"
#include "meterlink/meterlink.h"

namespace dmm::cli {

// Options of one verb: "--name value" or "--name=value", and flags without a value.
class Options {
public:
    // valueOptions take a value, flagOptions do not; anything else is an error.
    Options(std::vector<std::string> valueOptions, std::vector<std::string> flagOptions);
    // False (with error() set) on an unknown option, a missing value or a stray argument.
    bool parse(int argc, char** argv);
    bool has(const std::string& name) const { return values_.contains(name); }
    std::string value(const std::string& name, const std::string& fallback = {}) const;
    // Reads an option as a whole number in [min, max]; false with error() set otherwise.
    bool integer(const std::string& name, long long min, long long max, long long& out);
    bool number(const std::string& name, double min, double max, double& out);
    const std::string& error() const { return error_; }

private:
    std::vector<std::string> valueOptions_;
    std::vector<std::string> flagOptions_;
    std::map<std::string, std::string> values_;
    std::string error_;
};

// Set once SIGINT or SIGTERM arrived; verbs that run long look at it.
bool StopRequested();
void InstallStopHandlers();
// Sleeps up to ms milliseconds, returning early when a stop was requested.
void SleepUnlessStopped(int ms);

// Local time as "YYYY-MM-DD HH:MM:SS.mmm".
std::string LocalTimestamp();

// Opens a port given as COMn or a device path for a verb and gives it to the link;
// on failure tells why on standard error (prefixed "dmmlog VERB: ") and returns false.
// The link can open the port again (resolved anew) when the adaptor goes away and comes
// back; a pseudo-terminal given by its path cannot come back, so it gets no opener.
bool OpenVerbPort(const char* verb, const std::string& port, MeterLink& link);

// Sets the driver --meter names on the link (the adaptor's without the option); to be
// called before the port is opened, which takes the driver's line settings. "auto"
// probes --port for the meter first (saying "no meter found" when none answers). An
// unknown name is said on standard error, followed by help. The exit code: 0 when the
// driver is set, 2 for an unknown name, 1 when the probe found nothing.
int ChooseVerbMeter(const char* verb, const Options& opts, MeterLink& link, const char* help);

// What a probe of a port (COMn or a device path) found: the family's name, or empty with
// why in failure ("no meter found", or why the port did not open).
std::string DetectMeterOn(const std::string& port, std::string& failure);

// The warning a poll calls for (no data after three tries, low battery, the adaptor
// gone), on standard error with the local time; nothing for the other results.
void WarnOf(const PollStep& step);

// The poll cycle of the command line: a poll, then a pause of pauseMs counted from
// its end, until Ctrl+C, the deadline, or onStep returning false. Warnings go to
// standard error. When the adaptor goes away that is said, the port is tried again
// every few seconds and its return is said too; polling and sampling then go on.
// A line that breaks and cannot be opened again ends the loop after one line on
// standard error, "dmmlog VERB: device gone: <reason>"; the result is false then.
struct PollLoopOptions {
    const char* verb = "";
    std::string port;  // as given on the command line, for the message of its return
    int pauseMs = 750;
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    // Called before each warning and the line-failure message, so a progress line can make room.
    std::function<void()> beforeMessage;
};
bool PollLoop(Acquisition& acquisition, const PollLoopOptions& options,
              const std::function<bool(const AcquisitionStep&)>& onStep);

int Ports(int argc, char** argv);
int Read(int argc, char** argv);
int Decode(int argc, char** argv);
int Log(int argc, char** argv);
int Export(int argc, char** argv);
// Makes its own application object: call it before any other is made.
int Plot(int argc, char** argv);
int Recover(int argc, char** argv);
int Import(int argc, char** argv);
int Publish(int argc, char** argv);

}  // namespace dmm::cli
