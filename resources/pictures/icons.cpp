#include "resources/pictures/icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <functional>
#include <initializer_list>

namespace dmm {

namespace {

using Drawing = std::function<void(QPainter&)>;

const QColor kLime(0, 255, 0);
const QColor kBody(48, 52, 58);
const QColor kHolster(242, 190, 0);

// Draws on a logical canvas of `logical` x `logical` units, scaled to each pixel size.
QIcon MakeIcon(const Drawing& draw, int logical, std::initializer_list<int> sizes) {
    QIcon icon;
    for (int size : sizes) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(double(size) / logical, double(size) / logical);
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

// Seven-segment "8" with its top-left corner at (x, y), w wide and h high.
void DrawEight(QPainter& p, double x, double y, double w, double h, const QColor& c) {
    QPen pen(c, std::max(1.0, w / 4), Qt::SolidLine, Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double mid = y + h / 2;
    p.drawLine(QPointF(x, y), QPointF(x + w, y));
    p.drawLine(QPointF(x, mid), QPointF(x + w, mid));
    p.drawLine(QPointF(x, y + h), QPointF(x + w, y + h));
    p.drawLine(QPointF(x, y), QPointF(x, y + h));
    p.drawLine(QPointF(x + w, y), QPointF(x + w, y + h));
}

// The handheld meter common to the window icons: holster, body, range dial and
// three input jacks. The display area (8, 4)-(24, 14) is left to `display`.
void DrawMeterBody(QPainter& p, const Drawing& display) {
    p.setPen(QPen(QColor(120, 90, 0), 0.8));
    p.setBrush(kHolster);
    p.drawRoundedRect(QRectF(4.5, 0.5, 23, 31), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(kBody);
    p.drawRoundedRect(QRectF(6.5, 2.5, 19, 27), 2.5, 2.5);

    display(p);

    // Range dial with its pointer.
    p.setPen(QPen(QColor(20, 20, 20), 0.8));
    p.setBrush(QColor(190, 195, 200));
    p.drawEllipse(QPointF(16, 20), 4.5, 4.5);
    p.setPen(QPen(QColor(30, 30, 30), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 20), QPointF(18.8, 17.2));

    // Input jacks: common black between two red ones.
    p.setPen(Qt::NoPen);
    const QColor jacks[] = {QColor(210, 30, 30), QColor(10, 10, 10), QColor(210, 30, 30)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(jacks[i]);
        p.drawEllipse(QPointF(10.5 + 5.5 * i, 27), 1.6, 1.6);
    }
}

void DrawLcd(QPainter& p) {
    p.setPen(QPen(QColor(10, 10, 10), 0.6));
    p.setBrush(Qt::black);
    p.drawRect(QRectF(8.5, 4.5, 15, 9));
    DrawEight(p, 10.5, 6, 3.5, 6, kLime);
    DrawEight(p, 17.5, 6, 3.5, 6, kLime);
    p.setPen(Qt::NoPen);
    p.setBrush(kLime);
    p.drawRect(QRectF(15.2, 11.3, 1, 1));
}

void DrawNeedleFace(QPainter& p) {
    p.setPen(QPen(QColor(10, 10, 10), 0.6));
    p.setBrush(QColor(250, 250, 240));
    p.drawRect(QRectF(8.5, 4.5, 15, 9));
    p.setPen(QPen(Qt::black, 0.7));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(10, 7, 12, 12), 30 * 16, 120 * 16);
    p.setPen(QPen(QColor(220, 0, 0), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 13), QPointF(19.5, 7.2));
}

void DrawLamps(QPainter& p) {
    p.setPen(QPen(QColor(10, 10, 10), 0.6));
    p.setBrush(Qt::black);
    p.drawRect(QRectF(8.5, 4.5, 15, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 30, 30));
    p.drawEllipse(QPointF(11.5, 9), 2, 2);
    p.setBrush(kLime);
    p.drawEllipse(QPointF(16, 9), 2, 2);
    p.setBrush(QColor(250, 200, 0));
    p.drawEllipse(QPointF(20.5, 9), 2, 2);
}

void DrawPage(QPainter& p, const QRectF& r, const QColor& lines, int lineCount) {
    const double fold = r.width() / 4;
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setPen(QPen(QColor(70, 70, 70), r.width() / 16));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setPen(QPen(lines, r.width() / 14));
    const double step = (r.height() - fold) / (lineCount + 1);
    for (int i = 1; i <= lineCount; ++i) {
        const double y = r.top() + fold / 2 + step * i;
        p.drawLine(QPointF(r.left() + r.width() * 0.15, y),
                   QPointF(r.right() - r.width() * 0.15, y));
    }
}

void DrawDataList(QPainter& p) {
    DrawPage(p, QRectF(5.5, 1.5, 21, 29), QColor(40, 90, 200), 7);
    // A small LCD on the page: the list of meter readings.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(15, 21, 10, 8));
    DrawEight(p, 17, 22.5, 2, 5, kLime);
    DrawEight(p, 21, 22.5, 2, 5, kLime);
}

// The DB-9 connector of a serial cable, face on, in a 32 x 32 canvas.
void DrawConnector(QPainter& p) {
    // Cable leaving downwards.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 95));
    p.drawRect(QRectF(13, 22, 6, 10));
    // Mounting flange with its two screws.
    p.setPen(QPen(QColor(80, 80, 85), 0.6));
    p.setBrush(QColor(200, 203, 208));
    p.drawRoundedRect(QRectF(1, 7, 30, 14), 2, 2);
    p.setBrush(QColor(140, 140, 145));
    p.drawEllipse(QPointF(4, 14), 1.6, 1.6);
    p.drawEllipse(QPointF(28, 14), 1.6, 1.6);
    // The D-shaped shell.
    QPainterPath shell;
    shell.moveTo(7, 9);
    shell.lineTo(25, 9);
    shell.lineTo(23, 19);
    shell.lineTo(9, 19);
    shell.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 65), 0.8));
    p.setBrush(QColor(40, 44, 50));
    p.drawPath(shell);
    // Five pins above four.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 190, 60));
    for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(10 + 3 * i, 12), 0.9, 0.9);
    for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(11.5 + 3 * i, 16), 0.9, 0.9);
}

// Toolbar glyphs, on a 20 x 20 canvas.

void DrawPlugPair(QPainter& p, bool linked) {
    const QColor c = linked ? QColor(0, 140, 40) : QColor(110, 110, 110);
    const double gap = linked ? 0 : 3;
    p.setPen(Qt::NoPen);
    // Left cable and plug with two prongs.
    p.setBrush(c.darker(130));
    p.drawRect(QRectF(0, 9, 4, 2));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(3, 6, 5 - gap / 2, 8), 1, 1);
    p.setBrush(QColor(200, 170, 60));
    p.drawRect(QRectF(8 - gap / 2, 7.5, 3, 1.5));
    p.drawRect(QRectF(8 - gap / 2, 11, 3, 1.5));
    // Right socket and cable.
    p.setBrush(c);
    p.drawRoundedRect(QRectF(11 + gap / 2, 5, 6 - gap / 2, 10), 1, 1);
    p.setBrush(c.darker(130));
    p.drawRect(QRectF(17, 9, 3, 2));
    if (!linked) {
        // Spark marks in the gap: not connected.
        p.setPen(QPen(QColor(220, 40, 40), 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9.5, 2), QPointF(10.5, 4.5));
        p.drawLine(QPointF(9.5, 18), QPointF(10.5, 15.5));
    }
}

void DrawDigitalGlyph(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(1.5, 4.5, 17, 11), 1.5, 1.5);
    DrawEight(p, 4, 6.5, 4, 7, kLime);
    DrawEight(p, 12, 6.5, 4, 7, kLime);
    p.setPen(Qt::NoPen);
    p.setBrush(kLime);
    p.drawRect(QRectF(9.5, 12.5, 1.5, 1.5));
}

void DrawAnalogGlyph(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(250, 250, 240));
    p.drawRoundedRect(QRectF(1.5, 3.5, 17, 13), 1.5, 1.5);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3.5, 6, 13, 13), 25 * 16, 130 * 16);
    for (int i = 0; i <= 4; ++i) {
        QTransform t;
        t.translate(10, 12.5);
        t.rotate(-60 + 30 * i);
        p.drawLine(t.map(QLineF(0, -6.5, 0, -5)));
    }
    p.setPen(QPen(QColor(220, 0, 0), 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 14.5), QPointF(13.5, 6.5));
}

void DrawGraphicalGlyph(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3, 1, 16, 16));
    p.setPen(QPen(Qt::black, 1.2));
    p.drawLine(QPointF(2.5, 1), QPointF(2.5, 17.5));
    p.drawLine(QPointF(2.5, 17.5), QPointF(19, 17.5));
    p.setPen(QPen(QColor(200, 200, 200), 0.6, Qt::DotLine));
    for (double y : {5.0, 9.0, 13.0}) p.drawLine(QPointF(3, y), QPointF(19, y));
    p.setPen(QPen(QColor(0, 70, 220), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF line[] = {{3.5, 13}, {7, 7}, {10, 11}, {13, 4}, {16, 9}, {18.5, 6}};
    p.drawPolyline(line, 6);
}

void DrawComparatorGlyph(QPainter& p) {
    // High and low limits with the reading between them.
    p.setPen(QPen(QColor(220, 30, 30), 1.6));
    p.drawLine(QPointF(1, 4), QPointF(19, 4));
    p.setPen(QPen(QColor(230, 170, 0), 1.6));
    p.drawLine(QPointF(1, 16), QPointF(19, 16));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 170, 50));
    p.drawEllipse(QPointF(10, 10), 3.5, 3.5);
    p.setBrush(QColor(60, 60, 60));
    QPolygonF up{{3, 10}, {5.5, 6.5}, {8, 10}};
    QPolygonF down{{12, 10}, {14.5, 13.5}, {17, 10}};
    p.drawPolygon(up.translated(-1, 0));
    p.drawPolygon(down.translated(1, 0));
}

void DrawTileGlyph(QPainter& p) {
    const QRectF cells[] = {{1, 1, 8, 8}, {11, 1, 8, 8}, {1, 11, 8, 8}, {11, 11, 8, 8}};
    for (const QRectF& r : cells) {
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(Qt::white);
        p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 60, 170));
        p.drawRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1, 2.5));
    }
}

void DrawPortGlyph(QPainter& p) {
    p.save();
    p.scale(20.0 / 32, 20.0 / 32);
    p.translate(0, 1);
    DrawConnector(p);
    p.restore();
}

void DrawAboutGlyph(QPainter& p) {
    p.setPen(QPen(QColor(0, 50, 150), 1));
    p.setBrush(QColor(30, 100, 220));
    p.drawEllipse(QPointF(10, 10), 8.5, 8.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 5.5), 1.6, 1.6);
    p.drawRoundedRect(QRectF(8.6, 8, 2.8, 8), 0.8, 0.8);
}

const std::initializer_list<int> kWindowSizes = {16, 24, 32, 48, 64};
const std::initializer_list<int> kGlyphSizes = {16, 20, 32, 40};

}  // namespace

QIcon ProgramIcon() {
    return WindowIcon(icon::Program);
}

void PaintProgramIcon(QPainter& painter, double size) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32, size / 32);
    DrawMeterBody(painter, DrawLcd);
    painter.restore();
}

QIcon WindowIcon(int resource) {
    switch (resource) {
        case icon::AnalogMeter:
            return MakeIcon([](QPainter& p) { DrawMeterBody(p, DrawNeedleFace); }, 32,
                            kWindowSizes);
        case icon::DataList:
            return MakeIcon(DrawDataList, 32, kWindowSizes);
        case icon::Comparator:
            return MakeIcon([](QPainter& p) { DrawMeterBody(p, DrawLamps); }, 32, kWindowSizes);
        case icon::DigitalMeter:
        case icon::Program:
        default:
            return MakeIcon([](QPainter& p) { DrawMeterBody(p, DrawLcd); }, 32, kWindowSizes);
    }
}

QIcon ToolGlyph(const QString& name) {
    static const QHash<QString, Drawing> glyphs = {
        {QStringLiteral("link-up"), [](QPainter& p) { DrawPlugPair(p, false); }},
        {QStringLiteral("link-down"), [](QPainter& p) { DrawPlugPair(p, true); }},
        {QStringLiteral("digital"), DrawDigitalGlyph},
        {QStringLiteral("analog"), DrawAnalogGlyph},
        {QStringLiteral("datalist"),
         [](QPainter& p) { DrawPage(p, QRectF(3.5, 1.5, 13, 17), QColor(40, 90, 200), 5); }},
        {QStringLiteral("graphical"), DrawGraphicalGlyph},
        {QStringLiteral("comparator"), DrawComparatorGlyph},
        {QStringLiteral("tile"), DrawTileGlyph},
        {QStringLiteral("port"), DrawPortGlyph},
        {QStringLiteral("about"), DrawAboutGlyph},
    };
    auto it = glyphs.find(name);
    if (it == glyphs.end()) return {};
    return MakeIcon(it.value(), 20, kGlyphSizes);
}

QPixmap SerialConnectorPicture(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    DrawConnector(p);
    return pm;
}

}  // namespace dmm
