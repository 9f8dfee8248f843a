// The link owner: the poll step and its outcomes, linking, lending the line to a
// transfer, opening ports, and how line failures are told.
#include "meterlink/meterlink.h"

#include <gtest/gtest.h>

#include <memory>

#include "meterlink/linereport.h"
#include "resources/strnum.h"
#include "support/fakeline.h"

namespace dmm {
namespace {

FakeLine::Bytes DisplayReply(std::uint32_t status, const std::string& value,
                             const std::string& range) {
    return FakeLine::ReplyFrame(FakeLine::DisplayPayload(status, value, range));
}

TEST(PollMeter, StoresFrameAndCountsFailures) {
    FakeLine line;
    MeterReading r;
    line.queueReply(DisplayReply(6, " 0.", "-1"));
    EXPECT_EQ(PollMeter(&line, r).result, PollResult::Frame);
    EXPECT_EQ(r.sValue, "     ");
    EXPECT_EQ(r.sRange, "-1");
    EXPECT_EQ(r.iFunc, 6);

    // Silence: two quiet failures, the third warns and starts the count again.
    EXPECT_EQ(PollMeter(&line, r).result, PollResult::NoReply);
    EXPECT_EQ(PollMeter(&line, r).result, PollResult::NoReply);
    EXPECT_EQ(r.iNoDataCount, 2);
    EXPECT_EQ(PollMeter(&line, r).result, PollResult::NoDataWarning);
    EXPECT_EQ(r.iNoDataCount, 0);
    EXPECT_EQ(PollMeter(&line, r).result, PollResult::NoReply);
    EXPECT_EQ(r.iNoDataCount, 1);
    EXPECT_EQ(r.sValue, "     ");  // a failed poll keeps the last frame

    line.queueReply(DisplayReply(0x80000000u | 513u, "1.234", "-3"));
    EXPECT_EQ(PollMeter(&line, r).result, PollResult::LowBattery);
    EXPECT_EQ(r.iNoDataCount, 0);
    EXPECT_EQ(r.dwStatus, 0x80000000u | 513u);
    EXPECT_EQ(r.iFunc, 513);
    EXPECT_EQ(r.sValue, "1.234");

    EXPECT_EQ(PollMeter(nullptr, r).result, PollResult::NoReply);
}

// A link over a fake line that the test keeps a hold of.
struct LinkedFake {
    LinkedFake() {
        auto owned = std::make_unique<FakeLine>();
        line = owned.get();
        log = owned->sharedLog();
        link.Attach(std::move(owned));
    }
    MeterLink link;
    FakeLine* line = nullptr;
    std::shared_ptr<FakeLineLog> log;
};

TEST(MeterLinkPoll, EachOutcomeSaysWhatHappenedOnTheLine) {
    LinkedFake f;
    EXPECT_TRUE(f.link.Link().ok());

    f.line->queueReply(DisplayReply(6, "1.234", "0"));
    PollStep frame = f.link.Poll();
    EXPECT_EQ(frame.result, PollResult::Frame);
    EXPECT_TRUE(frame.line.ok());
    EXPECT_EQ(f.link.ReadingReceived, 0);  // not before the frame is accepted
    f.link.AcceptReading();
    EXPECT_EQ(f.link.ReadingReceived, 1);
    EXPECT_STREQ(f.link.Reading.szDisplay, "1.234");
    EXPECT_STREQ(f.link.Reading.szFunc, "V");

    // A meter that does not answer: plain time-outs, the third one warns.
    PollStep quiet = f.link.Poll();
    EXPECT_EQ(quiet.result, PollResult::NoReply);
    EXPECT_EQ(quiet.line.status, LineStatus::Timeout);
    EXPECT_EQ(LineFailureDetail(quiet.line), "");
    f.link.Poll();
    EXPECT_EQ(f.link.Poll().result, PollResult::NoDataWarning);

    // A reply that stops half-way is a time-out too, however many bytes came.
    f.line->queueReply({0x10, 0x02, 0x00, 15, 0x06});
    PollStep cut = f.link.Poll();
    EXPECT_EQ(cut.result, PollResult::NoReply);
    EXPECT_EQ(cut.line.status, LineStatus::Timeout);

    f.line->queueReply(DisplayReply(0x80000006u, "2.000", "0"));
    EXPECT_EQ(f.link.Poll().result, PollResult::LowBattery);
    EXPECT_STREQ(f.link.Reading.szDisplay, "1.234");  // decoded only when accepted

    // The adaptor unplugged: still a failed query that counts towards the warning,
    // but the caller learns why.
    f.line->unplug("Input/output error");
    PollStep gone = f.link.Poll();
    EXPECT_EQ(gone.result, PollResult::NoReply);
    EXPECT_EQ(gone.line.status, LineStatus::DeviceGone);
    EXPECT_TRUE(gone.line.broken());
    EXPECT_EQ(LineFailureDetail(gone.line), "device gone: Input/output error");
    EXPECT_EQ(f.link.Reading.iNoDataCount, 1);
    f.link.Poll();
    PollStep third = f.link.Poll();
    EXPECT_EQ(third.result, PollResult::NoDataWarning);
    EXPECT_EQ(third.line.status, LineStatus::DeviceGone);
}

TEST(MeterLinkPoll, WithoutAPortEveryPollFailsWithAReason) {
    MeterLink link;
    PollStep step = link.Poll();
    EXPECT_EQ(step.result, PollResult::NoReply);
    EXPECT_EQ(step.line.status, LineStatus::Failed);
    EXPECT_FALSE(step.line.reason.empty());
}

TEST(MeterLinkState, LinkingRaisesRtsAndUnlinkingClearsTheReadingFlag) {
    LinkedFake f;
    f.link.Reading.iNoDataCount = 2;
    f.line->rtsSupported = false;  // a pseudo-terminal: no failure of the link
    LineResult rts = f.link.Link();
    EXPECT_TRUE(f.link.Linked());
    EXPECT_EQ(rts.status, LineStatus::Failed);
    EXPECT_EQ(f.log->rtsCalls, std::vector<bool>{true});
    EXPECT_EQ(f.link.Reading.iNoDataCount, 0);

    f.line->queueReply(DisplayReply(6, "1.234", "0"));
    f.link.Poll();
    f.link.AcceptReading();
    f.link.Unlink();
    EXPECT_FALSE(f.link.Linked());
    EXPECT_EQ(f.link.ReadingReceived, 0);
    EXPECT_STREQ(f.link.Reading.szDisplay, "1.234");  // the windows keep the last reading

    // Linking without a port is allowed; the polls then fail.
    MeterLink none;
    EXPECT_TRUE(none.Link().ok());
    EXPECT_TRUE(none.Linked());
}

TEST(MeterLinkLoan, TheLineIsLentOnlyWhileUnlinkedAndToOneTransferAtATime) {
    LinkedFake f;
    f.link.Link();
    EXPECT_FALSE(f.link.Borrow());  // the poll has it
    f.link.Unlink();
    {
        MeterLink::Loan loan = f.link.Borrow();
        ASSERT_TRUE(loan);
        EXPECT_EQ(loan.line(), f.line);
        EXPECT_TRUE(f.link.Lent());
        EXPECT_FALSE(f.link.Borrow());
        EXPECT_EQ(f.link.Link().status, LineStatus::Failed);
        EXPECT_FALSE(f.link.Linked());
        MeterLink::Loan moved = std::move(loan);
        EXPECT_FALSE(loan);
        EXPECT_TRUE(moved);
    }
    EXPECT_FALSE(f.link.Lent());
    EXPECT_TRUE(f.link.Link().ok());

    MeterLink none;
    EXPECT_FALSE(none.Borrow());
}

TEST(MeterLinkPort, OpensThroughItsOpenerAndClosesTheOldPortFirst) {
    std::vector<int> opened;
    std::vector<std::shared_ptr<FakeLineLog>> logs;
    MeterLink link([&](int n) {
        opened.push_back(n);
        OpenResult r;
        if (n == 4) {
            r.status = Status::Fail(StatusCode::PortNoTimeouts, "The time-outs could not be set.");
            r.device = "/dev/ttyUSB3";
            return r;
        }
        auto line = std::make_unique<FakeLine>();
        logs.push_back(line->sharedLog());
        r.handle = std::move(line);
        return r;
    });
    link.iPort = 2;
    EXPECT_TRUE(link.OpenPort().handle == nullptr);  // the link keeps the handle
    EXPECT_TRUE(link.PortOpen());
    link.iPort = 4;
    OpenResult failed = link.OpenPort();
    EXPECT_EQ(failed.status.code(), StatusCode::PortNoTimeouts);
    EXPECT_FALSE(link.PortOpen());
    EXPECT_EQ(opened, (std::vector<int>{2, 4}));
    // Choosing another port closes the old one plainly, without flush and pause.
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_TRUE(logs[0]->closed);
    EXPECT_EQ(logs[0]->count("flush"), 0u);

    link.iPort = 1;
    link.OpenPort();
    link.ClosePort();  // the normal close flushes and pauses first
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[1]->count("flush"), 1u);
    EXPECT_EQ(logs[1]->sleeps, std::vector<int>{100});
    EXPECT_FALSE(link.PortOpen());

    MeterLink noOpener;
    EXPECT_EQ(noOpener.OpenPort().status.code(), StatusCode::PortNotOpened);
}

// A link that opens its own port: the adaptor can go away and come back.
struct ReopeningLink {
    ReopeningLink()
        : link([this](int n) {
              opened.push_back(n);
              OpenResult r;
              if (!adaptorThere) {
                  r.status = Status::Fail(StatusCode::PortNotOpened, "The device does not exist.");
                  return r;
              }
              auto owned = std::make_unique<FakeLine>();
              line = owned.get();
              logs.push_back(owned->sharedLog());
              owned->respondWith([this](std::uint8_t) { return DisplayReply(6, value, "0"); });
              r.handle = std::move(owned);
              r.device = "/dev/ttyUSB" + std::to_string(logs.size() - 1);
              return r;
          }) {
        link.iPort = 3;
        link.OpenPort();
    }
    MeterLink link;
    FakeLine* line = nullptr;
    bool adaptorThere = true;
    std::string value = "1.234";
    std::vector<int> opened;
    std::vector<std::shared_ptr<FakeLineLog>> logs;
};

TEST(MeterLinkReconnect, ABrokenLineIsToldOnceThenWaitedForAndTheSamePortReopened) {
    ReopeningLink f;
    f.link.Link();
    ASSERT_EQ(f.link.Poll().result, PollResult::Frame);
    f.link.AcceptReading();
    f.link.Reading.iNoDataCount = 2;  // a warning was near

    f.line->unplug("Input/output error");
    PollStep gone = f.link.Poll();
    EXPECT_EQ(gone.result, PollResult::AdaptorGone);
    EXPECT_EQ(LineFailureDetail(gone.line), "device gone: Input/output error");
    EXPECT_TRUE(f.link.AdaptorGone());
    EXPECT_FALSE(f.link.PortOpen());
    EXPECT_TRUE(f.logs[0]->closed);
    EXPECT_EQ(f.logs[0]->count("flush"), 0u);  // a dead line is not flushed
    // The link and the last reading stay; the failure count starts afresh.
    EXPECT_TRUE(f.link.Linked());
    EXPECT_EQ(f.link.ReadingReceived, 1);
    EXPECT_STREQ(f.link.Reading.szDisplay, "1.234");
    EXPECT_EQ(f.link.Reading.iNoDataCount, 0);

    // While away nothing is polled and no failure is counted, however long it takes.
    for (int i = 0; i < 5; ++i) {
        PollStep away = f.link.Poll();
        EXPECT_EQ(away.result, PollResult::AdaptorAway);
        EXPECT_EQ(away.line.status, LineStatus::DeviceGone);
    }
    EXPECT_EQ(f.link.Reading.iNoDataCount, 0);

    f.adaptorThere = false;
    OpenResult missing = f.link.Reconnect();
    EXPECT_EQ(missing.status.reason(), "The device does not exist.");
    EXPECT_TRUE(f.link.AdaptorGone());
    EXPECT_EQ(f.link.Poll().result, PollResult::AdaptorAway);

    // The fake adaptor and meter read these when the line is opened and polled.
    // cppcheck-suppress [unreadVariable,redundantAssignment] ; read through the fake
    f.adaptorThere = true;
    // cppcheck-suppress unreadVariable ; read through the fake
    f.value = "2.000";
    OpenResult back = f.link.Reconnect();
    EXPECT_EQ(back.device, "/dev/ttyUSB1");
    EXPECT_FALSE(f.link.AdaptorGone());
    EXPECT_EQ(f.logs[1]->rtsCalls, std::vector<bool>{true});
    ASSERT_EQ(f.link.Poll().result, PollResult::Frame);
    f.link.AcceptReading();
    EXPECT_STREQ(f.link.Reading.szDisplay, "2.000");
    // Always the same COM number, resolved by the opener each time.
    EXPECT_EQ(f.opened, (std::vector<int>{3, 3, 3}));
    // Nothing to do once it is back.
    f.link.Reconnect();
    EXPECT_EQ(f.opened.size(), 3u);
}

TEST(MeterLinkReconnect, OnlyALinkedPortWithAnOpenerWaitsAndChoosingAPortStopsTheWait) {
    ReopeningLink f;
    // Not linked: nothing polls, so nothing is found gone.
    f.line->unplug();
    EXPECT_EQ(f.link.Poll().result, PollResult::NoReply);
    EXPECT_FALSE(f.link.AdaptorGone());

    // A failed line counts as broken too; unlinking and linking again keeps the wait.
    f.link.OpenPort();
    f.link.Link();
    f.line->close();
    EXPECT_EQ(f.link.Poll().result, PollResult::AdaptorGone);
    f.link.Unlink();
    EXPECT_TRUE(f.link.AdaptorGone());
    f.link.Link();
    EXPECT_EQ(f.link.Poll().result, PollResult::AdaptorAway);
    // Another port chosen (or the port closed) ends the wait.
    f.link.DropPort();
    EXPECT_FALSE(f.link.AdaptorGone());
    EXPECT_EQ(f.link.Poll().result, PollResult::NoReply);
}

TEST(LineReport, PollNoticesAreWordedOnceForBoxesAndTerminals) {
    PollStep step;
    EXPECT_FALSE(NoticeOf(step));  // a quiet failed poll
    step.result = PollResult::AdaptorAway;
    EXPECT_FALSE(NoticeOf(step));

    step.result = PollResult::NoDataWarning;
    step.line = LineResult::TimedOut(0);
    EXPECT_EQ(NoticeLine(*NoticeOf(step)),
              "Warning[W8004] No data received. Will re-try automatically in 3 seconds. "
              "Check cable connection and COM port selection if required.");

    step.result = PollResult::AdaptorGone;
    step.line = LineResult::Gone(0, "The device hung up.");
    const PollNotice gone = *NoticeOf(step);
    EXPECT_EQ(gone.captionNumber, str::AdaptorLost);
    EXPECT_EQ(gone.texts,
              (std::vector<int>{str::AdaptorLost, str::ReconnectsWhenBack, str::CheckCable}));
    EXPECT_EQ(NoticeLine(gone),
              "Warning[W8400] The connection to the DMM adaptor was lost. Will re-connect "
              "automatically when it is back. Check cable connection and COM port selection if "
              "required. (device gone: The device hung up.)");

    EXPECT_EQ(AdaptorBackLine("COM1", "/tmp/x/COM1"),
              "The connection to the DMM adaptor is back. (COM1: /tmp/x/COM1)");
    EXPECT_EQ(AdaptorBackLine("/dev/ttyUSB0", "/dev/ttyUSB0"),
              "The connection to the DMM adaptor is back. (/dev/ttyUSB0)");
}

TEST(LineReport, OpenFailuresGiveTheSameMessagesEverywhere) {
    OpenResult open;
    open.status = Status::Fail(StatusCode::PortNotOpened, "Permission denied");
    open.device = "/dev/ttyUSB0";
    FailureReport r = ReportOpenFailure(open, "COM2");
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].textNumber, str::PortOpenError);
    EXPECT_EQ(r.detail, "COM2: /dev/ttyUSB0\nPermission denied");
    EXPECT_EQ(ReportLines(r),
              std::vector<std::string>{"Error[E9001] The specified serial port open error. "
                                       "(COM2: /dev/ttyUSB0: Permission denied)"});

    open.status = Status::Fail(StatusCode::PortNoTimeouts, "Permission denied");
    r = ReportOpenFailure(open, "/dev/ttyUSB0");  // a device path given as it is
    ASSERT_EQ(r.messages.size(), 3u);
    EXPECT_EQ(r.messages[0].textNumber, str::PortSettingError);
    EXPECT_TRUE(r.messages[0].exclamation);
    EXPECT_EQ(r.messages[1].captionFormat, str::WarningCaption);
    EXPECT_EQ(r.messages[1].textNumber, str::SelectValidPort);
    EXPECT_FALSE(r.messages[1].withDetail);
    EXPECT_EQ(r.messages[2].textNumber, str::PortOpenError);
    EXPECT_EQ(r.detail, "Permission denied");

    OpenResult nothing;
    nothing.status = Status::Fail(StatusCode::PortNotOpened, "No serial device stands for COM5.");
    EXPECT_EQ(ReportOpenFailure(nothing, "COM5").detail, "COM5\nNo serial device stands for COM5.");
}

TEST(LineReport, EachStatusHasItsWords) {
    EXPECT_EQ(DescribeLineResult(LineResult::Done(3)), "ok");
    EXPECT_EQ(DescribeLineResult(LineResult::TimedOut(0)), "time-out");
    EXPECT_EQ(DescribeLineResult(LineResult::Gone(0, "No such device")),
              "device gone: No such device");
    EXPECT_EQ(DescribeLineResult(LineResult::Fail("The port is not open.")),
              "failed: The port is not open.");
    EXPECT_EQ(LineFailureDetail(LineResult::Done(1)), "");
}

}  // namespace
}  // namespace dmm
