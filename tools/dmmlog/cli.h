// Small helpers shared by the dmmlog verbs.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "meterlink/displaydecoder.h"
#include "meterlink/meterline.h"

namespace dmm::cli {

// Options of one verb: "--name value" or "--name=value", and flags without a value.
class Options {
public:
    // valueOptions take a value, flagOptions do not; anything else is an error.
    Options(std::vector<std::string> valueOptions, std::vector<std::string> flagOptions);
    // False (with error() set) on an unknown option, a missing value or a stray argument.
    bool parse(int argc, char** argv);
    bool has(const std::string& name) const { return values_.count(name) != 0; }
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

// Opens a port given as COMn or a device path for a verb; on failure tells why on
// standard error (prefixed "dmmlog VERB: ") and returns a null handle.
MeterHandle OpenVerbPort(const char* verb, const std::string& port);

// The warning a poll calls for (no data after three tries, low battery), on
// standard error with the local time; nothing for the other results.
void WarnOf(PollResult result);

int Ports(int argc, char** argv);
int Read(int argc, char** argv);
int Decode(int argc, char** argv);
int Log(int argc, char** argv);

}  // namespace dmm::cli
