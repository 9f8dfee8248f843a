#include "shell/rules/settings.h"

#include "resources/strings.h"
#include "shell/rules/meterchoice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

namespace dmm {
namespace {

namespace fs = std::filesystem;

struct ParseCase {
    // cppcheck-suppress unusedStructMember ; the test's name, given to the suite below
    const char* name;
    const char* text;
    int port;
    double hi;
    double low;
};

class ParseSettings : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseSettings, ReadsOrFallsBackToDefaults) {
    const ParseCase& c = GetParam();
    Settings s = ParseSettingsText(c.text);
    EXPECT_EQ(s.iPort, c.port);
    EXPECT_DOUBLE_EQ(s.fHiLimit, c.hi);
    EXPECT_DOUBLE_EQ(s.fLowLimit, c.low);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseSettings,
    ::testing::Values(
        ParseCase{"CrLf", "iPort=3\r\nfHiLimit=2.5\r\nfLowLimit=-1\r\n", 3, 2.5, -1},
        ParseCase{"LfOnlyNoFinalBreak", "iPort=4\nfHiLimit=10\nfLowLimit=0.25", 4, 10, 0.25},
        ParseCase{"PortSevenHasNoRangeCheck", "iPort=7\r\nfHiLimit=300\r\nfLowLimit=100\r\n", 7,
                  300, 100},
        ParseCase{"OneBadValueResetsAll", "iPort=5\r\nfHiLimit=abc\r\nfLowLimit=1\r\n", 2, 300,
                  100},
        ParseCase{"MissingKey", "iPort=5\r\nfHiLimit=1\r\n", 2, 300, 100},
        ParseCase{"EmptyValue", "iPort=\r\nfHiLimit=1\r\nfLowLimit=0\r\n", 2, 300, 100},
        ParseCase{"FractionalPort", "iPort=1.5\r\nfHiLimit=1\r\nfLowLimit=0\r\n", 2, 300, 100},
        ParseCase{"CommaIsNoDecimalSeparator", "iPort=1\r\nfHiLimit=1,5\r\nfLowLimit=0\r\n", 2, 300,
                  100},
        ParseCase{"BeyondDouble", "iPort=1\r\nfHiLimit=1e400\r\nfLowLimit=0\r\n", 2, 300, 100},
        ParseCase{"KeysAnyCaseAnyOrder",
                  "[x]\r\nFLOWLIMIT=5\r\nother=1\r\nfhilimit=6\r\nIPORT=3\r\n", 3, 6, 5},
        ParseCase{"FirstOccurrenceCounts",
                  "iPort=3\r\nfHiLimit=6\r\nfLowLimit=5\r\niPort=4\r\nfHiLimit=abc\r\n", 3, 6, 5},
        ParseCase{"NameIsTextBeforeFirstEquals", "iPort==3\r\nfHiLimit=1=2\r\nfLowLimit=0\r\n", 2,
                  300, 100},
        ParseCase{"BlankBeforeEqualsIsAnotherName",
                  "iPort =3\r\niPort=4\r\nfHiLimit=1\r\nfLowLimit=0\r\n", 4, 1, 0},
        ParseCase{"ByteOrderMark", "\xEF\xBB\xBFiPort=3\r\nfHiLimit=1\r\nfLowLimit=0\r\n", 3, 1, 0},
        ParseCase{"Empty", "", 2, 300, 100}),
    [](const auto& row) { return std::string(row.param.name); });

// The meter is read on its own: whatever its line says, the other three are read as
// without it, and a bad meter is the adaptor.
TEST(SettingsText, AMeterLineChoosesTheMeterAndABadOneFallsBackToTheAdaptor) {
    const std::string three = "iPort=4\r\nfHiLimit=12.5\r\nfLowLimit=-3\r\n";
    const struct {
        std::string text;
        std::string_view meter;
        int port;
        std::string_view detected = {};
    } rows[] = {
        {three, kAdaptorMeter, 4},
        {three + "Meter=fs9721\r\n", kFs9721Meter, 4},
        {"meter=fs9922\r\n" + three, kFs9922Meter, 4},
        {three + "Meter=adaptor\r\n", kAdaptorMeter, 4},
        {three + "Meter=FS9721\r\n", kAdaptorMeter, 4},
        {three + "Meter=fs9999\r\n", kAdaptorMeter, 4},
        {three + "Meter=\r\n", kAdaptorMeter, 4},
        {three + "Meter= fs9721\r\n", kAdaptorMeter, 4},
        {three + "Meter=fs9721\r\nMeter=fs9922\r\n", kFs9721Meter, 4},
        {three + "Meter=ascii14\r\n", kAscii14Meter, 4},
        {three + "Meter=ascii14-9600\r\n", kAscii14At9600Meter, 4},
        {three + "Meter=ascii14-1200\r\n", kAdaptorMeter, 4},
        {three + "Meter=auto\r\nDetectedMeter=ascii14-600\r\n", kAutoMeter, 4, kAscii14At600Meter},
        {three + "Meter=\xff\xfe\r\n", kAdaptorMeter, 4},
        {"iPort=x\r\nfHiLimit=1\r\nfLowLimit=0\r\nMeter=fs9922\r\n", kFs9922Meter, 2},
        // Detect: the family found last is read with Meter=auto only, and only a known one.
        {three + "Meter=auto\r\n", kAutoMeter, 4},
        {three + "Meter=auto\r\nDetectedMeter=fs9922\r\n", kAutoMeter, 4, kFs9922Meter},
        {"detectedmeter=fs9721\r\nmeter=auto\r\n" + three, kAutoMeter, 4, kFs9721Meter},
        {three + "Meter=auto\r\nDetectedMeter=auto\r\n", kAutoMeter, 4},
        {three + "Meter=auto\r\nDetectedMeter=fs1234\r\n", kAutoMeter, 4},
        {three + "Meter=fs9721\r\nDetectedMeter=fs9922\r\n", kFs9721Meter, 4},
        {three + "DetectedMeter=fs9922\r\n", kAdaptorMeter, 4},
        {three + "Meter=AUTO\r\nDetectedMeter=fs9922\r\n", kAdaptorMeter, 4},
        {"iPort=4\r\nfHiLimit=\r\nMeter=auto\r\nDetectedMeter=fs9721\r\n", kAutoMeter, 2,
         kFs9721Meter},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const Settings s = ParseSettingsText(row.text);
        EXPECT_EQ(s.Meter, row.meter);
        EXPECT_EQ(s.DetectedMeter, row.detected);
        EXPECT_EQ(s.iPort, row.port);
        EXPECT_DOUBLE_EQ(s.fHiLimit, row.port == 4 ? 12.5 : 300);
        EXPECT_DOUBLE_EQ(s.fLowLimit, row.port == 4 ? -3 : 100);
        // Written back, an adaptor's file is the three lines, any other meter's one more.
        const std::string written = FormatSettingsText(s);
        if (row.meter == kAdaptorMeter) {
            EXPECT_EQ(written.find("Meter"), std::string::npos) << written;
        } else if (row.detected.empty()) {
            EXPECT_TRUE(written.ends_with("\r\nMeter=" + std::string(row.meter) + "\r\n"))
                << written;
        } else {
            EXPECT_TRUE(written.ends_with(
                "\r\nMeter=auto\r\nDetectedMeter=" + std::string(row.detected) + "\r\n"))
                << written;
        }
        EXPECT_EQ(ParseSettingsText(written).Meter, row.meter);
        EXPECT_EQ(ParseSettingsText(written).DetectedMeter, row.detected);
    }
}

TEST(MeterChoiceList, ListsEveryMeterWithItsTextAdaptorFirstAndDetectLast) {
    ASSERT_EQ(MeterChoices().size(), MeterNames().size() + 1);
    for (std::size_t i = 0; i < MeterChoices().size(); ++i) {
        const MeterChoice& c = MeterChoices()[i];
        EXPECT_EQ(c.name, i < MeterNames().size() ? MeterNames()[i] : kAutoMeter);
        EXPECT_FALSE(LoadStr(c.text).empty()) << c.name;
        EXPECT_EQ(MeterChoiceText(c.name), c.text);
        EXPECT_EQ(MeterOfRow(MeterChoiceRow(c.name)), c.name);
    }
    EXPECT_EQ(LoadStr(MeterChoices().back().text), "Detect");
    EXPECT_EQ(MeterChoiceRow("fs9999"), 0);
    EXPECT_EQ(MeterChoiceText("fs9999"), 0);
    const int rows = static_cast<int>(MeterChoices().size());
    for (int row : {-1, rows, 99}) EXPECT_EQ(MeterOfRow(row), kAdaptorMeter);
}

TEST(SettingsText, LinesEndWithCrLfAndKeepAllRecognisedBreaks) {
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
}

TEST(SettingsText, WritesExactlyThreeLinesInShortestForm) {
    EXPECT_EQ(FormatSettingsText({2, 100, 2.5}), "iPort=2\r\nfHiLimit=100\r\nfLowLimit=2.5\r\n");
    EXPECT_EQ(FormatSettingsText({7, 0.1, -0.000125}),
              "iPort=7\r\nfHiLimit=0.1\r\nfLowLimit=-0.000125\r\n");
}

TEST(SettingsText, RoundTripsWhatItWrites) {
    Settings written{6, 1234.5678, -0.001};
    Settings read = ParseSettingsText(FormatSettingsText(written));
    EXPECT_EQ(read.iPort, 6);
    EXPECT_EQ(read.fHiLimit, 1234.5678);
    EXPECT_EQ(read.fLowLimit, -0.001);
    // Limits at the ends of the double range read back without resetting the others.
    const double largest = std::numeric_limits<double>::max();
    read = ParseSettingsText(FormatSettingsText({4, largest, -largest}));
    EXPECT_EQ(read.iPort, 4);
    EXPECT_GT(read.fHiLimit, 1.797e308);
    EXPECT_LT(read.fLowLimit, -1.797e308);
}

TEST(SettingsText, ErrorTextsNameThePath) {
    EXPECT_EQ(SettingsOpenErrorText("/x/NRVDL.ini", ""), "Cannot open file /x/NRVDL.ini");
    EXPECT_EQ(SettingsCreateErrorText("/x/NRVDL.ini", "Read-only file system"),
              "Cannot create file /x/NRVDL.ini\nRead-only file system");
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() / ("dmm-settings-" + std::to_string(rd()));
        fs::create_directories(dir_);
        path_ = SettingsFilePath(dir_.string());
    }
    void TearDown() override { fs::remove_all(dir_); }

    static std::string Contents(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Put(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }

    fs::path dir_;
    std::string path_;
};

TEST_F(SettingsFile, MissingFileIsNotOpenedAndKeepsStartValues) {
    Result<Settings> load = LoadSettings(path_);
    EXPECT_EQ(load.code(), StatusCode::SettingsNotRead);
    EXPECT_FALSE(load.reason().empty());
    const Settings start = load.value_or(kUnreadSettings);
    EXPECT_EQ(start.iPort, 1);
    EXPECT_EQ(start.fHiLimit, 0);
    EXPECT_EQ(start.fLowLimit, 0);
}

TEST_F(SettingsFile, DirectoryInPlaceOfFileIsNotOpened) {
    fs::create_directory(path_);
    EXPECT_FALSE(LoadSettings(path_).ok());
}

TEST_F(SettingsFile, BadValuesInAnOpenedFileGiveDefaults) {
    Put("iPort=abc\r\n");
    Result<Settings> load = LoadSettings(path_);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load->iPort, 2);
    EXPECT_EQ(load->fHiLimit, 300);
    EXPECT_EQ(load->fLowLimit, 100);
}

TEST_F(SettingsFile, SaveReplacesWholeFileAndLoadsBack) {
    Put("junk line\r\niPort=9\r\nmore=1\r\n");
    Status save = SaveSettings(path_, {3, 250, 2.5});
    ASSERT_TRUE(save.ok()) << save.reason();
    EXPECT_EQ(Contents(path_), "iPort=3\r\nfHiLimit=250\r\nfLowLimit=2.5\r\n");
    EXPECT_FALSE(fs::exists(path_ + ".tmp"));

    Result<Settings> load = LoadSettings(path_);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load->iPort, 3);
    EXPECT_EQ(load->fHiLimit, 250);
    EXPECT_EQ(load->fLowLimit, 2.5);
}

TEST_F(SettingsFile, FailedWriteIsReportedAndOldFileStaysIntact) {
    Put("iPort=4\r\nfHiLimit=1\r\nfLowLimit=0\r\n");
    // The temporary file cannot be created where a directory stands.
    fs::create_directory(path_ + ".tmp");
    Status save = SaveSettings(path_, {3, 250, 2.5});
    EXPECT_EQ(save.code(), StatusCode::SettingsNotSaved);
    EXPECT_FALSE(save.reason().empty());
    EXPECT_EQ(Contents(path_), "iPort=4\r\nfHiLimit=1\r\nfLowLimit=0\r\n");
}

TEST_F(SettingsFile, FailedReplaceLeavesNoTemporaryFile) {
    fs::create_directory(path_);
    fs::create_directory(fs::path(path_) / "keep");
    Status save = SaveSettings(path_, {});
    EXPECT_FALSE(save.ok());
    EXPECT_FALSE(fs::exists(path_ + ".tmp"));
    EXPECT_TRUE(fs::is_directory(fs::path(path_) / "keep"));
}

TEST_F(SettingsFile, SaveThroughLinkReplacesTheLinkedFile) {
    fs::path real = dir_ / "real.ini";
    std::ofstream(real) << "old";
    fs::create_symlink(real, path_);
    ASSERT_TRUE(SaveSettings(path_, {}).ok());
    EXPECT_TRUE(fs::is_symlink(path_));
    EXPECT_EQ(Contents(real), "iPort=2\r\nfHiLimit=300\r\nfLowLimit=100\r\n");
}

}  // namespace
}  // namespace dmm
