// Temporary files left behind by a run that did not end normally: a crash, a
// killed program, a power cut. Their samples are offered back; the files
// themselves are never changed or removed here.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "logger/data/fileops.h"
#include "logger/data/logrecord.h"

namespace dmm {

// Whether name is "~NDMDL" + a decimal number + ".TMP"; the number goes to *number.
bool IsTempFileName(const std::string& name, int* number = nullptr);

// Whether a running program holds the lock of the file (the recorder locks
// every temporary file it creates until it deletes it).
bool TempFileInUse(const std::filesystem::path& path);

// A temporary file that no running program holds.
struct LeftOverFile {
    std::filesystem::path path;
    std::string name;  // "~NDMDL<n>.TMP"
    int number = 0;
    std::size_t records = 0;  // whole 68-byte records; bytes after the last one are ignored
    // Time labels of the first and the last record without their padding; empty when
    // the file holds no record.
    std::string firstTime;
    std::string lastTime;
    std::filesystem::file_time_type modified{};
};

struct LeftOverScan {
    std::vector<LeftOverFile> files;  // the newest (last modified) first
    int inUse = 0;                    // temporary files passed by because a program holds them
    Status status;                    // a folder that cannot be read
};

// The left-over temporary files in folder. A file that cannot be read is passed by.
LeftOverScan FindLeftOverFiles(const std::filesystem::path& folder);

// The left-over called name in folder, if it is one and no program holds it.
std::optional<LeftOverFile> LeftOverNamed(const std::filesystem::path& folder,
                                          const std::string& name);

// "~NDMDL2.TMP : 120 sample(s) from 11:38:05.3 to 11:39:05.1"
std::string LeftOverLine(const LeftOverFile& file);

// The question shown at start-up: which left-overs hold how many samples, and
// whether the newest of them is to be opened.
struct RecoveryQuestion {
    int textNumber = 0;  // the number in the caption
    std::string text;
    std::filesystem::path newest;  // the file opened on Yes
};

// The question for the left-overs of a scan (newest first); nothing when none
// of them holds a sample.
std::optional<RecoveryQuestion> RecoveryQuestionFor(const std::vector<LeftOverFile>& files);

}  // namespace dmm
