#include "resources/pictures/recorderglyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace dmm {

namespace {

// Every glyph is drawn on a canvas of 20 x 20 units.
constexpr double kCanvas = 20;

const QColor kInk(40, 44, 52);
const QColor kPaper(252, 252, 248);
const QColor kArrowBlue(30, 90, 200);
const QColor kArrowGreen(20, 150, 50);
const QColor kTrace(0, 150, 0);

QPen Outline(const QColor& colour, double width = 1.0) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPolygonF Triangle(QPointF a, QPointF b, QPointF c) {
    QPolygonF t;
    t << a << b << c;
    return t;
}

// An arrow along a horizontal line from x0 to x1 at height y; the head sits at x1.
void HorizontalArrow(QPainter& p, double x0, double x1, double y, const QColor& colour) {
    const double dir = x1 > x0 ? 1 : -1;
    p.setPen(Outline(colour, 2.2));
    p.drawLine(QPointF(x0, y), QPointF(x1 - dir * 3, y));
    p.setPen(Outline(colour, 0.6));
    p.setBrush(colour);
    p.drawPolygon(Triangle({x1, y}, {x1 - dir * 4.5, y - 3.5}, {x1 - dir * 4.5, y + 3.5}));
}

// A sheet with a folded corner and a few ruled lines.
void Page(QPainter& p, const QRectF& r, int lines) {
    const double fold = r.width() / 3.5;
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    p.setPen(Outline(kInk, 0.8));
    p.setBrush(kPaper);
    p.drawPath(sheet);
    p.drawPolyline(QPolygonF() << QPointF(r.right() - fold, r.top())
                               << QPointF(r.right() - fold, r.top() + fold)
                               << QPointF(r.right(), r.top() + fold));
    p.setPen(Outline(QColor(120, 130, 150), 0.8));
    const double step = (r.height() - fold - 1.5) / (lines + 1);
    for (int i = 1; i <= lines; ++i) {
        const double y = r.top() + fold + step * i;
        p.drawLine(QPointF(r.left() + 1.8, y), QPointF(r.right() - 1.8, y));
    }
}

// A solid triangle pointing left (dir -1) or right (dir 1) with its tip at x.
void PagingTriangle(QPainter& p, double tip, int dir) {
    p.setPen(Outline(kInk, 0.6));
    p.setBrush(kArrowBlue);
    p.drawPolygon(Triangle({tip, 10}, {tip - dir * 6.5, 4}, {tip - dir * 6.5, 16}));
}

void PagingBar(QPainter& p, double x) {
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(x - 1, 4, 2, 12));
}

void DrawStart(QPainter& p) {
    QRadialGradient g(QPointF(8, 8), 8);
    g.setColorAt(0, QColor(255, 120, 110));
    g.setColorAt(1, QColor(200, 10, 10));
    p.setPen(Outline(QColor(120, 0, 0), 0.8));
    p.setBrush(g);
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
}

void DrawStop(QPainter& p) {
    p.setPen(Outline(QColor(10, 10, 20), 0.8));
    p.setBrush(QColor(60, 66, 80));
    p.drawRoundedRect(QRectF(4.5, 4.5, 11, 11), 1.5, 1.5);
}

void DrawManual(QPainter& p) {
    // Axes with one sample, and the arrow that takes it.
    p.setPen(Outline(kInk, 1.0));
    p.drawPolyline(QPolygonF() << QPointF(3, 3) << QPointF(3, 17) << QPointF(17, 17));
    p.setPen(Outline(kTrace, 1.4));
    p.drawLine(QPointF(9, 17), QPointF(9, 11));
    p.setPen(Outline(QColor(0, 90, 0), 0.6));
    p.setBrush(QColor(40, 220, 40));
    p.drawEllipse(QPointF(9, 10), 2.2, 2.2);
    p.setPen(Outline(kArrowBlue, 1.6));
    p.drawLine(QPointF(16.5, 2.5), QPointF(13.2, 6.8));
    p.setPen(Outline(kArrowBlue, 0.6));
    p.setBrush(kArrowBlue);
    p.drawPolygon(Triangle({11.6, 8.8}, {11.7, 4.9}, {15.0, 7.4}));
}

void DrawStopwatch(QPainter& p) {
    p.setPen(Outline(kInk, 0.8));
    p.setBrush(QColor(150, 156, 168));
    p.drawRect(QRectF(8.5, 1, 3, 2.5));
    p.drawRect(QRectF(14.6, 3.4, 2.4, 2.0));
    p.setPen(Outline(kInk, 1.2));
    p.setBrush(QColor(205, 212, 224));
    p.drawEllipse(QPointF(10, 11.5), 7.2, 7.2);
    p.setBrush(kPaper);
    p.setPen(Outline(kInk, 0.6));
    p.drawEllipse(QPointF(10, 11.5), 5.6, 5.6);
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(10, 11.5);
        p.rotate(30.0 * i);
        p.drawLine(QPointF(0, -5.4), QPointF(0, i % 3 == 0 ? -4.0 : -4.7));
        p.restore();
    }
    p.setPen(Outline(QColor(200, 20, 20), 1.1));
    p.drawLine(QPointF(10, 11.5), QPointF(13.2, 8.3));
    p.setPen(Outline(kInk, 1.1));
    p.drawLine(QPointF(10, 11.5), QPointF(10, 7.6));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(10, 11.5), 0.9, 0.9);
}

void DrawOpen(QPainter& p) {
    const QColor edge(140, 100, 0);
    p.setPen(Outline(edge, 0.8));
    p.setBrush(QColor(230, 180, 40));
    QPainterPath back;
    back.moveTo(2, 16);
    back.lineTo(2, 4);
    back.lineTo(7, 4);
    back.lineTo(8.5, 5.5);
    back.lineTo(15, 5.5);
    back.lineTo(15, 8);
    p.drawPath(back);
    p.setBrush(QColor(255, 214, 90));
    p.drawPolygon(QPolygonF() << QPointF(2, 16) << QPointF(5, 8) << QPointF(18.5, 8)
                              << QPointF(15.5, 16));
}

void DrawSave(QPainter& p) {
    QPainterPath disk;
    disk.moveTo(3, 3);
    disk.lineTo(15, 3);
    disk.lineTo(17, 5);
    disk.lineTo(17, 17);
    disk.lineTo(3, 17);
    disk.closeSubpath();
    p.setPen(Outline(QColor(10, 20, 60), 0.8));
    p.setBrush(QColor(40, 70, 150));
    p.drawPath(disk);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 205, 215));
    p.drawRect(QRectF(6, 3.5, 8, 5));
    p.setBrush(QColor(40, 70, 150));
    p.drawRect(QRectF(11, 4.3, 2, 3.4));
    p.setBrush(kPaper);
    p.drawRect(QRectF(5, 11, 10, 6));
    p.setPen(Outline(QColor(150, 160, 180), 0.7));
    p.drawLine(QPointF(6.5, 13), QPointF(13.5, 13));
    p.drawLine(QPointF(6.5, 15), QPointF(13.5, 15));
}

void DrawClear(QPainter& p) {
    // An eraser lying across a wiped line.
    p.setPen(Outline(QColor(150, 150, 150), 0.9));
    p.drawLine(QPointF(2, 17.5), QPointF(18, 17.5));
    p.save();
    p.translate(10, 10);
    p.rotate(-35);
    p.setPen(Outline(kInk, 0.8));
    p.setBrush(QColor(240, 120, 150));
    p.drawRoundedRect(QRectF(-7.5, -3.5, 8, 7), 1.2, 1.2);
    p.setBrush(QColor(70, 110, 200));
    p.drawRoundedRect(QRectF(0.5, -3.5, 7, 7), 1.2, 1.2);
    p.restore();
}

void DrawImport(QPainter& p) {
    // The meter hands its stored data over.
    p.setPen(Outline(QColor(120, 90, 0), 0.7));
    p.setBrush(QColor(242, 190, 0));
    p.drawRoundedRect(QRectF(1.5, 2, 9, 16), 1.8, 1.8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(48, 52, 58));
    p.drawRoundedRect(QRectF(2.7, 3.2, 6.6, 13.6), 1, 1);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(3.5, 4.2, 5, 3.4));
    p.setBrush(QColor(0, 255, 0));
    p.drawRect(QRectF(4.2, 5.3, 3.6, 1.1));
    p.setBrush(QColor(190, 195, 200));
    p.drawEllipse(QPointF(6, 11.5), 2, 2);
    HorizontalArrow(p, 11, 19, 10, kArrowGreen);
}

void DrawExport(QPainter& p) {
    Page(p, QRectF(1.5, 2, 10, 15.5), 3);
    HorizontalArrow(p, 9, 19, 12, kArrowBlue);
}

void DrawPrint(QPainter& p) {
    p.setPen(Outline(kInk, 0.8));
    p.setBrush(kPaper);
    p.drawRect(QRectF(5.5, 2, 9, 6));
    p.setBrush(QColor(170, 176, 188));
    p.drawRoundedRect(QRectF(2, 7.5, 16, 7.5), 1.5, 1.5);
    p.setBrush(kPaper);
    p.drawRect(QRectF(5.5, 12, 9, 6.5));
    p.setPen(Outline(QColor(120, 130, 150), 0.7));
    p.drawLine(QPointF(7, 14.5), QPointF(13, 14.5));
    p.drawLine(QPointF(7, 16.5), QPointF(13, 16.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 200, 40));
    p.drawEllipse(QPointF(15.5, 9.7), 0.9, 0.9);
}

void DrawFitView(QPainter& p) {
    // The whole trace inside corner marks.
    p.setPen(Outline(kInk, 1.2));
    const double a = 2.5, b = 17.5, l = 4;
    p.drawPolyline(QPolygonF() << QPointF(a, a + l) << QPointF(a, a) << QPointF(a + l, a));
    p.drawPolyline(QPolygonF() << QPointF(b - l, a) << QPointF(b, a) << QPointF(b, a + l));
    p.drawPolyline(QPolygonF() << QPointF(a, b - l) << QPointF(a, b) << QPointF(a + l, b));
    p.drawPolyline(QPolygonF() << QPointF(b - l, b) << QPointF(b, b) << QPointF(b, b - l));
    p.setPen(Outline(kTrace, 1.4));
    p.drawPolyline(QPolygonF() << QPointF(5, 12) << QPointF(7.5, 7) << QPointF(10, 13)
                               << QPointF(12.5, 8.5) << QPointF(15, 11));
}

void DrawUndoZoom(QPainter& p) {
    p.setPen(Outline(QColor(90, 60, 30), 2.6));
    p.drawLine(QPointF(12, 12), QPointF(17.5, 17.5));
    p.setPen(Outline(kInk, 1.2));
    p.setBrush(QColor(225, 240, 255));
    p.drawEllipse(QPointF(8.5, 8.5), 6, 6);
    p.setPen(Outline(QColor(200, 20, 20), 1.8));
    p.drawLine(QPointF(5.5, 8.5), QPointF(11.5, 8.5));
}

void Draw(QPainter& p, RecorderGlyph glyph) {
    switch (glyph) {
        case RecorderGlyph::Start:
            DrawStart(p);
            break;
        case RecorderGlyph::Stop:
            DrawStop(p);
            break;
        case RecorderGlyph::Manual:
            DrawManual(p);
            break;
        case RecorderGlyph::Option:
            DrawStopwatch(p);
            break;
        case RecorderGlyph::Open:
            DrawOpen(p);
            break;
        case RecorderGlyph::Save:
            DrawSave(p);
            break;
        case RecorderGlyph::Clear:
            DrawClear(p);
            break;
        case RecorderGlyph::Import:
            DrawImport(p);
            break;
        case RecorderGlyph::Export:
            DrawExport(p);
            break;
        case RecorderGlyph::Print:
            DrawPrint(p);
            break;
        case RecorderGlyph::FirstPage:
            PagingBar(p, 3.5);
            PagingTriangle(p, 5, -1);
            PagingTriangle(p, 11, -1);
            break;
        case RecorderGlyph::PageUp:
            PagingTriangle(p, 6.5, -1);
            break;
        case RecorderGlyph::PageDown:
            PagingTriangle(p, 13.5, 1);
            break;
        case RecorderGlyph::LastPage:
            PagingTriangle(p, 9, 1);
            PagingTriangle(p, 15, 1);
            PagingBar(p, 16.5);
            break;
        case RecorderGlyph::FitView:
            DrawFitView(p);
            break;
        case RecorderGlyph::UndoZoom:
            DrawUndoZoom(p);
            break;
    }
}

template <typename Drawing>
QPixmap Render(int size, Drawing draw) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kCanvas, size / kCanvas);
    draw(p);
    p.end();
    return pm;
}

}  // namespace

QPixmap RecorderGlyphPixmap(RecorderGlyph glyph, int size) {
    return Render(size, [glyph](QPainter& p) { Draw(p, glyph); });
}

QIcon RecorderGlyphIcon(RecorderGlyph glyph) {
    QIcon icon;
    for (int size : {18, 36}) icon.addPixmap(RecorderGlyphPixmap(glyph, size));
    return icon;
}

QPixmap IntervalOptionPicture(int size) {
    return Render(size, DrawStopwatch);
}

}  // namespace dmm
