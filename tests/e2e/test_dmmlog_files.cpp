// dmmlog export and dmmlog plot on logger files.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "logger/data/loggerfile.h"
#include "logger/data/textexport.h"
#include "support/process.h"
#include "support/tempdir.h"

using namespace std::chrono_literals;
using dmm::test::Process;
using dmm::test::ReadBytes;
using dmm::test::TempDir;
using dmm::test::WriteBytes;

namespace {

using dmm::test::Finished;

Finished Dmmlog(const std::vector<std::string>& args) {
    return dmm::test::RunToEnd(DMMLOG_PATH, args);
}

dmm::LogList Records(std::size_t n, float (*value)(std::size_t)) {
    dmm::LogList list(n);
    for (std::size_t i = 0; i < n; ++i) {
        list[i] = dmm::LogRecord("", "", 6, "t" + std::to_string(i), "", "", "V", value(i));
    }
    return list;
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The rows (from the top) holding pixels of the viewer's blue line in a 24-bit BMP: the
// highest and the lowest; -1 when there are none.
std::pair<int, int> BlueRows(const std::string& bmp) {
    auto u32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        std::memcpy(&v, bmp.data() + at, 4);
        return v;
    };
    if (bmp.size() < 54 || bmp.compare(0, 2, "BM") != 0) return {-1, -1};
    const std::uint32_t offset = u32(10);
    const auto width = static_cast<int>(u32(18));
    const auto height = static_cast<int>(u32(22));
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    int highest = -1, lowest = -1;
    for (int top = 0; top < height; ++top) {
        const std::size_t row = offset + static_cast<std::size_t>(height - 1 - top) * stride;
        for (int x = 0; x < width; ++x) {
            const auto* px = reinterpret_cast<const unsigned char*>(bmp.data() + row + x * 3);
            // Blue, green, red: clearly bluer than grey, anti-aliased or not.
            if (px[0] > px[1] + 60 && px[0] > px[2] + 60) {
                if (highest < 0) highest = top;
                lowest = top;
                break;
            }
        }
    }
    return {highest, lowest};
}

TEST(DmmlogExport, WritesTheDesktopProgramsLinesForThePagesAsked) {
    TempDir dir;
    const dmm::LogList list = Records(250, [](std::size_t i) { return i * 0.5f; });
    ASSERT_TRUE(dmm::SaveLoggerFile(dir / "a.g26", list));

    Finished all = Dmmlog({"export", dir / "a.g26"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, dmm::TextExport(list, 200, 2, 1, 2).All());
    EXPECT_EQ(Lines(all.out), 250u);
    EXPECT_EQ(all.out.substr(0, 12), "1,t0,0\r\n2,t1");

    // 250 records: page 1 holds 0..49, page 2 the newest 200.
    Finished second = Dmmlog({"export", dir / "a.g26", "--pages", "2"});
    EXPECT_EQ(second.out.substr(0, 13), "51,t50,25\r\n52");
    EXPECT_EQ(Lines(second.out), 200u);

    Finished toFile = Dmmlog({"export", dir / "a.g26", "--pages=1-1", "--out", dir / "p1.csv"});
    EXPECT_EQ(toFile.status, 0) << toFile.err;
    EXPECT_EQ(Lines(ReadBytes(dir / "p1.csv")), 50u);
    EXPECT_TRUE(toFile.out.empty());
}

TEST(DmmlogExport, ClearErrorsForBadFilesAndRanges) {
    TempDir dir;
    ASSERT_TRUE(dmm::SaveLoggerFile(dir / "a.g26", Records(10, [](std::size_t) { return 1.f; })));
    WriteBytes(dir / "torn.g26", std::string(100, '\0'));
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {{"export", dir / "missing.g26"}, 1, "No such file"},
        {{"export", dir / "torn.g26"}, 1, "not a whole number of 68-byte records"},
        {{"export", dir / "a.g26", "--pages", "2-1"}, 2, "first page is after the last"},
        {{"export", dir / "a.g26", "--pages", "3-4"}, 2, "pages 1 to 1 only"},
        {{"export", dir / "a.g26", "--pages", "x"}, 2, "--pages must be"},
        {{"export"}, 2, "which logger file"},
        {{"export", dir / "a.g26", "--out", dir / "no/folder/out.csv"}, 1, "No such file"},
    };
    for (const Case& c : cases) {
        Finished r = Dmmlog(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back();
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

class DmmlogPlot : public ::testing::Test {
protected:
    // A picture needs no display.
    void SetUp() override {
#ifndef DMMLOG_HAS_PLOT
        GTEST_SKIP() << "this dmmlog is built without the GUI libraries and has no plot";
#endif
        unsetenv("DISPLAY");
    }
};

TEST_F(DmmlogPlot, ANarrowSpikeInAMillionFlatRecordsIsInThePicture) {
    TempDir dir;
    ASSERT_TRUE(dmm::SaveLoggerFile(dir / "spike.g26", Records(1000000, [](std::size_t i) {
                                        return i == 654321 ? 50.0f : 1.0f;
                                    })));
    Finished spike =
        Dmmlog({"plot", dir / "spike.g26", "--out", dir / "spike.bmp", "--size", "800x500"});
    ASSERT_EQ(spike.status, 0) << spike.err;
    const auto [highest, lowest] = BlueRows(ReadBytes(dir / "spike.bmp"));
    // The range reaches 66.5: the flat line runs low, the one record reaches high above it.
    EXPECT_GT(lowest, 250);
    EXPECT_GT(highest, 0);
    EXPECT_LT(highest, 200);
}

TEST_F(DmmlogPlot, FormatFollowsTheExtensionAndBadUsageIsRefused) {
    TempDir dir;
    ASSERT_TRUE(dmm::SaveLoggerFile(
        dir / "a.g26", Records(500, [](std::size_t i) { return static_cast<float>(i % 50); })));
    struct Format {
        const char* name;
        const char* magic;
    };
    const Format formats[] = {
        {"p.png", "\x89PNG"}, {"p.bmp", "BM"}, {"p.svg", "<?xml"}, {"p.pdf", "%PDF"}};
    for (const Format& f : formats) {
        Finished r = Dmmlog({"plot", dir / "a.g26", "--out", dir / f.name, "--pages", "2-3"});
        EXPECT_EQ(r.status, 0) << f.name << ": " << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
        EXPECT_EQ(ReadBytes(dir / f.name).substr(0, std::strlen(f.magic)), f.magic) << f.name;
    }
    EXPECT_NE(ReadBytes(dir / "p.svg").find("Data Logger"), std::string::npos);

    EXPECT_EQ(Dmmlog({"plot", dir / "a.g26", "--out", dir / "p.gif"}).status, 2);
    EXPECT_EQ(Dmmlog({"plot", dir / "a.g26"}).status, 2);
    EXPECT_EQ(Dmmlog({"plot", dir / "a.g26", "--out", dir / "p.png", "--size", "5x5"}).status, 2);
    EXPECT_EQ(Dmmlog({"plot", dir / "none.g26", "--out", dir / "p.png"}).status, 1);
    EXPECT_EQ(Dmmlog({"plot", dir / "a.g26", "--out", dir / "no/folder/p.png"}).status, 1);
}

}  // namespace
