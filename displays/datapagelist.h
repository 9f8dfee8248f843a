// The data list: one line of text per record of the recorder's buffer, on
// sheets of 32000 lines shown as tabs. Each sheet is a view of a range of the
// buffer; a line is formatted only when it is drawn.
#pragma once

#include <QWidget>
#include <cstddef>
#include <vector>

#include "logger/data/logrecord.h"

class QAbstractItemView;
class QTabWidget;

namespace dmm {

class DataSheetModel;

class TDataPageListForm : public QWidget {
    Q_OBJECT
public:
    TDataPageListForm();
    ~TDataPageListForm() override;

    // The recorder's list; set by the start-up entry after the recorder exists,
    // may be null before. Lines show whatever this list holds at their index.
    void SetLogList(const LogList* list);
    // The sheet (1-based) that receives new lines.
    int CurrentPage() const;

    QTabWidget* PageControl;

protected:
    // 1032 clears every sheet; 1034 appends the line of record wParam.
    void customEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool AddPage();
    void AppendLine(std::size_t index);
    void ClearPages();
    void RequestNewestInView(int sheet);
    void ShowNewestLines();
    void ShowMemoryError();

    const LogList* list_ = nullptr;
    int currentPage_ = 1;
    std::size_t lines_ = 0;  // lines on all sheets: records 0 .. lines_ - 1
    std::vector<QWidget*> pages_;
    std::vector<QAbstractItemView*> boxes_;
    std::vector<DataSheetModel*> models_;
    bool newestPending_ = false;  // newest lines to be selected from sheet newestFrom_ on
    int newestFrom_ = 1;
};

}  // namespace dmm
