// The meter driver run by the link: bad input and line faults on the adaptor's
// protocol, the same exchange waited for and run as from an event loop, and a meter
// that sends packets unasked fitting behind the same interface.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "meterlink/driver/adaptordriver.h"
#include "meterlink/driver/meterdriver.h"
#include "meterlink/meterlink.h"
#include "support/fakeline.h"
#include "support/fakewaketimer.h"

namespace dmm {
namespace {

using Bytes = FakeLine::Bytes;
using Piece = FakeLine::Piece;

Bytes Reply(const std::string& value, std::uint8_t check = 0) {
    return FakeLine::ReplyFrame(FakeLine::DisplayPayload(6, value, "0"), check);
}

Bytes Cut(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<long>(from),
                 bytes.begin() + static_cast<long>(std::min(to, bytes.size())));
}

// A link with an opener over fake lines; the current line stays reachable.
struct Rig {
    Rig() {
        link = MeterLink([this](int, const LineSettings& settings) {
            OpenResult r;
            opens.push_back(settings);
            if (refuseOpen) {
                r.status = Status::Fail(StatusCode::PortNotOpened, "No such device.");
                return r;
            }
            auto owned = std::make_unique<FakeLine>();
            line = owned.get();
            r.handle = std::move(owned);
            return r;
        });
        link.OpenPort();
        link.Link();
    }
    MeterLink link;
    FakeLine* line = nullptr;
    bool refuseOpen = false;
    std::vector<LineSettings> opens;
};

// Each bad input ends as a failed poll (or a frame where the protocol takes it), never
// with a half-applied reading or an exchange still in flight.
TEST(AdaptorDriverFaults, EachBadInputEndsAsThePollSays) {
    const Bytes good = Reply("1.234");
    const Bytes escaped = Reply("5.000", 0x10);
    struct Row {
        const char* name;
        Bytes stale;               // waiting on the line before the request
        std::vector<Piece> reply;  // the answer, in timed pieces
        PollResult result;
        LineStatus line;
        const char* display;  // the reading afterwards, accepted when the poll gave one
    };
    const Row rows[] = {
        {"garbage before the request is purged",
         {0x10, 0x02, 0x00, 0x0F, 0x55, 0x66},
         {{0, good}},
         PollResult::Frame,
         LineStatus::Ok,
         "1.234"},
        {"a reply in single bytes, far apart",
         {},
         {{0, Cut(good, 0, 4)}, {2900, Cut(good, 4, 19)}, {5800, Cut(good, 19, 99)}},
         PollResult::Frame,
         LineStatus::Ok,
         "1.234"},
        {"a DLE escape split across two reads",
         {},
         {{0, Cut(escaped, 0, 20)}, {40, Cut(escaped, 20, 21)}, {80, Cut(escaped, 21, 99)}},
         PollResult::Frame,
         LineStatus::Ok,
         "5.000"},
        {"a short frame",
         {},
         {{0, FakeLine::ReplyFrame({6, 0, 0, 0, '1'})}},
         PollResult::NoReply,
         LineStatus::Timeout,
         "0.000"},
        {"a payload cut off by its time-out",
         {},
         {{0, Cut(good, 0, 10)}, {250 + 3015 + 1, Cut(good, 10, 99)}},
         PollResult::NoReply,
         LineStatus::Timeout,
         "0.000"},
        {"the trailer cut off by its time-out",
         {},
         {{0, Cut(good, 0, 20)}, {250 + 3001 + 1, Cut(good, 20, 99)}},
         PollResult::NoReply,
         LineStatus::Timeout,
         "0.000"},
        {"no reply at all", {}, {}, PollResult::NoReply, LineStatus::Timeout, "0.000"},
        {"the device gone in the middle of the reply",
         {},
         {{0, Cut(good, 0, 12)}, {300, {}, true}},
         PollResult::AdaptorGone,
         LineStatus::DeviceGone,
         "0.000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (bool events : {false, true}) {
            SCOPED_TRACE(events ? "from an event loop" : "waited for");
            Rig rig;
            FakeWakeTimer* wake = nullptr;
            if (events) {
                auto timer = std::make_unique<FakeWakeTimer>();
                wake = timer.get();
                rig.link.SetWakeTimer(std::move(timer));
            }
            // A first reading, so that a half-applied one would show.
            rig.line->queueReply(Reply("0.000"));
            std::optional<PollStep> first;
            rig.link.StartPoll([&](const PollStep& s) { first = s; });
            if (wake) wake->fireAll(*rig.line);
            ASSERT_TRUE(first);
            ASSERT_EQ(first->result, PollResult::Frame);
            rig.link.AcceptReading();

            rig.line->deliverNow(row.stale);
            rig.line->queueTimedReply(row.reply);
            std::optional<PollStep> step;
            rig.link.StartPoll([&](const PollStep& s) { step = s; });
            if (wake) {
                EXPECT_FALSE(step) << "a poll ends from the event loop";
                wake->fireAll(*rig.line);
            }
            ASSERT_TRUE(step);
            EXPECT_EQ(step->result, row.result);
            EXPECT_EQ(step->line.status, row.line);
            EXPECT_FALSE(rig.link.Busy());
            if (wake) {
                EXPECT_FALSE(wake->Pending()) << "no timer left running";
            }
            if (step->result == PollResult::Frame) rig.link.AcceptReading();
            EXPECT_STREQ(rig.link.Reading.szDisplay, row.display);
            EXPECT_EQ(rig.link.ReadingReceived, 1);
        }
    }
}

TEST(AdaptorDriverFaults, TheThirdFailedPollWarnsAndAPortThatStaysAwayIsTriedAgain) {
    Rig rig;
    auto timer = std::make_unique<FakeWakeTimer>();
    FakeWakeTimer* wake = timer.get();
    rig.link.SetWakeTimer(std::move(timer));
    std::vector<PollResult> results;
    const auto poll = [&] {
        rig.link.StartPoll([&](const PollStep& s) { results.push_back(s.result); });
        wake->fireAll(*rig.line);
    };
    for (int i = 0; i < 3; ++i) poll();
    EXPECT_EQ(results, (std::vector<PollResult>{PollResult::NoReply, PollResult::NoReply,
                                                PollResult::NoDataWarning}));
    // Each silent poll took the pause and one field's time-out, and no more.
    EXPECT_EQ(rig.line->now().time_since_epoch(), std::chrono::milliseconds(3 * 3251));

    // Unplugged while idle: the next poll finds it; a port that cannot be reopened
    // keeps the link waiting, with nothing in flight.
    rig.line->unplug();
    results.clear();
    poll();
    rig.refuseOpen = true;
    EXPECT_FALSE(rig.link.Reconnect().status.ok());
    rig.link.StartPoll([&](const PollStep& s) { results.push_back(s.result); });
    EXPECT_EQ(results, (std::vector<PollResult>{PollResult::AdaptorGone, PollResult::AdaptorAway}));
    EXPECT_FALSE(rig.link.Busy());
    EXPECT_FALSE(wake->Pending());
    rig.refuseOpen = false;
    EXPECT_TRUE(rig.link.Reconnect().status.ok());
    rig.line->queueReply(Reply("2.000"));
    results.clear();
    poll();
    EXPECT_EQ(results, std::vector<PollResult>{PollResult::Frame});
    // Every opening asked for the adaptor's settings.
    ASSERT_EQ(rig.opens.size(), 3u);
    EXPECT_EQ(rig.opens[0], AdaptorDriver::AdaptorLineSettings());
    EXPECT_EQ(rig.opens[0].rts, std::optional<bool>(true));
    EXPECT_FALSE(rig.opens[0].dtr);
}

TEST(AdaptorDriverFaults, ACancelledPollAppliesNothingAndPurgesTheLine) {
    Rig rig;
    auto timer = std::make_unique<FakeWakeTimer>();
    FakeWakeTimer* wake = timer.get();
    rig.link.SetWakeTimer(std::move(timer));
    rig.line->queueTimedReply({{0, Cut(Reply("7.000"), 0, 9)}, {400, Cut(Reply("7.000"), 9, 99)}});
    bool called = false;
    rig.link.StartPoll([&](const PollStep&) { called = true; });
    wake->fire(*rig.line);  // the pause is over, half the reply taken
    const std::size_t purges = rig.line->log().count("purgeReceive");
    rig.link.CancelExchange();
    EXPECT_FALSE(rig.link.Busy());
    EXPECT_FALSE(wake->Pending());
    EXPECT_EQ(rig.line->log().count("purgeReceive"), purges + 1);
    rig.line->advance(1000);  // the rest of the reply arrives after the cancel
    EXPECT_FALSE(called);
    EXPECT_EQ(rig.link.ReadingReceived, 0);
    EXPECT_EQ(rig.link.Reading.iNoDataCount, 0);
}

// A request waited for by serving the event loop: the reply ends it, and so does a
// cancel from elsewhere while it is served (the port closed, a poll started), never
// leaving the wait spinning or an exchange running.
TEST(AdaptorDriverFaults, ARequestServedFromTheEventLoopEndsWhateverEndsItsExchange) {
    enum class During { Nothing, ClosePort, StartPoll, SayStop };
    const std::vector<std::uint8_t> identity = FakeLine::ReplyFrame({0x03});
    for (During during : {During::Nothing, During::ClosePort, During::StartPoll, During::SayStop}) {
        SCOPED_TRACE(static_cast<int>(during));
        Rig rig;
        rig.link.Unlink();
        auto timer = std::make_unique<FakeWakeTimer>();
        FakeWakeTimer* wake = timer.get();
        rig.link.SetWakeTimer(std::move(timer));
        rig.line->queueTimedReply({{0, Cut(identity, 0, 3)}, {400, Cut(identity, 3, 99)}});
        const std::shared_ptr<FakeLineLog> log = rig.line->sharedLog();
        int serves = 0;
        bool stop = false;
        const DriverOutcome out = rig.link.Request(
            MeterRequest{kCmdIdentify, 0}, [&] { return !stop; },
            [&] {
                if (++serves == 2 && during == During::ClosePort) return rig.link.DropPort();
                if (serves == 2 && during == During::StartPoll) return rig.link.StartPoll({});
                if (serves == 2 && during == During::SayStop) {
                    stop = true;
                    return;
                }
                if (serves < 10) wake->fire(*rig.line);
            });
        EXPECT_EQ(out.line.ok(), during == During::Nothing);
        EXPECT_EQ(serves, 2);
        EXPECT_EQ(log->count("wait"), 0u);
        EXPECT_EQ(out.bytes.empty(), during != During::Nothing);
        EXPECT_EQ(rig.link.Busy(), during == During::StartPoll);  // only the poll goes on
    }
}

// A meter that sends packets on its own ("#" digits "\n"); at each poll the newest
// whole packet not yet used is the reading, and no new packet is a failed poll.
class StreamingDriver : public MeterDriver {
public:
    LineSettings Settings() const override {
        LineSettings s;
        s.baud = 2400;
        s.dtr = true;
        s.rts = false;
        return s;
    }
    void SetPort(DriverPort* port) override { port_ = port; }
    void OnBytes(const std::uint8_t* data, std::size_t n) override {
        for (std::size_t i = 0; i < n; ++i) {
            const char c = static_cast<char>(data[i]);
            if (c == '#') {
                packet_ = std::string(1, c);
            } else if (c == '\n' && packet_.size() > 1) {
                newest_ = packet_.substr(1);
                packet_.clear();
            } else if (!packet_.empty() && c >= '0' && c <= '9') {
                packet_ += c;
            } else {
                packet_.clear();  // not a packet: wait for the next start
            }
        }
    }
    void OnTimer() override {}
    void OnLineBroken(const LineResult& why) override { broken_ = why; }
    void StartPoll(const MeterReading& previous) override {
        outcome_ = {};
        if (broken_) {
            outcome_.line = *broken_;
        } else if (newest_.empty()) {
            outcome_.line = LineResult::TimedOut(0);
        } else {
            MeterReading r = previous;
            r.sValue = newest_;
            r.dValue = std::stod(newest_);
            outcome_.reading = r;
            newest_.clear();
        }
        port_->Finished();
    }
    bool Busy() const override { return false; }
    void Cancel() override {}
    DriverOutcome TakeOutcome() override { return std::move(outcome_); }

private:
    DriverPort* port_ = nullptr;
    std::string packet_;
    std::string newest_;
    std::optional<LineResult> broken_;
    DriverOutcome outcome_;
};

TEST(StreamingMeter, TheNewestUnusedPacketIsTheReadingAndNoNewPacketIsAFailedPoll) {
    for (bool events : {false, true}) {
        SCOPED_TRACE(events ? "from an event loop" : "waited for");
        Rig rig;
        rig.link.SetDriver(std::make_unique<StreamingDriver>());
        if (events) rig.link.SetWakeTimer(std::make_unique<FakeWakeTimer>());
        rig.link.OpenPort();  // with the meter's own settings
        ASSERT_EQ(rig.opens.size(), 2u);
        EXPECT_EQ(rig.opens[1].baud, 2400);
        EXPECT_EQ(rig.opens[1].dtr, std::optional<bool>(true));
        rig.link.Link();
        const auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };

        rig.line->deliverNow(text("#12\n#3"));  // a packet and the start of the next
        rig.line->deliverNow(text("4\nxx#5"));  // its end, garbage, a packet begun
        std::vector<PollResult> results;
        const auto poll = [&] {
            rig.link.StartPoll([&](const PollStep& s) { results.push_back(s.result); });
        };
        poll();
        ASSERT_EQ(results.size(), 1u) << "nothing to wait for";
        EXPECT_EQ(results[0], PollResult::Frame);
        rig.link.AcceptReading();
        EXPECT_EQ(rig.link.Reading.sValue, "34");
        poll();  // packet 5 is not whole yet
        poll();
        rig.line->deliverNow(text("6\n"));
        poll();
        rig.link.AcceptReading();
        EXPECT_EQ(rig.link.Reading.sValue, "56");
        poll();
        EXPECT_EQ(results, (std::vector<PollResult>{PollResult::Frame, PollResult::NoReply,
                                                    PollResult::NoReply, PollResult::Frame,
                                                    PollResult::NoReply}));
        // Nothing was ever sent to a meter that talks on its own.
        EXPECT_TRUE(rig.line->log().writes.empty());
        // A request it does not know is refused.
        EXPECT_FALSE(rig.link.StartRequest(MeterRequest{kCmdIdentify, 0}, {}));
        EXPECT_FALSE(rig.link.Request(MeterRequest{kCmdIdentify, 0}).line.ok());
    }
}

}  // namespace
}  // namespace dmm
