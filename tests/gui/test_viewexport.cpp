// The graphical viewer and the export and print commands of the recorder and the viewer,
// driven through their buttons with a scripted prompter answering the dialogs.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>
#include <filesystem>
#include <memory>

#include "logger/chart/pegraph.h"
#include "logger/dialogs/dlgexportunit.h"
#include "logger/graphicalrecord.h"
#include "logger/viewgraphunit.h"
#include "meterlink/globalvar.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/metrics.h"
#include "support/examplemetrics.h"
#include "support/scriptedprompter.h"

namespace dmm {
namespace {

namespace fs = std::filesystem;

int PdfPages(const QString& path) {
    QFile pdf(path);
    if (!pdf.open(QIODevice::ReadOnly)) return -1;
    return static_cast<int>(
        QString::fromLatin1(pdf.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
}

QString ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return QString::fromLatin1(file.readAll());
}

class ViewExport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetSystemMetricsOverride(test::ExampleMetrics());
        form = std::make_unique<TGraphicalForm>(G().Link, fs::path(dir.path().toStdString()));
        form->resize(900, 500);
    }
    void TearDown() override {
        form.reset();
        SetSystemMetricsOverride(std::nullopt);
    }

    // A buffer read in whole: record i has the value value(i) and the time label "t<i>".
    void Load(std::size_t n, float (*value)(std::size_t), int pointsPerPage = 200) {
        Recorder& rec = form->recorder();
        rec.iPointsPerPage = pointsPerPage;
        rec.ClearRecorder();
        LogList& list = rec.List();
        list.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            const std::string text = std::to_string(value(i));
            list.emplace_back(text.substr(0, 7), "0", 6, "t" + std::to_string(i),
                              text.substr(0, 15), "", "V", value(i));
        }
        rec.ReplayList();
        rec.FinishBulkLoad();
    }

    // Shows the viewer and runs check while it is up.
    void InViewer(const std::function<void(TFormViewGraphic&)>& check) {
        prompter.dialogAnswers.push_back([&](QDialog& d) {
            viewer = &static_cast<TFormViewGraphic&>(d);
            check(*viewer);
            return int(QDialog::Rejected);
        });
        form->sbtnFitViewClick();
    }

    // Answers the next export dialog: choose sets it up, then Export is pressed.
    void Answer(const std::function<void(TDlgExportForm&)>& choose) {
        prompter.dialogAnswers.push_back([choose](QDialog& d) {
            auto& dialog = static_cast<TDlgExportForm&>(d);
            choose(dialog);
            return int(QDialog::Accepted);
        });
    }
    // The text of the last of the toolkit's error boxes.
    QString LastError() const {
        for (auto it = prompter.asked.rbegin(); it != prompter.asked.rend(); ++it)
            if (it->kind == "error") return it->box.text;
        return {};
    }
    void Browse(TDlgExportForm& dialog, const QString& file) {
        prompter.fileAnswers.push_back(file);
        dialog.btnBrowse->click();
    }

    QTemporaryDir dir;
    MeterReading& reading = G().Link.Reading;
    test::ScriptedPrompter prompter;
    std::unique_ptr<TGraphicalForm> form;
    TFormViewGraphic* viewer = nullptr;
};

float Ramp(std::size_t i) {
    return static_cast<float>(i % 1000) / 100.0f;
}
float Number(std::size_t i) {
    return static_cast<float>(i);
}

TEST_F(ViewExport, LargeBufferIsReducedAndTheMaxPanelFindsItsPoint) {
    Load(10000, Ramp);  // maxima 9.99 on records 999, 1999, ...; the recorder keeps the newest
    const Recorder& rec = form->recorder();
    ASSERT_EQ(rec.iMaxIndex, 9999);
    InViewer([&](TFormViewGraphic& v) {
        EXPECT_EQ(v.windowTitle(), "Graphical viewer");
        EXPECT_FALSE(v.bAllPoints);
        EXPECT_EQ(v.PEGraphView->Points(), 5000);
        EXPECT_EQ(v.IndexList.size(), 5000u);
        EXPECT_EQ(v.PEGraphView->SubsetStyle(0), 9);
        EXPECT_EQ(v.PEGraphView->SubsetColor(0), QColor(0, 0, 255));
        EXPECT_FLOAT_EQ(v.PEGraphView->ManualMaxY(), rec.fScaleMax);
        EXPECT_EQ(v.MaxTimePanel->text(), "t9999");
        EXPECT_EQ(v.MaxFuncPanel->text(), "V");
        EXPECT_EQ(v.MinTimePanel->text(), "t9000");
        EXPECT_EQ(v.PEGraphView->CursorPoint(), 0);

        v.MaxDataPanelClick();
        EXPECT_EQ(v.IndexList[static_cast<std::size_t>(v.PEGraphView->CursorPoint())], 9999);
        v.MinDataPanelClick();
        EXPECT_EQ(v.IndexList[static_cast<std::size_t>(v.PEGraphView->CursorPoint())], 9000);

        EXPECT_FALSE(v.sbtnUndoZoom->isEnabled());
        emit v.PEGraphView->OnZoomIn();
        EXPECT_TRUE(v.sbtnUndoZoom->isEnabled());
        v.sbtnUndoZoom->click();
        EXPECT_FALSE(v.sbtnUndoZoom->isEnabled());
    });
    // Closed: 100 points of the first records, limits of ±100, no index list.
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->IndexList.empty());
    EXPECT_EQ(viewer->PEGraphView->Points(), 100);
    EXPECT_FLOAT_EQ(viewer->PEGraphView->YData(0, 99), Ramp(99));
    EXPECT_EQ(viewer->PEGraphView->ManualMaxY(), 100);
    EXPECT_EQ(viewer->PEGraphView->ManualMinY(), -100);
    EXPECT_EQ(rec.List().size(), 10000u);  // read-only
}

TEST_F(ViewExport, SmallBufferIsDrawnPointByPointAndClosesOnTheRecordsItHas) {
    Load(300, Number);
    InViewer([&](TFormViewGraphic& v) {
        EXPECT_TRUE(v.bAllPoints);
        EXPECT_EQ(v.PEGraphView->Points(), 300);
        EXPECT_EQ(v.PEGraphView->PointLabel(299), "t299");
        v.MaxDataPanelClick();
        EXPECT_EQ(v.PEGraphView->CursorPoint(), 299);
        v.MinDataPanelClick();
        EXPECT_EQ(v.PEGraphView->CursorPoint(), 0);
    });
    // Fewer than 100 records: those there are, the other points empty.
    Load(40, Number);
    InViewer([](TFormViewGraphic& v) { EXPECT_EQ(v.PEGraphView->Points(), 40); });
    EXPECT_EQ(viewer->PEGraphView->Points(), 100);
    EXPECT_FLOAT_EQ(viewer->PEGraphView->YData(0, 39), 39.0f);
    EXPECT_EQ(viewer->PEGraphView->YData(0, 40), -99999.0f);
    EXPECT_EQ(viewer->PEGraphView->PointLabel(40), " ");
}

TEST_F(ViewExport, ANarrowSpikeInAMillionFlatRecordsShowsInTheViewer) {
    Load(1000000, [](std::size_t i) { return i == 654321 ? 50.0f : 1.0f; });
    InViewer([&](TFormViewGraphic& v) {
        v.resize(1000, 600);
        v.show();
        QApplication::processEvents();
        QCustomPlot* plot = v.PEGraphView->plot();
        const QImage image = plot->toPixmap().toImage();
        v.MaxDataPanelClick();
        const int x = qRound(plot->xAxis->coordToPixel(v.PEGraphView->CursorPoint()));
        const int top = qRound(plot->yAxis->coordToPixel(45.0));
        int blue = 0;
        for (int dx = -2; dx <= 2; ++dx) {
            const QColor c = image.pixelColor(x + dx, top);
            blue += c.blue() > 150 && c.red() < 150 && c.green() < 150;
        }
        EXPECT_GT(blue, 0) << "no line at x " << x << ", y " << top;
        v.hide();
    });
}

TEST_F(ViewExport, ViewerExportsItsChartAsAPictureOfTheExportSize) {
    Load(300, Number);
    const QString svg = dir.filePath("view.svg");
    const QString bmp = dir.filePath("view.bmp");
    InViewer([&](TFormViewGraphic& v) {
        // The dialog comes up with MetaFile, without Text, and Printer leaves only This Page.
        Answer([&](TDlgExportForm& d) {
            EXPECT_TRUE(d.rbtnMetaFile->isChecked());
            EXPECT_FALSE(d.rbtnText->isVisibleTo(&d));
            EXPECT_TRUE(d.rbtnClipBoard->isChecked());
            d.rbtnPrinter->click();
            EXPECT_FALSE(d.rbtnPageAll->isEnabled());
            EXPECT_FALSE(d.rbtnPage->isEnabled());
            EXPECT_TRUE(d.rbtnThisPage->isChecked());
            d.rbtnFile->click();
        });
        v.sbtnExportClick();  // File without a name
        ASSERT_EQ(prompter.boxes().size(), 1u);
        EXPECT_EQ(prompter.boxes()[0].caption, "Error[E9013]");
        EXPECT_EQ(prompter.boxes()[0].text, "Please \"Browse\" and specify a file name !");

        Answer([&](TDlgExportForm& d) {
            d.rbtnFile->click();
            Browse(d, svg);
            EXPECT_EQ(prompter.lastFileDialog.filters, QStringList{"SVG files(*.svg)"});
            EXPECT_EQ(prompter.lastFileDialog.defaultSuffix, "svg");
            EXPECT_EQ(prompter.lastFileDialog.fileName, "Untitled");
        });
        v.sbtnExportClick();
        EXPECT_TRUE(ReadText(svg).contains("viewBox=\"0 0 378 257\""));

        Answer([&](TDlgExportForm& d) {
            d.rbtnBitMap->click();
            d.rbtnFile->click();
            Browse(d, bmp);
            EXPECT_EQ(prompter.lastFileDialog.filters, QStringList{"Bitmap files(*.bmp)"});
        });
        v.sbtnExportClick();
        EXPECT_EQ(QImageReader(bmp).size(), QSize(1000, 681));

        Answer([&](TDlgExportForm& d) { d.rbtnBitMap->click(); });
        v.sbtnExportClick();
        EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(1000, 681));
    });
    EXPECT_EQ(prompter.boxes().size(), 1u);
}

TEST_F(ViewExport, TextExportOfPagesWritesOneNumberedLinePerRecord) {
    Load(250, Number, 100);
    ASSERT_EQ(form->recorder().iPageCount, 3);
    const QString csv = dir.filePath("all.csv");
    Answer([&](TDlgExportForm& d) {
        // Prepared for a text file of this page, with the page range 1 to 3.
        EXPECT_TRUE(d.rbtnText->isChecked());
        EXPECT_TRUE(d.rbtnFile->isChecked());
        EXPECT_FALSE(d.rbtnClipBoard->isEnabled());
        EXPECT_FALSE(d.rbtnPrinter->isEnabled());
        EXPECT_FALSE(d.gbObjectSize->isVisibleTo(&d));
        EXPECT_EQ(d.editPageTo->text(), "3");
        d.rbtnPageAll->click();
        Browse(d, csv);
        EXPECT_EQ(prompter.lastFileDialog.filters, QStringList{"CSV files(*.csv)"});
    });
    form->sbtnExport->click();
    const QString text = ReadText(csv);
    EXPECT_EQ(text.count("\r\n"), 250);
    EXPECT_TRUE(text.startsWith("1,t0,0\r\n2,t1,1\r\n"));
    EXPECT_TRUE(text.endsWith("250,t249,249\r\n"));

    // Page 2 only, from the page edits.
    Answer([&](TDlgExportForm& d) {
        d.rbtnPage->click();
        d.editPageFrom->setText("2");
        d.editPageTo->setText("2");
        Browse(d, csv);
    });
    form->mnuExport->trigger();
    EXPECT_TRUE(ReadText(csv).startsWith("51,t50,50\r\n"));
    EXPECT_EQ(ReadText(csv).count("\r\n"), 100);
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(ViewExport, BadPageRangesExportNothingAndSaySo) {
    Load(250, Number, 100);
    const QString csv = dir.filePath("none.csv");
    auto pages = [&](const char* from, const char* to) {
        Answer([&, from, to](TDlgExportForm& d) {
            d.rbtnPage->click();
            d.editPageFrom->setText(from);
            d.editPageTo->setText(to);
            Browse(d, csv);
        });
        form->commands().sbtnExportClick();
    };
    pages("3", "2");
    pages("7", "9");
    pages("x", "2");
    ASSERT_EQ(prompter.boxes().size(), 2u);
    EXPECT_EQ(prompter.boxes()[0].caption, "Warning[W8100]");
    EXPECT_EQ(prompter.boxes()[1].caption, "Warning[W8101]");
    ASSERT_EQ(prompter.count("error"), 1);
    EXPECT_EQ(LastError(), "'x' is not a valid integer value");
    EXPECT_FALSE(QFile::exists(csv));

    // Beyond the last page is limited to it.
    pages("3", "9");
    EXPECT_EQ(ReadText(csv).count("\r\n"), 100);
}

TEST_F(ViewExport, FailedTextExportShowsTheReason) {
    Load(250, Number, 100);
    Answer([&](TDlgExportForm& d) { Browse(d, dir.filePath("missing/folder/out.csv")); });
    form->commands().sbtnExportClick();
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].caption, "Error[E9005]");
    EXPECT_TRUE(prompter.boxes()[0].detail.contains("No such file or directory"))
        << prompter.boxes()[0].detail.toStdString();
}

TEST_F(ViewExport, RecorderPicturesOfThePageOnShowAndBackToIt) {
    Load(250, Number, 100);
    form->recorder().sbtnPageUpClick();  // page 2 of 3
    const QString bmp = dir.filePath("page.bmp");
    Answer([&](TDlgExportForm& d) {
        d.rbtnBitMap->click();
        EXPECT_EQ(d.editWidth->text(), "1000");
        EXPECT_EQ(d.editHigh->text(), "681");
        EXPECT_TRUE(d.rbtnPixels->isEnabled());
        EXPECT_FALSE(d.rbtnMillimeters->isEnabled());
        EXPECT_EQ(d.rbtnPixels->text(), "Pixels");
        d.rbtnFile->click();
        Browse(d, bmp);
    });
    form->commands().sbtnExportClick();
    EXPECT_EQ(QImageReader(bmp).size(), QSize(1000, 681));

    const QString svg = dir.filePath("page.svg");
    Answer([&](TDlgExportForm& d) {
        d.rbtnMetaFile->click();
        d.rbtnInches->click();
        EXPECT_EQ(d.editWidth->text(), "3.93700787401575");
        EXPECT_EQ(d.editHigh->text(), "2.68110236220472");
        d.editWidth->setText("2");
        emit d.editWidth->textEdited("2");
        EXPECT_DOUBLE_EQ(d.options().objectWidth, 5080);
        d.editHigh->setText("1x");
        emit d.editHigh->textEdited("1x");
        EXPECT_DOUBLE_EQ(d.options().objectHeight, 6810);
        d.rbtnFile->click();
        Browse(d, svg);
    });
    form->commands().sbtnExportClick();
    ASSERT_EQ(prompter.count("error"), 1);
    EXPECT_EQ(LastError(), "'1x' is not a valid floating point value");
    EXPECT_TRUE(ReadText(svg).contains("viewBox=\"0 0 192 257\""));
    // The recorder shows its current page again.
    EXPECT_EQ(form->recorder().iCurrentPage, 2);
    EXPECT_FLOAT_EQ(form->PEGraph->YData(0, 0), 50.0f);

    // "Print this page" goes back to the chart's own proportions after a reset.
    EXPECT_NE(form->PEGraph->ExportWidth(), 0);
    form->recorder().ClearRecorder();
    EXPECT_EQ(form->PEGraph->ExportWidth(), 0);
    EXPECT_EQ(form->PEGraph->ExportHeight(), 0);
}

TEST_F(ViewExport, PrintingSeveralPagesIsOneJobWithOneDialog) {
    Load(250, Number, 100);
    const QString pdf = dir.filePath("pages.pdf");
    prompter.printAnswers.push_back([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    Answer([&](TDlgExportForm& d) {
        d.rbtnBitMap->click();
        d.rbtnPrinter->click();
        EXPECT_TRUE(d.rbtnPageAll->isEnabled());
        d.rbtnPageAll->click();
    });
    form->commands().sbtnExportClick();
    EXPECT_EQ(prompter.count("print"), 1);
    EXPECT_EQ(PdfPages(pdf), 3);
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_EQ(form->recorder().iCurrentPage, 3);
    EXPECT_FLOAT_EQ(form->PEGraph->YData(0, 99), 249.0f);
    EXPECT_EQ(form->PEGraph->ViewingStyle(), PEGraph::gColor);

    // A cancelled print dialog prints nothing and says nothing.
    QFile::remove(pdf);
    Answer([&](TDlgExportForm& d) {
        d.rbtnMetaFile->click();
        d.rbtnPrinter->click();
    });
    form->commands().sbtnExportClick();
    EXPECT_EQ(prompter.count("print"), 2);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(ViewExport, DialogShowsLongFileNamesByTheirStartAndEnd) {
    TDlgExportForm dialog;
    dialog.rbtnText->click();
    const QString name = "/tmp/exports/of/the/day/data-0001.csv";  // 37 characters
    prompter.fileAnswers.push_back(name);
    dialog.btnBrowse->click();
    EXPECT_EQ(dialog.stxFileName->text(), "/tm...of/the/day/data-0001.csv");
    EXPECT_EQ(dialog.SaveDialog1.fileName, name);
    // A cancelled browse keeps the file chosen before.
    dialog.btnBrowse->click();
    EXPECT_EQ(dialog.SaveDialog1.fileName, name);
    // Characters count as a reader sees them: a letter with its accent is one.
    const QString accented =
        QString::fromUtf8("/tmp/Me\u0301ssdaten-Ku\u0308hlung-\u00e9t\u00e9.csv");
    ASSERT_EQ(accented.size(), 32);  // 30 characters
    Browse(dialog, accented);
    EXPECT_EQ(dialog.stxFileName->text(), accented);
    Browse(dialog, accented + QString::fromUtf8("\u00fc\u00fc\u00fce\u0301"));
    EXPECT_EQ(
        dialog.stxFileName->text(),
        QString::fromUtf8("/tm...aten-Ku\u0308hlung-\u00e9t\u00e9.csv\u00fc\u00fc\u00fce\u0301"));
}

// Qt reports a click on the radio button that is already checked; it must change nothing.
TEST_F(ViewExport, ClickingTheSelectedButtonAgainKeepsTheChoices) {
    using B = QRadioButton* TDlgExportForm::*;
    const struct Case {
        B type, again;
        double width;  // as stored, after 1234 is typed in the shown unit
    } cases[] = {{&TDlgExportForm::rbtnText, &TDlgExportForm::rbtnText, 0},
                 {&TDlgExportForm::rbtnText, &TDlgExportForm::rbtnFile, 0},
                 {&TDlgExportForm::rbtnBitMap, &TDlgExportForm::rbtnBitMap, 1234},
                 {&TDlgExportForm::rbtnBitMap, &TDlgExportForm::rbtnFile, 1234},
                 {&TDlgExportForm::rbtnMetaFile, &TDlgExportForm::rbtnMetaFile, 123400},
                 {&TDlgExportForm::rbtnMetaFile, &TDlgExportForm::rbtnMillimeters, 123400}};
    const QString name = "/tmp/chosen.file";
    for (const Case& c : cases) {
        TDlgExportForm dialog;
        (dialog.*c.type)->click();
        dialog.rbtnFile->click();
        Browse(dialog, name);
        if (c.width != 0) {
            dialog.editWidth->setText("1234");
            emit dialog.editWidth->textEdited("1234");
        }
        (dialog.*c.again)->click();
        EXPECT_EQ(dialog.options().destination, ExportDestination::File);
        EXPECT_EQ(dialog.SaveDialog1.fileName, name);
        EXPECT_EQ(dialog.stxFileName->text(), name);
        if (c.width != 0) {
            EXPECT_DOUBLE_EQ(dialog.options().objectWidth, c.width);
        }
    }
    // Choosing another button still runs its logic.
    TDlgExportForm dialog;
    dialog.rbtnText->click();
    Browse(dialog, name);
    dialog.rbtnBitMap->click();
    EXPECT_EQ(dialog.options().destination, ExportDestination::ClipBoard);
    EXPECT_TRUE(dialog.SaveDialog1.fileName.isEmpty());
}

}  // namespace
}  // namespace dmm
