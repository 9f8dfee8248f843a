#include "shell/toolkit/linelist.h"

#include <QApplication>
#include <QCache>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QStyledItemDelegate>
#include <QTableView>

namespace dmm {

namespace {

// Draws a line as the style does (panel, text, focus frame), from a shaped text kept per
// line text. Lines with anything besides plain text, or too long for their room (the style
// shortens those with an ellipsis), are left to the style.
class LineDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QStyleOptionViewItem::ViewItemFeatures extras =
            QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration |
            QStyleOptionViewItem::WrapText;
        if (opt.text.isEmpty() || (opt.features & extras) || opt.direction != Qt::LeftToRight) {
            return QStyledItemDelegate::paint(painter, option, index);
        }
        const QWidget* widget = opt.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        // A line of text alone fills its cell; the style keeps a margin either side of it.
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect room = opt.rect.adjusted(margin, 0, -margin, 0);
        const QStaticText& text = shaped(opt.text, opt.font);
        const QSizeF size = text.size();
        if (size.width() > room.width()) return QStyledItemDelegate::paint(painter, option, index);

        painter->save();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
        const bool selected = opt.state & QStyle::State_Selected;
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (opt.state & QStyle::State_Active)
                                               ? QPalette::Normal
                                               : QPalette::Inactive;
        painter->setPen(
            opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(opt.font);
        const QRect place =
            QStyle::alignedRect(Qt::LeftToRight, opt.displayAlignment, size.toSize(), room);
        painter->drawStaticText(place.topLeft(), text);
        if (opt.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(opt);
            focus.rect = opt.rect;
            focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
            focus.backgroundColor =
                opt.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
        }
        painter->restore();
    }

private:
    const QStaticText& shaped(const QString& line, const QFont& font) const {
        if (font != font_) {
            shaped_.clear();
            font_ = font;
        }
        if (const QStaticText* kept = shaped_.object(line)) return *kept;
        auto* text = new QStaticText(line);
        text->setTextFormat(Qt::PlainText);
        text->setPerformanceHint(QStaticText::AggressiveCaching);
        text->prepare(QTransform(), font);
        shaped_.insert(line, text);
        return *text;
    }

    // A screenful of lines and then some: a repaint after one new line finds all but one.
    mutable QCache<QString, QStaticText> shaped_{256};
    mutable QFont font_;
};

// A scroll bar that skips the repaint when changes of range and position leave its picture
// as it was: with thousands of lines, one more hardly ever moves the slider a pixel.
class SteadyScrollBar final : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    // A new line changes the range and then the position, and the picture in between
    // (not at the end) is never shown: the look is compared once both are done.
    void sliderChange(SliderChange change) override {
        if (!painted_ || change == SliderOrientationChange) return QScrollBar::sliderChange(change);
        if (checkPending_) return;
        checkPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                checkPending_ = false;
                if (look() != lastLook_) update();
            },
            Qt::QueuedConnection);
    }
    void paintEvent(QPaintEvent* event) override {
        QScrollBar::paintEvent(event);
        lastLook_ = look();
        painted_ = true;
    }

private:
    // What the picture depends on besides the widget's state: the slider's place and
    // whether either end is reached (the style may draw that end's arrow disabled).
    struct Look {
        QRect slider;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look&) const = default;
    };
    Look look() const {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        return {
            style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, this),
            value() == minimum(), value() == maximum()};
    }

    bool painted_ = false;
    bool checkPending_ = false;
    Look lastLook_;
};

}  // namespace

QAbstractItemView* MakeLineList(QWidget* parent) {
    // A table of one column without headers or grid looks like a list. Unlike a list view,
    // which lays out every line again when one is added, it places lines by their number:
    // a new line costs the same with 30 lines or 30,000.
    auto* list = new QTableView(parent);
    list->setShowGrid(false);
    list->setWordWrap(false);
    list->setCornerButtonEnabled(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setItemDelegate(new LineDelegate(list));
    list->setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical, list));
    QHeaderView* rows = list->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    // As high as the style makes a line of text in a list.
    QStyleOptionViewItem line;
    line.initFrom(list);
    line.features = QStyleOptionViewItem::HasDisplay;
    line.text = QStringLiteral("0");
    rows->setDefaultSectionSize(
        list->style()->sizeFromContents(QStyle::CT_ItemViewItem, &line, QSize(), list).height());
    QHeaderView* columns = list->horizontalHeader();
    columns->hide();
    columns->setStretchLastSection(true);
    return list;
}

}  // namespace dmm
