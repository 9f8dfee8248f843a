// The drivers of meters that stream a chip's packets, run by the link: each packet
// is used at most once, a tick without a new one waits for the next and fails without
// it, bad bytes never become a reading, and a line that breaks is reported and opened
// again.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "meterlink/driver/adaptordriver.h"
#include "meterlink/driver/chipdriver.h"
#include "meterlink/driver/meterfamilies.h"
#include "meterlink/labels.h"
#include "meterlink/meterlink.h"
#include "meterlink/numparse.h"
#include "support/fakeline.h"
#include "support/fakewaketimer.h"

namespace dmm {
namespace {

using Bytes = FakeLine::Bytes;
using chips::LcdReading;

struct Family {
    std::string_view name;
    std::int32_t counts;
    std::function<Bytes(const LcdReading&)> packet;
};

template <class Packet>
Bytes AsBytes(const Packet& p) {
    return Bytes(p.begin(), p.end());
}

const Family kFamilies[] = {
    {kFs9721Meter, chips::kFs9721Counts,
     [](const LcdReading& l) { return AsBytes(chips::EncodeFs9721(l)); }},
    {kFs9922Meter, chips::kFs9922Counts,
     [](const LcdReading& l) { return AsBytes(chips::EncodeFs9922(l)); }},
};

LcdReading Volts(const char (&digits)[5], bool lowBattery = false) {
    LcdReading l;
    l.digits = {digits[0], digits[1], digits[2], digits[3]};
    l.point = 1;
    l.quantity = chips::Quantity::Volts;
    l.coupling = chips::Coupling::Dc;
    l.lowBattery = lowBattery;
    return l;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Cut(const Bytes& b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to));
}

// A link over fake lines, opened again by Reconnect(); the current line stays reachable.
struct Rig {
    explicit Rig(std::string_view meter, bool events) {
        link = MeterLink([this](int, const LineSettings& settings) {
            OpenResult r;
            opens.push_back(settings);
            auto owned = std::make_unique<FakeLine>();
            line = owned.get();
            r.handle = std::move(owned);
            return r;
        });
        link.SetDriver(MakeMeterDriver(meter));
        if (events) {
            auto timer = std::make_unique<FakeWakeTimer>();
            wake = timer.get();
            link.SetWakeTimer(std::move(timer));
        }
        link.OpenPort();
        link.Link();
    }
    PollResult poll() {
        std::optional<PollStep> step;
        link.StartPoll([&](const PollStep& s) { step = s; });
        if (wake && line) wake->fireAll(*line);
        EXPECT_TRUE(step);
        EXPECT_FALSE(link.Busy());
        if (wake) {
            EXPECT_FALSE(wake->Pending()) << "no timer left running";
        }
        if (step && (step->result == PollResult::Frame || step->result == PollResult::LowBattery))
            link.AcceptReading();
        return step ? step->result : PollResult::NoReply;
    }
    MeterLink link;
    FakeLine* line = nullptr;
    FakeWakeTimer* wake = nullptr;
    std::vector<LineSettings> opens;
};

TEST(ChipDriver, EachPacketIsUsedOnceAndBadBytesNeverBecomeAReading) {
    // What arrives before a tick (nothing for an empty one), or laterMs into it, and
    // what that tick gives.
    struct Tick {
        std::function<Bytes(const Family&)> arrives;
        PollResult result;
        const char* display;  // the reading afterwards
        int laterMs = 0;
    };
    const auto none = [](const Family&) { return Bytes{}; };
    const auto packet = [](const char(&digits)[5]) {
        return [&digits](const Family& f) { return f.packet(Volts(digits)); };
    };
    struct Row {
        const char* name;
        std::vector<Tick> ticks;
    };
    const Row rows[] = {
        {"the newest of two packets is the reading, and it is used once",
         {{[](const Family& f) {
               return Join({f.packet(Volts("1234")), f.packet(Volts("5678"))});
           },
           PollResult::Frame, "5.678"},
          {none, PollResult::NoReply, "5.678"}}},
        {"a packet cut between two ticks is read whole at the second",
         {{[](const Family& f) { return Cut(f.packet(Volts("1234")), 0, 5); }, PollResult::NoReply,
           ""},
          {[](const Family& f) { return Cut(f.packet(Volts("1234")), 5, 14); }, PollResult::Frame,
           "1.234"}}},
        {"garbage and a packet with a bit flipped are dropped, the next packet is read",
         {{[](const Family& f) {
               Bytes flipped = f.packet(Volts("9999"));
               flipped.back() ^= 0x10;
               return Join({{0xFF, 0x0D, 0x0A, 0x31}, flipped});
           },
           PollResult::NoReply, ""},
          {packet("1234"), PollResult::Frame, "1.234"}}},
        {"the third tick without a packet warns",
         {{packet("2000"), PollResult::Frame, "2.000"},
          {none, PollResult::NoReply, "2.000"},
          {none, PollResult::NoReply, "2.000"},
          {none, PollResult::NoDataWarning, "2.000"},
          {packet("3000"), PollResult::Frame, "3.000"}}},
        {"a packet that comes while a tick waits is its reading",
         {{packet("1234"), PollResult::Frame, "1.234", 1500},
          {packet("2345"), PollResult::NoReply, "1.234", 2100}}},
        {"low battery",
         {{[](const Family& f) { return f.packet(Volts("1500", true)); }, PollResult::LowBattery,
           "1.500"}}},
    };
    for (const Family& f : kFamilies) {
        SCOPED_TRACE(std::string(f.name));
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            for (bool events : {false, true}) {
                SCOPED_TRACE(events ? "from an event loop" : "waited for");
                Rig rig(f.name, events);
                for (const Tick& tick : row.ticks) {
                    if (tick.laterMs == 0)
                        rig.line->deliverNow(tick.arrives(f));
                    else
                        rig.line->scheduleArrival({{tick.laterMs, tick.arrives(f)}});
                    EXPECT_EQ(rig.poll(), tick.result);
                    EXPECT_EQ(FieldString(rig.link.Reading.szDisplay), tick.display);
                }
                const MeterReading& r = rig.link.Reading;
                if (rig.link.ReadingReceived) {
                    EXPECT_EQ(r.iFunc, func::VoltsDc);
                    EXPECT_EQ(r.iFullScale, f.counts);
                    EXPECT_EQ((r.dwStatus & kLowBatteryBit) != 0,
                              row.ticks.back().result == PollResult::LowBattery);
                }
                EXPECT_TRUE(rig.line->log().writes.empty()) << "nothing is sent to the meter";
            }
        }
    }
}

TEST(ChipDriver, OpensAt2400WithTheCablePoweredAndReportsABrokenLineOnce) {
    for (const Family& f : kFamilies) {
        SCOPED_TRACE(std::string(f.name));
        for (bool events : {false, true}) {
            SCOPED_TRACE(events ? "from an event loop" : "waited for");
            Rig rig(f.name, events);
            ASSERT_EQ(rig.opens.size(), 1u);
            const LineSettings& s = rig.opens[0];
            EXPECT_EQ(s.baud, 2400);
            EXPECT_EQ(s.dataBits, 8);
            EXPECT_EQ(s.parity, Parity::None);
            EXPECT_EQ(s.stopBits, StopBits::One);
            EXPECT_EQ(s.dtr, std::optional<bool>(true));
            EXPECT_EQ(s.rts, std::optional<bool>(false));
            EXPECT_EQ(rig.line->log().rtsCalls, std::vector<bool>{false}) << "linking drops RTS";

            // Unplugged with half a packet read: said once, the port let go.
            const Bytes p = f.packet(Volts("4321"));
            rig.line->deliverNow(Join({f.packet(Volts("1111")), Cut(p, 0, 7)}));
            rig.line->unplug();
            EXPECT_EQ(rig.poll(), PollResult::AdaptorGone);
            EXPECT_FALSE(rig.link.PortOpen());
            EXPECT_EQ(rig.poll(), PollResult::AdaptorAway);
            ASSERT_TRUE(rig.link.Reconnect().status.ok());
            EXPECT_EQ(rig.opens.back(), ChipDriver::ChipLineSettings());
            // The packet's other half on the new line is no packet.
            rig.line->deliverNow(Cut(p, 7, 14));
            EXPECT_EQ(rig.poll(), PollResult::NoReply);
            rig.line->deliverNow(p);
            EXPECT_EQ(rig.poll(), PollResult::Frame);
            EXPECT_EQ(FieldString(rig.link.Reading.szDisplay), "4.321");
        }
    }
}

// The four lines a 9600-baud ASCII-14 meter answers with: the display, then others.
Bytes Ascii14Set(const LcdReading& display) {
    LcdReading ac = display;
    ac.coupling = chips::Coupling::Ac;
    LcdReading amps = display;
    amps.quantity = chips::Quantity::Amps;
    LcdReading other = display;
    other.digits = "9876";
    return Join({AsBytes(*chips::EncodeAscii14(display)), AsBytes(*chips::EncodeAscii14(ac)),
                 AsBytes(*chips::EncodeAscii14(amps)), AsBytes(*chips::EncodeAscii14(other))});
}

TEST(ChipDriver, TheFiveDigitChipsAndTheAskedLineUseEachPacketOnce) {
    struct Row {
        std::string_view meter;
        Bytes packet;  // shows 1.2345 V DC (1.234 V on the four-digit line)
        const char* display;
        std::int32_t fullScale;
        bool asked;  // "D" at each tick, and only an answer after it counts
    };
    LcdReading five;
    five.digits = "12345";
    five.point = 1;
    five.quantity = chips::Quantity::Volts;
    five.coupling = chips::Coupling::Dc;
    five.autoRange = true;
    LcdReading four = five;
    four.digits = "1234";
    four.autoRange = false;
    const Row rows[] = {
        {kEs51922Meter, AsBytes(*chips::EncodeEs51922(five)), "1.2345", chips::kEs51922Counts,
         false},
        {kUt71xMeter, AsBytes(*chips::EncodeUt71x(five)), "1.2345", chips::kUt71xCounts, false},
        {kAscii14Meter, AsBytes(*chips::EncodeAscii14(four)), "1.234", chips::kAscii14Counts, true},
        {kAscii14At600Meter, AsBytes(*chips::EncodeAscii14(four)), "1.234", chips::kAscii14Counts,
         true},
        {kAscii14At2400Meter, AsBytes(*chips::EncodeAscii14(four)), "1.234", chips::kAscii14Counts,
         true},
        {kAscii14At9600Meter, Ascii14Set(four), "1.234", chips::kAscii14Counts, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.meter));
        for (bool events : {false, true}) {
            SCOPED_TRACE(events ? "from an event loop" : "waited for");
            Rig rig(row.meter, events);
            ASSERT_EQ(rig.opens.size(), 1u);
            EXPECT_EQ(rig.opens[0], MakeMeterDriver(row.meter)->Settings());
            Bytes flipped = row.packet;
            flipped[2] ^= 0x40;
            // Garbage and a damaged packet, then a whole one: only the whole one is read,
            // and only once. An asked meter's line counts only after the request.
            rig.line->deliverNow(Join({{0x0D, 0x0A, 0x37}, flipped, row.packet}));
            if (row.asked) {
                EXPECT_EQ(rig.poll(), PollResult::NoReply) << "a line sent before the request";
                rig.line->scheduleArrival({{120, row.packet}});
            }
            EXPECT_EQ(rig.poll(), PollResult::Frame);
            EXPECT_EQ(FieldString(rig.link.Reading.szDisplay), row.display);
            EXPECT_EQ(rig.link.Reading.iFunc, func::VoltsDc);
            EXPECT_EQ(rig.link.Reading.iFullScale, row.fullScale);
            EXPECT_EQ(rig.poll(), PollResult::NoReply) << "used once";
            const std::size_t ticks = row.asked ? 3 : 0;
            EXPECT_EQ(rig.line->log().written(), Bytes(ticks, 'D'));
        }
    }
}

TEST(ChipDriver, TheFourLineMeterReadsTheFirstLineOfAWholeAnswerOnly) {
    const Bytes set = Ascii14Set(Volts("1234"));
    Bytes garbled = set;
    garbled[30] = 0x00;
    struct Tick {
        std::vector<FakeLine::Piece> answer;
        PollResult result;
        const char* display;  // the reading afterwards
    };
    const Tick ticks[] = {
        {{{100, Cut(set, 0, 23)}}, PollResult::NoReply, ""},  // cut short
        // The request starts the count again: the cut line left over is not a line.
        {{{100, set}}, PollResult::Frame, "1.234"},
        {{{100, garbled}}, PollResult::NoReply, "1.234"},
        {{{100, Cut(set, 0, 20)}, {160, Cut(set, 20, 56)}}, PollResult::Frame, "1.234"},
        {{{100, Ascii14Set(Volts("2000"))}}, PollResult::Frame, "2.000"},
    };
    for (bool events : {false, true}) {
        SCOPED_TRACE(events ? "from an event loop" : "waited for");
        Rig rig(kAscii14At9600Meter, events);
        for (const Tick& tick : ticks) {
            rig.line->scheduleArrival(tick.answer);
            EXPECT_EQ(rig.poll(), tick.result);
            EXPECT_EQ(FieldString(rig.link.Reading.szDisplay), tick.display);
            if (rig.link.ReadingReceived) {
                EXPECT_EQ(rig.link.Reading.iFunc, func::VoltsDc);
            }
        }
        EXPECT_EQ(rig.line->log().written(), Bytes(std::size(ticks), 'D'));
    }
}

TEST(MeterFamilies, EveryNameMakesItsDriverAndNoOtherNameDoes) {
    const std::pair<std::string_view, LineSettings> lines[] = {
        {kAdaptorMeter, AdaptorDriver::AdaptorLineSettings()},
        {kFs9721Meter, ChipDriver::ChipLineSettings()},
        {kFs9922Meter, ChipDriver::ChipLineSettings()},
        {kEs51922Meter, {19200, 7, Parity::Odd, StopBits::One, true, false}},
        {kAscii14Meter, {1200, 7, Parity::None, StopBits::Two, true, false}},
        {kAscii14At600Meter, {600, 7, Parity::None, StopBits::Two, true, false}},
        {kAscii14At2400Meter, {2400, 7, Parity::None, StopBits::Two, true, false}},
        {kAscii14At9600Meter, {9600, 7, Parity::None, StopBits::Two, true, false}},
        {kUt71xMeter, {2400, 7, Parity::Odd, StopBits::One, true, false}},
    };
    ASSERT_EQ(MeterNames().size(), std::size(lines));
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        const auto& [name, settings] = lines[i];
        SCOPED_TRACE(std::string(name));
        EXPECT_EQ(MeterNames()[i], name);
        EXPECT_TRUE(IsMeterName(name));
        std::unique_ptr<MeterDriver> driver = MakeMeterDriver(name);
        ASSERT_TRUE(driver);
        EXPECT_EQ(driver->Settings(), settings);
    }
    MeterLink link;
    for (std::string_view bad : {"", "FS9721", "fs9721 ", "fs", "qm1538"}) {
        EXPECT_FALSE(IsMeterName(bad)) << bad;
        EXPECT_FALSE(MakeMeterDriver(bad)) << bad;
        EXPECT_FALSE(link.SetMeter(bad)) << bad;
        EXPECT_EQ(link.Meter(), kAdaptorMeter);
    }
    // The link makes the driver of the meter chosen.
    ASSERT_TRUE(link.SetMeter(kFs9922Meter));
    EXPECT_EQ(link.Meter(), kFs9922Meter);
    EXPECT_NE(dynamic_cast<Fs9922Driver*>(&link.Driver()), nullptr);
    EXPECT_FALSE(link.SetMeter("fs99"));
    EXPECT_EQ(link.Meter(), kFs9922Meter);
    ASSERT_TRUE(link.SetMeter(kAdaptorMeter));
    EXPECT_EQ(link.Settings(), AdaptorDriver::AdaptorLineSettings());
}

}  // namespace
}  // namespace dmm
