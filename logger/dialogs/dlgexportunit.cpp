#include "logger/dialogs/dlgexportunit.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "meterlink/numparse.h"
#include "resources/strings.h"
#include "shell/toolkit/centre.h"

namespace dmm {

namespace {

const QString kUntitled = QStringLiteral("Untitled");

struct FileKind {
    const char* filter;
    const char* suffix;
};
// What the file dialog offers for each type.
FileKind FileKindOf(ExportType type) {
    switch (type) {
        case ExportType::Text:
            return {"CSV files(*.csv)", "csv"};
        case ExportType::BitMap:
            return {"Bitmap files(*.bmp)", "bmp"};
        case ExportType::MetaFile:
            break;
    }
    return {"SVG files(*.svg)", "svg"};
}

// The characters a reader sees, each with its accents and joiners, as UTF-8 texts.
std::vector<std::string> CharactersOf(const QString& text) {
    std::vector<std::string> characters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        characters.push_back(text.sliced(start, end - start).toStdString());
        start = end;
    }
    return characters;
}

}  // namespace

TDlgExportForm::TDlgExportForm(QWidget* parent) : TDlgExportForm(false, parent) {}

TDlgExportForm::TDlgExportForm(bool viewerDialog, QWidget* parent)
    : QDialog(parent), rules_(viewerDialog) {
    setWindowTitle(Str(str::ExportDialogCaption));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    build();
    // The state of a dialog not yet prepared by its caller: a text file of this page.
    rules_.rbtnTextClick();
    showOptions();
}

void TDlgExportForm::build() {
    gbExportType = new QGroupBox(Str(str::ExportWord), this);
    rbtnMetaFile = new QRadioButton(Str(str::MetaFileChoice), gbExportType);
    rbtnBitMap = new QRadioButton(Str(str::BitMapChoice), gbExportType);
    rbtnText = new QRadioButton(Str(str::TextOnlyChoice), gbExportType);
    auto* types = new QVBoxLayout(gbExportType);
    for (QRadioButton* b : {rbtnMetaFile, rbtnBitMap, rbtnText}) types->addWidget(b);

    gbExportDestination =
        new QGroupBox(Str(str::ExportWord) + QLatin1Char(' ') + Str(str::DestinationWord), this);
    rbtnClipBoard = new QRadioButton(Str(str::ClipBoardChoice), gbExportDestination);
    rbtnFile = new QRadioButton(Str(str::FileChoice), gbExportDestination);
    btnBrowse = new QPushButton(Str(str::BrowseButton), gbExportDestination);
    stxFileName = new QLabel(gbExportDestination);
    stxFileName->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stxFileName->setMinimumWidth(stxFileName->fontMetrics().horizontalAdvance(QString(31, 'M')));
    rbtnPrinter = new QRadioButton(Str(str::PrinterChoice), gbExportDestination);
    auto* destinations = new QGridLayout(gbExportDestination);
    destinations->addWidget(rbtnClipBoard, 0, 0);
    destinations->addWidget(rbtnFile, 1, 0);
    destinations->addWidget(btnBrowse, 1, 1);
    destinations->addWidget(stxFileName, 2, 0, 1, 2);
    destinations->addWidget(rbtnPrinter, 3, 0);
    destinations->setColumnStretch(2, 1);

    gbPageScope = new QGroupBox(Str(str::PageScopeGroup), this);
    rbtnPageAll = new QRadioButton(Str(str::AllPagesChoice), gbPageScope);
    rbtnThisPage = new QRadioButton(Str(str::ThisPageChoice), gbPageScope);
    rbtnPage = new QRadioButton(Str(str::PageChoice), gbPageScope);
    lblFrom = new QLabel(Str(str::FromLabel), gbPageScope);
    editPageFrom = new QLineEdit(gbPageScope);
    lblTo = new QLabel(Str(str::ToLabel), gbPageScope);
    editPageTo = new QLineEdit(gbPageScope);
    for (QLineEdit* e : {editPageFrom, editPageTo}) e->setFixedWidth(60);
    auto* scope = new QGridLayout(gbPageScope);
    scope->addWidget(rbtnPageAll, 0, 0, 1, 5);
    scope->addWidget(rbtnThisPage, 1, 0, 1, 5);
    scope->addWidget(rbtnPage, 2, 0);
    scope->addWidget(lblFrom, 2, 1);
    scope->addWidget(editPageFrom, 2, 2);
    scope->addWidget(lblTo, 2, 3);
    scope->addWidget(editPageTo, 2, 4);
    scope->setColumnStretch(5, 1);

    gbObjectSize = new QGroupBox(Str(str::ObjectSizeGroup), this);
    rbtnPixels = new QRadioButton(gbObjectSize);
    rbtnMillimeters = new QRadioButton(Str(str::MillimetersUnit), gbObjectSize);
    rbtnInches = new QRadioButton(Str(str::InchesUnit), gbObjectSize);
    rbtnPoints = new QRadioButton(Str(str::PointsUnit), gbObjectSize);
    lblWidth = new QLabel(Str(str::WidthLabel), gbObjectSize);
    editWidth = new QLineEdit(gbObjectSize);
    lblSlash = new QLabel(Str(str::SizeSlash), gbObjectSize);
    editHigh = new QLineEdit(gbObjectSize);
    lblUnit = new QLabel(gbObjectSize);
    for (QLineEdit* e : {editWidth, editHigh}) e->setFixedWidth(120);
    auto* size = new QGridLayout(gbObjectSize);
    size->addWidget(rbtnPixels, 0, 0, 1, 2);
    size->addWidget(rbtnMillimeters, 0, 2, 1, 3);
    size->addWidget(rbtnInches, 1, 0, 1, 2);
    size->addWidget(rbtnPoints, 1, 2, 1, 3);
    size->addWidget(lblWidth, 2, 0);
    size->addWidget(editWidth, 2, 1);
    size->addWidget(lblSlash, 2, 2);
    size->addWidget(editHigh, 2, 3);
    size->addWidget(lblUnit, 2, 4);
    size->setColumnStretch(5, 1);

    btnExport = new QPushButton(Str(str::ExportWord), this);
    btnExport->setDefault(true);
    btnCancel = new QPushButton(Str(str::CancelButton), this);
    for (QPushButton* b : {btnExport, btnCancel}) b->setMinimumWidth(84);

    auto* left = new QVBoxLayout;
    left->addWidget(gbExportType);
    left->addWidget(gbExportDestination);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(gbPageScope);
    right->addWidget(gbObjectSize);
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnExport);
    buttons->addWidget(btnCancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(columns);
    all->addLayout(buttons);
    all->setSizeConstraint(QLayout::SetFixedSize);

    // A click on the button that is already selected changes nothing (Qt reports it as a
    // click all the same); the program's own calls of the handlers always run their logic.
    auto choose = [this](QRadioButton* button, auto field, auto value,
                         void (TDlgExportForm::*handler)()) {
        connect(button, &QRadioButton::clicked, this, [this, field, value, handler] {
            if (rules_.options.*field != value) (this->*handler)();
        });
    };
    using T = TDlgExportForm;
    using O = ExportOptions;
    choose(rbtnMetaFile, &O::type, ExportType::MetaFile, &T::rbtnMetaFileClick);
    choose(rbtnBitMap, &O::type, ExportType::BitMap, &T::rbtnBitMapClick);
    choose(rbtnText, &O::type, ExportType::Text, &T::rbtnTextClick);
    choose(rbtnClipBoard, &O::destination, ExportDestination::ClipBoard, &T::rbtnClipBoardClick);
    choose(rbtnFile, &O::destination, ExportDestination::File, &T::rbtnFileClick);
    choose(rbtnPrinter, &O::destination, ExportDestination::Printer, &T::rbtnPrinterClick);
    choose(rbtnPageAll, &O::scope, PageScope::AllPages, &T::rbtnPageAllClick);
    choose(rbtnThisPage, &O::scope, PageScope::ThisPage, &T::rbtnThisPageClick);
    choose(rbtnPage, &O::scope, PageScope::Pages, &T::rbtnPageClick);
    choose(rbtnPixels, &O::unit, SizeUnit::Pixels, &T::rbtnPixelsClick);
    choose(rbtnMillimeters, &O::unit, SizeUnit::Millimeters, &T::rbtnMillimetersClick);
    choose(rbtnInches, &O::unit, SizeUnit::Inches, &T::rbtnInchesClick);
    choose(rbtnPoints, &O::unit, SizeUnit::Points, &T::rbtnPointsClick);
    // Only what the user types is read back; the dialog's own writes are not.
    connect(editWidth, &QLineEdit::textEdited, this, &TDlgExportForm::editWidthChange);
    connect(editHigh, &QLineEdit::textEdited, this, &TDlgExportForm::editHighChange);
    connect(btnBrowse, &QPushButton::clicked, this, &TDlgExportForm::btnBrowseClick);
    connect(btnExport, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TDlgExportForm::OfferText(bool offered) {
    rules_.options.textEnabled = rules_.options.textVisible = offered;
    showOptions();
}

void TDlgExportForm::ClearFileName() {
    rules_.options.fileName.clear();
    SaveDialog1.fileName.clear();
    stxFileName->clear();
}

// ---- clicks

void TDlgExportForm::rbtnMetaFileClick() {
    rules_.rbtnMetaFileClick();
    showOptions();
}

void TDlgExportForm::rbtnBitMapClick() {
    rules_.rbtnBitMapClick();
    showOptions();
}

void TDlgExportForm::rbtnTextClick() {
    rules_.rbtnTextClick();
    showOptions();
}

void TDlgExportForm::rbtnClipBoardClick() {
    rules_.rbtnClipBoardClick();
    showOptions();
}

void TDlgExportForm::rbtnFileClick() {
    rules_.rbtnFileClick();
    showOptions();
}

void TDlgExportForm::rbtnPrinterClick() {
    rules_.rbtnPrinterClick();
    showOptions();
}

void TDlgExportForm::rbtnPageAllClick() {
    rules_.rbtnPageAllClick();
    showOptions();
}

void TDlgExportForm::rbtnThisPageClick() {
    rules_.rbtnThisPageClick();
    showOptions();
}

void TDlgExportForm::rbtnPageClick() {
    rules_.rbtnPageClick();
    showOptions();
}

void TDlgExportForm::rbtnPixelsClick() {
    rules_.SelectUnit(SizeUnit::Pixels);
    showOptions();
}

void TDlgExportForm::rbtnMillimetersClick() {
    rules_.SelectUnit(SizeUnit::Millimeters);
    showOptions();
}

void TDlgExportForm::rbtnInchesClick() {
    rules_.SelectUnit(SizeUnit::Inches);
    showOptions();
}

void TDlgExportForm::rbtnPointsClick() {
    rules_.SelectUnit(SizeUnit::Points);
    showOptions();
}

void TDlgExportForm::editWidthChange() {
    sizeEdited(editWidth, true);
}

void TDlgExportForm::editHighChange() {
    sizeEdited(editHigh, false);
}

void TDlgExportForm::sizeEdited(QLineEdit* edit, bool width) {
    const std::string text = edit->text().toStdString();
    const bool ok = width ? rules_.editWidthChange(text) : rules_.editHighChange(text);
    if (!ok) {
        // The size stays as it was; the edit keeps what was typed.
        Prompt().errorBox(
            this, QString::fromStdString(Format(LoadStr(str::NotAFloat).c_str(), text.c_str())));
    }
}

void TDlgExportForm::btnBrowseClick() {
    const FileKind kind = FileKindOf(rules_.options.type);
    Prompter::FileDialog dialog = SaveDialog1;
    dialog.owner = this;
    dialog.filters = {QString::fromLatin1(kind.filter)};
    dialog.selectedFilter = 0;
    dialog.defaultSuffix = QString::fromLatin1(kind.suffix);
    dialog.fileName = kUntitled;
    dialog.confirmOverwrite = true;
    const QString chosen = Prompt().saveFileName(dialog);
    // Cancelled: the file chosen before, if any, stays.
    if (chosen.isEmpty()) return;
    SaveDialog1.fileName = chosen;
    rules_.options.fileName = chosen.toStdString();
    stxFileName->setText(
        QString::fromStdString(ExportDialogRules::FileNameDisplay(CharactersOf(chosen))));
}

// ---- showing the state

void TDlgExportForm::showOptions() {
    const ExportOptions& o = rules_.options;
    const QSignalBlocker quietWidth(editWidth);
    const QSignalBlocker quietHigh(editHigh);

    rbtnText->setEnabled(o.textEnabled);
    rbtnText->setVisible(o.textVisible);
    QRadioButton* type = o.type == ExportType::MetaFile ? rbtnMetaFile
                         : o.type == ExportType::BitMap ? rbtnBitMap
                                                        : rbtnText;
    type->setChecked(true);

    rbtnClipBoard->setEnabled(o.clipBoardEnabled);
    rbtnFile->setEnabled(o.fileEnabled);
    rbtnPrinter->setEnabled(o.printerEnabled);
    btnBrowse->setEnabled(o.browseEnabled);
    QRadioButton* destination = o.destination == ExportDestination::ClipBoard ? rbtnClipBoard
                                : o.destination == ExportDestination::File    ? rbtnFile
                                                                              : rbtnPrinter;
    destination->setChecked(true);
    if (o.fileName.empty()) {
        SaveDialog1.fileName.clear();
        stxFileName->clear();
    }

    rbtnPageAll->setEnabled(o.pageAllEnabled);
    rbtnThisPage->setEnabled(o.thisPageEnabled);
    rbtnPage->setEnabled(o.pageEnabled);
    for (QWidget* w : {static_cast<QWidget*>(lblFrom), static_cast<QWidget*>(editPageFrom),
                       static_cast<QWidget*>(lblTo), static_cast<QWidget*>(editPageTo)})
        w->setEnabled(o.pageEditsEnabled);
    QRadioButton* scope = o.scope == PageScope::AllPages   ? rbtnPageAll
                          : o.scope == PageScope::ThisPage ? rbtnThisPage
                                                           : rbtnPage;
    scope->setChecked(true);

    gbObjectSize->setVisible(o.sizeGroupVisible);
    rbtnPixels->setText(Str(o.pixelsCaption));
    lblUnit->setText(Str(o.unitCaption));
    rbtnPixels->setEnabled(o.pixelsEnabled);
    rbtnMillimeters->setEnabled(o.millimetersEnabled);
    rbtnInches->setEnabled(o.inchesEnabled);
    rbtnPoints->setEnabled(o.pointsEnabled);
    QRadioButton* unit = o.unit == SizeUnit::Pixels        ? rbtnPixels
                         : o.unit == SizeUnit::Millimeters ? rbtnMillimeters
                         : o.unit == SizeUnit::Inches      ? rbtnInches
                                                           : rbtnPoints;
    unit->setChecked(true);
    showSize();
}

void TDlgExportForm::showSize() {
    editWidth->setText(QString::fromStdString(rules_.ShownWidth()));
    editHigh->setText(QString::fromStdString(rules_.ShownHeight()));
}

void TDlgExportForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
    if (focusOnShow_) focusOnShow_->setFocus();
}

void TDlgExportForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (isVisible()) CentreOnScreen(this);
}

TDlgFitExportForm::TDlgFitExportForm(QWidget* parent) : TDlgExportForm(true, parent) {}

}  // namespace dmm
