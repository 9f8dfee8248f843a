// dmmlog's CSV and JSON lines as Python's own csv and json modules read them.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/process.h"

namespace dmm::test {

// One line per reading: run, seq, sample, time, value, unit, prefix, display, function,
// overload, low_battery, tab-separated, numbers and flags as Python writes them (1.5e-06,
// None, True). A parse failure fails the test and gives no lines.
inline std::vector<std::string> ParsedReadings(const std::string& kind, const std::string& path) {
    Process python(PYTHON3_PATH, {READINGS_PY_PATH, kind, path});
    const std::string out = python.drainOut();
    const std::string err = python.drainErr();
    const int status = python.wait(std::chrono::seconds(60));
    EXPECT_EQ(status, 0) << kind << " " << path << ": " << err;
    std::vector<std::string> lines;
    if (status != 0) return lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(out.substr(start, nl - start));
    return lines;
}

}  // namespace dmm::test
