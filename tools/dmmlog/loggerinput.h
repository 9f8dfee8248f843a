// Reading a logger file and a page range for the dmmlog verbs that work on files.
#pragma once

#include <string>

#include "logger/data/logrecord.h"
#include "tools/dmmlog/cli.h"

namespace dmm::cli {

// Pages of the recorder's chart.
constexpr int kFilePointsPerPage = 200;

// Takes the logger file named before the options, if there is one.
std::string TakeFileArgument(int& argc, char**& argv);

// Reads the whole logger file; on failure tells why on standard error (prefixed
// "dmmlog VERB: ") and returns false. A file that is not a whole number of records is refused.
bool ReadWholeLoggerFile(const char* verb, const std::string& path, LogList& out);

// The pages --pages A-B (or A) names, limited to the pages of a buffer of `records` records,
// all pages without the option. On a bad range tells why and returns false.
bool ChosenPages(const char* verb, const Options& opts, std::size_t records, int& from, int& to);

}  // namespace dmm::cli
