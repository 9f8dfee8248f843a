// Pages of the recorder and the text export of their records.
#include "logger/data/textexport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "fakerecorderview.h"
#include "logger/acquisition/recorder.h"
#include "logger/data/pages.h"
#include "support/tempdir.h"

namespace dmm {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// Records whose value is their number and whose time label says it.
LogList Numbered(std::size_t n) {
    LogList list;
    for (std::size_t i = 0; i < n; ++i) {
        list.emplace_back("", "", 6, "t" + std::to_string(i), "", "", "V", static_cast<float>(i));
    }
    return list;
}

TEST(ExportValue, SevenSignificantDigitsInTheGeneralFormat) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.01234f, "0.01234"},
        {1.234e-6f, "1.234E-6"},
        {0.0001f, "0.0001"},
        {1234567.8f, "1234568"},
        {12345678.f, "1.234568E7"},
        {0.0f, "0"},
        {-0.0f, "0"},
        {2.2f, "2.2"},
        {-550.f, "-550"},
        {100.f, "100"},
        {9999999.f, "9999999"},
        {99999999.f, "1E8"},
        {0.00009999f, "9.999E-5"},
        {-1.5e-10f, "-1.5E-10"},
        {1.0f / 3.0f, "0.3333333"},
        {5.5e12f, "5.5E12"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatExportValue(c.value), c.text) << c.text;
    EXPECT_EQ(FormatExportValue(std::numeric_limits<float>::quiet_NaN()), "NAN");
    EXPECT_EQ(FormatExportValue(-std::numeric_limits<float>::infinity()), "-INF");
}

TEST(ExportValue, LineIsNumberTimeAndValueWithCrLf) {
    std::string out;
    AppendExportLine(out, 11, LogRecord("", "", 6, "0:00'2.200\"", "", "", "", 0.01234f));
    EXPECT_EQ(out, "12,0:00'2.200\",0.01234\r\n");
}

TEST(Pages, AnchoredAtTheNewestRecord) {
    // 250 records in pages of 100: page 1 holds the 50 left over behind 50 empty points.
    EXPECT_EQ(PageCountFor(250, 100), 3);
    EXPECT_EQ(PageRecords(250, 100, 3, 1), (PageSpan{0, 50, 50}));
    EXPECT_EQ(PageRecords(250, 100, 3, 2), (PageSpan{50, 100, 0}));
    EXPECT_EQ(PageRecords(250, 100, 3, 3), (PageSpan{150, 100, 0}));
    // 200 records: page 1 is empty.
    EXPECT_EQ(PageCountFor(200, 100), 3);
    EXPECT_EQ(PageRecords(200, 100, 3, 1), (PageSpan{0, 0, 100}));
    // Live sampling counts one page fewer for a full last page: the same records per page.
    EXPECT_EQ(PageRecords(200, 200, 1, 1), (PageSpan{0, 200, 0}));
    EXPECT_EQ(PageRecords(0, 200, 1, 1), (PageSpan{0, 0, 200}));
    // A page far before the first is empty, not a wrap-around.
    EXPECT_EQ(PageRecords(250, 100, 3, -2000000000), (PageSpan{0, 0, 100}));
}

TEST(Pages, RangesAreLimitedToThePagesThatExist) {
    struct Case {
        long long from, to;
        PageRange::Check check;
        int clampedFrom, clampedTo;
    };
    const Case cases[] = {
        {1, 3, PageRange::Check::Ok, 1, 3},       {0, 9, PageRange::Check::Ok, 1, 3},
        {-5, 1, PageRange::Check::Ok, 1, 1},      {3, 3, PageRange::Check::Ok, 3, 3},
        {3, 2, PageRange::Check::Reversed, 0, 0}, {4, 9, PageRange::Check::Outside, 0, 0},
        {-3, 0, PageRange::Check::Outside, 0, 0},
    };
    for (const Case& c : cases) {
        const PageRange r = ClampPageRange(c.from, c.to, 3);
        EXPECT_EQ(r.check, c.check) << c.from << ".." << c.to;
        if (r.empty()) continue;
        EXPECT_EQ(r.from, c.clampedFrom) << c.from << ".." << c.to;
        EXPECT_EQ(r.to, c.clampedTo) << c.from << ".." << c.to;
    }
}

TEST(TextExportTest, PagesInOrderWithRecordNumbersOverTheWholeBuffer) {
    const LogList list = Numbered(250);
    TextExport all(list, 100, 3, 1, 3);
    EXPECT_EQ(all.LineCount(), 250u);
    const std::string text = all.All();
    EXPECT_EQ(text.substr(0, 11), "1,t0,0\r\n2,t");
    EXPECT_NE(text.find("\r\n250,t249,249\r\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 250);

    EXPECT_EQ(TextExport(list, 100, 3, 2, 2).All().substr(0, 10), "51,t50,50\r");
    // Small chunks give the same text.
    TextExport chunked(list, 100, 3, 1, 3);
    std::string joined, chunk;
    while (chunked.Next(chunk, 7)) joined += chunk;
    EXPECT_EQ(joined, text);
}

TEST(TextExportTest, EmptyPageWritesAnEmptyFile) {
    TempDir dir;
    WriteBytes(dir / "out.csv", "old");
    ASSERT_TRUE(SaveTextExport(dir / "out.csv", Numbered(200), 100, 3, 1, 1));
    EXPECT_EQ(ReadBytes(dir / "out.csv"), "");
    ASSERT_TRUE(SaveTextExport(dir / "out.csv", Numbered(200), 100, 3, 1, 3));
    EXPECT_EQ(ReadBytes(dir / "out.csv").substr(0, 8), "1,t0,0\r\n");
}

class FailingWrites : public FileOps {
public:
    ssize_t Write(int, const void*, std::size_t) override { return errno = ENOSPC, -1; }
};

TEST(TextExportTest, FailedExportKeepsTheFileItWouldReplace) {
    TempDir dir;
    WriteBytes(dir / "out.csv", "earlier export");
    FailingWrites ops;
    const Status st = SaveTextExport(dir / "out.csv", Numbered(10), 100, 1, 1, 1, ops);
    EXPECT_EQ(st.systemError(), ENOSPC);
    EXPECT_NE(st.reason().find(std::strerror(ENOSPC)), std::string::npos);
    EXPECT_EQ(ReadBytes(dir / "out.csv"), "earlier export");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
    EXPECT_FALSE(SaveTextExport(dir / "no/such/folder.csv", Numbered(1), 100, 1, 1, 1));
}

TEST(RecorderPages, APicturePageOfAShortFirstPageIsPaddedWithEmptyPoints) {
    test::FakeRecorderView view;
    MeterLink link;
    link.ReadingReceived = 1;
    TempDir dir;
    Recorder rec(view, link, dir.path());
    rec.iPointsPerPage = 100;
    rec.FormCreate();
    rec.List() = Numbered(250);
    rec.ReplayList();
    rec.FinishBulkLoad();
    ASSERT_EQ(rec.iPageCount, 3);

    rec.LoadPage(1);
    for (int k = 0; k < 50; ++k) {
        ASSERT_EQ(view.points[k].first, " ") << k;
        ASSERT_EQ(view.points[k].second, kChartNullValue) << k;
    }
    for (int k = 50; k < 100; ++k) ASSERT_EQ(view.points[k].second, k - 50.0f) << k;
    EXPECT_EQ(view.points[50].first, "t0");
}

TEST(RecorderPages, SummaryMatchesWhatTheRecorderTracks) {
    LogList list = Numbered(5);
    list[1].fValue = 7;
    list[3].fValue = 7;  // a tie: the newer record
    list[4].fValue = -2;
    const RecordsSummary s = SummariseRecords(list.data(), list.size());
    EXPECT_EQ(s.iMaxIndex, 3);
    EXPECT_EQ(s.iMinIndex, 4);
    EXPECT_FLOAT_EQ(s.fScaleMax, 7 * 1.33f);
    EXPECT_FLOAT_EQ(s.fScaleMin, -2 * 1.33f);
    const RecordsSummary none = SummariseRecords(nullptr, 0);
    EXPECT_EQ(none.fScaleMax, 100);
    EXPECT_EQ(none.fScaleMin, -100);
}

}  // namespace
}  // namespace dmm
