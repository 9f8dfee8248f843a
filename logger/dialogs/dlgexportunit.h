// The export dialog: what to export (picture or text), where to (clipboard, file or printer),
// which pages and at which size. The caller prepares it, shows it modally and, on Export,
// reads the choice from options() and the page edits.
#pragma once

#include <QDialog>

#include "logger/data/exportoptions.h"
#include "shell/toolkit/prompter.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dmm {

class TDlgExportForm : public QDialog {
    Q_OBJECT
public:
    explicit TDlgExportForm(QWidget* parent = nullptr);

    const ExportOptions& options() const { return rules_.options; }
    // The caller's side: 0 for the recorder, 1 for the viewer.
    void SetViewerFlag(int flag) { rules_.options.viewerFlag = flag; }
    // Whether Text/Data Only is offered (enabled and shown).
    void OfferText(bool offered);
    // Empties the chosen file name and its display.
    void ClearFileName();
    // The control that has the focus when the dialog comes up.
    void FocusOnShow(QWidget* control) { focusOnShow_ = control; }

    // Clicks, also run by the program when it checks a button.
    void rbtnMetaFileClick();
    void rbtnBitMapClick();
    void rbtnTextClick();
    void rbtnClipBoardClick();
    void rbtnFileClick();
    void rbtnPrinterClick();
    void rbtnPageAllClick();
    void rbtnThisPageClick();
    void rbtnPageClick();
    void rbtnPixelsClick();
    void rbtnMillimetersClick();
    void rbtnInchesClick();
    void rbtnPointsClick();
    void editWidthChange();
    void editHighChange();
    void btnBrowseClick();

    QGroupBox* gbExportType = nullptr;
    QRadioButton* rbtnMetaFile = nullptr;
    QRadioButton* rbtnBitMap = nullptr;
    QRadioButton* rbtnText = nullptr;
    QGroupBox* gbExportDestination = nullptr;
    QRadioButton* rbtnClipBoard = nullptr;
    QRadioButton* rbtnFile = nullptr;
    QPushButton* btnBrowse = nullptr;
    QLabel* stxFileName = nullptr;
    QRadioButton* rbtnPrinter = nullptr;
    QGroupBox* gbPageScope = nullptr;
    QRadioButton* rbtnPageAll = nullptr;
    QRadioButton* rbtnThisPage = nullptr;
    QRadioButton* rbtnPage = nullptr;
    QLabel* lblFrom = nullptr;
    QLineEdit* editPageFrom = nullptr;
    QLabel* lblTo = nullptr;
    QLineEdit* editPageTo = nullptr;
    QGroupBox* gbObjectSize = nullptr;
    QRadioButton* rbtnPixels = nullptr;
    QRadioButton* rbtnMillimeters = nullptr;
    QRadioButton* rbtnInches = nullptr;
    QRadioButton* rbtnPoints = nullptr;
    QLabel* lblWidth = nullptr;
    QLineEdit* editWidth = nullptr;
    QLabel* lblSlash = nullptr;
    QLineEdit* editHigh = nullptr;
    QLabel* lblUnit = nullptr;
    QPushButton* btnExport = nullptr;
    QPushButton* btnCancel = nullptr;
    // The target file: its fileName is the chosen file, empty until one is chosen.
    Prompter::FileDialog SaveDialog1;

protected:
    // The viewer's dialog differs only in its Printer rule.
    TDlgExportForm(bool viewerDialog, QWidget* parent);
    void showEvent(QShowEvent* event) override;
    // The dialog grows and shrinks with the size group; it stays centred.
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    // Shows the rules' state in the controls.
    void showOptions();
    void showSize();
    void sizeEdited(QLineEdit* edit, bool width);

    ExportDialogRules rules_;
    QWidget* focusOnShow_ = nullptr;
};

// The viewer's export dialog: the export dialog whose Printer leaves only This Page.
class TDlgFitExportForm : public TDlgExportForm {
    Q_OBJECT
public:
    explicit TDlgFitExportForm(QWidget* parent = nullptr);
};

}  // namespace dmm
