// Detect in the desktop: the port dialog's last row and linking with the meter on auto
// probe the chosen port from the event loop, show where they stand and what they found,
// can be cancelled, and the link then reads the family found as if it had been chosen.
// On an in-memory line whose meter answers only at its own line setting, and on the
// pseudo-terminal of dmm-sim.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "displays/digitalmeter.h"
#include "meterlink/driver/chipdriver.h"
#include "meterlink/globalvar.h"
#include "meterlink/serial/eventtimer.h"
#include "meterlink/serial/serialline.h"
#include "shell/dialogs/dlgdetect.h"
#include "shell/dialogs/dlgrsport.h"
#include "shell/main5.h"
#include "shell/rules/meterdetection.h"
#include "shell/startup.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/metrics.h"
#include "support/chippackets.h"
#include "support/examplemetrics.h"
#include "support/fakeline.h"
#include "support/fakewaketimer.h"
#include "support/scriptedprompter.h"
#include "support/sim.h"
#include "support/tempdir.h"

namespace fs = std::filesystem;
using dmm::FakeLine;
using dmm::G;

namespace {

const std::string kThree = "iPort=1\r\nfHiLimit=300\r\nfLowLimit=100\r\n";

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The progress line of the probe running, at its n-th line setting.
QString SettingLine(const char* setting, int n) {
    return QString("Trying %1 (setting %2 of %3)")
        .arg(setting)
        .arg(n)
        .arg(dmm::DesktopDetection().Progress().settings);
}

// The port dialog with Detect chosen, through its list, and OK.
int ChooseDetect(QDialog& d) {
    auto& dlg = static_cast<dmm::TDlgRsPortForm&>(d);
    dlg.cbxMeter->setCurrentIndex(dlg.cbxMeter->count() - 1);
    EXPECT_EQ(dlg.cbxMeter->currentText(), "Detect");
    dlg.bbtnOkClick();
    return dlg.result();
}

class Fixture : public ::testing::Test {
protected:
    void SetUp() override {
        oldDir_ = fs::current_path();
        fs::current_path(dir_.path());
        dmm::SetSystemMetricsOverride(dmm::test::ExampleMetrics());
        dmm::TFormMain::SetPortProber([](int) { return true; });
    }
    void TearDown() override {
        dmm::DestroyForms();
        dmm::SetSystemMetricsOverride(std::nullopt);
        dmm::TFormMain::SetLinkTimerMaker([] { return dmm::MakeEventWakeTimer(); });
        dmm::TFormMain::SetDetectTimerMaker([] { return dmm::MakeEventWakeTimer(); });
        fs::current_path(oldDir_);
    }
    void Start(const std::string& settings) {
        std::ofstream(dir_.path() / "NRVDL.ini") << settings;
        dmm::CreateForms();
    }
    dmm::TDlgDetectForm* Window() const { return dmm::FormMain->DlgDetectForm; }

    dmm::test::ScriptedPrompter prompter_;
    dmm::test::TempDir dir_;
    fs::path oldDir_;
};

// An in-memory port: an fs9721 streams at the chips' setting when streams_ says so; the
// probe runs on a wake timer that only the test lets pass.
class DesktopDetect : public Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        dmm::TFormMain::SetLinkTimerMaker({});  // polls are waited for where they start
        dmm::TFormMain::SetDetectTimerMaker([this] {
            auto timer = std::make_unique<dmm::FakeWakeTimer>();
            wake_ = timer.get();
            return timer;
        });
        G().Link.SetOpener([this](int, const dmm::LineSettings& s) {
            auto line = std::make_unique<FakeLine>();
            line->advance(static_cast<int>(clock_.count()));
            line_ = line.get();
            if (streams_ && s == dmm::ChipDriver::ChipLineSettings()) {
                std::vector<FakeLine::Piece> pieces;
                for (int ms = 0; ms < 3000; ms += 400)
                    pieces.push_back({ms, dmm::test::Fs9721VoltsDc("1234", 1)});
                line->scheduleArrival(std::move(pieces));
            }
            dmm::OpenResult r;
            r.handle = std::move(line);
            return r;
        });
    }
    // The probe's time passes, up to `wakes` wakes or its end; then its end is shown.
    void RunProbe(int wakes = 10000) {
        for (int i = 0; i < wakes && dmm::DesktopDetection().Running(); ++i) {
            clock_ = dmm::DesktopDetection().Progress().elapsed;
            if (!wake_->fire(*line_)) break;
        }
        QApplication::processEvents();
    }

    bool streams_ = true;
    std::chrono::milliseconds clock_{0};
    FakeLine* line_ = nullptr;
    dmm::FakeWakeTimer* wake_ = nullptr;
};

TEST_F(DesktopDetect, DetectInThePortDialogFindsTheMeterOrSaysNoneOrIsCancelled) {
    const struct {
        const char* name;
        bool streams;
        int cancelAfter;  // wakes before Cancel is pressed; -1: never
        QString outcome;
        QString detail;
        bool portOpen;
        std::string written;  // after the three lines
    } rows[] = {
        {"an fs9721 streams", true, -1, "COM1: fs9721", "FS9721 chip", true,
         "Meter=auto\r\nDetectedMeter=fs9721\r\n"},
        {"nothing answers", false, -1, "COM1: no meter found", "", false, "Meter=auto\r\n"},
        {"cancelled", true, 1, "", "", false, "Meter=auto\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        streams_ = row.streams;
        Start(kThree);
        prompter_.dialogAnswers.push_back(ChooseDetect);
        dmm::FormMain->sbtnPortClick();
        ASSERT_TRUE(dmm::DesktopDetection().Running());
        ASSERT_TRUE(Window() && Window()->isVisible());
        EXPECT_FALSE(Window()->isModal());
        EXPECT_EQ(Window()->lblHeadline->text(), "Looking for the meter on COM1 ...");
        EXPECT_EQ(Window()->lblSetting->text(), SettingLine("9600 baud 8N1: adaptor", 1));
        EXPECT_FALSE(dmm::FormMain->sbtnLink->isEnabled()) << "no link while the probe runs";
        EXPECT_FALSE(dmm::FormMain->sbtnPort->isEnabled());
        if (row.cancelAfter >= 0) {
            RunProbe(row.cancelAfter);
            Window()->bbtnCancel->click();
            QApplication::processEvents();
            EXPECT_FALSE(Window()->isVisible());
        } else {
            RunProbe();
            EXPECT_TRUE(Window()->isVisible());
            EXPECT_EQ(Window()->lblHeadline->text(), row.outcome);
            EXPECT_EQ(Window()->lblSetting->text(), row.detail);
            EXPECT_EQ(Window()->bbtnCancel->text(), "Close");
            EXPECT_LE(dmm::DesktopDetection().Progress().elapsed, dmm::MeterDetector::kTotalTime);
        }
        EXPECT_FALSE(dmm::DesktopDetection().Running());
        EXPECT_EQ(G().Link.PortOpen(), row.portOpen);
        EXPECT_TRUE(dmm::FormMain->sbtnLink->isEnabled());
        EXPECT_TRUE(dmm::FormMain->sbtnPort->isEnabled());
        EXPECT_TRUE(dmm::FormMain->close());
        EXPECT_EQ(ReadFile(dir_.path() / "NRVDL.ini"), kThree + row.written);
        dmm::DestroyForms();
    }
}

// With the meter on auto, linking looks for it first, the family found last first; when
// nothing answers, it stays unlinked and the window says so.
TEST_F(DesktopDetect, LinkingWithTheMeterOnAutoProbesFirst) {
    streams_ = false;
    Start(kThree + "Meter=auto\r\nDetectedMeter=fs9721\r\n");
    EXPECT_EQ(G().Link.Meter(), dmm::kFs9721Meter) << "the family found last is linked to";
    ASSERT_TRUE(G().Link.PortOpen());
    dmm::FormMain->sbtnLink->click();
    EXPECT_FALSE(dmm::FormMain->Linked()) << "not before the meter is found";
    ASSERT_TRUE(dmm::DesktopDetection().Running());
    EXPECT_EQ(Window()->lblSetting->text(), SettingLine("2400 baud 8N1: fs9721, fs9922", 1));
    RunProbe();
    EXPECT_FALSE(dmm::FormMain->Linked());
    EXPECT_FALSE(G().Link.PortOpen());
    EXPECT_TRUE(Window()->isVisible());
    EXPECT_EQ(Window()->lblHeadline->text(), "COM1: no meter found");
}

// dmm-sim plays an fs9721 on a pseudo-terminal: Detect finds it in real time, from the
// event loop, and the link then reads it; linked again, it is found again first.
class DesktopDetectSim : public Fixture {};

TEST_F(DesktopDetectSim, DetectFindsTheSimulatedMeterAndTheLinkReadsIt) {
    const std::string scenario = dmm::test::WriteScenario(dir_.path(), "6;1.234;0\n");
    dmm::test::Sim sim({"--protocol", "fs9721", "--scenario", scenario});
    ASSERT_FALSE(sim.device().empty());
    G().Link.SetOpener([device = sim.device()](int, const dmm::LineSettings& s) {
        return dmm::OpenMeterDevice(device, s);
    });
    Start(kThree);
    prompter_.dialogAnswers.push_back(ChooseDetect);
    QElapsedTimer clock;
    clock.start();
    dmm::FormMain->sbtnPortClick();
    ASSERT_TRUE(dmm::DesktopDetection().Running());
    while ((dmm::DesktopDetection().Running() || Window()->Probing()) && clock.elapsed() < 12000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(Window()->lblHeadline->text(), "COM1: fs9721");
    ASSERT_TRUE(G().Link.PortOpen());

    dmm::FormMain->sbtnLink->click();
    ASSERT_TRUE(dmm::FormMain->Linked());
    while (G().Link.ReadingReceived == 0 && clock.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(dmm::DigitalMeterForm->DataPanel->text(), "1.234");
    EXPECT_EQ(dmm::DigitalMeterForm->FuncPanel->text(), "V");

    // Linked again, the meter is looked for again, the family found last first.
    dmm::FormMain->sbtnLink->click();
    ASSERT_FALSE(dmm::FormMain->Linked());
    dmm::FormMain->sbtnLink->click();
    EXPECT_TRUE(dmm::DesktopDetection().Running());
    clock.restart();
    while (!dmm::FormMain->Linked() && clock.elapsed() < 12000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_TRUE(dmm::FormMain->Linked());
    EXPECT_FALSE(Window()->isVisible()) << "a find links and the window goes";
    EXPECT_LT(clock.elapsed(), dmm::MeterDetector::kSettingTime.count());
    dmm::FormMain->sbtnLink->click();
}

}  // namespace
