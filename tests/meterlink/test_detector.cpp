// Finding the meter on a port: each family is found at its own line setting, the one
// found last is tried first, and garbage or silence end with nothing found in time,
// every line opened for the probe closed again. Run from a pump and from an event loop.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "meterlink/chips/ascii14.h"
#include "meterlink/chips/es51922.h"
#include "meterlink/chips/fs9721.h"
#include "meterlink/chips/fs9922.h"
#include "meterlink/chips/ut71x.h"
#include "meterlink/driver/adaptordriver.h"
#include "meterlink/driver/chipdriver.h"
#include "meterlink/driver/detector.h"
#include "meterlink/driver/meterfamilies.h"
#include "support/fakeline.h"
#include "support/fakewaketimer.h"

namespace dmm {
namespace {

using Bytes = FakeLine::Bytes;

chips::LcdReading Volts(std::string digits = "1234") {
    chips::LcdReading l;
    l.digits = std::move(digits);
    l.point = 1;
    l.quantity = chips::Quantity::Volts;
    l.coupling = chips::Coupling::Dc;
    return l;
}

template <class Packet>
Bytes AsBytes(const Packet& p) {
    return Bytes(p.begin(), p.end());
}

// A packet every 400 ms for 3 s, as a chip streams.
void Stream(FakeLine& line, const Bytes& packet) {
    std::vector<FakeLine::Piece> pieces;
    for (int ms = 0; ms < 3000; ms += 400) pieces.push_back({ms, packet});
    line.scheduleArrival(std::move(pieces));
}

// What is on the port: how it behaves on a line opened with these settings.
using Meter = std::function<void(FakeLine&, const LineSettings&)>;

Meter Only(std::string_view family, const std::function<void(FakeLine&)>& speak) {
    const LineSettings wanted = MakeMeterDriver(family)->Settings();
    return [wanted, speak](FakeLine& line, const LineSettings& s) {
        if (s == wanted) speak(line);
    };
}

const Meter kAdaptor = Only(kAdaptorMeter, [](FakeLine& l) {
    l.respondWith(
        [](std::uint8_t c) { return c == kCmdIdentify ? FakeLine::ReplyFrame({0x04}) : Bytes{}; });
});
const Meter kFs9721 =
    Only(kFs9721Meter, [](FakeLine& l) { Stream(l, AsBytes(chips::EncodeFs9721(Volts()))); });
const Meter kFs9922 =
    Only(kFs9922Meter, [](FakeLine& l) { Stream(l, AsBytes(chips::EncodeFs9922(Volts()))); });
const Meter kEs51922 = Only(
    kEs51922Meter, [](FakeLine& l) { Stream(l, AsBytes(*chips::EncodeEs51922(Volts("12345")))); });
const Meter kUt71x =
    Only(kUt71xMeter, [](FakeLine& l) { Stream(l, AsBytes(*chips::EncodeUt71x(Volts("12345")))); });
const Meter kAscii14 = Only(kAscii14Meter, [](FakeLine& l) {
    l.answerByte(chips::kAscii14Request, AsBytes(*chips::EncodeAscii14(Volts())), 150);
});
// The same at its other settings; at 9600 baud it answers with four lines.
Meter Ascii14At(std::string_view family) {
    const bool set = family == kAscii14At9600Meter;
    return Only(family, [set](FakeLine& l) {
        Bytes answer;
        for (std::size_t i = 0; i < (set ? chips::kAscii14SetLines : 1); ++i) {
            const chips::Ascii14Packet p = *chips::EncodeAscii14(Volts(i == 0 ? "1234" : "5678"));
            answer.insert(answer.end(), p.begin(), p.end());
        }
        l.answerByte(chips::kAscii14Request, answer, 150);
    });
}
const Meter kGarbage = [](FakeLine& line, const LineSettings&) {
    std::vector<FakeLine::Piece> pieces;
    for (int ms = 0; ms < 3000; ms += 50)
        pieces.push_back({ms, {0xFF, 0x10, 0x02, 0x0D, 0x0A, 0x55, 0x80}});
    line.scheduleArrival(std::move(pieces));
    line.respondWith([](std::uint8_t) {
        return Bytes{0x10, 0x02, 0x00, 0x01, 0x04};
    });  // cut short
};
const Meter kSilence = [](FakeLine&, const LineSettings&) {};

struct Probe {
    std::vector<LineSettings> opens;
    std::vector<std::shared_ptr<FakeLineLog>> logs;
    FakeLine* line = nullptr;
    std::string found;
    std::chrono::milliseconds elapsed{};
};

Probe RunProbe(const Meter& meter, std::string_view lastFound, bool events) {
    Probe p;
    FakeWakeTimer timer;  // outlives the detector, which lets go of it when destroyed
    MeterDetector detector(
        [&](const LineSettings& s) {
            auto owned = std::make_unique<FakeLine>();
            owned->advance(static_cast<int>(p.elapsed.count()));  // one clock across the lines
            p.line = owned.get();
            p.opens.push_back(s);
            p.logs.push_back(owned->sharedLog());
            meter(*owned, s);
            OpenResult r;
            r.handle = std::move(owned);
            return r;
        },
        lastFound);
    int ended = 0;
    detector.SetOnFinished([&] { ++ended; });
    if (events) detector.SetWakeTimer(&timer);
    detector.Start();
    if (events) {
        for (int i = 0; i < 10000 && detector.Running(); ++i) {
            p.elapsed = detector.Elapsed();
            EXPECT_TRUE(timer.Pending()) << "a probe that runs has its timer set";
            if (!timer.fireInTime(*p.line)) break;
        }
    } else {
        EXPECT_TRUE(detector.Pump());
    }
    EXPECT_FALSE(detector.Running());
    EXPECT_EQ(ended, 1);
    p.found = detector.Found();
    p.elapsed = detector.Elapsed();
    return p;
}

TEST(MeterDetector, FindsEachFamilyAndEndsInTimeWithoutOne) {
    const LineSettings adaptor = AdaptorDriver::AdaptorLineSettings();
    const LineSettings chips = ChipDriver::ChipLineSettings();
    const LineSettings es = chips::kEs51922Line;
    const LineSettings ut = chips::kUt71xLine;
    const LineSettings ascii = chips::kAscii14Line;
    const std::vector<LineSettings> five{adaptor, chips, es, ut, ascii};
    const LineSettings at600 = chips::Ascii14Line(600);
    const LineSettings at2400 = chips::Ascii14Line(2400);
    const LineSettings at9600 = chips::Ascii14Line(9600);
    const std::vector<LineSettings> all{adaptor, chips, es, ut, ascii, at600, at2400, at9600};
    struct Row {
        const char* name;
        Meter meter;
        std::string_view lastFound;
        std::string found;
        std::vector<LineSettings> opens;  // the settings tried, in order
    };
    const Row rows[] = {
        {"the adaptor answers its identity request", kAdaptor, {}, "adaptor", {adaptor}},
        {"an fs9721 streams", kFs9721, {}, "fs9721", {adaptor, chips}},
        {"an fs9922 streams", kFs9922, {}, "fs9922", {adaptor, chips}},
        {"an es51922 streams", kEs51922, {}, "es51922", {adaptor, chips, es}},
        {"a ut71x streams", kUt71x, {}, "ut71x", {adaptor, chips, es, ut}},
        {"an ascii14 meter answers D", kAscii14, {}, "ascii14", five},
        {"at 600 baud",
         Ascii14At(kAscii14At600Meter),
         {},
         "ascii14-600",
         {adaptor, chips, es, ut, ascii, at600}},
        {"at 2400 baud",
         Ascii14At(kAscii14At2400Meter),
         {},
         "ascii14-2400",
         {adaptor, chips, es, ut, ascii, at600, at2400}},
        {"four lines at 9600 baud, the last setting",
         Ascii14At(kAscii14At9600Meter),
         {},
         "ascii14-9600",
         all},
        {"the family found last is tried first", kFs9922, kFs9922Meter, "fs9922", {chips}},
        {"the last found again", kAscii14, kAscii14Meter, "ascii14", {ascii}},
        {"a family found last that is gone is tried first, then the rest",
         kAdaptor,
         kFs9721Meter,
         "adaptor",
         {chips, adaptor}},
        {"garbage at every setting", kGarbage, {}, "", all},
        {"silence", kSilence, {}, "", all},
        {"an unknown family found last changes nothing", kSilence, "fs1234", "", all},
    };
    for (const Row& row : rows) {
        for (bool events : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (events ? " (event loop)" : " (pump)"));
            const Probe p = RunProbe(row.meter, row.lastFound, events);
            EXPECT_EQ(p.found, row.found);
            EXPECT_EQ(p.opens, row.opens);
            EXPECT_LE(p.elapsed, MeterDetector::kTotalTime);
            for (const auto& log : p.logs)
                EXPECT_TRUE(log->closed) << "every line opened is closed";
            if (row.found.empty()) {
                EXPECT_GE(p.elapsed, MeterDetector::kSettingTime * p.opens.size());
            }
        }
    }
}

TEST(MeterDetector, APortThatDoesNotOpenOrBreaksEndsTheProbeWithItsReason) {
    MeterDetector refused([](const LineSettings&) {
        OpenResult r;
        r.status = Status::Fail(StatusCode::PortNotOpened, "The device does not exist.");
        return r;
    });
    refused.Start();
    EXPECT_FALSE(refused.Running());
    EXPECT_EQ(refused.Found(), "");
    EXPECT_EQ(refused.Failure(), "The device does not exist.");

    std::shared_ptr<FakeLineLog> log;
    MeterDetector unplugged([&](const LineSettings&) {
        auto line = std::make_unique<FakeLine>();
        log = line->sharedLog();
        line->scheduleArrival({{300, {}, true}});
        OpenResult r;
        r.handle = std::move(line);
        return r;
    });
    unplugged.Start();
    EXPECT_TRUE(unplugged.Pump());
    EXPECT_EQ(unplugged.Found(), "");
    EXPECT_NE(unplugged.Failure().find("device gone"), std::string::npos) << unplugged.Failure();
    EXPECT_TRUE(log->closed);
}

TEST(MeterDetector, CancelClosesTheLineAndFindsNothing) {
    std::shared_ptr<FakeLineLog> log;
    MeterDetector detector([&](const LineSettings& s) {
        auto line = std::make_unique<FakeLine>();
        log = line->sharedLog();
        kFs9721(*line, s);
        OpenResult r;
        r.handle = std::move(line);
        return r;
    });
    int ended = 0;
    detector.SetOnFinished([&] { ++ended; });
    detector.Start();
    int asked = 0;
    EXPECT_FALSE(detector.Pump([&] { return ++asked < 3; }));
    EXPECT_FALSE(detector.Running());
    EXPECT_EQ(detector.Found(), "");
    EXPECT_TRUE(log->closed);
    EXPECT_EQ(ended, 0) << "a cancelled probe is not reported as ended";
}

}  // namespace
}  // namespace dmm
