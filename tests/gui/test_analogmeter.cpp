#include "displays/analogmeter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>

#include "displays/faces.h"
#include "meterlink/labels.h"
#include "meterlink/numparse.h"
#include "resources/pictures/icons.h"
#include "shell/toolkit/winmsg.h"

namespace dmm {
namespace {

constexpr int kClientWidth = 250;
constexpr int kClientHeight = 184;

struct Reading {
    int count = 0;
    int funcCode = func::VoltsDc;
    int shift = 2;
    int negative = 0;
    int fullScale = 5000;
    int meterFullScale = 0;  // the meter's own count; 0 for the adaptor
};

void Write(TAnalogMeterForm& form, const Reading& r) {
    form.Values.NeedleCount = r.count;
    form.Values.funcCode = r.funcCode;
    form.Values.DecimalShift = r.shift;
    form.Values.NegativeFlag = static_cast<std::uint8_t>(r.negative);
    form.Values.FullScale = r.fullScale;
    form.Values.iFullScale = r.meterFullScale;
}

void Deliver(TAnalogMeterForm& form, const Reading& r) {
    Write(form, r);
    SendWindowMessage(&form, msg::NewReading);
}

// What a full redraw shows for the same values and needle angle: the dial with
// the needle alone on it.
QImage FreshPicture(const Reading& r, double angle) {
    TAnalogMeterForm fresh;
    fresh.resize(kClientWidth, kClientHeight);
    Write(fresh, r);
    fresh.NeedleAngle = angle;
    fresh.FormPaint();
    return fresh.RasterImage();
}

class AnalogMeter : public ::testing::Test {
protected:
    AnalogMeter() {
        form.resize(kClientWidth, kClientHeight);
        form.FormPaint();
    }
    TAnalogMeterForm form;
};

TEST_F(AnalogMeter, StartsAtTheLeftEndOfTheDial) {
    EXPECT_EQ(form.NeedleAngle, 150);
    EXPECT_EQ(form.ShownFunc, 5);
    EXPECT_EQ(form.ShownScale(), kScale0To5);
    EXPECT_EQ(form.windowTitle(), "Analog Meter");
    // The program's analog meter icon, the one its window-icon number stands for.
    EXPECT_TRUE(form.windowIcon().pixmap(32, 32).toImage() ==
                WindowIcon(icon::AnalogMeter).pixmap(32, 32).toImage());
}

TEST_F(AnalogMeter, EveryMoveLeavesOnlyTheNewNeedleOnTheDial) {
    // Up, to full scale, back, past full scale (held at 25) and home again.
    const Reading moves[] = {{2500}, {5000}, {1000}, {5500}, {-2500, func::VoltsDc, 2, 1}, {0}};
    for (const Reading& r : moves) {
        Deliver(form, r);
        EXPECT_TRUE(form.RasterImage() == FreshPicture(r, form.NeedleAngle))
            << "after a move to count " << r.count << " (" << form.NeedleAngle << " degrees)";
    }
    EXPECT_EQ(form.NeedleAngle, 150);
}

TEST_F(AnalogMeter, AReadingAtTheSameAngleDrawsNothing) {
    Deliver(form, {2500});
    const QImage before = form.RasterImage();
    Deliver(form, {2500});
    EXPECT_EQ(form.PrevNeedleAngle, form.NeedleAngle);
    EXPECT_TRUE(form.RasterImage() == before);
}

TEST_F(AnalogMeter, TheDialFollowsTheFunction) {
    struct Step {
        Reading reading;
        int scale;
    } const steps[] = {
        {{1000, func::Celsius, 1, 0, 2000}, kScale0To20},
        {{4000, func::Frequency, 1, 0, 10000}, kScale0To10},
        {{1000, func::Capacitance, 2}, kScale0To5},
        // Same function, other shift: the capacitance dial is redrawn on every reading.
        {{1000, func::Capacitance, 3, 0, 10000}, kScale0To10},
        {{2500, func::VoltsAc}, kScale0To5},
        // A meter with its own count: its scale, redrawn when the count changes alone.
        {{2000, func::VoltsDc, 2, 0, 4000, 4000}, kScale0To4},
        {{3000, func::VoltsDc, 2, 0, 6000, 6000}, kScale0To6},
        {{2500, func::VoltsDc}, kScale0To5},
    };
    for (const Step& s : steps) {
        Deliver(form, s.reading);
        EXPECT_EQ(form.ShownFunc, s.reading.funcCode);
        EXPECT_EQ(form.ShownScale(), s.scale) << "function " << s.reading.funcCode;
        // The old needle was put back on the new dial and removed by the move.
        EXPECT_TRUE(form.RasterImage() == FreshPicture(s.reading, form.NeedleAngle))
            << "function " << s.reading.funcCode;
    }
}

TEST_F(AnalogMeter, ANegativeReadingShowsTheMinusSignAtTheSameAngle) {
    Deliver(form, {2000});
    const double positive = form.NeedleAngle;
    Deliver(form, {-2000, func::VoltsDc, 2, 1});
    EXPECT_EQ(form.NeedleAngle, positive);

    const PixelPoint at = LayoutAnalogMeter(OuterWidth(&form)).sign;
    const QImage shown = form.RasterImage().copy(at.x, at.y, kSignSize, kSignSize);
    EXPECT_TRUE(shown == SignImage(kMinusSign).convertToFormat(shown.format()));
    Deliver(form, {2000});
    const QImage again = form.RasterImage().copy(at.x, at.y, kSignSize, kSignSize);
    EXPECT_TRUE(again == SignImage(kPlusSign).convertToFormat(again.format()));
}

TEST(AnalogMeterWindow, AHiddenWindowShowsItsCurrentFieldsWhenItComesBack) {
    TAnalogMeterForm form;
    form.resize(kClientWidth, kClientHeight);
    // The poll writes the fields of a hidden window without telling it.
    form.Values.funcCode = func::Ohms;
    form.Values.DecimalShift = 3;
    CopyCut(form.Values.unit, "K");
    CopyCut(form.Values.func, "W");
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(form.MultPanel->text(), "x1000");
    EXPECT_EQ(form.UnitPanel->text(), "K");
    EXPECT_EQ(form.FuncPanel->text(), QString::fromUtf8("\u03A9"));
    EXPECT_EQ(form.Panel1->geometry(), QRect((OuterWidth(&form) - 72) / 2, 78, 72, 20));

    // Temperature: unit right-aligned, function left-aligned.
    form.Values.funcCode = func::Celsius;
    CopyCut(form.Values.func, "C");
    SendWindowMessage(&form, msg::NewReading);
    EXPECT_EQ(form.FuncPanel->text(), "C");
    EXPECT_TRUE(form.FuncPanel->alignment() & Qt::AlignLeft);
    EXPECT_TRUE(form.UnitPanel->alignment() & Qt::AlignRight);
}

TEST(AnalogMeterWindow, ClosingOnlyHides) {
    TAnalogMeterForm form;
    form.show();
    EXPECT_FALSE(form.close());
    EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace dmm
