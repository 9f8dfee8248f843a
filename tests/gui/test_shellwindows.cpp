// The message windows, the port dialog, the about box, the digital meter and the icons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include "displays/digitalmeter.h"
#include "meterlink/driver/detector.h"
#include "meterlink/driver/meterfamilies.h"
#include "meterlink/globalvar.h"
#include "meterlink/meterreading.h"
#include "meterlink/portnames.h"
#include "resources/pictures/icons.h"
#include "resources/strnum.h"
#include "shell/dialogs/dlgabout.h"
#include "shell/dialogs/dlgrsport.h"
#include "shell/rules/aboutinfo.h"
#include "shell/rules/layout.h"
#include "shell/toolkit/automesgform.h"
#include "shell/toolkit/mesgform.h"
#include "shell/toolkit/metrics.h"
#include "support/examplemetrics.h"
#include "support/manualticktimer.h"
#include "support/scriptedprompter.h"

namespace dmm {
namespace {

using test::ScriptedPrompter;

// Runs the dialog's real modal loop; `during` runs once the loop is up.
std::function<int(QDialog&)> RealExec(std::function<void(QDialog&)> during = {}) {
    return [during](QDialog& d) {
        if (during) QTimer::singleShot(0, &d, [&d, during] { during(d); });
        return d.exec();
    };
}

// --- self-closing warning --------------------------------------------------------------

// The window with a count-down stepped by the test: a tick stands for 100 ms.
struct CountedAutoMsgForm {
    test::ManualTickTimer* timer = new test::ManualTickTimer;
    TAutoMsgForm form{nullptr, timer};
};

TEST(AutoMsgForm, LeftAloneClosesAfterThirtyTicksOfAHundredMillisecondsWithYes) {
    ScriptedPrompter prompter;
    CountedAutoMsgForm w;
    TAutoMsgForm& form = w.form;
    bool openAfter29 = false;
    int ticks = 0;
    prompter.dialogAnswers.push_back(RealExec([&](QDialog&) {
        ticks = w.timer->fire(29);
        openAfter29 = form.isVisible();
        ticks += w.timer->fire(10);  // it ends at the thirtieth
    }));
    const QString longest = "Check cable connection and COM port selection if required.";
    int result = form.ShowMessage(str::NoDataWarning, "No data received.", "second", longest);
    EXPECT_EQ(result, TAutoMsgForm::ResultYes);
    EXPECT_TRUE(openAfter29);
    EXPECT_EQ(ticks, 30);
    EXPECT_EQ(w.timer->interval(), 100);
    EXPECT_EQ(prompter.asked.at(0).box.caption, "Warning[W8004]");
    EXPECT_EQ(form.lbMsg1->text(), "No data received.");
    EXPECT_EQ(form.lbMsg3->text(), longest);
    // One line of 288 pixels: the whole text must be there to read.
    EXPECT_EQ(form.lbMsg3->width(), 288);
    EXPECT_LE(form.lbMsg3->fontMetrics().horizontalAdvance(longest), 288);
    EXPECT_FALSE(form.Timer1->isActive());
}

TEST(AutoMsgForm, ButtonsAndEscapeEndAtOnce) {
    struct Row {
        const char* name;
        std::function<void(TAutoMsgForm&)> act;
        int expected;
    };
    const Row rows[] = {
        {"abort", [](TAutoMsgForm& f) { f.bbtnAbort->click(); }, TAutoMsgForm::ResultAbort},
        {"continue", [](TAutoMsgForm& f) { f.bbtnYes->click(); }, TAutoMsgForm::ResultRetry},
        {"escape",
         [](TAutoMsgForm& f) {
             QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(&f, &esc);
         },
         TAutoMsgForm::ResultRetry},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPrompter prompter;
        CountedAutoMsgForm w;
        TAutoMsgForm& form = w.form;
        prompter.dialogAnswers.push_back(RealExec([&](QDialog&) {
            w.timer->fire(2);
            row.act(form);
        }));
        EXPECT_EQ(form.ShowMessage(str::LowBattery, "a", "b", ""), row.expected);
        // Well before the count-down would have ended it.
        EXPECT_EQ(form.ProgressBar->value(), 2);
    }
}

TEST(AutoMsgForm, NextShowingCountsDownFromZeroAgain) {
    ScriptedPrompter prompter;
    CountedAutoMsgForm w;
    TAutoMsgForm& form = w.form;
    prompter.dialogAnswers.push_back(RealExec([&](QDialog&) {
        w.timer->fire(6);
        form.bbtnYes->click();
    }));
    ASSERT_EQ(form.ShowMessage(str::LowBattery, "a", "b", ""), TAutoMsgForm::ResultRetry);
    // The count runs on after the button.
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_GE(form.ProgressBar->value(), 4);

    int startValue = -1;
    int ticks = 0;
    prompter.dialogAnswers.push_back(RealExec([&](QDialog&) {
        startValue = form.ProgressBar->value();
        ticks = w.timer->fire(100);
    }));
    EXPECT_EQ(form.ShowMessage(str::LowBattery, "a", "b", ""), TAutoMsgForm::ResultYes);
    EXPECT_EQ(startValue, 0);
    EXPECT_EQ(ticks, 30);
}

// --- progress window ---------------------------------------------------------------------

TEST(MsgForm, AbortAsksAndClearsTheTransferFlagOnlyOnYes) {
    for (int answer : {int(Prompter::Yes), int(Prompter::No)}) {
        SCOPED_TRACE(answer);
        ScriptedPrompter prompter;
        prompter.boxAnswers.push_back(answer);
        TMsgForm form;
        G().Link.BeginTransfer();
        form.bbtnAbort->click();

        EXPECT_EQ(G().Link.TransferInProgress(), answer == Prompter::No);
        ASSERT_EQ(prompter.boxes().size(), 1u);
        const Prompter::Box box = prompter.boxes()[0];
        EXPECT_EQ(box.caption, "Warning[W8014]");
        EXPECT_EQ(box.text, "Do you really want to abort import data ?");
        EXPECT_EQ(box.icon, Prompter::Icon::Question);
        EXPECT_EQ(box.buttons, Prompter::Yes | Prompter::No);
        EXPECT_EQ(box.defaultButton, Prompter::No);
        EXPECT_EQ(box.owner, nullptr);
    }
}

TEST(MsgForm, IsModelessAndEscapeDoesNotHideIt) {
    TMsgForm form;
    EXPECT_EQ(form.Label1->text(), "Data added:00000");
    form.show();
    EXPECT_FALSE(form.isModal());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &esc);
    EXPECT_TRUE(form.isVisible());
    form.close();  // the transfer closes it when done
    EXPECT_FALSE(form.isVisible());
}

// --- port dialog -------------------------------------------------------------------------

class PortDialog : public ::testing::Test {
protected:
    // The program's state goes back after each test (tests/support/processstate.h).
    void SetUp() override {
        G().PortAvailable = {1, 0, 1, 0, 1, 0};
        G().ProgramDir = dir_.path().toStdString();
    }

    // Shows the dialog afresh, as each command does.
    void Show(int selected) {
        dlg_.hide();
        dlg_.SelectedPort = selected;
        dlg_.show();
    }
    std::vector<bool> Checked() const {
        std::vector<bool> out;
        for (auto* b : dlg_.PortButtons()) out.push_back(b->isChecked());
        return out;
    }

    QTemporaryDir dir_;
    TDlgRsPortForm dlg_;
};

TEST_F(PortDialog, GreysUnavailablePortsAndSelectsTheGivenOne) {
    EXPECT_EQ(dlg_.windowTitle(), "Serial Port selection");
    Show(2);
    const auto buttons = dlg_.PortButtons();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(buttons[i]->isEnabled(), i % 2 == 0) << i;
    // A greyed port is still shown selected.
    EXPECT_EQ(Checked(), std::vector<bool>({false, true, false, false, false, false}));

    Show(5);
    EXPECT_EQ(Checked(), std::vector<bool>({false, false, false, false, true, false}));
    for (int outside : {7, 0, -1}) {
        Show(outside);
        EXPECT_EQ(Checked(), std::vector<bool>(6, false)) << outside;
    }
}

TEST_F(PortDialog, OkTakesTheSelectedPortAndKeepsItWhenNoneIsSelected) {
    Show(2);
    dlg_.rbtnCom5->click();
    EXPECT_EQ(Checked(), std::vector<bool>({false, false, false, false, true, false}));
    dlg_.bbtnOk->click();
    EXPECT_EQ(dlg_.SelectedPort, 5);
    EXPECT_EQ(dlg_.result(), QDialog::Accepted);

    Show(7);
    dlg_.bbtnOk->click();
    EXPECT_EQ(dlg_.SelectedPort, 7);

    Show(3);
    dlg_.rbtnCom1->click();
    dlg_.bbtnCancel->click();
    EXPECT_EQ(dlg_.SelectedPort, 3);
    EXPECT_EQ(dlg_.result(), QDialog::Rejected);
}

TEST_F(PortDialog, TheMeterListUnderThePortsShowsAndReturnsTheMeter) {
    EXPECT_EQ(dlg_.lblMeter->text(), "Meter:");
    QStringList items;
    for (int i = 0; i < dlg_.cbxMeter->count(); ++i) items << dlg_.cbxMeter->itemText(i);
    EXPECT_EQ(items,
              (QStringList{"RS-232 adaptor", "FS9721 chip", "FS9922 chip", "ES51922 chip",
                           "ASCII-14 line", "ASCII-14 line, 600 baud", "ASCII-14 line, 2400 baud",
                           "ASCII-14 four lines, 9600 baud", "UT71x", "Detect"}));
    EXPECT_GT(dlg_.cbxMeter->y(), dlg_.Panel1->geometry().bottom());
    EXPECT_LT(dlg_.cbxMeter->geometry().bottom(), dlg_.Bevel1->y());
    const struct {
        std::string_view given;
        int row;
        std::string_view returned;  // after OK with the row left as shown
    } rows[] = {{kFs9922Meter, 2, kFs9922Meter},
                {kAscii14At2400Meter, 6, kAscii14At2400Meter},
                {kAutoMeter, dlg_.cbxMeter->count() - 1, kAutoMeter},
                {kAdaptorMeter, 0, kAdaptorMeter},
                {"none", 0, kAdaptorMeter}};
    for (const auto& row : rows) {
        dlg_.SelectedMeter = row.given;
        Show(1);
        EXPECT_EQ(dlg_.cbxMeter->currentIndex(), row.row) << row.given;
        dlg_.bbtnOk->click();
        EXPECT_EQ(dlg_.SelectedMeter, row.returned);
    }
    for (bool ok : {false, true}) {
        Show(1);
        dlg_.cbxMeter->setCurrentIndex(1);
        (ok ? dlg_.bbtnOk : dlg_.bbtnCancel)->click();
        EXPECT_EQ(dlg_.SelectedMeter, ok ? kFs9721Meter : kAdaptorMeter);
    }
}

TEST_F(PortDialog, ShowsTheDeviceEachPortStandsFor) {
    namespace fs = std::filesystem;
    const fs::path folder = dir_.path().toStdString();
    fs::create_symlink("/dev/null", folder / "COM3");
    fs::create_symlink(folder / "missing", folder / "COM5");
    Show(1);
    // A link in the program folder shows where it leads; a broken one shows itself.
    EXPECT_EQ(dlg_.DeviceLabels[2]->text(), "/dev/null");
    EXPECT_TRUE(dlg_.DeviceLabels[4]->text().endsWith("COM5"));
    EXPECT_TRUE(dlg_.DeviceLabels[4]->toolTip().endsWith("COM5"));
    for (int port : {1, 2, 4, 6}) {
        if (ResolvePortDevice(port, folder).empty())
            EXPECT_EQ(dlg_.DeviceLabels[port - 1]->text(), "(none)") << port;
        else
            EXPECT_NE(dlg_.DeviceLabels[port - 1]->text(), "(none)") << port;
    }
}

// --- about box ---------------------------------------------------------------------------

TEST(AboutBox, ShowsTheSevenLinesReadOnlyWithTheIconCentredLeftOfThem) {
    TDlgAboutForm about;
    EXPECT_EQ(about.windowTitle(), "About");
    const QStringList lines = about.Memo1->toPlainText().split('\n');
    const auto expected = AboutLines(CurrentSystemLine());
    ASSERT_EQ(lines.size(), 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(lines[i].toStdString(), expected[i]);
    EXPECT_TRUE(lines[6].startsWith("System: "));
    EXPECT_TRUE(about.Memo1->isReadOnly());
    EXPECT_TRUE(about.Memo1->font().italic());

    const QRect icon = about.Image1->geometry();
    EXPECT_EQ(icon.left(), (about.Memo1->x() - icon.width()) / 2);
    EXPECT_EQ(icon.top(), about.Panel1->height() / 2 - icon.height() / 2);
    EXPECT_FALSE(about.Image1->pixmap().isNull());
}

// --- digital meter -----------------------------------------------------------------------

TEST(DigitalMeter, PanelsAndFontsFollowTheWidth) {
    TDigitalMeterForm meter;
    meter.resize(256, 150);
    meter.show();
    ASSERT_EQ(meter.LcdPanel->width(), 256);
    EXPECT_EQ(meter.FuncPanel->width(), 51);
    EXPECT_EQ(meter.UnitPanel->width(), 51);
    EXPECT_EQ(meter.UnitPanel->font().pointSize(), 25);
    // FuncPanel at the right edge inside the bevel, UnitPanel left of it, DataPanel the rest.
    EXPECT_EQ(meter.FuncPanel->geometry().right(), 256 - 2 - 1);
    EXPECT_EQ(meter.UnitPanel->geometry().right() + 1, meter.FuncPanel->x());
    EXPECT_EQ(meter.DataPanel->geometry().right() + 1, meter.UnitPanel->x());
    EXPECT_EQ(meter.pnlAcDc->width(), 51);

    const int small = meter.DataPanel->font().pointSize();
    meter.resize(1024, 600);
    EXPECT_GT(meter.DataPanel->font().pointSize(), small);
    EXPECT_EQ(meter.FuncPanel->width(), 1024 / 5);
}

TEST(DigitalMeter, ShowReadingWritesTheFourPanels) {
    struct Row {
        int func;
        const char* unit;
        const char* function;
        QString unitShown, funcShown, acDc;
        Qt::Alignment unitAlign, funcAlign;
    };
    const Qt::Alignment centre = Qt::AlignCenter;
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const Row rows[] = {
        {128, "K", "W", "K", QString::fromUtf8("\u03A9"), "", centre, centre},
        {6, "m", "V", "m", "V", "DC", centre, centre},
        {515, "", "A", "", "A", "DC+AC", centre, centre},
        {513, "m", "A", "m", "A", "AC", centre, centre},
        {32, "", "C", "", "C", "", right, left},
        {5, "", "W", "", "W", "AC", centre, centre},  // no symbol font outside resistance
    };
    TDigitalMeterForm meter;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.func);
        MeterReading r;
        r.iFunc = row.func;
        std::snprintf(r.szUnit, sizeof r.szUnit, "%s", row.unit);
        std::snprintf(r.szFunc, sizeof r.szFunc, "%s", row.function);
        r.dataPanelText = "1.234";
        meter.ShowReading(r);
        EXPECT_EQ(meter.DataPanel->text(), "1.234");
        EXPECT_EQ(meter.UnitPanel->text(), row.unitShown);
        EXPECT_EQ(meter.FuncPanel->text(), row.funcShown);
        EXPECT_EQ(meter.pnlAcDc->text(), row.acDc);
        EXPECT_EQ(meter.UnitPanel->alignment(), row.unitAlign);
        EXPECT_EQ(meter.FuncPanel->alignment(), row.funcAlign);
    }
}

TEST(DigitalMeter, UnterminatedFieldsAreReadOnlyToTheirSize) {
    TDigitalMeterForm meter;
    MeterReading r;
    r.iFunc = 6;
    std::memset(r.szUnit, 'm', sizeof r.szUnit);
    std::memset(r.szFunc, 'V', sizeof r.szFunc);
    meter.ShowReading(r);
    EXPECT_EQ(meter.UnitPanel->text(), QString(8, 'm'));
    EXPECT_EQ(meter.FuncPanel->text(), QString(12, 'V'));
}

TEST(DigitalMeter, CannotBeClosedAndNamesItsPort) {
    TDigitalMeterForm meter;
    meter.show();
    EXPECT_FALSE(meter.close());
    EXPECT_TRUE(meter.isVisible());
    EXPECT_FALSE(meter.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(meter.windowFlags() & Qt::WindowMinimizeButtonHint);
    meter.SetPortCaption(2);
    EXPECT_EQ(meter.windowTitle(), "Digital Meter : COM 2");
}

TEST(DigitalMeter, MaximisedFillsTheScreenBelowTheMainWindow) {
    const SystemMetrics m = test::ExampleMetrics();  // the main window is 79 high
    SetSystemMetricsOverride(m);
    {
        TDigitalMeterForm meter;
        ApplyOuterGeometry(&meter, DigitalMeterRect(m));
        meter.show();
        const int small = meter.DataPanel->font().pointSize();
        meter.showMaximized();
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        // The whole height below the main window, the taskbar's strip included.
        EXPECT_EQ(meter.pos(), QPoint(0, 79));
        EXPECT_EQ(meter.size(), QSize(1024 - 6, 768 - 79 - 19 - 6));
        EXPECT_GT(meter.DataPanel->font().pointSize(), small);
    }
    SetSystemMetricsOverride(std::nullopt);
}

// --- icons -------------------------------------------------------------------------------

TEST(Icons, EveryGlyphAndWindowIconIsDrawnAndDistinct) {
    const char* names[] = {"link-up",   "link-down",  "digital", "analog", "datalist",
                           "graphical", "comparator", "tile",    "port",   "about"};
    std::set<QByteArray> seen;
    for (const char* name : names) {
        const QIcon glyph = ToolGlyph(name);
        ASSERT_FALSE(glyph.isNull()) << name;
        QImage image = glyph.pixmap(20, 20).toImage();
        EXPECT_EQ(image.size(), QSize(20, 20)) << name;
        seen.insert(
            QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(seen.size(), std::size(names));
    EXPECT_TRUE(ToolGlyph("no-such-glyph").isNull());

    seen.clear();
    for (int resource : {1, 2, 4, 5}) {
        QImage image = WindowIcon(resource).pixmap(32, 32).toImage();
        seen.insert(
            QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_FALSE(ProgramIcon().isNull());
}

}  // namespace
}  // namespace dmm
