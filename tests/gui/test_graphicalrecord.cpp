// The graphical recorder window and its interval dialog, driven through their
// buttons, menu items, keys and window messages with a scripted prompter and a
// reading the test controls.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "logger/data/loggerfile.h"
#include "logger/dialogs/dlgoption.h"
#include "logger/graphicalrecord.h"
#include "logger/import/memorylog.h"
#include "meterlink/globalvar.h"
#include "meterlink/protocol.h"
#include "shell/rules/layout.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/mesgform.h"
#include "shell/toolkit/metrics.h"
#include "shell/toolkit/winmsg.h"
#include "support/examplemetrics.h"
#include "support/fakeline.h"
#include "support/scriptedprompter.h"
#include "tools/dmm-sim/storedlog.h"

namespace fs = std::filesystem;

namespace dmm {
namespace {

class GraphicalRecorder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetSystemMetricsOverride(test::ExampleMetrics());
        SetValue("1.234", "0");
        reading.iFunc = 6;
        std::snprintf(reading.szFunc, sizeof reading.szFunc, "V");
        form = std::make_unique<TGraphicalForm>(G().Link, Folder());
    }
    void TearDown() override {
        form.reset();
        MsgForm = nullptr;
        DialogOption = nullptr;
        SetSystemMetricsOverride(std::nullopt);
    }

    fs::path Folder() const { return fs::path(dir.path().toStdString()); }
    QString PathIn(const char* name) const { return dir.filePath(name); }

    void SetValue(const char* value, const char* range) {
        reading.sValue = value;
        reading.sRange = range;
        std::snprintf(reading.szDisplay, sizeof reading.szDisplay, "%s", value);
    }
    // What the main window's poll does when a reading is due.
    void Sample(const char* value) {
        SetValue(value, "0");
        SendWindowMessage(form.get(), msg::NewReading);
    }
    void AcquireThree() {
        G().Link.ReadingReceived = 1;
        form->sbtnRecordStart->click();
        for (const char* v : {"1.000", "3.000", "2.000"}) Sample(v);
        form->sbtnRecordStop->click();
    }
    QString Status(int panel) const { return form->StatusPanels[panel]->text(); }

    QTemporaryDir dir;
    MeterReading& reading = G().Link.Reading;
    test::ScriptedPrompter prompter;
    std::unique_ptr<TGraphicalForm> form;
};

TEST_F(GraphicalRecorder, StartWithoutAReadingShowsTheLinkErrorAndPutsStopDown) {
    form->sbtnRecordStart->click();
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].caption, "Error[E9002]");
    EXPECT_EQ(prompter.boxes()[0].icon, Prompter::Icon::Error);
    EXPECT_TRUE(form->sbtnRecordStop->isChecked());
    EXPECT_FALSE(form->TimerLogger->isActive());
    EXPECT_FALSE(fs::exists(Folder() / "~NDMDL1.TMP"));
}

TEST_F(GraphicalRecorder, AcquisitionChartsEachSampleAndLeavesOnlyStartAndStopEnabled) {
    G().Link.ReadingReceived = 1;
    form->mnuStart->trigger();
    EXPECT_TRUE(form->sbtnRecordStart->isChecked());
    EXPECT_TRUE(form->TimerLogger->isActive());
    EXPECT_TRUE(form->recorder().Sampling.bSampleDue);
    EXPECT_TRUE(fs::exists(Folder() / "~NDMDL1.TMP"));

    for (const char* v : {"1.000", "3.000", "2.000"}) Sample(v);
    EXPECT_FALSE(form->recorder().Sampling.bSampleDue);
    EXPECT_EQ(Status(0), "Data Logging ...");
    EXPECT_EQ(Status(1), "Data in buffer : 3");
    EXPECT_EQ(Status(2), "Page : 1 of 1");
    EXPECT_EQ(Status(3), "Full Speed");
    // The wall clock: two blanks, the morning/afternoon designator, a 12-hour time and a quote.
    const QRegularExpressionMatch clock =
        QRegularExpression(R"(^  \S+ (\d\d):\d\d:\d\d"$)").match(Status(4));
    ASSERT_TRUE(clock.hasMatch()) << Status(4).toStdString();
    EXPECT_GE(clock.captured(1).toInt(), 1);
    EXPECT_LE(clock.captured(1).toInt(), 12);
    // The newest sample is on the last point, under the cursor.
    EXPECT_FLOAT_EQ(form->PEGraph->YData(0, 199), 2.0f);
    EXPECT_FLOAT_EQ(form->PEGraph->YData(0, 197), 1.0f);
    EXPECT_EQ(form->PEGraph->CursorPoint(), 199);
    EXPECT_EQ(form->ReadingDataPanel->text(), "2.000");
    EXPECT_EQ(form->ReadingFuncPanel->text(), "V");
    EXPECT_EQ(form->MaxDataPanel->text(), "3.000");
    EXPECT_EQ(form->MinDataPanel->text(), "1.000");
    EXPECT_FALSE(form->TimePanel->text().isEmpty());
    EXPECT_EQ(fs::file_size(Folder() / "~NDMDL1.TMP"), 3u * 68);

    EXPECT_TRUE(form->sbtnRecordStart->isEnabled());
    EXPECT_TRUE(form->sbtnRecordStop->isEnabled());
    for (QToolButton* b :
         {form->sbtnManualLogging, form->sbtnOption, form->sbtnOpenFile, form->sbtnSaveFile,
          form->sbtnClear, form->sbtnImport, form->sbtnExport, form->sbtnPrintGraphic,
          form->sbtnFirstPage, form->sbtnPageUp, form->sbtnPageDown, form->sbtnLastPage,
          form->sbtnFitView, form->sbtnUndoZoom})
        EXPECT_FALSE(b->isEnabled()) << b->toolTip().toStdString();
    EXPECT_TRUE(form->mnuStop->isEnabled());
    for (QAction* a : {form->mnuStart, form->mnuManual, form->mnuOpen, form->mnuSaveAs,
                       form->mnuClear, form->mnuInterval, form->mnuPrinterSetup, form->mnuFirstPage,
                       form->mnuLastPage, form->mnuFitAllData})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();

    form->mnuStop->trigger();
    EXPECT_TRUE(form->sbtnRecordStop->isChecked());
    EXPECT_FALSE(form->TimerLogger->isActive());
    EXPECT_EQ(Status(0), "");
    EXPECT_TRUE(form->sbtnSaveFile->isEnabled());
    EXPECT_FALSE(form->sbtnFirstPage->isEnabled());  // one page only
    EXPECT_TRUE(form->recorder().HoldsUnsavedData());
}

TEST_F(GraphicalRecorder, UnlinkStopsAcquisitionAndTheTemporaryFilesGoWithTheWindow) {
    G().Link.ReadingReceived = 1;
    form->sbtnRecordStart->click();
    form->sbtnRecordStart->click();  // a second file while the first is open
    SendWindowMessage(form.get(), msg::LinkCut);
    EXPECT_TRUE(form->sbtnRecordStop->isChecked());
    EXPECT_FALSE(form->recorder().bAcquiring);
    EXPECT_TRUE(fs::exists(Folder() / "~NDMDL1.TMP"));
    EXPECT_TRUE(fs::exists(Folder() / "~NDMDL2.TMP"));

    // Closing only hides the window and stops the sample clock.
    form->show();
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(fs::exists(Folder() / "~NDMDL2.TMP"));

    form.reset();
    EXPECT_FALSE(fs::exists(Folder() / "~NDMDL1.TMP"));
    EXPECT_FALSE(fs::exists(Folder() / "~NDMDL2.TMP"));
}

TEST_F(GraphicalRecorder, SavedFileOpensAgainWithoutTheClearQuestion) {
    AcquireThree();
    const QString file = PathIn("three.g26");
    prompter.fileAnswers.push_back(file);
    form->commands().sbtnSaveFileClick();
    EXPECT_EQ(prompter.lastFileDialog.fileName, "Untitled.g26");
    EXPECT_EQ(prompter.lastFileDialog.filters, QStringList{"Data Logger files(*.g26)"});
    EXPECT_EQ(prompter.lastFileDialog.defaultSuffix, "g26");
    EXPECT_TRUE(prompter.lastFileDialog.confirmOverwrite);
    EXPECT_EQ(fs::file_size(file.toStdString()), 204u);
    EXPECT_FALSE(form->recorder().HoldsUnsavedData());

    TMsgForm progress;
    MsgForm = &progress;
    prompter.fileAnswers.push_back(file);
    form->commands().sbtnOpenFileClick();
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_EQ(
        prompter.lastFileDialog.filters,
        (QStringList{"Data Logger files(*.g26)", "Temporary files(*.TMP)", "All files(*.*)"}));
    EXPECT_EQ(prompter.lastFileDialog.selectedFilter, 0);
    EXPECT_EQ(form->recorder().List().size(), 3u);
    EXPECT_EQ(Status(1), "Data in buffer : 3");
    EXPECT_EQ(Status(2), "Page : 1 of 1");
    EXPECT_FLOAT_EQ(form->PEGraph->YData(0, 198), 3.0f);
    EXPECT_EQ(form->ReadingDataPanel->text(), "2.000");
    EXPECT_TRUE(form->recorder().HoldsUnsavedData());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.Label1->text(), "Reading Data : 3 of 3");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(GraphicalRecorder, FailedSaveShowsTheReasonAndKeepsTheDataUnsaved) {
    AcquireThree();
    prompter.fileAnswers.push_back(PathIn("missing/three.g26"));
    form->commands().sbtnSaveFileClick();
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].caption, "Error[E9005]");
    EXPECT_EQ(prompter.boxes()[0].text, "File save error.");
    EXPECT_FALSE(prompter.boxes()[0].detail.isEmpty());
    EXPECT_TRUE(form->recorder().HoldsUnsavedData());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    prompter.fileAnswers.clear();  // a cancelled dialog writes nothing
    form->commands().sbtnSaveFileClick();
    EXPECT_EQ(prompter.boxes().size(), 1u);
    EXPECT_TRUE(form->recorder().HoldsUnsavedData());
}

TEST_F(GraphicalRecorder, UnsavedDataAsksBeforeClearingAndCancelKeepsItWithoutAFileDialog) {
    AcquireThree();
    prompter.boxAnswers = {Prompter::Cancel};
    form->commands().sbtnOpenFileClick();
    ASSERT_EQ(prompter.boxes().size(), 1u);
    const Prompter::Box question = prompter.boxes()[0];
    EXPECT_EQ(question.caption, "Warning[W8002]");
    EXPECT_EQ(question.icon, Prompter::Icon::Question);
    EXPECT_EQ(question.buttons, Prompter::Ok | Prompter::Cancel);
    EXPECT_EQ(question.defaultButton, Prompter::Cancel);
    EXPECT_EQ(prompter.count("open"), 0);
    EXPECT_EQ(form->recorder().List().size(), 3u);

    prompter.boxAnswers = {Prompter::Ok};
    form->sbtnClear->click();
    EXPECT_TRUE(form->recorder().List().empty());
    EXPECT_EQ(Status(1), "Data in buffer : 0");
    EXPECT_EQ(form->MaxDataPanel->text(), "");
}

TEST_F(GraphicalRecorder, AbortDuringAFileReadLeavesTheBufferEmpty) {
    AcquireThree();
    const QString file = PathIn("abort.g26");
    prompter.fileAnswers.push_back(file);
    form->commands().sbtnSaveFileClick();

    TMsgForm progress;
    MsgForm = &progress;
    // The user presses Abort while the file is read, and confirms.
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!G().Link.TransferInProgress()) return;
        user.stop();
        progress.bbtnAbort->click();
    });
    user.start(0);
    prompter.boxAnswers = {Prompter::Yes};
    prompter.fileAnswers.push_back(file);
    form->commands().sbtnOpenFileClick();
    EXPECT_EQ(prompter.count("box"), 1);  // the abort question, no error
    EXPECT_TRUE(form->recorder().List().empty());
    EXPECT_TRUE(form->recorder().bBufferEmpty);
    EXPECT_FALSE(G().Link.TransferInProgress());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(form->sbtnOpenFile->isEnabled());
}

// The meter's stored log served to the Import over a scripted line.
class GraphicalRecorderImport : public GraphicalRecorder {
protected:
    void SetUp() override {
        GraphicalRecorder::SetUp();
        image = sim::BuildStreamImage(sim::PatternLog(450, 2, 0), 2, 0);
        auto owned = std::make_unique<FakeLine>();
        line = owned.get();
        line->respondWith([this](std::uint8_t command) -> FakeLine::Bytes {
            if (command == kCmdIdentify) return FakeLine::ReplyFrame({1});
            if (command == kCmdFirstBlock) next = 0;
            const std::size_t at = next++ * kStreamBlockSize;
            if (at >= image.size()) return {};
            return FakeLine::Bytes(image.begin() + static_cast<std::ptrdiff_t>(at),
                                   image.begin() + static_cast<std::ptrdiff_t>(at + 512));
        });
        G().Link.Attach(std::move(owned));
        MsgForm = &progress;
    }
    std::vector<std::uint8_t> image;
    std::size_t next = 0;
    FakeLine* line = nullptr;
    TMsgForm progress;
};

TEST_F(GraphicalRecorderImport, FillsTheChartReadOutsAndBufferAndSavesIt) {
    const std::vector<LogRecord> expected =
        DecodeMemoryImage(image.data(), image.size()).value_or({}).log.records;
    ASSERT_EQ(expected.size(), 450u);
    prompter.boxAnswers = {Prompter::Yes};
    form->sbtnImport->click();

    ASSERT_EQ(prompter.boxes().size(), 1u);
    const Prompter::Box question = prompter.boxes()[0];
    EXPECT_EQ(question.caption, "Warning[W8010]");
    EXPECT_EQ(question.text,
              "All existing data in buffer will be destroyed.\nDo you really want to proceed?");
    EXPECT_EQ(question.buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(question.defaultButton, Prompter::No);
    EXPECT_EQ(question.icon, Prompter::Icon::Question);

    ASSERT_EQ(form->recorder().List().size(), 450u);
    EXPECT_FALSE(G().Link.TransferInProgress());
    EXPECT_FALSE(G().Link.Linked());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Status(1), "Data in buffer : 450");
    EXPECT_EQ(Status(2), "Page : 3 of 3");
    // The last record is under the cursor on the last point of the last page.
    EXPECT_EQ(form->PEGraph->CursorPoint(), 199);
    EXPECT_FLOAT_EQ(form->PEGraph->YData(0, 199), expected.back().fValue);
    EXPECT_EQ(form->ReadingDataPanel->text().toStdString(), std::string(expected.back().szDisplay));
    EXPECT_TRUE(form->sbtnSaveFile->isEnabled());
    EXPECT_TRUE(form->sbtnImport->isEnabled());
    EXPECT_TRUE(form->recorder().bUnsaved);

    // Save writes exactly the decoded records.
    const QString file = PathIn("imported.g26");
    prompter.fileAnswers.push_back(file);
    form->commands().sbtnSaveFileClick();
    LogList saved;
    ASSERT_TRUE(ReadLoggerFile(file.toStdString(), saved)) << file.toStdString();
    ASSERT_EQ(saved.size(), expected.size());
    for (std::size_t i = 0; i < saved.size(); ++i)
        ASSERT_EQ(std::memcmp(&saved[i], &expected[i], sizeof(LogRecord)), 0) << i;
    EXPECT_FALSE(form->recorder().bUnsaved);
}

TEST_F(GraphicalRecorderImport, MenuEntryRunsTheSameCommandAndNoLeavesTheBuffer) {
    AcquireThree();
    prompter.boxAnswers = {Prompter::No};
    form->mnuImport->trigger();
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].caption, "Warning[W8010]");
    EXPECT_EQ(form->recorder().List().size(), 3u);
}

TEST_F(GraphicalRecorderImport, AbortInTheProgressWindowLeavesAnEmptyRecorder) {
    AcquireThree();
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!G().Link.TransferInProgress()) return;
        user.stop();
        EXPECT_TRUE(progress.isVisible());
        EXPECT_EQ(progress.MsgPanel->text(),
                  "[W8012] Acquiring  data from DMM ... please wait ...");
        progress.bbtnAbort->click();
    });
    user.start(0);
    // Yes to 8010, OK to 8002 (the three records are unsaved), Yes to the abort question.
    prompter.boxAnswers = {Prompter::Yes, Prompter::Ok, Prompter::Yes};
    form->sbtnImport->click();
    ASSERT_EQ(prompter.boxes().size(), 3u);
    EXPECT_EQ(prompter.boxes()[1].caption, "Warning[W8002]");
    EXPECT_EQ(prompter.boxes()[2].caption, "Warning[W8014]");
    EXPECT_TRUE(form->recorder().List().empty());
    EXPECT_TRUE(form->recorder().bBufferEmpty);
    EXPECT_FALSE(G().Link.TransferInProgress());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(form->sbtnImport->isEnabled());
}

TEST_F(GraphicalRecorderImport, MeterThatDoesNotAnswerGivesTheTwoLineError) {
    line->respondWith([](std::uint8_t) { return FakeLine::Bytes{}; });
    form->sbtnImport->click();
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].caption, "Error[E9010]");
    EXPECT_EQ(prompter.boxes()[0].text,
              "No data received.\nPlease check communication port selection and wire connection.");
    EXPECT_EQ(prompter.boxes()[0].icon, Prompter::Icon::Error);
}

TEST_F(GraphicalRecorder, PageKeysOnTheChartRunThePagingCommands) {
    QKeyEvent pageUp(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
    QApplication::sendEvent(form->PEGraph, &pageUp);
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].caption, "Warning[W8008]");
    EXPECT_EQ(prompter.boxes()[0].text, "First page.");
    EXPECT_EQ(prompter.boxes()[0].icon, Prompter::Icon::Exclamation);

    // Ctrl+Page Up belongs to the menu; it is not Page Up.
    QKeyEvent ctrlUp(QEvent::KeyPress, Qt::Key_PageUp, Qt::ControlModifier);
    QApplication::sendEvent(form->PEGraph, &ctrlUp);
    QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(form->PEGraph, &pageDown);
    ASSERT_EQ(prompter.boxes().size(), 2u);
    EXPECT_EQ(prompter.boxes()[1].caption, "Warning[W8009]");
}

TEST_F(GraphicalRecorder, ManualModeFromTheIntervalDialog) {
    prompter.dialogAnswers.push_back([](QDialog& d) {
        auto& option = static_cast<TDialogOption&>(d);
        EXPECT_TRUE(option.rbtnAutomatic->isChecked());
        EXPECT_TRUE(option.cbxInterval->isEnabled());
        option.rbtnManual->click();
        EXPECT_FALSE(option.cbxInterval->isEnabled());
        option.btnOk->click();
        return d.result();
    });
    form->sbtnOption->click();
    EXPECT_EQ(prompter.asked.back().box.caption, "Acquisition Interval option");
    EXPECT_EQ(Status(3), "Manual");
    EXPECT_FALSE(form->sbtnRecordStart->isEnabled());
    EXPECT_FALSE(form->mnuStart->isEnabled());
    EXPECT_TRUE(form->sbtnManualLogging->isEnabled());

    G().Link.ReadingReceived = 1;
    form->mnuManual->trigger();
    form->sbtnManualLogging->click();
    EXPECT_EQ(Status(1), "Data in buffer : 2");
    EXPECT_FALSE(fs::exists(Folder() / "~NDMDL1.TMP"));

    // A cancelled dialog changes nothing.
    prompter.dialogAnswers.push_back([](QDialog& d) {
        static_cast<TDialogOption&>(d).rbtnAutomatic->click();
        return int(QDialog::Rejected);
    });
    form->mnuInterval->trigger();
    EXPECT_EQ(Status(3), "Manual");
}

TEST_F(GraphicalRecorder, CustomIntervalIsAskedUntilItIsNotNegative) {
    prompter.inputAnswers = {QString("-3"), QString("5")};
    prompter.dialogAnswers.push_back([this](QDialog& d) {
        auto& option = static_cast<TDialogOption&>(d);
        option.cbxInterval->setCurrentIndex(1);
        emit option.cbxInterval->activated(1);
        EXPECT_EQ(option.iOptSeconds, 5);
        EXPECT_EQ(option.cbxInterval->currentText(), "Customization...");
        // The second box offers the rejected number.
        EXPECT_EQ(prompter.asked.back().box.detail, "-3");
        EXPECT_EQ(prompter.asked.back().box.caption, "Interval in second(s)");
        EXPECT_EQ(prompter.asked.back().box.text, "Input an integer value ? ");
        return int(QDialog::Accepted);
    });
    form->sbtnOption->click();
    EXPECT_TRUE(prompter.shown("Error[E9007]"));
    EXPECT_EQ(Status(3), "Interval in second(s):5S");

    // Not a whole number keeps 0, shown as "Full Speed"; a cancelled box keeps the value.
    TDialogOption dialog;
    prompter.inputAnswers = {QString("abc"), std::nullopt};
    dialog.cbxInterval->setCurrentIndex(1);
    emit dialog.cbxInterval->activated(1);
    EXPECT_EQ(dialog.iOptSeconds, 0);
    EXPECT_EQ(dialog.cbxInterval->currentText(), "Full Speed");
    dialog.iOptSeconds = 7;
    dialog.cbxInterval->setCurrentIndex(1);
    emit dialog.cbxInterval->activated(1);
    EXPECT_EQ(dialog.iOptSeconds, 7);
}

TEST_F(GraphicalRecorder, LineColourAndPrinterSetUpGoThroughTheirDialogs) {
    prompter.colourAnswers = {QColor(Qt::yellow)};
    form->mnuGraphLineColor->trigger();
    EXPECT_EQ(form->PEGraph->SubsetColor(0), QColor(Qt::yellow));
    form->mnuGraphLineColor->trigger();  // cancelled
    EXPECT_EQ(form->PEGraph->SubsetColor(0), QColor(Qt::yellow));
    form->mnuPrinterSetup->trigger();
    EXPECT_EQ(prompter.count("setup"), 1);
}

TEST_F(GraphicalRecorder, MaximisedItKeepsTheFullWidthBelowTheMainWindow) {
    // 1024 x 768: main window 79 high, taskbar 28. Client sizes leave out frames and caption.
    EXPECT_EQ(form->minimumSize(), QSize(1024 - 256 - 6, 661 - 19 - 6));
    form->showMaximized();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_FALSE(form->isMaximized());
    EXPECT_EQ(form->pos(), QPoint(0, 79));
    EXPECT_EQ(form->size(), QSize(1024 - 6, 661 - 19 - 6));
}

TEST_F(GraphicalRecorder, ThreeHundredSamplesMakeTwoPages) {
    G().Link.ReadingReceived = 1;
    form->resize(1000, 640);
    form->show();
    form->sbtnRecordStart->click();
    for (int i = 0; i < 300; ++i) {
        const double v = 2.5 * std::sin(i * 2 * M_PI / 100);
        char text[16];
        std::snprintf(text, sizeof text, "%.3f", v);
        Sample(text);
    }
    form->sbtnRecordStop->click();
    EXPECT_EQ(Status(2), "Page : 2 of 2");
    EXPECT_TRUE(form->sbtnFirstPage->isEnabled());
    form->sbtnFirstPage->click();
    EXPECT_EQ(Status(2), "Page : 1 of 2");
    EXPECT_FLOAT_EQ(form->PEGraph->YData(0, 99), -99999.0f);  // the empty left part of page 1
    form->mnuLastPage->trigger();
    EXPECT_EQ(Status(2), "Page : 2 of 2");

    QApplication::processEvents();
    const QImage shot = form->grab().toImage();
    EXPECT_FALSE(shot.isNull());
    if (const QByteArray out = qgetenv("DMM_SCREENSHOT_DIR"); !out.isEmpty())
        shot.save(QString::fromLocal8Bit(out) + "/recorder.png");
}

TEST_F(GraphicalRecorder, TheClockShowsItsWholeTextAtTheTiledWidth) {
    ApplyOuterGeometry(form.get(), RecorderRect(CurrentSystemMetrics()));
    form->show();
    QApplication::processEvents();
    EXPECT_EQ(form->width() + 6, 768);
    QLabel* clock = form->StatusPanels[4];
    const QFontMetrics metrics(clock->font());
    for (const QString& designator : {QLocale().amText(), QLocale().pmText()}) {
        const QString widest = "  " + designator + " 00:00:00\"";
        EXPECT_LE(metrics.horizontalAdvance(widest), clock->contentsRect().width())
            << widest.toStdString();
    }
    EXPECT_LE(clock->geometry().right(), form->statusBar()->contentsRect().right());
}

}  // namespace
}  // namespace dmm
