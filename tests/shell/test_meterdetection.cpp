// The desktop's meter choice with Detect: what the link talks to for each choice, and the
// probe on the link's own port: the port is open once at a time, the family found becomes
// the link's driver on a port opened again, and silence, a refused port or Cancel leave
// the port closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "meterlink/driver/adaptordriver.h"
#include "meterlink/driver/chipdriver.h"
#include "meterlink/driver/meterfamilies.h"
#include "shell/rules/meterchoice.h"
#include "shell/rules/meterdetection.h"
#include "support/chippackets.h"
#include "support/fakeline.h"
#include "support/fakewaketimer.h"

namespace dmm {
namespace {

TEST(MeterDetection, TheLinkTalksToTheFamilyChosenOrForAutoTheOneFoundLast) {
    const struct {
        std::string_view chosen, detected;
        std::string_view wantChosen, wantDetected, linkMeter;
    } rows[] = {
        {"fs9721", "", "fs9721", "", "fs9721"},
        {"fs9922", "fs9721", "fs9922", "", "fs9922"},  // a family forgets what auto found
        {"auto", "fs9922", "auto", "fs9922", "fs9922"},
        {"auto", "", "auto", "", "adaptor"},
        {"auto", "fs1234", "auto", "", "adaptor"},
        {"auto", "auto", "auto", "", "adaptor"},
        {"fs1234", "fs9721", "adaptor", "", "adaptor"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.chosen) + " / " + std::string(row.detected));
        MeterLink link;
        MeterDetection detection(link);
        detection.Choose(row.chosen, row.detected);
        EXPECT_EQ(detection.Chosen(), row.wantChosen);
        EXPECT_EQ(detection.Detected(), row.wantDetected);
        EXPECT_EQ(link.Meter(), row.linkMeter);
        EXPECT_EQ(LinkMeterFor(row.chosen, row.detected), row.linkMeter);
    }
    LineSettings sevenOddTwo{1200, 7, Parity::Odd, StopBits::Two, {}, {}};
    EXPECT_EQ(LineSettingsText(sevenOddTwo), "1200 baud 7O2");
}

// A link whose opener makes fake lines: an fs9721 streams at the chips' setting when
// `streams`, nothing answers otherwise; `refuse` fails every open.
struct Bench {
    bool streams = false;
    bool refuse = false;
    std::vector<LineSettings> opens;
    std::vector<std::shared_ptr<FakeLineLog>> logs;
    bool otherPort = false;
    int mostOpen = 0;  // lines open at the moment of an open
    FakeLine* line = nullptr;
    std::chrono::milliseconds clock{0};
    FakeWakeTimer* wake = nullptr;
    MeterLink link;
    MeterDetection detection{link};
    int progress = 0;
    int finished = 0;

    Bench() {
        link.iPort = 3;
        link.SetOpener([this](int n, const LineSettings& s) {
            OpenResult r;
            if (refuse) {
                r.status = Status::Fail(StatusCode::PortNotOpened, "The device does not exist.");
                r.device = "/dev/ttyUSB7";
                return r;
            }
            mostOpen = std::max(mostOpen, OpenLines());
            otherPort = otherPort || n != 3;
            auto owned = std::make_unique<FakeLine>();
            owned->advance(static_cast<int>(clock.count()));
            line = owned.get();
            opens.push_back(s);
            logs.push_back(owned->sharedLog());
            if (streams && s == ChipDriver::ChipLineSettings()) {
                std::vector<FakeLine::Piece> pieces;
                for (int ms = 0; ms < 3000; ms += 400)
                    pieces.push_back({ms, test::Fs9721VoltsDc("1234", 1)});
                owned->scheduleArrival(std::move(pieces));
            }
            r.handle = std::move(owned);
            return r;
        });
        auto timer = std::make_unique<FakeWakeTimer>();
        wake = timer.get();
        detection.SetWakeTimer(std::move(timer));
        detection.SetOnProgress([this] { ++progress; });
        detection.SetOnFinished([this] { ++finished; });
    }
    // Lets the probe run from its "event loop" to its end.
    void Run() {
        for (int i = 0; i < 10000 && detection.Running(); ++i) {
            clock = detection.Progress().elapsed;
            if (!wake->fire(*line)) break;
        }
    }
    int OpenLines() const {
        return static_cast<int>(
            std::ranges::count_if(logs, [](const auto& l) { return !l->closed; }));
    }
};

TEST(MeterDetection, AProbeOnTheLinksPortGivesTheLinkTheFamilyFoundOrLeavesThePortClosed) {
    const LineSettings adaptor = AdaptorDriver::AdaptorLineSettings();
    const LineSettings chips = ChipDriver::ChipLineSettings();
    // Every setting the probe tries, the chips' first.
    std::vector<LineSettings> chipsFirst{chips};
    for (const DetectProbe& p : DetectProbes()) {
        const LineSettings s = MakeMeterDriver(p.meter)->Settings();
        if (std::ranges::find(chipsFirst, s) == chipsFirst.end()) chipsFirst.push_back(s);
    }
    const struct {
        const char* name;
        bool streams;
        std::string_view detectedBefore;
        std::string found;
        std::vector<LineSettings> opens;  // the probe's, then the link's own again
    } rows[] = {
        {"an fs9721", true, {}, "fs9721", {adaptor, chips, chips}},
        {"found last, tried first", true, "fs9721", "fs9721", {chips, chips}},
        {"nothing answers", false, "fs9922", "", chipsFirst},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Bench b;
        b.streams = row.streams;
        b.detection.Choose(kAutoMeter, row.detectedBefore);
        b.link.OpenPort();
        ASSERT_TRUE(b.link.PortOpen());
        b.opens.clear();
        b.detection.Start();
        EXPECT_TRUE(b.detection.Running());
        EXPECT_FALSE(b.link.PortOpen()) << "the link's line is closed for the probe";
        b.Run();
        EXPECT_FALSE(b.detection.Running());
        EXPECT_EQ(b.finished, 1);
        EXPECT_EQ(b.detection.Found(), row.found);
        const std::string_view meter = row.found.empty() ? row.detectedBefore : "fs9721";
        EXPECT_EQ(b.link.Meter(), meter);
        EXPECT_EQ(b.link.PortOpen(), !row.found.empty());
        EXPECT_EQ(b.opens, row.opens);
        EXPECT_FALSE(b.otherPort) << "the chosen port only";
        EXPECT_EQ(b.mostOpen, 0) << "never two lines open at once";
        EXPECT_EQ(b.OpenLines(), b.link.PortOpen() ? 1 : 0);
        EXPECT_EQ(b.progress, static_cast<int>(row.opens.size() - (row.found.empty() ? 0 : 1)));
        EXPECT_EQ(b.detection.Chosen(), kAutoMeter);
        EXPECT_EQ(b.detection.Detected(), meter);
        EXPECT_EQ(b.detection.OutcomeText(),
                  "COM3: " + (row.found.empty() ? "no meter found" : row.found));
        EXPECT_LE(b.detection.Progress().elapsed, MeterDetector::kTotalTime);
        EXPECT_FALSE(b.detection.Refused());
        // A find lets the next link go ahead without another probe, once.
        EXPECT_EQ(b.detection.ProbeBeforeLink(), row.found.empty());
        b.detection.LinkMade();
        EXPECT_TRUE(b.detection.ProbeBeforeLink());
    }
}

TEST(MeterDetection, CancelAndARefusedPortEndTheProbeWithThePortClosed) {
    Bench cancelled;
    cancelled.streams = true;
    cancelled.detection.Choose(kAutoMeter);
    cancelled.detection.Start();
    cancelled.wake->fire(*cancelled.line);
    cancelled.detection.Cancel();
    EXPECT_FALSE(cancelled.detection.Running());
    EXPECT_FALSE(cancelled.link.PortOpen());
    EXPECT_EQ(cancelled.OpenLines(), 0);
    EXPECT_FALSE(cancelled.wake->Pending());
    EXPECT_EQ(cancelled.finished, 0);
    EXPECT_EQ(cancelled.detection.Found(), "");
    EXPECT_EQ(cancelled.detection.Detected(), "");

    Bench refused;
    // cppcheck-suppress unreadVariable ; the bench's opener reads it
    refused.refuse = true;
    refused.detection.Choose(kAutoMeter, kFs9721Meter);
    refused.detection.Start();
    EXPECT_FALSE(refused.detection.Running());
    EXPECT_EQ(refused.finished, 1);
    EXPECT_TRUE(refused.detection.Refused());
    EXPECT_EQ(refused.detection.Refusal().device, "/dev/ttyUSB7");
    EXPECT_EQ(refused.detection.Failure(), "The device does not exist.");
    EXPECT_EQ(refused.detection.OutcomeText(), "COM3: no meter found");
    EXPECT_FALSE(refused.link.PortOpen());
    EXPECT_EQ(refused.detection.Detected(), kFs9721Meter) << "the family found last is kept";
}

}  // namespace
}  // namespace dmm
