// The desktop program as a whole: start-up, settings, link and poll, tiling and
// the port dialog, driven through the main window's handlers with a scripted
// prompter and an in-memory meter line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "displays/analogmeter.h"
#include "displays/comparator.h"
#include "displays/datapagelist.h"
#include "displays/digitalmeter.h"
#include "logger/graphicalrecord.h"
#include "meterlink/chips/fs9721.h"
#include "meterlink/globalvar.h"
#include "shell/dialogs/dlgrsport.h"
#include "shell/main5.h"
#include "shell/startup.h"
#include "shell/toolkit/automesgform.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/metrics.h"
#include "shell/toolkit/winmsg.h"
#include "support/chippackets.h"
#include "support/examplemetrics.h"
#include "support/fakeline.h"
#include "support/fakewaketimer.h"
#include "support/scriptedprompter.h"

namespace fs = std::filesystem;
using dmm::FakeLine;
using dmm::G;

namespace {

FakeLine::Bytes DisplayPayload(std::uint32_t status, const std::string& value,
                               const std::string& range) {
    FakeLine::Bytes p(15, 0);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(status >> (8 * i));
    for (std::size_t i = 0; i < value.size() && i < 8; ++i) p[4 + i] = value[i];
    for (std::size_t i = 0; i < range.size() && i < 2; ++i) p[13 + i] = range[i];
    return p;
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class DesktopProgram : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/dmm-gui-XXXXXX";
        dir_ = mkdtemp(tmpl);
        oldDir_ = fs::current_path();
        fs::current_path(dir_);
        dmm::SetSystemMetricsOverride(dmm::test::ExampleMetrics());
        dmm::TFormMain::SetPortProber([](int n) { return n != 4; });
        // Every poll is waited for where it starts, unless a test runs the link from the
        // event loop with a wake timer of its own (EventDriven).
        dmm::TFormMain::SetLinkTimerMaker({});
        G().Link.SetOpener([this](int n) {
            opened_.push_back(n);
            dmm::OpenResult r;
            if (!openSucceeds_) {
                r.status =
                    dmm::Status::Fail(dmm::StatusCode::PortNotOpened, "The device does not exist.");
                return r;
            }
            auto line = std::make_unique<FakeLine>();
            line_ = line.get();
            line->respondWith([this](std::uint8_t) -> FakeLine::Bytes {
                if (silent_) return {};
                return FakeLine::ReplyFrame(DisplayPayload(status_, value_, range_));
            });
            r.handle = std::move(line);
            return r;
        });
    }

    void TearDown() override {
        dmm::DestroyForms();
        dmm::SetSystemMetricsOverride(std::nullopt);
        fs::current_path(oldDir_);
        fs::remove_all(dir_);
    }

    void WriteSettings(const std::string& text) { std::ofstream(dir_ / "NRVDL.ini") << text; }
    void Start(const std::string& settings = "iPort=1\r\nfHiLimit=300\r\nfLowLimit=100\r\n") {
        if (!settings.empty()) WriteSettings(settings);
        dmm::CreateForms();
    }
    void Link() {
        dmm::FormMain->sbtnLink->click();
        ASSERT_TRUE(dmm::FormMain->Linked());
    }
    // The link runs as from the event loop; the wake timer ends only through wake_.
    void EventDriven() {
        dmm::TFormMain::SetLinkTimerMaker([this] {
            auto timer = std::make_unique<dmm::FakeWakeTimer>();
            wake_ = timer.get();
            return timer;
        });
    }
    // Lets the poll in flight run to its end.
    void EndPoll() { wake_->fireAll(*line_); }

    dmm::test::ScriptedPrompter prompter_;
    fs::path dir_, oldDir_;
    std::vector<int> opened_;
    bool openSucceeds_ = true;
    bool silent_ = false;
    std::uint32_t status_ = 6;
    std::string value_ = "1.234";
    std::string range_ = "0";
    FakeLine* line_ = nullptr;
    dmm::FakeWakeTimer* wake_ = nullptr;
};

TEST_F(DesktopProgram, StartsEveryWindowInPlaceWithTheComparatorHidden) {
    Start();
    using namespace dmm;
    ASSERT_TRUE(FormMain && DlgRsPortForm && DlgAboutForm && AutoMsgForm && DigitalMeterForm &&
                AnalogMeterForm && DataPageListForm && DlgHiLowForm && ComparatorForm &&
                GraphicalForm && DialogOption && MsgForm);
    EXPECT_TRUE(FormMain->isVisible());
    EXPECT_TRUE(DigitalMeterForm->isVisible());
    EXPECT_TRUE(AnalogMeterForm->isVisible());
    EXPECT_TRUE(DataPageListForm->isVisible());
    EXPECT_TRUE(GraphicalForm->isVisible());
    EXPECT_FALSE(ComparatorForm->isVisible());
    // Worked example: main window 79 high, digital meter 256 x 172 at (0, 79),
    // recorder 768 x 661 at (256, 79) — outer sizes.
    EXPECT_EQ(OuterHeight(FormMain), 79);
    EXPECT_EQ(DigitalMeterForm->pos(), QPoint(0, 79));
    EXPECT_EQ(DigitalMeterForm->width() + 6, 256);
    EXPECT_EQ(OuterHeight(DigitalMeterForm), 172);
    EXPECT_EQ(GraphicalForm->pos(), QPoint(256, 79));
    EXPECT_EQ(GraphicalForm->width() + 6, 768);
    EXPECT_EQ(OuterHeight(GraphicalForm), 661);
    EXPECT_EQ(FormMain->windowTitle(), "Qm47-26x Data Logging System");
    EXPECT_EQ(QCoreApplication::applicationName(), "Qm47-26x Data Logging System");
    // No display name of its own: the platform would append it to every window's caption.
    QCoreApplication::setApplicationName("probe");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
    QCoreApplication::setApplicationName("Qm47-26x Data Logging System");
    EXPECT_EQ(DigitalMeterForm->windowTitle(), "Digital Meter : COM 1");
    EXPECT_EQ(opened_, std::vector<int>{1});
    // The probe result: COM4 did not open.
    EXPECT_EQ(G().PortAvailable[3], 0);
    EXPECT_EQ(G().PortAvailable[0], 1);
}

TEST_F(DesktopProgram, SettingsAreReadAndOneBadValueResetsAll) {
    Start("fhilimit=abc\r\niPort=3\r\nfLowLimit=5\r\n");
    EXPECT_EQ(G().Link.iPort, 2);
    EXPECT_EQ(dmm::ComparatorForm->HiLimit, 300);
    EXPECT_EQ(dmm::ComparatorForm->LowLimit, 100);
    EXPECT_EQ(opened_, std::vector<int>{2});
}

TEST_F(DesktopProgram, SettingsKeysIgnoreCaseAndTheFirstOccurrenceCounts) {
    Start("FLOWLIMIT=1.5\r\nIPORT=7\r\nfHiLimit=2.5\r\niPort=3\r\n");
    EXPECT_EQ(G().Link.iPort, 7);  // no range check: COM7 is attempted
    EXPECT_EQ(opened_, std::vector<int>{7});
    EXPECT_EQ(dmm::ComparatorForm->HiLimit, 2.5);
    EXPECT_EQ(dmm::ComparatorForm->LowLimit, 1.5);
}

TEST_F(DesktopProgram, AMissingSettingsFileIsReportedAndThePortStaysClosed) {
    Start("");
    ASSERT_EQ(prompter_.count("error"), 1);
    EXPECT_TRUE(prompter_.asked[0].box.text.startsWith("Cannot open file "));
    EXPECT_TRUE(opened_.empty());
    EXPECT_EQ(G().Link.iPort, 1);
    EXPECT_EQ(dmm::ComparatorForm->HiLimit, 0);
    // The file is created at the close with exactly three lines.
    EXPECT_TRUE(dmm::FormMain->close());
    EXPECT_EQ(ReadFile(dir_ / "NRVDL.ini"), "iPort=1\r\nfHiLimit=0\r\nfLowLimit=0\r\n");
}

TEST_F(DesktopProgram, ClosingWritesExactlyThreeLines) {
    Start("iPort=1\r\nfHiLimit=250\r\nfLowLimit=2.5\r\nother=1\r\n");
    dmm::ComparatorForm->HiLimit = 100;
    EXPECT_TRUE(dmm::FormMain->close());
    EXPECT_EQ(ReadFile(dir_ / "NRVDL.ini"), "iPort=1\r\nfHiLimit=100\r\nfLowLimit=2.5\r\n");
}

TEST_F(DesktopProgram, ASettingsFileThatCannotBeWrittenKeepsTheWindowOpen) {
    Start();
    fs::remove(dir_ / "NRVDL.ini");
    fs::create_directory(dir_ / "NRVDL.ini");  // cannot be replaced by a file
    EXPECT_FALSE(dmm::FormMain->close());
    EXPECT_TRUE(dmm::FormMain->isVisible());
    ASSERT_EQ(prompter_.count("error"), 1);
    EXPECT_TRUE(prompter_.asked.back().box.text.startsWith("Cannot create file "));
}

TEST_F(DesktopProgram, APortThatDoesNotOpenShowsTheErrorThenTheWarning) {
    openSucceeds_ = false;
    Start();
    auto boxes = prompter_.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Error[E9001]");
    EXPECT_EQ(boxes[0].text, "The specified serial port open error.");
    EXPECT_EQ(boxes[0].icon, dmm::Prompter::Icon::Error);
    EXPECT_TRUE(boxes[0].detail.contains("The device does not exist."));
    EXPECT_EQ(boxes[1].caption, "Warning[W8001]");
    EXPECT_EQ(boxes[1].text, "You must select a valid COM port before linking to the DMM.");
    EXPECT_EQ(boxes[1].icon, dmm::Prompter::Icon::Exclamation);
}

TEST_F(DesktopProgram, LinkingStartsThePollAndLocksThePortCommands) {
    Start();
    auto* main = dmm::FormMain;
    EXPECT_FALSE(main->TimerGetSd->isActive());
    EXPECT_TRUE(main->sbtnPort->isEnabled());
    Link();
    EXPECT_TRUE(main->TimerGetSd->isActive());
    EXPECT_EQ(main->TimerGetSd->interval(), 750);
    EXPECT_FALSE(main->sbtnPort->isEnabled());
    EXPECT_FALSE(main->sbtnAbout->isEnabled());
    EXPECT_FALSE(main->mnuPort->isEnabled());
    EXPECT_FALSE(main->mnuHelp->menuAction()->isEnabled());
    EXPECT_EQ(main->mnuLink->text(), "Un&link");
    EXPECT_EQ(main->sbtnLink->toolTip(), "Unlink DMM");
    EXPECT_EQ(line_->sharedLog()->rtsCalls.back(), true);

    main->TimerGetSdTimer();
    EXPECT_EQ(G().Link.ReadingReceived, 1);
    EXPECT_EQ(dmm::DigitalMeterForm->DataPanel->text(), "1.234");
    EXPECT_EQ(dmm::DigitalMeterForm->FuncPanel->text(), "V");
    EXPECT_EQ(dmm::DigitalMeterForm->pnlAcDc->text(), "DC");
    EXPECT_TRUE(main->TimerGetSd->isActive());

    // Unlinking by message 1030 clears the reading flag and stops the poll.
    dmm::SendWindowMessage(main, dmm::msg::Unlink);
    EXPECT_FALSE(main->Linked());
    EXPECT_FALSE(main->TimerGetSd->isActive());
    EXPECT_EQ(G().Link.ReadingReceived, 0);
    EXPECT_TRUE(main->sbtnPort->isEnabled());
    EXPECT_TRUE(main->mnuHelp->menuAction()->isEnabled());
    EXPECT_EQ(main->mnuLink->text(), "&Link");

    // While a transfer runs the link command is disabled once the commands are refreshed.
    G().Link.BeginTransfer();
    dmm::SendWindowMessage(main, dmm::msg::Refresh);
    EXPECT_FALSE(main->sbtnLink->isEnabled());
    EXPECT_FALSE(main->mnuLink->isEnabled());
    EXPECT_FALSE(main->sbtnPort->isEnabled());
    G().Link.EndTransfer();
    dmm::SendWindowMessage(main, dmm::msg::Link);
    EXPECT_TRUE(main->Linked());
    EXPECT_TRUE(main->sbtnLink->isEnabled());
}

TEST_F(DesktopProgram, ThreeSilentPollsShowTheNoDataWarningAndAbortUnlinks) {
    Start();
    Link();
    silent_ = true;
    auto* main = dmm::FormMain;
    prompter_.dialogAnswers.push_back([](QDialog&) { return dmm::TAutoMsgForm::ResultAbort; });
    main->TimerGetSdTimer();
    main->TimerGetSdTimer();
    EXPECT_EQ(prompter_.count("dialog"), 0);
    EXPECT_TRUE(main->TimerGetSd->isActive());
    main->TimerGetSdTimer();
    ASSERT_EQ(prompter_.count("dialog"), 1);
    EXPECT_EQ(prompter_.asked.back().box.caption, "Warning[W8004]");
    EXPECT_FALSE(main->Linked());
    EXPECT_FALSE(main->TimerGetSd->isActive());
    EXPECT_EQ(main->Reading.iNoDataCount, 0);
}

TEST_F(DesktopProgram, TheNoDataWarningSaysWhenTheAdaptorWentAway) {
    Start();
    Link();
    auto* main = dmm::FormMain;
    QString detail;
    prompter_.dialogAnswers.push_back([&detail](QDialog&) {
        detail = dmm::AutoMsgForm->lbDetail->text();
        return dmm::TAutoMsgForm::ResultRetry;
    });
    line_->unplug("Input/output error");
    for (int i = 0; i < 3; ++i) main->TimerGetSdTimer();
    ASSERT_EQ(prompter_.count("dialog"), 1);
    EXPECT_EQ(detail, "device gone: Input/output error");
    EXPECT_TRUE(main->Linked());
}

TEST_F(DesktopProgram, AnUnpluggedAdaptorIsToldOnceAndFoundAgainWhileAcquisitionGoesOn) {
    Start();
    Link();
    auto* main = dmm::FormMain;
    auto& recorder = dmm::GraphicalForm->recorder();
    main->TimerGetSdTimer();
    dmm::GraphicalForm->sbtnRecordStart->click();
    main->TimerGetSdTimer();
    QApplication::processEvents();  // the posted reading becomes the first sample
    ASSERT_EQ(recorder.List().size(), 1u);

    QString caption, first, detail;
    prompter_.dialogAnswers.push_back([&](QDialog& d) {
        caption = d.windowTitle();
        first = dmm::AutoMsgForm->lbMsg1->text();
        detail = dmm::AutoMsgForm->lbDetail->text();
        return dmm::TAutoMsgForm::ResultYes;  // closed by itself
    });
    line_->unplug("Input/output error");
    main->TimerGetSdTimer();
    ASSERT_EQ(prompter_.count("dialog"), 1);
    EXPECT_EQ(caption, "Warning[W8400]");
    EXPECT_EQ(first, "The connection to the DMM adaptor was lost.");
    EXPECT_EQ(detail, "device gone: Input/output error");
    EXPECT_TRUE(main->Linked());
    EXPECT_FALSE(main->TimerGetSd->isActive());
    EXPECT_TRUE(main->TimerReconnect->isActive());
    EXPECT_EQ(main->TimerReconnect->interval(), 2000);
    EXPECT_TRUE(recorder.bAcquiring);

    // Still unplugged: tried again without a word, however often.
    openSucceeds_ = false;
    for (int i = 0; i < 3; ++i) main->TimerReconnectTimer();
    main->TimerGetSdTimer();  // a tick that was already due
    EXPECT_EQ(prompter_.count("dialog"), 1);
    EXPECT_TRUE(main->TimerReconnect->isActive());

    // Plugged back: the same COM number opens, RTS goes up and the poll takes over.
    openSucceeds_ = true;
    value_ = "2.000";
    main->TimerReconnectTimer();
    EXPECT_FALSE(main->TimerReconnect->isActive());
    EXPECT_TRUE(main->TimerGetSd->isActive());
    EXPECT_EQ(opened_, (std::vector<int>{1, 1, 1, 1, 1}));
    EXPECT_EQ(line_->sharedLog()->rtsCalls, std::vector<bool>{true});

    // The acquisition went on: the tick that fell in the gap samples the next reading.
    recorder.TimerLoggerTimer();
    main->TimerGetSdTimer();
    QApplication::processEvents();
    ASSERT_EQ(recorder.List().size(), 2u);
    EXPECT_STREQ(recorder.List()[1].szValue, "2.000");
    EXPECT_TRUE(recorder.bAcquiring && recorder.TempFileOpen());
    EXPECT_EQ(prompter_.count("dialog"), 1);
}

TEST_F(DesktopProgram, AbortOnTheLostAdaptorNoticeUnlinksAndStopsTrying) {
    Start();
    Link();
    auto* main = dmm::FormMain;
    main->TimerGetSdTimer();
    dmm::GraphicalForm->sbtnRecordStart->click();
    prompter_.dialogAnswers.push_back([](QDialog&) { return dmm::TAutoMsgForm::ResultAbort; });
    line_->unplug();
    main->TimerGetSdTimer();
    EXPECT_FALSE(main->Linked());
    EXPECT_FALSE(main->TimerReconnect->isActive() || main->TimerGetSd->isActive());
    EXPECT_FALSE(dmm::GraphicalForm->recorder().bAcquiring);
    // Linking again goes back to waiting for the adaptor.
    openSucceeds_ = false;
    Link();
    main->TimerGetSdTimer();
    EXPECT_TRUE(main->TimerReconnect->isActive());
    EXPECT_EQ(prompter_.count("dialog"), 1);
}

TEST_F(DesktopProgram, ContinueOrTimeOutAfterTheNoDataWarningResumesPolling) {
    Start();
    Link();
    silent_ = true;
    auto* main = dmm::FormMain;
    prompter_.dialogAnswers.push_back([](QDialog&) { return dmm::TAutoMsgForm::ResultRetry; });
    prompter_.dialogAnswers.push_back([](QDialog&) { return dmm::TAutoMsgForm::ResultYes; });
    for (int i = 0; i < 6; ++i) main->TimerGetSdTimer();
    EXPECT_EQ(prompter_.count("dialog"), 2);
    EXPECT_TRUE(main->Linked());
    EXPECT_TRUE(main->TimerGetSd->isActive());
}

TEST_F(DesktopProgram, LowBatteryIsShownOnEveryFrameAndTheFrameStillDecodes) {
    Start();
    Link();
    status_ = 0x80000000u | 6;
    auto* main = dmm::FormMain;
    for (int i = 0; i < 3; ++i) {
        prompter_.dialogAnswers.push_back([](QDialog&) { return dmm::TAutoMsgForm::ResultYes; });
        main->TimerGetSdTimer();
    }
    EXPECT_EQ(prompter_.count("dialog"), 3);
    EXPECT_EQ(prompter_.asked.back().box.caption, "Warning[W8000]");
    EXPECT_EQ(dmm::DigitalMeterForm->DataPanel->text(), "1.234");
    EXPECT_EQ(main->Reading.iFunc, 6);
    // Abort unlinks without decoding.
    value_ = "2.000";
    prompter_.dialogAnswers.push_back([](QDialog&) { return dmm::TAutoMsgForm::ResultAbort; });
    main->TimerGetSdTimer();
    EXPECT_FALSE(main->Linked());
    EXPECT_EQ(dmm::DigitalMeterForm->DataPanel->text(), "1.234");
}

TEST_F(DesktopProgram, APollRunsFromTheEventLoopAndUnlinkOrExitCancelsIt) {
    EventDriven();
    Start();
    Link();
    auto* main = dmm::FormMain;
    auto& link = dmm::G().Link;
    main->TimerGetSdTimer();
    // The request is out and the window thread free again: nothing shown yet.
    EXPECT_TRUE(link.Busy());
    EXPECT_EQ(wake_->PendingMs(), 250);
    EXPECT_FALSE(main->TimerGetSd->isActive());
    EXPECT_EQ(link.ReadingReceived, 0);
    EndPoll();
    EXPECT_FALSE(link.Busy());
    EXPECT_EQ(link.ReadingReceived, 1);
    EXPECT_EQ(dmm::DigitalMeterForm->DataPanel->text(), "1.234");
    EXPECT_TRUE(main->TimerGetSd->isActive());

    // Unlink while a poll waits: nothing of it is applied, the line is purged and the
    // timer stays off.
    value_ = "9.999";
    main->TimerGetSdTimer();
    const std::size_t purges = line_->log().count("purgeReceive");
    main->sbtnLink->click();
    EXPECT_FALSE(main->Linked());
    EXPECT_FALSE(link.Busy());
    EXPECT_FALSE(wake_->Pending());
    EXPECT_EQ(line_->log().count("purgeReceive"), purges + 1);
    EXPECT_STREQ(link.Reading.szDisplay, "1.234");
    EXPECT_FALSE(main->TimerGetSd->isActive());

    // Exit while a poll waits: the port closes without the poll's end.
    Link();
    main->TimerGetSdTimer();
    ASSERT_TRUE(link.Busy());
    EXPECT_TRUE(main->FormClose());
    EXPECT_FALSE(link.Busy());
    EXPECT_FALSE(link.PortOpen());
    EXPECT_STREQ(link.Reading.szDisplay, "1.234");
}

TEST_F(DesktopProgram, NoPollStartsWhileItsMessageIsUpAndTheNextTickStartsOneAfterwards) {
    EventDriven();
    Start();
    Link();
    auto* main = dmm::FormMain;
    silent_ = true;
    bool busyBehind = true;
    bool timerBehind = true;
    prompter_.dialogAnswers.push_back([&](QDialog&) {
        // A tick that comes while the warning is up starts nothing.
        main->TimerGetSdTimer();
        busyBehind = dmm::G().Link.Busy();
        timerBehind = main->TimerGetSd->isActive();
        return dmm::TAutoMsgForm::ResultRetry;
    });
    for (int i = 0; i < 3; ++i) {
        main->TimerGetSdTimer();
        EndPoll();
    }
    ASSERT_EQ(prompter_.count("dialog"), 1);
    EXPECT_FALSE(busyBehind);
    EXPECT_FALSE(timerBehind);
    EXPECT_TRUE(main->TimerGetSd->isActive());
    silent_ = false;
    main->TimerGetSdTimer();
    EndPoll();
    EXPECT_EQ(dmm::G().Link.ReadingReceived, 1);
}

TEST_F(DesktopProgram, ASampleThatFallsDueDuringAPollTakesTheNextPollsReading) {
    EventDriven();
    Start();
    Link();
    auto* main = dmm::FormMain;
    auto& recorder = dmm::GraphicalForm->recorder();
    main->TimerGetSdTimer();
    EndPoll();
    value_ = "2.000";
    main->TimerGetSdTimer();
    dmm::GraphicalForm->sbtnRecordStart->click();  // the first sample falls due mid-poll
    EndPoll();
    QApplication::processEvents();
    EXPECT_EQ(recorder.List().size(), 0u);
    value_ = "3.000";
    main->TimerGetSdTimer();
    EndPoll();
    QApplication::processEvents();
    ASSERT_EQ(recorder.List().size(), 1u);
    EXPECT_STREQ(recorder.List()[0].szValue, "3.000");
}

TEST_F(DesktopProgram, TheHandOverFeedsHiddenWindowsWithoutWakingThem) {
    Start();
    Link();
    dmm::AnalogMeterForm->hide();
    value_ = "0.500";
    dmm::FormMain->TimerGetSdTimer();
    EXPECT_EQ(dmm::AnalogMeterForm->Values.NeedleCount, 500);
    EXPECT_EQ(dmm::AnalogMeterForm->Values.FullScale, 5000);
    EXPECT_FLOAT_EQ(dmm::ComparatorForm->Values.CompValue, 0.5f);
}

TEST_F(DesktopProgram, TilingRestoresTheStartUpLayout) {
    Start();
    dmm::DigitalMeterForm->move(300, 300);
    dmm::GraphicalForm->move(10, 10);
    dmm::ComparatorForm->show();
    dmm::FormMain->sbtnWinTileClick();
    EXPECT_EQ(dmm::DigitalMeterForm->pos(), QPoint(0, 79));
    EXPECT_EQ(dmm::GraphicalForm->pos(), QPoint(256, 79));
    // Comparator: F = 2 x 4 + 19 = 27, left F, top (768 - 79) / 4 + 79 + F.
    EXPECT_EQ(dmm::ComparatorForm->pos(), QPoint(27, (768 - 79) / 4 + 79 + 27));
    // The data list sits below the analog meter's space even when that is hidden.
    dmm::AnalogMeterForm->hide();
    dmm::DataPageListForm->move(500, 500);
    dmm::FormMain->sbtnWinTileClick();
    EXPECT_EQ(dmm::DataPageListForm->pos().y(), 79 + 172 + 178 + 4 * 3 + 19);
}

TEST_F(DesktopProgram, TheMainWindowAndTheDialsKeepAFixedSizeThroughATile) {
    Start();
    using namespace dmm;
    for (QWidget* w : std::initializer_list<QWidget*>{FormMain, AnalogMeterForm, ComparatorForm})
        EXPECT_EQ(w->minimumSize(), w->maximumSize()) << w->windowTitle().toStdString();
    EXPECT_NE(DigitalMeterForm->minimumSize(), DigitalMeterForm->maximumSize());

    // A tile on a larger screen gives them their new sizes, still fixed.
    SystemMetrics m = dmm::test::ExampleMetrics();
    m.screenWidth = 1280;
    m.screenHeight = 1024;
    SetSystemMetricsOverride(m);
    ComparatorForm->show();
    FormMain->sbtnWinTileClick();
    EXPECT_EQ(FormMain->width(), 1280 - 6);
    EXPECT_EQ(OuterHeight(FormMain), 79);
    EXPECT_EQ(AnalogMeterForm->size(), QSize(1280 / 4 - 6, 178 + 4 * 3 + 19 - 19 - 6));
    EXPECT_EQ(AnalogMeterForm->pos(), QPoint(0, 79 + (1024 - 79) / 4));
    for (QWidget* w : std::initializer_list<QWidget*>{FormMain, AnalogMeterForm, ComparatorForm})
        EXPECT_EQ(w->minimumSize(), w->maximumSize()) << w->windowTitle().toStdString();
}

TEST_F(DesktopProgram, OnlyADialThatIsShownAndNotMinimisedIsToldOfAReading) {
    Start();
    Link();
    auto* analog = dmm::AnalogMeterForm;
    analog->showMinimized();
    QApplication::processEvents();
    ASSERT_TRUE(analog->isMinimized());
    value_ = "2.500";  // half the 0..5 scale
    dmm::FormMain->TimerGetSdTimer();
    QApplication::processEvents();
    EXPECT_EQ(analog->Values.NeedleCount, 2500);
    EXPECT_EQ(analog->NeedleAngle, 150);

    analog->showNormal();
    QApplication::processEvents();
    dmm::FormMain->TimerGetSdTimer();
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(analog->NeedleAngle, 90);
}

TEST_F(DesktopProgram, AnOverloadMovesTheComparatorHalfAWindowPastTheLimitOnItsSide) {
    Start("iPort=1\r\nfHiLimit=3\r\nfLowLimit=1\r\n");
    Link();
    dmm::ComparatorForm->show();
    struct Row {
        const char* value;
        float compValue;
        double angle;
    } const rows[] = {{"2.000", 2, 90}, {" OL", 4, 50}, {"2.000", 2, 90}, {"- OL", 0, 130}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        value_ = row.value;
        dmm::FormMain->TimerGetSdTimer();
        QApplication::processEvents();
        EXPECT_FLOAT_EQ(dmm::ComparatorForm->Values.CompValue, row.compValue);
        EXPECT_NEAR(dmm::ComparatorForm->NeedleAngle, row.angle, 1e-4);
    }
}

TEST_F(DesktopProgram, ThePortDialogReopensThePortEvenWhenCancelled) {
    Start();
    prompter_.dialogAnswers.push_back([](QDialog&) { return int(QDialog::Rejected); });
    dmm::FormMain->sbtnPortClick();
    EXPECT_EQ(opened_, (std::vector<int>{1, 1}));
    prompter_.dialogAnswers.push_back([](QDialog& d) {
        auto& dlg = static_cast<dmm::TDlgRsPortForm&>(d);
        dlg.SelectedPort = 3;
        return int(QDialog::Accepted);
    });
    dmm::FormMain->sbtnPortClick();
    EXPECT_EQ(opened_, (std::vector<int>{1, 1, 3}));
    EXPECT_EQ(G().Link.iPort, 3);
    EXPECT_EQ(dmm::DigitalMeterForm->windowTitle(), "Digital Meter : COM 3");
    // A failed re-open: the error box, then the warning with the error icon.
    openSucceeds_ = false;
    prompter_.dialogAnswers.push_back([](QDialog&) { return int(QDialog::Rejected); });
    dmm::FormMain->sbtnPortClick();
    auto boxes = prompter_.boxes();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[boxes.size() - 2].caption, "Error[E9001]");
    EXPECT_EQ(boxes.back().caption, "Warning[W8001]");
    EXPECT_EQ(boxes.back().icon, dmm::Prompter::Icon::Error);
}

// The meter comes from the settings file and from the port dialog; only another meter
// than the adaptor is written back, and only the adaptor's meter offers the import.
TEST_F(DesktopProgram, AMeterChosenInThePortDialogStreamsItsReadingsToEveryWindow) {
    const std::string three = "iPort=1\r\nfHiLimit=250\r\nfLowLimit=2.5\r\n";
    Start(three + "Meter=fs9922\r\n");
    EXPECT_EQ(G().Link.Meter(), dmm::kFs9922Meter);
    EXPECT_FALSE(dmm::GraphicalForm->sbtnImport->isEnabled());
    EXPECT_FALSE(dmm::GraphicalForm->mnuImport->isEnabled());
    prompter_.dialogAnswers.push_back([](QDialog& d) {
        auto& dlg = static_cast<dmm::TDlgRsPortForm&>(d);
        EXPECT_EQ(dlg.SelectedMeter, dmm::kFs9922Meter);
        dlg.SelectedMeter = dmm::kFs9721Meter;
        return int(QDialog::Accepted);
    });
    dmm::FormMain->sbtnPortClick();
    EXPECT_EQ(G().Link.Meter(), dmm::kFs9721Meter);
    EXPECT_EQ(opened_, (std::vector<int>{1, 1}));

    Link();
    line_->deliverNow(dmm::test::Fs9721VoltsDc("2000", 1));
    dmm::FormMain->TimerGetSdTimer();
    QApplication::processEvents();
    EXPECT_TRUE(line_->log().writes.empty()) << "nothing is asked of a meter that streams";
    EXPECT_EQ(G().Link.ReadingReceived, 1);
    EXPECT_EQ(dmm::DigitalMeterForm->DataPanel->text(), "2.000");
    EXPECT_EQ(dmm::DigitalMeterForm->FuncPanel->text(), "V");
    // Half of the chip's 4000 counts: the needle stands upright.
    EXPECT_EQ(dmm::AnalogMeterForm->Values.iFullScale, dmm::chips::kFs9721Counts);
    EXPECT_DOUBLE_EQ(dmm::AnalogMeterForm->NeedleAngle, 90);

    // The adaptor chosen again: the import comes back.
    dmm::FormMain->sbtnLink->click();
    prompter_.dialogAnswers.push_back([](QDialog& d) {
        static_cast<dmm::TDlgRsPortForm&>(d).SelectedMeter = dmm::kAdaptorMeter;
        return int(QDialog::Accepted);
    });
    dmm::FormMain->sbtnPortClick();
    EXPECT_EQ(G().Link.Meter(), dmm::kAdaptorMeter);
    EXPECT_TRUE(dmm::GraphicalForm->sbtnImport->isEnabled());
    EXPECT_TRUE(dmm::GraphicalForm->mnuImport->isEnabled());
    EXPECT_TRUE(dmm::FormMain->close());
    EXPECT_EQ(ReadFile(dir_ / "NRVDL.ini"), three);
}

TEST_F(DesktopProgram, ClosingTheMainWindowEndsTheEventLoop) {
    Start();
    QTimer::singleShot(0, [] { dmm::FormMain->close(); });
    // A watchdog: the loop must end through the close, not through this.
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

class ExitPrompt : public DesktopProgram {
protected:
    // Starts the program and takes two samples, so the buffer holds unsaved data.
    void StartWithUnsavedData() {
        Start();
        Link();
        dmm::FormMain->TimerGetSdTimer();
        ASSERT_TRUE(dmm::GraphicalForm->recorder().TakeSample());
        ASSERT_TRUE(dmm::GraphicalForm->recorder().TakeSample());
        ASSERT_TRUE(dmm::GraphicalForm->recorder().HoldsUnsavedData());
    }
    bool Asked() const {
        for (const auto& b : prompter_.boxes())
            if (b.caption == "Warning[W8003]") return true;
        return false;
    }
};

// What a desktop session sends at log-out, systemctl at shutdown and a terminal at Ctrl+C,
// sent for real to this process while it acquires with a dialog open.
TEST_F(ExitPrompt, AStopSignalClosesLikeExitWithoutAQuestionAndKeepsTheSamples) {
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        fs::remove(dir_ / "NRVDL.ini");
        StartWithUnsavedData();
        dmm::GraphicalForm->recorder().StartMenuClick();
        ASSERT_TRUE(dmm::GraphicalForm->recorder().TakeSample());
        ASSERT_TRUE(dmm::GraphicalForm->recorder().TakeSample());
        const std::string temp = dmm::GraphicalForm->recorder().TempFiles().OpenPath();
        ASSERT_FALSE(temp.empty());
        dmm::ComparatorForm->HiLimit = 250;
        int dialogResult = -1;
        QTimer::singleShot(0, [&] {
            QDialog open(dmm::FormMain);
            QTimer::singleShot(20, [signal] { ::kill(::getpid(), signal); });
            dialogResult = open.exec();
        });
        QTimer::singleShot(5000, dmm::FormMain, [] { QCoreApplication::exit(99); });  // watchdog
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_EQ(dialogResult, QDialog::Rejected);
        EXPECT_FALSE(Asked());
        EXPECT_FALSE(dmm::GraphicalForm->recorder().bAcquiring);
        EXPECT_FALSE(dmm::G().Link.PortOpen());
        EXPECT_EQ(ReadFile(dir_ / "NRVDL.ini"), "iPort=1\r\nfHiLimit=250\r\nfLowLimit=100\r\n");
        dmm::DestroyForms();
        EXPECT_EQ(fs::file_size(temp), 2u * 68);  // not deleted: offered at the next start

        Start("");
        prompter_.boxAnswers.push_back(dmm::Prompter::No);
        dmm::GraphicalForm->commands().OfferLeftOverFiles();
        ASSERT_FALSE(prompter_.boxes().empty());
        EXPECT_TRUE(prompter_.boxes().back().text.contains(
            QString::fromStdString(fs::path(temp).filename().string())));
        dmm::DestroyForms();
        fs::remove(temp);
        prompter_.asked.clear();
    }
}

TEST_F(ExitPrompt, TheSessionManagersCommitRequestWritesTheSettingsAndGoesOn) {
    Start();
    dmm::ComparatorForm->LowLimit = 50;
    fs::remove(dir_ / "NRVDL.ini");
    dmm::FormMain->CommitSessionData();
    EXPECT_EQ(ReadFile(dir_ / "NRVDL.ini"), "iPort=1\r\nfHiLimit=300\r\nfLowLimit=50\r\n");
    EXPECT_TRUE(dmm::FormMain->isVisible());
}

TEST_F(ExitPrompt, AnEmptyBufferClosesWithoutAQuestion) {
    Start();
    EXPECT_TRUE(dmm::FormMain->close());
    EXPECT_FALSE(Asked());
}

TEST_F(ExitPrompt, CancelKeepsTheProgramRunning) {
    StartWithUnsavedData();
    prompter_.boxAnswers.push_back(dmm::Prompter::Cancel);
    EXPECT_FALSE(dmm::FormMain->close());
    ASSERT_TRUE(Asked());
    auto box = prompter_.boxes().back();
    EXPECT_EQ(box.text, "Buffer has data.\nDo you want to save the data to a file before exit ?");
    EXPECT_EQ(box.buttons, dmm::Prompter::Yes | dmm::Prompter::No | dmm::Prompter::Cancel);
    EXPECT_EQ(box.defaultButton, dmm::Prompter::No);
    EXPECT_EQ(box.icon, dmm::Prompter::Icon::Question);
    EXPECT_TRUE(dmm::FormMain->isVisible());
}

TEST_F(ExitPrompt, NoClosesWithoutSaving) {
    StartWithUnsavedData();
    prompter_.boxAnswers.push_back(dmm::Prompter::No);
    EXPECT_TRUE(dmm::FormMain->close());
    EXPECT_EQ(prompter_.count("save"), 0);
}

TEST_F(ExitPrompt, YesThenACancelledSaveDialogKeepsTheProgramRunning) {
    StartWithUnsavedData();
    prompter_.boxAnswers.push_back(dmm::Prompter::Yes);
    EXPECT_FALSE(dmm::FormMain->close());
    EXPECT_EQ(prompter_.count("save"), 1);
    EXPECT_TRUE(dmm::GraphicalForm->recorder().HoldsUnsavedData());
}

TEST_F(ExitPrompt, YesAndASuccessfulSaveCloses) {
    StartWithUnsavedData();
    prompter_.boxAnswers.push_back(dmm::Prompter::Yes);
    prompter_.fileAnswers.push_back(QString::fromStdString((dir_ / "run.g26").string()));
    EXPECT_TRUE(dmm::FormMain->close());
    EXPECT_EQ(fs::file_size(dir_ / "run.g26"), 2u * 68u);
}

}  // namespace
