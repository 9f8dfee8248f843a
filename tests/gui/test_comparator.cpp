#include "displays/comparator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "displays/dialogs/dlghilow.h"
#include "displays/rules/limits.h"
#include "displays/toneplayer.h"
#include "meterlink/globalvar.h"
#include "meterlink/numparse.h"
#include "resources/pictures/icons.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/winmsg.h"
#include "tests/support/scriptedprompter.h"

namespace dmm {
namespace {

constexpr int kClientWidth = 222;
constexpr int kClientHeight = 194;

class RecordingTones : public TonePlayer {
public:
    RecordingTones() { SetTonePlayer(this); }
    ~RecordingTones() override { SetTonePlayer(nullptr); }
    void PlayTone(int frequencyHz, int durationMs) override {
        played.push_back({frequencyHz, durationMs});
    }
    std::vector<Tone> played;
};

// An output that says it has played the tone out drainMs after the start (never when -1).
class ScriptedSink : public ToneSink {
public:
    explicit ScriptedSink(int drainMs) : drainMs_(drainMs) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
    }
    bool Start(QIODevice&, std::function<void()> ended) override {
        timer_.callOnTimeout([this, ended] { drained = true, ended(); });
        if (drainMs_ >= 0) timer_.start(drainMs_);
        return true;
    }
    void Stop() override { timer_.stop(), ++stops; }
    bool drained = false;
    int stops = 0;

private:
    int drainMs_;
    QTimer timer_;
};

TEST(TonePlayOut, WaitsForTheOutputToPlayTheToneOutAtMostTwoHundredMillisecondsMore) {
    struct Case {
        int drainMs, atLeastMs;  // a few ms short of the wait, for the timers' rounding
        bool drained;
    } const cases[] = {{250, 245, true}, {-1, 295, false}, {1000, 295, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drainMs);
        ScriptedSink sink(c.drainMs);
        QBuffer source;
        bool otherEvents = false;
        QTimer::singleShot(10, [&] { otherEvents = true; });
        QElapsedTimer clock;
        clock.start();
        PlayOut(sink, source, 100);
        EXPECT_GE(clock.elapsed(), c.atLeastMs);
        EXPECT_EQ(sink.drained, c.drained);
        EXPECT_EQ(sink.stops, 1);
        EXPECT_TRUE(otherEvents);  // the window goes on meanwhile
    }
}

class Comparator : public ::testing::Test {
protected:
    Comparator() {
        G().StartHiLimit = 300;
        G().StartLowLimit = 100;
        form = std::make_unique<TComparatorForm>();
        form->resize(kClientWidth, kClientHeight);
        form->FormPaint();
    }
    void Deliver(float value) {
        form->Values.CompValue = value;
        SendWindowMessage(form.get(), msg::NewReading);
    }
    QImage FreshPicture(double angle) {
        TComparatorForm fresh;
        fresh.resize(kClientWidth, kClientHeight);
        fresh.NeedleAngle = angle;
        fresh.FormPaint();
        return fresh.RasterImage();
    }

    RecordingTones tones;
    test::ScriptedPrompter prompter;
    std::unique_ptr<TComparatorForm> form;
};

TEST_F(Comparator, StartsWithTheStartUpLimitsAndTheAlarmOff) {
    EXPECT_EQ(form->HiLimit, 300);
    EXPECT_EQ(form->LowLimit, 100);
    EXPECT_EQ(form->HiLimitPanel->text(), "300");
    EXPECT_EQ(form->LowLimitPanel->text(), "100");
    EXPECT_EQ(form->AlarmOn, 0);
    EXPECT_EQ(form->bbtnAlart->text(), "OFF");
    EXPECT_EQ(form->NeedleAngle, 130);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), "Comparator");
    EXPECT_TRUE(form->windowIcon().pixmap(32, 32).toImage() ==
                WindowIcon(icon::Comparator).pixmap(32, 32).toImage());
}

TEST_F(Comparator, AlarmSoundsOnlyOutsideTheLimits) {
    form->bbtnAlart->click();
    ASSERT_EQ(form->AlarmOn, 1);
    EXPECT_EQ(form->bbtnAlart->text(), "ON");
    struct Case {
        float value;
        int frequency;  // 0: no tone
    } const cases[] = {{300, 0}, {300.1f, 1047}, {99.9f, 523}, {100, 0}, {200, 0}};
    for (const Case& c : cases) {
        tones.played.clear();
        Deliver(c.value);
        if (c.frequency == 0) {
            EXPECT_TRUE(tones.played.empty()) << c.value;
        } else {
            ASSERT_EQ(tones.played.size(), 1u) << c.value;
            EXPECT_EQ(tones.played[0], (Tone{c.frequency, 100})) << c.value;
        }
    }
}

TEST_F(Comparator, ASinglePrecisionReadingOfTheHighLimitIsJudgedHigh) {
    form->HiLimit = 1.1;
    form->LowLimit = 0;
    form->bbtnAlart->click();
    Deliver(1.1f);
    ASSERT_EQ(tones.played.size(), 1u);
    EXPECT_EQ(tones.played[0].frequencyHz, 1047);
}

TEST_F(Comparator, NoToneWithTheAlarmSwitchedOff) {
    form->bbtnAlart->click();
    form->bbtnAlart->click();
    EXPECT_EQ(form->bbtnAlart->text(), "OFF");
    Deliver(500);
    Deliver(-5);
    EXPECT_TRUE(tones.played.empty());
}

TEST_F(Comparator, EveryMoveLeavesOnlyTheNewNeedle) {
    const float readings[] = {200, 400, -50, 250, 100};
    const double angles[] = {90, 50, 130, 80, 110};
    for (std::size_t i = 0; i < std::size(readings); ++i) {
        Deliver(readings[i]);
        EXPECT_NEAR(form->NeedleAngle, angles[i], 1e-4);
        EXPECT_TRUE(form->RasterImage() == FreshPicture(form->NeedleAngle)) << readings[i];
    }
}

TEST_F(Comparator, EqualLimitsLeaveTheNeedleWhereItIs) {
    Deliver(200);
    const QImage before = form->RasterImage();
    const double angle = form->NeedleAngle;
    form->HiLimit = form->LowLimit = 150;
    Deliver(400);
    EXPECT_EQ(form->NeedleAngle, angle);
    EXPECT_TRUE(form->RasterImage() == before);
}

TEST_F(Comparator, LimitDialogOkTakesTheNewLimits) {
    form->Values.funcCode = 128;
    CopyCut(form->Values.unit, "K");
    CopyCut(form->Values.func, "W");
    prompter.dialogAnswers.push_back([](QDialog& d) {
        auto& dialog = dynamic_cast<TDlgHiLowForm&>(d);
        EXPECT_EQ(dialog.HiLimit, 300);
        EXPECT_EQ(dialog.LowLimit, 100);
        EXPECT_EQ(dialog.iFunc, 128);
        EXPECT_STREQ(dialog.szUnit, "K");
        EXPECT_STREQ(dialog.szFunc, "W");
        dialog.HiLimit = 2.5;
        dialog.LowLimit = -1;
        return int(QDialog::Accepted);
    });
    const double angle = form->NeedleAngle;
    form->bbtnHiLowLimit->click();
    EXPECT_EQ(prompter.count("dialog"), 1);
    EXPECT_EQ(form->HiLimit, 2.5);
    EXPECT_EQ(form->LowLimit, -1);
    EXPECT_EQ(form->HiLimitPanel->text(), "2.5");
    EXPECT_EQ(form->LowLimitPanel->text(), "-1");
    EXPECT_EQ(form->NeedleAngle, angle);
}

TEST_F(Comparator, LimitDialogCancelChangesNothing) {
    prompter.dialogAnswers.push_back([](QDialog& d) {
        auto& dialog = dynamic_cast<TDlgHiLowForm&>(d);
        dialog.HiLimit = 999;  // typed, then cancelled
        return int(QDialog::Rejected);
    });
    form->bbtnHiLowLimit->click();
    EXPECT_EQ(form->HiLimit, 300);
    EXPECT_EQ(form->LowLimit, 100);
    EXPECT_EQ(form->HiLimitPanel->text(), "300");
}

TEST_F(Comparator, UsesTheProgramsLimitDialogWhenThereIsOne) {
    TDlgHiLowForm shared;
    DlgHiLowForm = &shared;
    EXPECT_EQ(&form->LimitDialog(), &shared);
    DlgHiLowForm = nullptr;
    EXPECT_NE(&form->LimitDialog(), &shared);
}

class LimitDialog : public ::testing::Test {
protected:
    LimitDialog() {
        dialog.HiLimit = 300;
        dialog.LowLimit = 100;
        dialog.iFunc = 128;
        CopyCut(dialog.szUnit, "K");
        CopyCut(dialog.szFunc, "W");
        dialog.show();
        QApplication::processEvents();
    }
    std::vector<QString> errors() const {
        std::vector<QString> out;
        for (const auto& a : prompter.asked)
            if (a.kind == "error") out.push_back(a.box.text);
        return out;
    }
    test::ScriptedPrompter prompter;
    TDlgHiLowForm dialog;
};

TEST_F(LimitDialog, ShowsTheHeldLimitsAndTexts) {
    EXPECT_EQ(dialog.windowTitle(), "Comparator Hi-Low limit setting");
    EXPECT_EQ(dialog.mkeHiLimit->text(), "300");
    EXPECT_EQ(dialog.mkeLowLimit->text(), "100");
    EXPECT_EQ(dialog.stxtHiUnit->text(), "K");
    EXPECT_EQ(dialog.stxtLowFunc->text(), QString::fromUtf8("\u03A9"));
}

TEST(LimitDialogShow, FillingTheEditsDoesNotRoundTheLimits) {
    TDlgHiLowForm dialog;
    dialog.HiLimit = 0.1 + 0.2;  // 0.30000000000000004, shown as 0.3
    dialog.LowLimit = 0;
    dialog.show();
    EXPECT_EQ(dialog.mkeHiLimit->text(), "0.3");
    EXPECT_EQ(dialog.HiLimit, 0.1 + 0.2);
}

TEST_F(LimitDialog, EachKeystrokeConvertsTheWholeText) {
    dialog.mkeHiLimit->clear();  // an empty text changes nothing
    EXPECT_EQ(dialog.HiLimit, 300);
    QTest::keyClicks(dialog.mkeHiLimit, "1");
    EXPECT_EQ(dialog.HiLimit, 1);
    QTest::keyClicks(dialog.mkeHiLimit, "5");
    EXPECT_EQ(dialog.HiLimit, 15);
    EXPECT_TRUE(errors().empty());

    QTest::keyClicks(dialog.mkeHiLimit, "a");
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0], "'15a' is not a valid floating point value");
    EXPECT_EQ(dialog.HiLimit, 15);
    EXPECT_EQ(dialog.LowLimit, 100);
    // After the box both edits show the limits held again.
    EXPECT_EQ(dialog.mkeHiLimit->text(), "15");
    EXPECT_EQ(dialog.mkeLowLimit->text(), "100");

    dialog.mkeLowLimit->selectAll();
    QTest::keyClicks(dialog.mkeLowLimit, "-");  // a sign alone is refused
    EXPECT_EQ(errors().size(), 2u);
    EXPECT_EQ(dialog.mkeLowLimit->text(), "100");
    dialog.mkeLowLimit->selectAll();
    QTest::keyClicks(dialog.mkeLowLimit, "2.5");
    dialog.mkeLowLimit->home(false);
    QTest::keyClicks(dialog.mkeLowLimit, "-");
    EXPECT_EQ(dialog.LowLimit, -2.5);
    EXPECT_EQ(errors().size(), 2u);
}

TEST_F(LimitDialog, OkNeedsTheHighLimitAboveTheLowOne) {
    dialog.mkeHiLimit->setText("100");
    dialog.bbtnOk->click();
    const auto boxes = prompter.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error[E9008]");
    EXPECT_EQ(boxes[0].text, "Limit setting is unacceptable.");
    EXPECT_EQ(boxes[0].icon, Prompter::Icon::Error);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.mkeHiLimit->setText("100.5");
    dialog.bbtnOk->click();
    EXPECT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.HiLimit, 100.5);
}

TEST_F(LimitDialog, CancelCloses) {
    dialog.bbtnCancel->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
}  // namespace dmm
