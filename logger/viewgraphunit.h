// The graphical viewer: the whole of the recorder's buffer in one chart, with the largest
// and smallest reading, zooming, export and print. Read-only: it never changes the buffer.
#pragma once

#include <QDialog>
#include <vector>

class QFrame;
class QLabel;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace dmm {

class PEGraph;
class Recorder;
class TDlgFitExportForm;

class TFormViewGraphic : public QDialog {
    Q_OBJECT
public:
    explicit TFormViewGraphic(QWidget* parent = nullptr);
    ~TFormViewGraphic() override;

    // The buffer shown is this recorder's; without one, the recorder window's.
    void SetRecorder(const Recorder* recorder) { recorder_ = recorder; }

    // Loads the chart from the buffer and places the window; run before each showing.
    void FormShow();
    // Lets go of the reduced view and shrinks the chart back; run after each showing.
    void FormClose();

    void sbtnExportClick();
    void sbtnPrintClick();
    void sbtnUndoZoomClick();
    void PEGraphViewZoomIn();
    void PEGraphViewCursorMoved();
    void MaxDataPanelClick();
    void MinDataPanelClick();

    QFrame* DisplayPanel = nullptr;
    QLabel* MaxTimePanel = nullptr;
    QLabel* MaxDataPanel = nullptr;
    QLabel* MaxUnitPanel = nullptr;
    QLabel* MaxFuncPanel = nullptr;
    QLabel* MinTimePanel = nullptr;
    QLabel* MinDataPanel = nullptr;
    QLabel* MinUnitPanel = nullptr;
    QLabel* MinFuncPanel = nullptr;
    QToolButton* sbtnExport = nullptr;
    QToolButton* sbtnPrint = nullptr;
    QToolButton* sbtnUndoZoom = nullptr;
    QPushButton* bbtnClose = nullptr;
    dmm::PEGraph* PEGraphView = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    bool bAllPoints = true;  // every record is a chart point
    int iPointCount = 100;   // chart points
    float fYMax = 100;       // the chart's Y limits
    float fYMin = -100;
    int iMaxPoint = 0;  // reduced view: the points of the maximum and minimum records
    int iMinPoint = 0;
    std::vector<int> IndexList;  // reduced view: the record of each point

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    const Recorder* source() const;
    // Where the export dialog's picture goes; false when nothing was exported.
    bool exportPicture(const TDlgFitExportForm& dialog);

    const Recorder* recorder_ = nullptr;
    TDlgFitExportForm* ownExport_ = nullptr;  // used when the program has none of its own
};

}  // namespace dmm
