// Every record of a logger file, for tests that check what a program wrote.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logger/data/logrecord.h"
#include "support/tempdir.h"

namespace dmm::test {

// The file must hold whole records only.
inline std::vector<LogRecord> ReadRecords(const std::string& path) {
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.size() % kLogRecordSize, 0u) << bytes.size() << " bytes";
    std::vector<LogRecord> records;
    for (std::size_t at = 0; at + kLogRecordSize <= bytes.size(); at += kLogRecordSize)
        records.push_back(
            DecodeLogRecord(reinterpret_cast<const unsigned char*>(bytes.data() + at)));
    return records;
}

}  // namespace dmm::test
