// The recorder's Import against a scripted meter: every way it can end, and what
// the recorder, the progress window and the line see on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fakerecorderview.h"
#include "logger/acquisition/recorder.h"
#include "logger/import/memoryimport.h"
#include "logger/import/memorylog.h"
#include "meterlink/meterlink.h"
#include "meterlink/protocol.h"
#include "resources/strings.h"
#include "support/fakeline.h"
#include "support/fakewaketimer.h"
#include "support/tempdir.h"
#include "tools/dmm-sim/storedlog.h"

namespace dmm {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Messages = std::vector<std::pair<int, int>>;
using sim::StoredReading;

std::vector<StoredReading> Pattern(int count, int mode = 2, int flags = 0) {
    return sim::PatternLog(count, mode, flags);
}

class MemoryImportTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::FakeRecorderView view;
    MeterLink link;
    FakeLine* line = nullptr;
    std::unique_ptr<Recorder> rec;
    // The meter: its identity byte, its memory and where it stops answering.
    int identity = 1;
    Bytes image;
    std::size_t stallAfter = SIZE_MAX;  // memory bytes sent before the meter falls silent
    std::size_t sent = 0, nextBlock = 0;
    // The clock the import paints by: each call moves it on by step.
    std::chrono::steady_clock::time_point now{};
    std::chrono::milliseconds step{0};

    void SetUp() override {
        auto owned = std::make_unique<FakeLine>();
        line = owned.get();
        line->respondWith([this](std::uint8_t command) { return Answer(command); });
        link.Attach(std::move(owned));
        rec = std::make_unique<Recorder>(view, link, dir.path());
        rec->FormCreate();
        view.yesNoAnswers = {true};
    }

    // Run as from an event loop: the import waits by serving it, and each serve lets
    // the next thing happen on the line. A block comes in two halves: the first with the
    // command, the second when the pause is over and the first half taken.
    FakeWakeTimer* wake = nullptr;
    Bytes secondHalf;
    bool paused = false;  // a command was answered; its pause has not yet passed

    void RunFromEventLoop() {
        auto timer = std::make_unique<FakeWakeTimer>();
        wake = timer.get();
        link.SetWakeTimer(std::move(timer));
        view.onWaitForEvents = [this](int) { Serve(); };
    }
    void Serve() {
        if (paused || secondHalf.empty()) {
            paused = false;
            wake->fire(*line);
            return;
        }
        line->deliverNow(secondHalf);
        secondHalf.clear();
    }

    Bytes Answer(std::uint8_t command) {
        Bytes answer = AnswerWhole(command);
        paused = true;
        if (wake && answer.size() > 1) {
            const auto half = static_cast<std::ptrdiff_t>(answer.size() / 2);
            secondHalf.assign(answer.begin() + half, answer.end());
            answer.resize(static_cast<std::size_t>(half));
        }
        return answer;
    }

    Bytes AnswerWhole(std::uint8_t command) {
        if (command == kCmdIdentify)
            return identity < 0 ? Bytes{}
                                : FakeLine::ReplyFrame({static_cast<std::uint8_t>(identity)});
        if (command != kCmdFirstBlock && command != kCmdNextBlock) return {};
        if (command == kCmdFirstBlock) nextBlock = 0;
        const std::size_t at = nextBlock++ * kStreamBlockSize;
        if (at >= image.size()) return {};
        std::size_t n = std::min<std::size_t>(kStreamBlockSize, stallAfter - sent);
        sent += n;
        return Bytes(image.begin() + static_cast<std::ptrdiff_t>(at),
                     image.begin() + static_cast<std::ptrdiff_t>(at + n));
    }

    ImportEnd Run() {
        MemoryImport import(*rec, view, link, [this] {
            now += step;
            return now;
        });
        const ImportEnd end = import.sbtnImportClick();
        // Whatever the end, the line is back with its owner and nothing is left running.
        EXPECT_FALSE(link.Lent());
        EXPECT_FALSE(link.TransferInProgress());
        EXPECT_FALSE(view.progressWindowOpen);
        EXPECT_FALSE(view.waitCursor);
        EXPECT_FALSE(link.Linked());
        return end;
    }

    // The command letters written, in order.
    std::string Commands() const {
        // The adaptor is fed one byte a write: 8 writes make a frame.
        const Bytes all = line->log().written();
        std::string out;
        for (std::size_t at = 0; at + 8 <= all.size(); at += 8)
            out += static_cast<char>(all[at + 2]);
        return out;
    }

    // A buffer holding one unsaved record.
    void HoldUnsavedRecord() {
        rec->List().push_back(LogRecord("1.000", "0", 6, "10:00:00", "1.000", "", "V", 1));
        rec->bBufferEmpty = false;
        rec->bUnsaved = true;
    }

    void ExpectRecorderReset() {
        EXPECT_TRUE(rec->List().empty());
        EXPECT_TRUE(rec->bBufferEmpty);
        EXPECT_FALSE(rec->bUnsaved);
        EXPECT_GE(view.dataListClears, 2);  // ClearRecorder, then the end of the transfer
    }
};

std::string Field(const char* s) {
    return std::string(s, strnlen(s, 16));
}

TEST_F(MemoryImportTest, ImportsTheWholeLogAsTheImageDecodes) {
    image = sim::BuildStreamImage(Pattern(300), 2, 0);
    const MemoryImageDecode expected = DecodeMemoryImage(image.data(), image.size()).value_or({});
    ASSERT_EQ(expected.log.records.size(), 300u);
    HoldUnsavedRecord();
    view.answerOk = true;

    ASSERT_EQ(Run(), ImportEnd::Imported);

    ASSERT_EQ(rec->List().size(), 300u);
    for (std::size_t i = 0; i < 300; ++i) {
        EXPECT_EQ(std::memcmp(&rec->List()[i], &expected.log.records[i], sizeof(LogRecord)), 0)
            << i;
    }
    // 8010, then 8002 for the unsaved record; nothing else.
    EXPECT_EQ(view.messages, (Messages{{str::WarningCaption, str::BufferWillBeDestroyed},
                                       {str::WarningCaption, str::ReallyClearBuffer}}));
    // Identify, the header, then the blocks: "N" for the first, "R" after.
    const std::size_t blocks = image.size() / kStreamBlockSize;
    EXPECT_EQ(Commands(), "FNN" + std::string(blocks - 1, 'R'));
    // The pause after each block command: the first wait on the line lasts 250 ms.
    const std::vector<std::string>& calls = line->log().calls;
    int blockCommands = 0;
    const Bytes written = line->log().written();
    std::size_t waitsSeen = 0;
    bool commandSent = false;
    for (std::size_t i = 0, w = 0; i < calls.size(); ++i) {
        if (calls[i] == "wait") {
            if (commandSent) {
                ASSERT_LT(waitsSeen, line->log().waits.size());
                EXPECT_EQ(line->log().waits[waitsSeen], 250) << i;
            }
            commandSent = false;
            ++waitsSeen;
        }
        if (calls[i] != "write" || ++w % 8 != 0) continue;
        if (written[w - 8 + 2] == kCmdIdentify) continue;
        ++blockCommands;
        commandSent = true;
    }
    EXPECT_EQ(blockCommands, static_cast<int>(blocks) + 1);
    EXPECT_EQ(line->log().waits.back(), 250);
    EXPECT_EQ(view.beeps, static_cast<int>(blocks));
    EXPECT_EQ(view.unlinks, 2);
    EXPECT_EQ(view.headline, "[W8013] Processing data ... please wait ...");
    EXPECT_EQ(view.detail, "Translating...");
    EXPECT_EQ(view.barMax, 32);
    // The buffer is the log, unsaved, and the main window was told.
    EXPECT_FALSE(rec->bBufferEmpty);
    EXPECT_TRUE(rec->bUnsaved);
    EXPECT_GE(view.mainWindowRefreshes, 1);
    ASSERT_FALSE(view.dataListLines.empty());
    EXPECT_EQ(view.dataListLines.back(), 299u);
    EXPECT_EQ(rec->iPageCount, 300 / rec->iPointsPerPage + 1);
    EXPECT_EQ(Field(rec->List()[0].szTime), "0:00'0.000\"");
}

TEST_F(MemoryImportTest, ProgressLabelIsExactButPaintedAFewTimesASecond) {
    image = sim::BuildStreamImage(Pattern(1000), 2, 0);  // 13 blocks
    const std::size_t total = image.size();
    std::string lastCount;
    view.onPendingEvents = [&](int) {
        if (lastCount.empty() && view.headline.rfind("[W8013]", 0) == 0) lastCount = view.detail;
    };
    step = std::chrono::milliseconds(1);  // 1 ms a byte: about one paint every 40 bytes
    ASSERT_EQ(Run(), ImportEnd::Imported);
    EXPECT_EQ(lastCount, "Bytes read : 6656 of 6656");
    // Every byte rewrote the label, and the last count is exact.
    EXPECT_EQ(view.detailTexts, static_cast<int>(total) + 1);
    EXPECT_GT(view.detailPaints, static_cast<int>(total) / 60);
    EXPECT_LT(view.detailPaints, static_cast<int>(total) / 20);
}

TEST_F(MemoryImportTest, NoAnswerToTheIdentifyQuery) {
    identity = -1;
    HoldUnsavedRecord();
    EXPECT_EQ(Run(), ImportEnd::NoAnswer);
    EXPECT_EQ(view.messages, (Messages{{str::ErrorCaption, str::NoDataError}}));
    EXPECT_EQ(rec->List().size(), 1u);  // unchanged
    EXPECT_EQ(view.unlinks, 1);
    EXPECT_EQ(Commands(), "F");
}

TEST_F(MemoryImportTest, KindsWithoutLoggingAreRefused) {
    for (int id : {4, 5, 6, 7, 12, 13, 14, 15}) {
        identity = id;
        view.messages.clear();
        EXPECT_EQ(Run(), ImportEnd::NoLogging) << id;
        EXPECT_EQ(view.messages, (Messages{{str::ErrorCaption, str::NoDataLogging}})) << id;
    }
    EXPECT_EQ(Commands(), "FFFFFFFF");
    // An unknown meter goes on to the question.
    identity = 0;
    view.messages.clear();
    view.yesNoAnswers = {false};
    EXPECT_EQ(Run(), ImportEnd::Declined);
    EXPECT_EQ(rec->DmmKind, MeterKind::KindNone);
    EXPECT_EQ(view.messages, (Messages{{str::WarningCaption, str::BufferWillBeDestroyed}}));
}

TEST_F(MemoryImportTest, NoToTheFirstQuestionOrCancelToTheSecondLeavesTheBuffer) {
    image = sim::BuildStreamImage(Pattern(20), 2, 0);
    HoldUnsavedRecord();
    view.yesNoAnswers = {false};
    EXPECT_EQ(Run(), ImportEnd::Declined);
    EXPECT_EQ(rec->List().size(), 1u);
    EXPECT_TRUE(rec->bUnsaved);
    EXPECT_EQ(view.unlinks, 1);  // unlinking came first and stays

    view.yesNoAnswers = {true};
    view.answerOk = false;
    EXPECT_EQ(Run(), ImportEnd::Declined);
    EXPECT_EQ(rec->List().size(), 1u);
    EXPECT_EQ(view.messages.back(),
              (std::pair<int, int>{str::WarningCaption, str::ReallyClearBuffer}));
    EXPECT_EQ(Commands(), "FF");
}

TEST_F(MemoryImportTest, SilenceInTheHeader) {
    image = sim::BuildStreamImage(Pattern(20), 2, 0);
    stallAfter = 100;
    HoldUnsavedRecord();
    EXPECT_EQ(Run(), ImportEnd::HeaderMissing);
    EXPECT_EQ(view.messages.back(), (std::pair<int, int>{str::ErrorCaption, str::NoDataError}));
    EXPECT_NE(view.details.back().find("Byte 101 of 512"), std::string::npos)
        << view.details.back();
    ExpectRecorderReset();
}

TEST_F(MemoryImportTest, HeaderOutsideTheMemoryIsRefusedBeforeAnyBlockIsAskedFor) {
    image = Bytes(kStreamBlockSize, 0);
    image[kLastBankOffset] = 4;
    image[kLastAddressOffset] = 1;
    EXPECT_EQ(Run(), ImportEnd::HeaderRefused);
    EXPECT_EQ(view.messages.back(),
              (std::pair<int, int>{str::ErrorCaption, str::TransmissionError}));
    EXPECT_NE(view.details.back().find("bank 4"), std::string::npos) << view.details.back();
    EXPECT_EQ(Commands(), "FN");
    ExpectRecorderReset();
}

TEST_F(MemoryImportTest, StallInTheMiddleOfABlock) {
    image = sim::BuildStreamImage(Pattern(300), 2, 0);  // 4 blocks
    stallAfter = 512 + 700;                             // the header, then 700 bytes
    EXPECT_EQ(Run(), ImportEnd::BlockMissing);
    EXPECT_EQ(view.messages.back(),
              (std::pair<int, int>{str::ErrorCaption, str::TransmissionError}));
    EXPECT_NE(view.details.back().find("Byte 701 of 2048"), std::string::npos)
        << view.details.back();
    EXPECT_EQ(view.beeps, 1);
    EXPECT_EQ(Commands(), "FNNR");
    ExpectRecorderReset();
}

TEST_F(MemoryImportTest, AbortDuringTheHeaderActsAtTheFirstByteOfTheBlocks) {
    image = sim::BuildStreamImage(Pattern(300), 2, 0);
    view.onPendingEvents = [this](int call) {
        if (call == 10) link.EndTransfer();  // Abort confirmed in the header
    };
    EXPECT_EQ(Run(), ImportEnd::Aborted);
    // The header was read to its end, the first block asked for, and no byte of it read.
    EXPECT_EQ(Commands(), "FNN");
    const std::vector<std::string>& calls = line->log().calls;
    const auto lastWrite = std::find(calls.rbegin(), calls.rend(), "write");
    EXPECT_EQ(std::count(calls.rbegin(), lastWrite, "read"), 0);
    EXPECT_EQ(view.messages, (Messages{{str::WarningCaption, str::BufferWillBeDestroyed}}));
    ExpectRecorderReset();
}

TEST_F(MemoryImportTest, AbortDuringTheBlocks) {
    image = sim::BuildStreamImage(Pattern(300), 2, 0);
    view.onPendingEvents = [this](int call) {
        if (call == 512 + 900) link.EndTransfer();
    };
    EXPECT_EQ(Run(), ImportEnd::Aborted);
    EXPECT_EQ(Commands(), "FNNR");
    EXPECT_EQ(view.messages.size(), 1u);
    ExpectRecorderReset();
}

TEST_F(MemoryImportTest, AbortDuringTheDecoding) {
    image = sim::BuildStreamImage(Pattern(2000), 2, 0);
    step = std::chrono::milliseconds(50);  // every record lets events run
    int decoding = 0;
    view.onPendingEvents = [&](int) {
        if (view.headline.rfind("[W8013]", 0) == 0 && ++decoding == 500) link.EndTransfer();
    };
    EXPECT_EQ(Run(), ImportEnd::Aborted);
    EXPECT_EQ(view.messages.size(), 1u);
    ExpectRecorderReset();
}

// From an event loop the import never waits on the line nor pumps events itself: it
// serves the loop. Whatever happens while a block arrives ends the import with nothing
// of it kept, no exchange in flight and no wake left pending.
TEST_F(MemoryImportTest, FromAnEventLoopEveryEndLeavesNothingRunning) {
    enum class Event { None, Abort, Unplug, Silence };
    struct Row {
        const char* name;
        Event halfwayThroughTheSecondBlock;
        ImportEnd end;
        const char* commands;
        const char* detail;  // in the last message
    };
    const Row rows[] = {
        {"Abort confirmed", Event::Abort, ImportEnd::Aborted, "FNNR", ""},
        {"the device gone", Event::Unplug, ImportEnd::BlockMissing, "FNNR", "Input/output error"},
        {"a short block", Event::Silence, ImportEnd::BlockMissing, "FNNR", "Byte 769 of 2048"},
        {"the whole log", Event::None, ImportEnd::Imported, "FNNRRR", ""},
    };
    image = sim::BuildStreamImage(Pattern(300), 2, 0);  // 4 blocks
    RunFromEventLoop();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto owned = std::make_unique<FakeLine>();
        line = owned.get();
        line->respondWith([this](std::uint8_t command) { return Answer(command); });
        link.Attach(std::move(owned));
        view = test::FakeRecorderView{};
        view.yesNoAnswers = {true};
        // Two serves each for the identify reply, the header and the first block, one
        // for the second block's pause: then its second half is due.
        view.onWaitForEvents = [this, &row](int call) {
            if (call != 8) return Serve();
            switch (row.halfwayThroughTheSecondBlock) {
                case Event::None:
                    return Serve();
                case Event::Abort:
                    return link.EndTransfer();
                case Event::Unplug:
                    return line->unplug();
                case Event::Silence:
                    secondHalf.clear();
                    return Serve();  // the next byte's time-out passes
            }
        };
        EXPECT_EQ(Run(), row.end);
        EXPECT_EQ(Commands(), row.commands);
        EXPECT_EQ(line->log().count("wait"), 0u);
        EXPECT_FALSE(link.Busy());
        EXPECT_FALSE(wake->Pending());
        if (row.end == ImportEnd::Imported) {
            EXPECT_EQ(rec->List().size(), 300u);
            continue;
        }
        EXPECT_EQ(view.pendingEventCalls, 0);
        ExpectRecorderReset();
        EXPECT_NE(view.details.back().find(row.detail), std::string::npos) << view.details.back();
        if (row.halfwayThroughTheSecondBlock == Event::Abort) {
            EXPECT_EQ(view.messages.size(), 1u);
            EXPECT_EQ(line->log().calls.back(), "purgeTransmit");  // nothing of the block stays
        }
    }
}

TEST_F(MemoryImportTest, UndecodableRecordsAreLeftOutWithAWarning) {
    std::vector<StoredReading> readings = Pattern(50, 3, 0);
    readings[7].rangeNibble = 5;  // mode 3 has no such range
    image = sim::BuildStreamImage(readings, 3, 0);
    EXPECT_EQ(Run(), ImportEnd::Imported);
    EXPECT_EQ(rec->List().size(), 49u);
    EXPECT_EQ(view.messages.back(),
              (std::pair<int, int>{str::WarningCaption, str::RecordsLeftOut}));
    EXPECT_NE(view.details.back().find("record 8"), std::string::npos) << view.details.back();
    EXPECT_TRUE(rec->bUnsaved);
}

TEST_F(MemoryImportTest, NothingDecodableEndsAsATransmissionError) {
    std::vector<StoredReading> readings = Pattern(5, 3, 0);
    for (StoredReading& r : readings) r.rangeNibble = 9;
    image = sim::BuildStreamImage(readings, 3, 0);
    EXPECT_EQ(Run(), ImportEnd::NothingDecoded);
    EXPECT_EQ(view.messages.back(),
              (std::pair<int, int>{str::ErrorCaption, str::TransmissionError}));
    EXPECT_NE(view.details.back().find("5 of 5"), std::string::npos) << view.details.back();
    ExpectRecorderReset();
}

TEST_F(MemoryImportTest, NoPortOpen) {
    link.DropPort();
    EXPECT_EQ(Run(), ImportEnd::NoAnswer);
    EXPECT_EQ(view.messages, (Messages{{str::ErrorCaption, str::NoDataError}}));
}

}  // namespace
}  // namespace dmm
