// dmmlog export and read in CSV and JSON, read back with Python's csv and json modules.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "logger/data/loggerfile.h"
#include "logger/data/readingschema.h"
#include "meterlink/numparse.h"
#include "support/process.h"
#include "support/readings.h"
#include "support/sim.h"
#include "support/tempdir.h"

using namespace std::chrono_literals;
using dmm::test::ParsedReadings;
using dmm::test::Process;
using dmm::test::ReadBytes;
using dmm::test::Sim;
using dmm::test::TempDir;
using dmm::test::WriteBytes;
using dmm::test::WriteScenario;
namespace fs = std::filesystem;

namespace {

using dmm::test::Finished;

Finished Dmmlog(const std::vector<std::string>& args) {
    return dmm::test::RunToEnd(DMMLOG_PATH, args);
}

std::vector<std::string> Without(std::vector<std::string> lines, const std::string& run) {
    for (std::string& line : lines) {
        if (line.rfind(run + "\t", 0) == 0) line = "RUN" + line.substr(run.size());
    }
    return lines;
}

TEST(DmmlogExportFormats, CsvAndJsonReadBackAsTheRecordsWithDatesRollingOverAtMidnight) {
    TempDir dir;
    const dmm::LogList list = {
        {"1.234", "0", 6, " 23:59:59.9  ", "1.234", "", "V", 1.234f},
        {"1.234", "4", 128, "  0:00:00.1  ", "12.34", "K", "W", 12340.f},
        {" O.L ", "2", 6, "  0:00:01.0  ", " O.L", "", "V", 550.f},
        {"-10.5", "0", 8192, "  0:00:01.5  ", "-10.5", "dB", "m", -10.5f},
        {"1.5", "-6", 8, "  0:00:02.0  ", "1.5", "u", "F", 1.5e-6f},
        {"2.5", "-3", 514, "  0:00:02.5  ", "2,5\"x", "m", "A", 0.0025f},
        {"25.0", "0", 32, "0:00'1.000\"", "025", "", "C", 25.f},
    };
    const fs::path file = dir / "mixed.g26";
    ASSERT_TRUE(dmm::SaveLoggerFile(file, list));
    const std::string run = dmm::FileRunId(list);
    const std::vector<std::string> expected = {
        "RUN\t1\t1\t2026-12-31T23:59:59.9\t1.234\tV\t\t1.234\tvolts_dc\tFalse\tFalse",
        "RUN\t2\t2\t2027-01-01T00:00:00.1\t12340.0\t\u03A9\tK\t12.34\tohms\tFalse\tFalse",
        "RUN\t3\t3\t2027-01-01T00:00:01.0\tNone\tV\t\tO.L\tvolts_dc\tTrue\tFalse",
        "RUN\t4\t4\t2027-01-01T00:00:01.5\t-10.5\tdBm\t\t-10.5\tdbm\tFalse\tFalse",
        "RUN\t5\t5\t2027-01-01T00:00:02.0\t1.5e-06\tF\tu\t1.5\tfarads\tFalse\tFalse",
        "RUN\t6\t6\t2027-01-01T00:00:02.5\t0.0025\tA\tm\t2,5\"x\tamps_dc\tFalse\tFalse",
        "RUN\t7\t7\t0:00'1.000\"\t25.0\t\u00B0C\t\t025\tcelsius\tFalse\tFalse",
    };
    for (const char* format : {"csv", "json"}) {
        SCOPED_TRACE(format);
        const fs::path out = dir / (std::string("out.") + format);
        Finished saved = Dmmlog(
            {"export", file, "--format", format, "--date", "2026-12-31", "--out", out.string()});
        ASSERT_EQ(saved.status, 0) << saved.err;
        EXPECT_EQ(Without(ParsedReadings(format, out), run), expected);
        // Standard output carries the same bytes.
        Finished printed = Dmmlog({"export", file, "--format", format, "--date", "2026-12-31"});
        EXPECT_EQ(printed.out, ReadBytes(out));
    }
    // Without a date the time of day stands alone; CSV has CR LF line ends and a header.
    Finished plain = Dmmlog({"export", file, "--format=csv"});
    EXPECT_EQ(plain.out.substr(0, plain.out.find('\n') + 1),
              "run,seq,sample,time,value,unit,prefix,display,function,overload,low_battery\r\n");
    EXPECT_NE(plain.out.find("," + std::to_string(2) + ",00:00:00.1,12340,"), std::string::npos)
        << plain.out;
}

TEST(DmmlogExportFormats, PagesPickTheRecordsAndTheDateCountsFromTheFirstRecordOfTheFile) {
    TempDir dir;
    dmm::LogList list;
    // 250 records an hour apart from 12:00: page 1 holds records 1..50, page 2 the rest.
    for (int i = 0; i < 250; ++i) {
        list.emplace_back("1.000", "0", 6, dmm::Format("%3d:00:00.0  ", (12 + i) % 24), "1.000", "",
                          "V", 1.f);
    }
    ASSERT_TRUE(dmm::SaveLoggerFile(dir / "a.g26", list));
    Finished second = Dmmlog({"export", dir / "a.g26", "--format", "json", "--pages", "2", "--date",
                              "2026-01-01", "--out", dir / "p2.json"});
    ASSERT_EQ(second.status, 0) << second.err;
    const std::vector<std::string> rows = ParsedReadings("json", dir / "p2.json");
    ASSERT_EQ(rows.size(), 200u);
    // Record 51 is 50 hours after noon on the first: 14:00 two days later.
    EXPECT_NE(rows.front().find("\t51\t51\t2026-01-03T14:00:00.0\t"), std::string::npos)
        << rows.front();
}

TEST(DmmlogExportFormats, BadFormatsAndDatesAreUsageErrors) {
    TempDir dir;
    ASSERT_TRUE(dmm::SaveLoggerFile(dir / "a.g26", {{"1", "0", 6, "1:00:00.0", "1", "", "V", 1}}));
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const Case cases[] = {
        {{"--format", "xml"}, "--format must be text, csv or json"},
        {{"--format", "csv", "--date", "2026-02-30"}, "--date must be a date"},
        {{"--format", "csv", "--date", "26-1-1"}, "--date must be a date"},
        {{"--date", "2026-01-01"}, "--date goes with --format csv or json"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"export", dir / "a.g26"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Finished r = Dmmlog(args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

TEST(DmmlogReadFormats, CsvAndJsonCarryTheLiveReadingsWithDateAndZone) {
    TempDir dir;
    Sim sim({"--low-battery", "--scenario",
             WriteScenario(dir.path(),
                           "6\t-0.056\t-1\n"
                           "128\t1.234\t4\n"
                           "6\t\" O.L \"\t2\n")});
    ASSERT_FALSE(sim.device().empty());
    const std::regex iso(
        R"(20[0-9]{2}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}[+-][0-9]{2}:[0-9]{2})");
    for (const char* format : {"csv", "json"}) {
        SCOPED_TRACE(format);
        Finished r = Dmmlog({"read", "--port", sim.device(), "--count", "3", "--interval", "0",
                             "--format", format});
        ASSERT_EQ(r.status, 0) << r.err;
        const fs::path out = dir / (std::string("read.") + format);
        WriteBytes(out, r.out);
        const std::vector<std::string> rows = ParsedReadings(format, out);
        ASSERT_EQ(rows.size(), 3u) << r.out;
        const std::string run = rows[0].substr(0, rows[0].find('\t'));
        std::vector<std::string> rest;
        for (const std::string& row : Without(rows, run)) {
            std::vector<std::string> f;
            for (std::size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1) {
                tab = row.find('\t', start);
                f.push_back(row.substr(start, tab - start));
            }
            ASSERT_EQ(f.size(), 11u);
            EXPECT_TRUE(std::regex_match(f[3], iso)) << f[3];
            f.erase(f.begin() + 3);
            std::string joined;
            for (const std::string& s : f) joined += s + "|";
            rest.push_back(joined);
        }
        // The simulator goes round its scenario; seq counts the lines of this run.
        EXPECT_EQ(rest, (std::vector<std::string>{
                            "RUN|1|None|-0.0056|V|m|-005.6|volts_dc|False|True|",
                            "RUN|2|None|12340.0|\u03A9|K|12.34|ohms|False|True|",
                            "RUN|3|None|None|V||O.L|volts_dc|True|True|",
                        }));
    }
    Finished bad = Dmmlog({"read", "--port", sim.device(), "--format", "yaml"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--format must be tsv, csv or json"), std::string::npos);
}

}  // namespace
