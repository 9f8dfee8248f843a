// The simulated meter for end-to-end tests.
#pragma once

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/tempdir.h"

#ifndef DMM_SIM_PATH
#error "DMM_SIM_PATH must name the dmm-sim program"
#endif

namespace dmm::test {

// A simulated meter that answers without the 9600-baud pace; the device path
// is the first line it prints.
class Sim {
public:
    explicit Sim(std::vector<std::string> args, const std::string& cwd = {})
        : proc_(DMM_SIM_PATH, WithNoPace(std::move(args)), cwd) {
        auto line = proc_.readLine(std::chrono::seconds(5));
        if (line) device_ = *line;
    }
    const std::string& device() const { return device_; }
    Process& process() { return proc_; }

private:
    static std::vector<std::string> WithNoPace(std::vector<std::string> args) {
        args.push_back("--no-pace");
        return args;
    }
    Process proc_;
    std::string device_;
};

// Writes the readings the simulated meter cycles through; returns the file's path.
inline std::string WriteScenario(const std::filesystem::path& dir, const std::string& text) {
    std::filesystem::path file = dir / "scenario.txt";
    std::ofstream(file) << text;
    return file.string();
}

}  // namespace dmm::test
