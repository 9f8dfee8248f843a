#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <tuple>
#include <utility>

#include "fakerecorderview.h"
#include "logger/acquisition/recorder.h"
#include "logger/data/intervaloption.h"
#include "logger/data/loggerfile.h"
#include "meterlink/numparse.h"
#include "resources/strnum.h"
#include "support/samplingcases.h"
#include "support/tempdir.h"

namespace dmm {
namespace {

namespace fs = std::filesystem;
using Messages = std::vector<std::pair<int, int>>;

// Labels every sample 10:20:30.4; its monotonic time moves by `step` at each look.
class FixedClock : public Clock {
public:
    std::chrono::milliseconds step{0};
    LocalTime Now() const override { return {10, 20, 30, 400}; }
    std::chrono::steady_clock::time_point Monotonic() const override {
        return std::chrono::steady_clock::time_point{} + std::chrono::hours(1) + step * looks_++;
    }

private:
    mutable int looks_ = 0;
};

// A link owner that has received a reading: Start and Manual sample.
MeterLink ReadyLink() {
    MeterLink link;
    link.ReadingReceived = 1;
    return link;
}

class RecorderTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::FakeRecorderView view;
    MeterLink link = ReadyLink();
    MeterReading& reading = link.Reading;
    int& readingReceived = link.ReadingReceived;
    FixedClock clock;
    std::unique_ptr<Recorder> rec = Make(SystemFileOps());

    std::unique_ptr<Recorder> Make(FileOps& ops) {
        auto r = std::make_unique<Recorder>(view, link, dir.path(), clock, ops);
        r->FormCreate();
        return r;
    }
    bool Live(double v, int func = 6, const char* funcText = "V") {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        reading.sValue = text, reading.sRange = "0", reading.iFunc = func;
        CopyCut(reading.szDisplay, text), CopyCut(reading.szFunc, funcText);
        return rec->TakeSample();
    }
    void LiveMany(int n) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(Live(i));
    }
    // The record shown on each chart point (values are record numbers), -1 for an empty point.
    std::vector<int> Shown() const {
        std::vector<int> out;
        for (const auto& p : view.points)
            out.push_back(p.second == kChartNullValue ? -1 : static_cast<int>(p.second));
        return out;
    }
    static std::vector<int> Records(int first, int count, int emptyBefore = 0) {
        std::vector<int> v(static_cast<std::size_t>(emptyBefore), -1);
        for (int i = 0; i < count; ++i) v.push_back(first + i);
        return v;
    }
};

TEST_F(RecorderTest, LiveSampleReachesListChartPanelsAndStatus) {
    reading.sValue = "1.234", reading.sRange = "-3", reading.iFunc = 6;
    CopyCut(reading.szDisplay, "1.234"), CopyCut(reading.szFunc, "V");
    ASSERT_TRUE(rec->TakeSample());
    ASSERT_EQ(rec->List().size(), 1u);
    EXPECT_FLOAT_EQ(rec->List()[0].fValue, 0.001234f);
    EXPECT_EQ(view.points.back().first, " 10:20:30.4  ");
    EXPECT_EQ(view.dataListLines, std::vector<std::size_t>{0});
    EXPECT_EQ(view.cursor, 199);
    EXPECT_EQ(view.time, " 10:20:30.4  ");
    EXPECT_EQ(view.reading.data, "1.234");
    EXPECT_EQ(view.yLabel, "Reading(V)");
    EXPECT_EQ(view.status.buffer, "Data in buffer : 1");
    EXPECT_EQ(view.max.data, "");  // the extremes show from the second sample on
    EXPECT_TRUE(rec->bUnsaved && !rec->bBufferEmpty);

    reading.sValue = " OL  ", reading.iFunc = 0;  // no substitute: not sampled
    EXPECT_FALSE(rec->TakeSample());
    EXPECT_EQ(rec->iSampleCount, 1);
    EXPECT_EQ(view.dataListLines.size(), 1u);

    for (auto [func, text, label] : {std::tuple{8, "F", "Reading(uF)"},
                                     {128, "W", "Reading(Ohm)"},
                                     {384, "W", "Reading(Ohm)"}}) {
        ASSERT_TRUE(Live(1, func, text));
        EXPECT_EQ(view.yLabel, label);
    }
}

TEST_F(RecorderTest, LivePagesAreAnchoredAtTheNewestRecord) {
    LiveMany(200);
    EXPECT_EQ(rec->iPageCount, 1);
    LiveMany(50);  // records 200..249 hold the values 0..49
    for (std::size_t i = 0; i < 250; ++i) rec->List()[i].fValue = static_cast<float>(i);
    ASSERT_EQ(rec->iPageCount, 2);
    rec->sbtnLastPageClick();
    EXPECT_EQ(Shown(), Records(50, 200));
    EXPECT_EQ(view.status.page, "Page : 2 of 2");
    rec->sbtnPageUpClick();
    EXPECT_EQ(Shown(), Records(0, 50, 150));
    EXPECT_EQ(view.points[0].first, " ");
    EXPECT_TRUE(view.toolbar.sbtnPageDown && !view.toolbar.sbtnPageUp);

    view.cursor = 150;
    rec->UpdateCursorReadout();
    EXPECT_EQ(view.reading.data, "0");
    view.cursor = 10;
    rec->UpdateCursorReadout();
    EXPECT_EQ(view.reading.data + view.time, "");
    EXPECT_EQ(view.yLabel, "Reading");

    rec->sbtnPageUpClick();
    rec->sbtnLastPageClick();
    rec->sbtnPageDownClick();
    EXPECT_EQ(view.messages, (Messages{{str::WarningCaption, str::FirstPageReached},
                                       {str::WarningCaption, str::LastPageReached}}));

    rec->sbtnFirstPageClick();  // a live sample brings the newest page back first
    ASSERT_TRUE(Live(250));
    EXPECT_EQ(Shown(), Records(51, 200));
}

TEST_F(RecorderTest, BulkLoadOfAFullPageMakesAnEmptyFirstPage) {
    for (int i = 0; i < 200; ++i)
        rec->List().emplace_back("1", "0", 6, "t", std::to_string(i), "", "V",
                                 static_cast<float>(i));
    rec->ReplayList();
    rec->FinishBulkLoad();
    EXPECT_EQ(rec->iPageCount, 2);
    EXPECT_EQ(Shown(), Records(0, 200));
    EXPECT_EQ(view.reading.data, "199");
    // The data list is told once, up to the last record.
    EXPECT_EQ(view.dataListLines, std::vector<std::size_t>{199});
    EXPECT_EQ(view.status.buffer, "Data in buffer : 200");
    rec->sbtnFirstPageClick();
    EXPECT_EQ(Shown(), std::vector<int>(200, -1));
    // A sample after the file appends in place: the buffer is not copied to make room.
    const LogRecord* records0 = rec->List().data();
    ASSERT_TRUE(Live(1.5));
    EXPECT_EQ(rec->List().data(), records0);
    EXPECT_EQ(rec->List().size(), 201u);
}

TEST_F(RecorderTest, YRangeOnlyWidensAndExtremesPreferTheNewer) {
    struct Step {
        double x;
        float min, max;
    };
    const Step steps[] = {{2.0, -2.66f, 2.66f},    {2.1, -2.66f, 2.793f},  {-1.0, -2.66f, 2.793f},
                          {-2.5, -3.325f, 2.793f}, {2.1, -3.325f, 2.793f}, {-2.5, -3.325f, 2.793f}};
    for (const Step& s : steps) {
        ASSERT_TRUE(Live(s.x));
        EXPECT_FLOAT_EQ(view.yMax, s.max) << s.x;
        EXPECT_FLOAT_EQ(view.yMin, s.min) << s.x;
    }
    EXPECT_EQ(rec->iMaxIndex, 4);
    EXPECT_EQ(rec->iMinIndex, 5);
    EXPECT_EQ(view.max.data, "2.1");
    rec->ClearRecorder();
    EXPECT_EQ(view.max.data, "");
    ASSERT_TRUE(Live(0));
    EXPECT_EQ(view.yMax, 1.0f);
    EXPECT_EQ(view.yMin, -1.0f);
}

TEST_F(RecorderTest, ValuesThatAreNotFiniteStayOutOfTheScaleAndTheExtremes) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        std::vector<float> values;
        int maxIndex, minIndex;
        float scaleMin, scaleMax;
    } const cases[] = {{{nan, 2, -1}, 1, 2, -2.66f, 2.66f},
                       {{inf, -inf, 2, nan, 3}, 4, 2, -2.66f, 3.99f},
                       {{2, nan, -3}, 0, 2, -3.99f, 2.66f},
                       {{nan}, 0, 0, -100, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values.size());
        rec->ClearRecorder();
        for (float v : c.values) rec->List().emplace_back("1", "0", 6, "t", "1", "", "V", v);
        rec->ReplayList();
        rec->FinishBulkLoad();
        const RecordsSummary s = SummariseRecords(rec->List().data(), rec->List().size());
        for (auto [maxIndex, minIndex, scaleMin, scaleMax] :
             {std::tuple{rec->iMaxIndex, rec->iMinIndex, view.yMin, view.yMax},
              std::tuple{s.iMaxIndex, s.iMinIndex, s.fScaleMin, s.fScaleMax}}) {
            EXPECT_EQ(maxIndex, c.maxIndex);
            EXPECT_EQ(minIndex, c.minIndex);
            EXPECT_FLOAT_EQ(scaleMin, c.scaleMin);
            EXPECT_FLOAT_EQ(scaleMax, c.scaleMax);
        }
        EXPECT_EQ(rec->List().size(), c.values.size());  // still listed
    }
}

TEST_F(RecorderTest, ClearAsksForUnsavedDataAndKeepsTheTemporaryFiles) {
    rec->sbtnRecordStartClick();
    LiveMany(3);
    rec->sbtnRecordStopClick();
    view.answerOk = false;
    EXPECT_FALSE(rec->sbtnClearClick());
    EXPECT_EQ(rec->List().size(), 3u);
    view.answerOk = true;
    EXPECT_TRUE(rec->sbtnClearClick());
    EXPECT_EQ(view.messages, (Messages{{str::WarningCaption, str::ReallyClearBuffer},
                                       {str::WarningCaption, str::ReallyClearBuffer}}));
    EXPECT_TRUE(rec->List().empty());
    EXPECT_EQ(view.status.buffer, "Data in buffer : 0");
    EXPECT_EQ(view.status.page, "Page : 1 of 1");
    EXPECT_EQ(view.dataListClears, 1);
    EXPECT_EQ(fs::file_size(dir / "~NDMDL1.TMP"), 3u * 68);
}

TEST_F(RecorderTest, CommandStatesFollowTheRecorderState) {
    EXPECT_EQ(view.toolbar, ToolbarState{});  // idle, empty
    EXPECT_EQ(view.menu, MenuState{});
    EXPECT_EQ(view.status.mode, "Full Speed");

    rec->sbtnRecordStartClick();
    EXPECT_EQ(view.status.acquisition, "Data Logging ...");
    LiveMany(201);
    ToolbarState acquiring;
    acquiring.sbtnOption = acquiring.sbtnOpenFile = acquiring.sbtnImport = false;
    EXPECT_EQ(view.toolbar, acquiring);
    EXPECT_TRUE(!view.menu.start && view.menu.stop && !view.menu.open);

    rec->sbtnRecordStopClick();  // idle, two pages
    EXPECT_TRUE(view.toolbar.sbtnSaveFile && view.toolbar.sbtnClear && view.toolbar.sbtnFirstPage &&
                view.toolbar.sbtnPageUp && view.toolbar.sbtnFitView && view.menu.firstPage);
    EXPECT_FALSE(view.toolbar.sbtnPageDown || view.toolbar.sbtnLastPage || view.menu.lastPage);

    view.intervalDialog = [](IntervalChoice& c) { return c.bOptManual = true; };
    rec->sbtnOptionClick();  // manual
    EXPECT_FALSE(view.toolbar.sbtnRecordStart || view.toolbar.sbtnRecordStop || view.menu.start);
    EXPECT_TRUE(view.toolbar.sbtnManualLogging && view.menu.manual);
    EXPECT_EQ(view.status.mode, "Manual");
    rec->ApplyIntervalChoice({false, 5});
    EXPECT_EQ(view.status.mode, "Interval in second(s):5S");
    EXPECT_EQ(rec->iIntervalMs, 5000);
    rec->ApplyIntervalChoice({true, 0});
    EXPECT_EQ(rec->iIntervalMs, 500);

    link.BeginTransfer();  // busy
    rec->UpdateToolbar();
    rec->UpdateMenu();
    ToolbarState busy = acquiring;
    busy.sbtnRecordStart = busy.sbtnRecordStop = false;
    EXPECT_EQ(view.toolbar, busy);
    EXPECT_FALSE(view.menu.open || view.menu.manual || view.menu.interval);

    // The import of the meter's memory is the adaptor's alone.
    link.EndTransfer();
    for (std::string_view meter : MeterNames()) {
        link.SetMeter(meter);
        rec->UpdateToolbar();
        rec->UpdateMenu();
        EXPECT_EQ(view.toolbar.sbtnImport, meter == kAdaptorMeter) << meter;
        EXPECT_EQ(view.menu.import, meter == kAdaptorMeter) << meter;
        EXPECT_TRUE(view.toolbar.sbtnOpenFile && view.menu.open) << meter;
    }
}

TEST_F(RecorderTest, ALiveSampleUpdatesTheChartOnceAndTellsOnlyChangedCommandStates) {
    view.intervalDialog = [](IntervalChoice& c) { return c.bOptManual = true; };
    rec->sbtnOptionClick();  // Manual: the commands follow the buffer from sample to sample
    struct Step {
        const char* what;
        int samples;                   // taken in a row
        bool firstPage;                // page 1 on show before them
        int appends, redraws, pushes;  // chart appends and rebuilds, toolbar and menu pushes
    };
    const Step steps[] = {
        {"the first sample enables Save, Clear and Export", 1, false, 1, 0, 2},
        {"samples that change no command", 198, false, 198, 0, 0},
        {"the sample that makes a second page enables paging back", 2, false, 2, 0, 2},
        {"a sample while page 1 is on show loads the newest page", 1, true, 0, 1, 2},
        {"and the next one appends again", 1, false, 1, 0, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.firstPage) rec->sbtnFirstPageClick();
        const test::FakeRecorderView before = view;
        for (int i = 0; i < step.samples; ++i)
            ASSERT_TRUE(Live(static_cast<double>(rec->List().size())));
        EXPECT_EQ(view.chartAppends - before.chartAppends, step.appends);
        EXPECT_EQ(view.chartRedraws - before.chartRedraws, step.redraws);
        EXPECT_EQ(view.toolbarPushes + view.menuPushes - before.toolbarPushes - before.menuPushes,
                  step.pushes);
        // What the window shows is what the recorder holds.
        EXPECT_EQ(view.toolbar, rec->Toolbar());
        EXPECT_EQ(view.menu, rec->Menu());
        const int n = static_cast<int>(rec->List().size());
        EXPECT_EQ(Shown(), n < 200 ? Records(0, n, 200 - n) : Records(n - 200, 200));
    }
}

TEST(IntervalOptionTest, CustomIntervalInput) {
    struct Prompter : IntervalPrompter {
        std::deque<std::string> answers;
        std::vector<std::string> defaults;
        int errors = 0;
        std::string InputBox(const std::string&, const std::string&,
                             const std::string& text) override {
            defaults.push_back(text);
            std::string a = answers.front();
            answers.pop_front();
            return a;
        }
        void ShowStringMessage(int, int text) override { errors += text == str::InvalidFloat; }
    };
    struct Case {
        int start;
        std::deque<std::string> answers;
        int seconds;
        std::vector<std::string> defaults;
        int errors;
    };
    const Case cases[] = {
        {0, {"5"}, 5, {"0"}, 0},
        {0, {"-3", "4"}, 4, {"0", "-3"}, 1},  // asked again with the negative number
        {0, {"abc"}, 0, {"0"}, 1},
        {7, {"1.5"}, 7, {"7"}, 1},
        {0, {"-2", "x", "0"}, 0, {"0", "-2", "-2"}, 2},
        {3, {"99999999"}, 3, {"3"}, 1},  // beyond the timer's range
    };
    for (const Case& c : cases) {
        Prompter p;
        p.answers = c.answers;
        IntervalOption opt({false, c.start});
        opt.SelectItem(IntervalItem::Customization, p);
        EXPECT_EQ(opt.choice.iOptSeconds, c.seconds) << c.answers.front();
        EXPECT_EQ(p.defaults, c.defaults) << c.answers.front();
        EXPECT_EQ(p.errors, c.errors) << c.answers.front();
        EXPECT_EQ(opt.Selection(),
                  c.seconds ? IntervalItem::Customization : IntervalItem::FullSpeed);
    }
}

TEST_F(RecorderTest, StartNeedsAReadingAndWritesNumberedTemporaryFiles) {
    readingReceived = 0;
    view.startDown = true;
    rec->sbtnRecordStartClick();
    rec->sbtnManualLoggingClick();
    EXPECT_EQ(view.messages, (Messages{{str::ErrorCaption, str::LinkBeforeLogging},
                                       {str::ErrorCaption, str::LinkBeforeLogging}}));
    EXPECT_TRUE(!view.startDown && !rec->bAcquiring && rec->List().empty());

    readingReceived = 1;
    ASSERT_TRUE(Live(1));  // a manual sample: memory only
    rec->sbtnRecordStartClick();
    EXPECT_TRUE(rec->bAcquiring && view.timerEnabled && rec->Sampling.bSampleDue);
    rec->OnNewReading();
    EXPECT_FALSE(rec->Sampling.bSampleDue);
    rec->TimerLoggerTimer();
    EXPECT_TRUE(rec->Sampling.bSampleDue);
    rec->OnNewReading();
    rec->sbtnRecordStartClick();  // again: the next file
    LiveMany(1);
    rec->OnLinkCut();
    EXPECT_FALSE(rec->bAcquiring || view.timerEnabled || rec->TempFileOpen());
    EXPECT_EQ(fs::file_size(dir / "~NDMDL1.TMP"), 2u * 68);
    EXPECT_EQ(fs::file_size(dir / "~NDMDL2.TMP"), 68u);
    rec.reset();
    EXPECT_FALSE(fs::exists(dir / "~NDMDL1.TMP") || fs::exists(dir / "~NDMDL2.TMP"));

    // A folder where nothing can be created: 9003, acquisition stopped.
    rec = std::make_unique<Recorder>(view, link, dir.path() / "none");
    rec->sbtnRecordStartClick();
    EXPECT_EQ(view.messages.back(), std::make_pair(str::ErrorCaption, str::TempFileCreateError));
    EXPECT_FALSE(rec->bAcquiring || view.timerEnabled || view.startDown);
}

// A disk that fills up, or a folder remounted read-only, from the n-th write on.
class DiskGoesBad : public FileOps {
public:
    int goodWrites = 0;
    int error = ENOSPC;
    std::size_t partial = 0;  // bytes the first failing write still lets through
    int writes = 0;

    ssize_t Write(int fd, const void* buf, std::size_t n) override {
        if (writes++ < goodWrites) return FileOps::Write(fd, buf, n);
        if (partial > 0) return FileOps::Write(fd, buf, std::exchange(partial, 0));
        errno = error;
        return -1;
    }
};

TEST_F(RecorderTest, AFailedTemporaryWriteIsToldOnceAndAcquisitionGoesOnInMemory) {
    struct Case {
        const char* name;
        int error;
        std::size_t partial;
        const char* reason;
    } const cases[] = {{"disk full", ENOSPC, 30, "No space left on device"},
                       {"read-only", EROFS, 0, "Read-only file system"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DiskGoesBad disk;
        disk.goodWrites = 3;
        disk.error = c.error;
        disk.partial = c.partial;
        view.messages.clear();
        view.details.clear();
        rec = Make(disk);
        rec->sbtnRecordStartClick();
        const std::string temp = rec->TempFiles().OpenPath();
        LiveMany(10);

        // Said once, with the reason; nothing is lost and nothing has stopped.
        ASSERT_EQ(view.messages, (Messages{{str::ErrorCaption, str::TempFileWriteError}}));
        EXPECT_NE(view.details.at(0).find(c.reason), std::string::npos) << view.details[0];
        EXPECT_NE(view.details.at(0).find("~NDMDL"), std::string::npos) << view.details[0];
        EXPECT_EQ(rec->List().size(), 10u);
        EXPECT_TRUE(rec->bAcquiring && view.timerEnabled && rec->bUnsaved);
        EXPECT_EQ(view.status.buffer, "Data in buffer : 10");
        // The file keeps the whole records written before the failure, and no more.
        EXPECT_EQ(fs::file_size(temp), 3u * 68);
        EXPECT_FALSE(rec->TempFileOpen());

        // Saved elsewhere, every sample is there.
        disk.goodWrites = 1 << 20;
        ASSERT_TRUE(rec->SaveFile(dir / (std::string(c.name) + ".g26")));
        LogList back;
        ASSERT_TRUE(ReadLoggerFile(dir / (std::string(c.name) + ".g26"), back));
        EXPECT_EQ(back.size(), 10u);
        rec.reset();  // before the file calls it uses go
    }
}

TEST_F(RecorderTest, SavedFileOpensAsTheSameBuffer) {
    LiveMany(3);
    ASSERT_TRUE(rec->SaveFile(dir / "a.g26"));
    EXPECT_FALSE(rec->bUnsaved);
    EXPECT_EQ(fs::file_size(dir / "a.g26"), 204u);
    LogList saved = rec->List();
    ASSERT_TRUE(rec->sbtnClearClick());
    ASSERT_TRUE(rec->OpenFile(dir / "a.g26"));
    ASSERT_EQ(rec->List().size(), 3u);
    EXPECT_EQ(std::memcmp(rec->List().data(), saved.data(), 3 * sizeof(LogRecord)), 0);
    EXPECT_EQ(view.status.buffer, "Data in buffer : 3");
    EXPECT_EQ(rec->iPageCount, 1);
    EXPECT_TRUE(rec->bUnsaved && !link.TransferInProgress() && !view.progressWindowOpen);

    EXPECT_FALSE(rec->SaveFile(dir / "missing/a.g26"));
    EXPECT_EQ(view.messages.back(), std::make_pair(str::ErrorCaption, str::FileSaveError));
    EXPECT_TRUE(rec->bUnsaved);
}

TEST_F(RecorderTest, OpenedFilesPageFromTheNewestRecordAndIgnoreTrailingBytes) {
    LogList records;
    for (int i = 0; i < 200; ++i) records.emplace_back("1", "0", 6, "t", "1", "", "V", float(i));
    ASSERT_TRUE(SaveLoggerFile(dir / "full.g26", records));
    ASSERT_TRUE(rec->OpenFile(dir / "full.g26"));
    EXPECT_EQ(rec->iPageCount, 2);  // the last page holds all 200, page 1 none
    EXPECT_EQ(Shown(), Records(0, 200));
    rec->sbtnFirstPageClick();
    EXPECT_EQ(Shown(), std::vector<int>(200, -1));
    // A sample after the file appends in place: the buffer is not copied to make room.
    const LogRecord* records0 = rec->List().data();
    ASSERT_TRUE(Live(1.5));
    EXPECT_EQ(rec->List().data(), records0);
    EXPECT_EQ(rec->List().size(), 201u);

    // 70 bytes: one record, the last two bytes ignored.
    ASSERT_TRUE(rec->sbtnClearClick());  // the question is answered OK
    fs::resize_file(dir / "full.g26", 70);
    ASSERT_TRUE(rec->OpenFile(dir / "full.g26"));
    EXPECT_EQ(rec->List().size(), 1u);
    EXPECT_EQ(view.status.page, "Page : 1 of 1");
}

TEST_F(RecorderTest, AnEmptyFileGivesAnEmptyBufferThatCountsAsUnsavedData) {
    ASSERT_TRUE(SaveLoggerFile(dir / "empty.g26", LogList{}));
    ASSERT_TRUE(rec->OpenFile(dir / "empty.g26"));
    EXPECT_TRUE(rec->List().empty());
    EXPECT_FALSE(rec->bBufferEmpty);
    EXPECT_TRUE(rec->bUnsaved);
    EXPECT_TRUE(view.toolbar.sbtnSaveFile);
    ASSERT_TRUE(rec->SaveFile(dir / "again.g26"));
    EXPECT_EQ(fs::file_size(dir / "again.g26"), 0u);
}

TEST_F(RecorderTest, OpenThatFailsOrIsAbortedLeavesAnEmptyBuffer) {
    ASSERT_TRUE(SaveLoggerFile(dir / "a.g26", LogList(500)));
    view.onPendingEvents = [&](int) { link.EndTransfer(); };  // Abort at the first report
    EXPECT_EQ(rec->OpenFile(dir / "a.g26", 100).systemError(), ECANCELED);
    EXPECT_TRUE(rec->List().empty() && view.messages.empty() && !view.progressWindowOpen);
    EXPECT_EQ(rec->iPageCount, 1);
    EXPECT_TRUE(view.toolbar.sbtnOpenFile);

    // Abort pressed while the last report ("500 of 500") is shown.
    view.onPendingEvents = [&](int) {
        if (rec->List().size() >= 500) link.EndTransfer();
    };
    EXPECT_EQ(rec->OpenFile(dir / "a.g26", 100).systemError(), ECANCELED);
    EXPECT_TRUE(rec->List().empty() && rec->bBufferEmpty && view.messages.empty());
    EXPECT_TRUE(!link.TransferInProgress() && !view.progressWindowOpen &&
                view.toolbar.sbtnOpenFile);

    view.onPendingEvents = [](int) {};
    EXPECT_FALSE(rec->OpenFile(dir / "none.g26"));
    EXPECT_EQ(view.messages.back(), std::make_pair(str::ErrorCaption, str::FileOpenError));

    // An empty file opens as no records, yet counts as unsaved data.
    test::WriteBytes(dir / "empty.g26", "");
    ASSERT_TRUE(rec->OpenFile(dir / "empty.g26"));
    EXPECT_TRUE(!rec->bBufferEmpty && view.toolbar.sbtnSaveFile);
}

TEST_F(RecorderTest, AFileReadReportsItsProgressAtMostEveryFortyMilliseconds) {
    ASSERT_TRUE(SaveLoggerFile(dir / "a.g26", LogList(1000)));
    struct Case {
        int stepMs;
        int reports;  // paced among 11 steps (before the first chunk and after each),
                      // then the closing "1000 of 1000"
    } const cases[] = {{0, 1 + 1}, {39, 6 + 1}, {40, 11 + 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stepMs);
        clock.step = std::chrono::milliseconds(c.stepMs);
        view.detailPaints = 0;
        ASSERT_TRUE(rec->OpenFile(dir / "a.g26", 100));
        EXPECT_EQ(view.detailPaints, c.reports);
        EXPECT_EQ(rec->List().size(), 1000u);
        ASSERT_TRUE(rec->sbtnClearClick());
    }
}

TEST_F(RecorderTest, EveryChartResetEndsTheZoomAndForgetsTheExportSize) {
    ASSERT_TRUE(SaveLoggerFile(dir / "a.g26", LogList(3)));
    // In this order: Open reads into the buffer the clear before it emptied.
    const std::tuple<const char*, int, std::function<void()>> resets[] = {
        {"clear", 2, [&] { EXPECT_TRUE(rec->sbtnClearClick()); }},
        {"open", 0, [&] { EXPECT_TRUE(rec->OpenFile(dir / "a.g26")); }},
        {"transfer ended", 2, [&] { rec->OnTransferEnded(); }}};
    for (const auto& [name, samples, reset] : resets) {
        SCOPED_TRACE(name);
        LiveMany(samples);
        rec->PEGraphZoomIn();
        ASSERT_TRUE(view.toolbar.sbtnUndoZoom && view.menu.undoZooming);
        view.exportWidth = 1000, view.exportHeight = 681;  // left by a picture export
        const int undos = view.zoomUndos;
        reset();
        EXPECT_GT(view.zoomUndos, undos);
        EXPECT_EQ(std::make_pair(view.exportWidth, view.exportHeight), std::make_pair(0, 0));
        EXPECT_FALSE(view.toolbar.sbtnUndoZoom || view.menu.undoZooming);
    }
}

TEST_F(RecorderTest, TransferEndedResetsTheRecorder) {
    link.BeginTransfer();
    rec->List().resize(10);
    rec->OnTransferEnded();
    EXPECT_TRUE(!link.TransferInProgress() && rec->List().empty() && view.toolbar.sbtnOpenFile);
    EXPECT_EQ(view.mainWindowRefreshes, 1);
    EXPECT_EQ(view.dataListClears, 1);
}

}  // namespace
}  // namespace dmm

namespace dmm {
namespace {

// The recorder in the desktop program: its window timer ticks every period after Start,
// and each poll posts the new reading to it while a sample is due.
class RecorderSampling : public RecorderTest,
                         public ::testing::WithParamInterface<test::SamplingCase> {};

TEST_P(RecorderSampling, SamplesTheFirstReadingAfterEachTick) {
    const test::SamplingCase& c = GetParam();
    reading.sValue = "1.000", reading.sRange = "0", reading.iFunc = 6;
    rec->ApplyIntervalChoice({!c.automatic, c.seconds});
    if (c.automatic) {
        rec->sbtnRecordStartClick();
        EXPECT_EQ(rec->iIntervalMs, IntervalMsForSeconds(c.seconds));
    }
    std::vector<int> sampled;
    long long nextTick = rec->iIntervalMs;
    for (std::size_t i = 0; i < c.pollTimesMs.size(); ++i) {
        while (rec->bAcquiring && nextTick < c.pollTimesMs[i]) {
            rec->TimerLoggerTimer();
            nextTick += rec->iIntervalMs;
        }
        const std::size_t before = rec->List().size();
        if (rec->Sampling.bSampleDue) rec->OnNewReading();
        if (rec->List().size() > before) sampled.push_back(static_cast<int>(i));
    }
    EXPECT_EQ(sampled, c.sampledPolls);
}

INSTANTIATE_TEST_SUITE_P(Timeline, RecorderSampling, ::testing::ValuesIn(test::SamplingCases()),
                         test::SamplingCaseName);

}  // namespace
}  // namespace dmm
