#include "displays/datapagelist.h"

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <new>

#include "logger/data/datalist.h"
#include "resources/pictures/icons.h"
#include "resources/strnum.h"
#include "shell/rules/layout.h"
#include "shell/toolkit/linelist.h"
#include "shell/toolkit/metrics.h"
#include "shell/toolkit/prompter.h"
#include "shell/toolkit/winmsg.h"

namespace dmm {

// The lines of one sheet: records first .. first + count - 1 of the list the
// window is given. Nothing is stored per line; the text is built when the view
// asks for it.
class DataSheetModel final : public QAbstractListModel {
public:
    DataSheetModel(const LogList* const* list, std::size_t first, QObject* parent)
        : QAbstractListModel(parent), list_(list), first_(first) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : count_;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count_) return {};
        const LogList* list = *list_;
        const std::size_t i = first_ + static_cast<std::size_t>(index.row());
        // The recorder empties its list just before it tells us to clear.
        if (!list || i >= list->size()) return {};
        const std::string line = DataListLine(i, (*list)[i]);
        return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    }

    void AppendRows(int n) {
        if (n <= 0) return;
        beginInsertRows(QModelIndex(), count_, count_ + n - 1);
        count_ += n;
        endInsertRows();
    }

    void Clear() {
        beginResetModel();
        count_ = 0;
        endResetModel();
    }

    void Refresh() {
        if (count_ > 0) emit dataChanged(index(0), index(count_ - 1), {Qt::DisplayRole});
    }

    int count() const { return count_; }

private:
    const LogList* const* list_;
    std::size_t first_;
    int count_ = 0;
};

TDataPageListForm::TDataPageListForm() {
    setWindowTitle(Str(str::DataListCaption));
    setWindowIcon(WindowIcon(icon::DataList));

    const SystemMetrics m = CurrentSystemMetrics();
    const SizeLimits limits = DataListSizeLimits(m);
    setMinimumSize(std::max(1, limits.minTrackWidth - 2 * m.cyDlgFrame),
                   std::max(1, limits.minTrackHeight - m.cyCaption - 2 * m.cyDlgFrame));

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl);

    currentPage_ = 1;
    AddPage();
}

TDataPageListForm::~TDataPageListForm() = default;

void TDataPageListForm::SetLogList(const LogList* list) {
    list_ = list;
    for (DataSheetModel* model : models_) model->Refresh();
}

int TDataPageListForm::CurrentPage() const {
    return currentPage_;
}

bool TDataPageListForm::AddPage() {
    const int number = currentPage_;
    const QString caption = QString::fromStdString(SheetCaption(number));
    QWidget* sheet = nullptr;
    try {
        sheet = new QWidget;
        sheet->setObjectName(QStringLiteral("ts") + caption);
        QAbstractItemView* box = MakeLineList(sheet);
        box->setObjectName(QStringLiteral("DataList"));
        box->setEditTriggers(QAbstractItemView::NoEditTriggers);
        box->setSelectionMode(QAbstractItemView::SingleSelection);
        // The scroll bar moves with every new line: opaque, with its frame, it repaints
        // alone rather than with the sheet, the tabs and the window beneath it.
        box->verticalScrollBar()->setAutoFillBackground(true);
        if (QWidget* holder = box->verticalScrollBar()->parentWidget(); holder != box)
            holder->setAutoFillBackground(true);
        auto* model = new DataSheetModel(&list_, SheetRange(number, lines_).first, box);
        box->setModel(model);
        auto* fill = new QVBoxLayout(sheet);
        fill->setContentsMargins(0, 0, 0, 0);
        fill->addWidget(box);

        pages_.reserve(pages_.size() + 1);
        boxes_.reserve(boxes_.size() + 1);
        models_.reserve(models_.size() + 1);
        PageControl->addTab(sheet, caption);
        pages_.push_back(sheet);
        boxes_.push_back(box);
        models_.push_back(model);
    } catch (const std::bad_alloc&) {
        if (sheet && PageControl->indexOf(sheet) < 0) delete sheet;
        ShowMemoryError();
        return false;
    }
    PageControl->setCurrentIndex(number - 1);
    return true;
}

void TDataPageListForm::AppendLine(std::size_t index) {
    if (!list_ || index >= list_->size() || index < lines_) return;
    // Lines are views of the list in order. Should a line be missing (one that
    // could not be added for lack of memory), the lines up to this one come
    // with it, so that each line still shows the record its number names.
    while (lines_ <= index) {
        if (static_cast<int>(pages_.size()) < currentPage_ && !AddPage()) return;
        DataSheetModel* model = models_[static_cast<std::size_t>(currentPage_ - 1)];
        PageControl->setCurrentIndex(currentPage_ - 1);
        const std::size_t room = kLinesPerSheet - static_cast<std::size_t>(model->count());
        const std::size_t n = std::min(index + 1 - lines_, room);
        try {
            model->AppendRows(static_cast<int>(n));
        } catch (const std::bad_alloc&) {
            ShowMemoryError();
            return;
        }
        lines_ += n;
        RequestNewestInView(currentPage_);
        if (SheetCount(lines_) > currentPage_) {
            // A full sheet is followed at once by an empty one.
            currentPage_ = SheetCount(lines_);
            AddPage();
        }
    }
}

void TDataPageListForm::ClearPages() {
    // The first sheet stays, emptied: making a new one lays out and repaints the whole
    // window again, which a clear at the start of an import or a file read would pay for.
    while (pages_.size() > 1) {
        QWidget* page = pages_.back();
        PageControl->removeTab(PageControl->indexOf(page));
        pages_.pop_back();
        boxes_.pop_back();
        models_.pop_back();
        delete page;
    }
    lines_ = 0;
    currentPage_ = 1;
    if (models_.empty()) {
        AddPage();
    } else {
        models_.front()->Clear();
        PageControl->setCurrentIndex(0);
    }
}

// Selecting and scrolling repaint the visible lines, so a burst of appends (a
// file being read in) selects and scrolls once, when the event loop next runs,
// not once per line. Every sheet that got lines in the meantime ends with its
// newest line selected.
void TDataPageListForm::RequestNewestInView(int sheet) {
    if (newestPending_) {
        newestFrom_ = std::min(newestFrom_, sheet);
        return;
    }
    newestPending_ = true;
    newestFrom_ = sheet;
    QMetaObject::invokeMethod(this, &TDataPageListForm::ShowNewestLines, Qt::QueuedConnection);
}

void TDataPageListForm::ShowNewestLines() {
    newestPending_ = false;
    for (std::size_t sheet = static_cast<std::size_t>(std::max(newestFrom_, 1)) - 1;
         sheet < boxes_.size(); ++sheet) {
        const int count = models_[sheet]->count();
        if (count == 0) continue;
        QAbstractItemView* box = boxes_[sheet];
        const QModelIndex newest = models_[sheet]->index(count - 1);
        box->selectionModel()->setCurrentIndex(newest, QItemSelectionModel::ClearAndSelect);
        box->scrollTo(newest);
    }
}

void TDataPageListForm::ShowMemoryError() {
    ShowStringMessage(this, str::ErrorCaption, str::OutOfMemory);
}

void TDataPageListForm::customEvent(QEvent* event) {
    if (event->type() != WindowMessage::type()) return;
    const auto* message = static_cast<WindowMessage*>(event);
    switch (message->number()) {
        case msg::DataClear:
            ClearPages();
            break;
        case msg::DataAppend:
            if (message->wParam() >= 0) AppendLine(static_cast<std::size_t>(message->wParam()));
            break;
        default:
            break;
    }
}

void TDataPageListForm::closeEvent(QCloseEvent* event) {
    // The main window's command shows it again; appends go on while it is hidden.
    event->ignore();
    hide();
}

void TDataPageListForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    KeepMaximisedIn(this, event,
                    [](const SystemMetrics& m) { return DataListSizeLimits(m).maximized; });
}

}  // namespace dmm
