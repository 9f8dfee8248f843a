#include "displays/datapagelist.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <memory>
#include <optional>
#include <string>

#include "logger/data/datalist.h"
#include "shell/rules/layout.h"
#include "shell/toolkit/metrics.h"
#include "shell/toolkit/winmsg.h"
#include "support/scriptedprompter.h"

namespace dmm {
namespace {

// 1024 x 768, dialog frame 3, caption 19, menu 19, sizing frame 4, taskbar 28.
const SystemMetrics kScreen{1024, 768, 3, 19, 19, 4, 28};

LogRecord Volts(int n) {
    return LogRecord("1.000", "0", 6, " 10:00:00.0  ", std::to_string(n % 10) + ".000", "", "V",
                     1.0f);
}

class DataListWindow : public ::testing::Test {
protected:
    void SetUp() override {
        SetSystemMetricsOverride(kScreen);
        form = std::make_unique<TDataPageListForm>();
        form->SetLogList(&list);
        form->show();
    }
    void TearDown() override {
        form.reset();
        SetSystemMetricsOverride(std::nullopt);
    }

    // Puts n more records into the list and tells the window of each, as the recorder does.
    void Take(std::size_t n) {
        for (std::size_t k = 0; k < n; ++k) {
            list.push_back(Volts(static_cast<int>(list.size())));
            SendWindowMessage(form.get(), msg::DataAppend, static_cast<qintptr>(list.size() - 1));
        }
    }

    QAbstractItemView* Box(int sheet) const {
        auto* page = form->findChild<QWidget*>(QStringLiteral("tsSheet%1").arg(sheet));
        return page ? page->findChild<QAbstractItemView*>(QStringLiteral("DataList")) : nullptr;
    }
    int Lines(int sheet) const {
        QAbstractItemView* box = Box(sheet);
        return box ? box->model()->rowCount() : -1;
    }
    QString Line(int sheet, int row) const {
        QAbstractItemModel* model = Box(sheet)->model();
        return model->data(model->index(row, 0)).toString();
    }
    QStringList Captions() const {
        QStringList out;
        for (int i = 0; i < form->PageControl->count(); ++i) out << form->PageControl->tabText(i);
        return out;
    }

    test::ScriptedPrompter prompter;
    LogList list;
    std::unique_ptr<TDataPageListForm> form;
};

TEST_F(DataListWindow, LineOfEachRecordSpellsOutOhm) {
    Take(4);
    list.push_back(LogRecord("1.234", "3", 384, " 14:05:09.3  ", "1.234", "K", "W", 1234));
    SendWindowMessage(form.get(), msg::DataAppend, 4);
    ASSERT_EQ(Lines(1), 5);
    EXPECT_EQ(Line(1, 0), "1, 10:00:00.0  ,0.000V");
    EXPECT_EQ(Line(1, 4), "5, 14:05:09.3  ,1.234K Ohm");
}

TEST_F(DataListWindow, FullSheetIsFollowedAtOnceByAnEmptyOne) {
    Take(kLinesPerSheet);
    EXPECT_EQ(Lines(1), 32000);
    EXPECT_TRUE(Line(1, 31999).startsWith("32000,"));
    EXPECT_EQ(Captions(), (QStringList{"Sheet1", "Sheet2"}));
    EXPECT_EQ(Lines(2), 0);
    EXPECT_EQ(form->CurrentPage(), 2);
    EXPECT_EQ(form->PageControl->currentWidget()->objectName(), "tsSheet2");

    Take(1);
    EXPECT_EQ(Lines(1), 32000);
    ASSERT_EQ(Lines(2), 1);
    EXPECT_TRUE(Line(2, 0).startsWith("32001,"));
    QApplication::processEvents();
    // Each sheet ends with its newest line selected and in view, even when both filled in one
    // burst.
    EXPECT_EQ(Box(2)->currentIndex().row(), 0);
    EXPECT_TRUE(Box(2)->selectionModel()->isSelected(Box(2)->currentIndex()));
    form->PageControl->setCurrentIndex(0);
    QApplication::processEvents();
    QAbstractItemView* full = Box(1);
    EXPECT_EQ(full->currentIndex().row(), 31999);
    EXPECT_EQ(full->selectionModel()->selectedIndexes().size(), 1);
    EXPECT_TRUE(full->viewport()->rect().intersects(full->visualRect(full->currentIndex())));
}

TEST_F(DataListWindow, ClearLeavesOneEmptySheet) {
    Take(2 * kLinesPerSheet + 5);
    ASSERT_EQ(Captions(), (QStringList{"Sheet1", "Sheet2", "Sheet3"}));
    list.clear();  // the recorder empties its list before it tells the window
    SendWindowMessage(form.get(), msg::DataClear);
    EXPECT_EQ(Captions(), QStringList{"Sheet1"});
    EXPECT_EQ(form->findChildren<QAbstractItemView*>(QStringLiteral("DataList")).size(), 1);
    EXPECT_EQ(Lines(1), 0);
    EXPECT_EQ(form->CurrentPage(), 1);
    QApplication::processEvents();  // a selection still pending must not touch the old sheets

    Take(1);
    EXPECT_EQ(Lines(1), 1);
    EXPECT_TRUE(Line(1, 0).startsWith("1,"));
}

TEST_F(DataListWindow, LinesOnlyShowWhatTheListHolds) {
    Take(2);
    SendWindowMessage(form.get(), msg::DataAppend, 2);  // not in the list
    EXPECT_EQ(Lines(1), 2);
    list.clear();  // emptied, the clear message not yet handled
    EXPECT_EQ(Line(1, 1), "");
}

// Lets the views lay out (a timer of their own) and paint.
void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// Counts the paint events a widget gets.
class PaintCount : public QObject {
public:
    explicit PaintCount(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(DataListWindow, PaintsLinesAsTheStyleDoesAndTheScrollBarOnlyWhenItMoves) {
    Take(40);
    Settle();
    QAbstractItemView* box = Box(1);
    box->setFocus();
    Settle();
    // Lines drawn from kept shaped texts look exactly as the style draws them, the selected
    // one with its focus frame included.
    QAbstractItemDelegate* kept = box->itemDelegate();
    const QImage fast = box->viewport()->grab().toImage();
    QStyledItemDelegate plain;
    box->setItemDelegate(&plain);
    const QImage styled = box->viewport()->grab().toImage();
    box->setItemDelegate(kept);
    EXPECT_EQ(fast, styled);

    // With many lines, one more leaves the slider where it was: no repaint. With few, it
    // moves the slider, and the bar shows it.
    Take(4000);
    Settle();
    PaintCount many(box->verticalScrollBar());
    Take(1);
    Settle();
    EXPECT_EQ(many.paints, 0);

    list.clear();
    SendWindowMessage(form.get(), msg::DataClear);
    Take(30);
    Settle();
    QScrollBar* bar = Box(1)->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    PaintCount few(bar);
    Take(10);
    Settle();
    EXPECT_GT(few.paints, 0);
}

TEST_F(DataListWindow, KeepsAQuarterOfTheScreenAndOnlyHidesWhenClosed) {
    EXPECT_EQ(form->windowTitle(), "Data list");
    // Client sizes: the outer limits less frames and caption.
    EXPECT_EQ(form->minimumSize(), QSize(256 - 6, 192 - 19 - 6));
    form->showMaximized();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_FALSE(form->isMaximized());
    EXPECT_EQ(form->pos(), QPoint(0, 79));
    EXPECT_EQ(form->size(), QSize(256 - 6, 661 - 19 - 6));

    form->close();
    EXPECT_TRUE(form->isHidden());
    Take(1);  // the list goes on filling while hidden
    EXPECT_EQ(Lines(1), 1);
}

}  // namespace
}  // namespace dmm
