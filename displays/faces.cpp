#include "displays/faces.h"

#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QWidget>
#include <cmath>
#include <numbers>

#include "resources/pictures/icons.h"
#include "shell/toolkit/metrics.h"

namespace dmm {
namespace {

const QColor kPlateGrey(192, 192, 192);
const QColor kShadow(128, 128, 128);
const QColor kDarkShadow(64, 64, 64);
const QColor kCaptionInk(40, 40, 40);
const QColor kNgRed(220, 40, 40);
const QColor kGoGreen(30, 170, 70);
const QColor kSignBlue(0, 0, 200);
const QColor kSignRed(210, 0, 0);

QFont Arial(int pixels, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// A point at an angle (degrees, counter-clockwise from the right, y down) and
// distance from a centre.
QPointF Polar(QPointF centre, double degrees, double radius) {
    const double r = degrees * std::numbers::pi / 180;
    return {centre.x() + std::cos(r) * radius, centre.y() - std::sin(r) * radius};
}

// Classic 3-D edge, width pixels thick, inside r.
void Bevel(QPainter& p, const QRect& r, bool raised, int width) {
    const QColor topLeft = raised ? QColor(Qt::white) : kShadow;
    const QColor bottomRight = raised ? kShadow : QColor(Qt::white);
    for (int i = 0; i < width; ++i) {
        const QRect q = r.adjusted(i, i, -i, -i);
        p.setPen(i == 0 && !raised ? kShadow : topLeft);
        p.drawLine(q.topLeft(), q.topRight());
        p.drawLine(q.topLeft(), q.bottomLeft());
        p.setPen(i == 0 && raised ? kDarkShadow : bottomRight);
        p.drawLine(q.bottomLeft(), q.bottomRight());
        p.drawLine(q.topRight(), q.bottomRight());
    }
}

// Grey plate with a sunken white window and an engraved caption below it.
QImage Plate(int width, int height, const QRect& window, const QRect& captionBox,
             const QString& caption) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(kPlateGrey);
    QPainter p(&img);
    Bevel(p, img.rect(), true, 2);
    p.fillRect(window, Qt::white);
    Bevel(p, window.adjusted(-2, -2, 1, 1), false, 2);
    p.setFont(Arial(11, true));
    p.setPen(Qt::white);
    p.drawText(captionBox.translated(1, 1), Qt::AlignCenter, caption);
    p.setPen(kCaptionInk);
    p.drawText(captionBox, Qt::AlignCenter, caption);
    return img;
}

// The domed cap over a needle's pivot.
void PivotCap(QPainter& p, QPointF centre, double radius) {
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    shade.setColorAt(0, QColor(150, 150, 150));
    shade.setColorAt(1, QColor(30, 30, 30));
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(shade);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(Qt::NoBrush);
}

struct ScaleMarks {
    int maxValue;
    int divisions;   // smallest ticks over the whole arc
    int midEvery;    // a medium tick every this many divisions
    int labelEvery;  // a long, labelled tick every this many divisions
};

ScaleMarks MarksOf(int number) {
    switch (number) {
        case kScale0To10:
            return {10, 50, 5, 10};
        case kScale0To20:
            return {20, 40, 2, 10};
        case kScale0To4:
            return {4, 40, 5, 10};
        case kScale0To6:
            return {6, 60, 5, 10};
        default:
            return {5, 50, 5, 10};
    }
}

QImage DrawScale(int number) {
    const ScaleMarks marks = MarksOf(number);
    QImage img(kScaleWidth, kScaleHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // The scale is centred on the needle's pivot, which lies below the picture.
    const AnalogMeterGeometry g = LayoutAnalogMeter(kAnalogFaceWidth);
    const QPointF c(g.pivot.x - g.scale.x, g.pivot.y - g.scale.y);
    constexpr double kBase = 86;  // radius of the arc the ticks stand on
    constexpr double kLabel = 99;
    const double zero = kAnalogStartAngle;
    const double full = 30;  // angle of full scale

    // Over-range band, where the needle stops 5 degrees past full scale.
    p.setPen(QPen(kNgRed, 4, Qt::SolidLine, Qt::FlatCap));
    const QRectF overBox(c.x() - kBase - 2, c.y() - kBase - 2, 2 * kBase + 4, 2 * kBase + 4);
    p.drawArc(overBox, static_cast<int>(kAnalogStopAngle * 16),
              static_cast<int>((full - kAnalogStopAngle) * 16));

    p.setPen(QPen(Qt::black, 1.5));
    const QRectF baseBox(c.x() - kBase, c.y() - kBase, 2 * kBase, 2 * kBase);
    p.drawArc(baseBox, static_cast<int>(full * 16), static_cast<int>((zero - full) * 16));

    p.setFont(Arial(10, true));
    const QFontMetricsF fm(p.font());
    for (int i = 0; i <= marks.divisions; ++i) {
        const double angle = zero - (zero - full) * i / marks.divisions;
        double length = 3.5;
        double width = 1;
        if (i % marks.labelEvery == 0) {
            length = 8;
            width = 1.8;
        } else if (i % marks.midEvery == 0) {
            length = 6;
            width = 1.3;
        }
        p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(Polar(c, angle, kBase), Polar(c, angle, kBase + length));
        if (i % marks.labelEvery == 0) {
            const QString label = QString::number(i * marks.maxValue / marks.divisions);
            const QPointF at = Polar(c, angle, kLabel);
            QRectF box(0, 0, fm.horizontalAdvance(label) + 2, fm.height());
            box.moveCenter(at);
            // Keep the end labels inside the picture.
            if (box.left() < 0) box.moveLeft(0);
            if (box.right() > kScaleWidth) box.moveRight(kScaleWidth);
            p.drawText(box, Qt::AlignCenter, label);
        }
    }
    return img;
}

QImage DrawSign(int number) {
    QImage img(kSignSize, kSignSize, QImage::Format_RGB32);
    const bool minus = number == kMinusSign;
    img.fill(minus ? kSignBlue : kSignRed);
    QPainter p(&img);
    p.fillRect(2, 4, 7, 3, Qt::white);
    if (!minus) p.fillRect(4, 2, 3, 7, Qt::white);
    return img;
}

QImage DrawAnalogFace() {
    // The dial window ends above the pivot; the cap sits on the plate below it.
    const AnalogMeterGeometry g = LayoutAnalogMeter(kAnalogFaceWidth);
    const QRect window(7, 7, kAnalogFaceWidth - 14, g.pivot.y - 7 - 12);
    const QRect captionBox(0, g.pivot.y + 14, kAnalogFaceWidth, kAnalogFaceHeight - g.pivot.y - 18);
    QImage img = Plate(kAnalogFaceWidth, kAnalogFaceHeight, window, captionBox,
                       QStringLiteral("ANALOG METER"));
    QPainter p(&img);
    PivotCap(p, QPointF(g.pivot.x + 0.5, g.pivot.y + 0.5), 8);
    return img;
}

QImage DrawComparatorFace() {
    const ComparatorGeometry g = LayoutComparator(kComparatorFaceWidth, 0, 0, 0);
    const QRect window(7, 7, kComparatorFaceWidth - 14, g.pivot.y + 4 - 7);
    const QRect captionBox(0, window.bottom() + 3, kComparatorFaceWidth,
                           kComparatorFaceHeight - window.bottom() - 5);
    return Plate(kComparatorFaceWidth, kComparatorFaceHeight, window, captionBox,
                 QStringLiteral("COMPARATOR"));
}

// Filled ring sector between two angles.
QPainterPath Sector(QPointF c, double inner, double outer, double from, double to) {
    QPainterPath path;
    const QRectF outerBox(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer);
    const QRectF innerBox(c.x() - inner, c.y() - inner, 2 * inner, 2 * inner);
    path.arcMoveTo(outerBox, from);
    path.arcTo(outerBox, from, to - from);
    path.arcTo(innerBox, to, from - to);
    path.closeSubpath();
    return path;
}

void Lamp(QPainter& p, QPointF at, const QColor& colour) {
    QRadialGradient glow(at - QPointF(1.5, 1.5), 6);
    glow.setColorAt(0, colour.lighter(170));
    glow.setColorAt(1, colour.darker(130));
    p.setPen(QPen(kDarkShadow, 1));
    p.setBrush(glow);
    p.drawEllipse(at, 4.5, 4.5);
}

QImage DrawLamp() {
    QImage img(kLampWidth, kLampHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Centred on the comparator needle's pivot, just below the picture. The
    // zone borders are where the needle shows the limits.
    const ComparatorGeometry g = LayoutComparator(kComparatorFaceWidth, 0, 0, 0);
    const QPointF c(g.pivot.x - g.lamp.x + 0.5, g.pivot.y - g.lamp.y + 0.5);
    constexpr double kInner = 50;
    constexpr double kOuter = 66;
    constexpr double kLeftEnd = 130, kLow = 110, kHigh = 70, kRightEnd = 50;

    p.setPen(QPen(kDarkShadow, 1));
    p.setBrush(kNgRed);
    p.drawPath(Sector(c, kInner, kOuter, kLow, kLeftEnd));
    p.drawPath(Sector(c, kInner, kOuter, kRightEnd, kHigh));
    p.setBrush(kGoGreen);
    p.drawPath(Sector(c, kInner, kOuter, kHigh, kLow));
    p.setBrush(Qt::NoBrush);

    p.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::FlatCap));
    for (double a : {kLow, kHigh}) p.drawLine(Polar(c, a, kInner - 4), Polar(c, a, kOuter + 3));

    p.setFont(Arial(10, true));
    const struct {
        double angle;
        const char* text;
        QColor colour;
    } zones[] = {{120, "NG", kNgRed}, {90, "GO", kGoGreen}, {60, "NG", kNgRed}};
    for (const auto& z : zones) {
        QRectF box(0, 0, 24, 13);
        box.moveCenter(Polar(c, z.angle, 38));
        p.setPen(z.colour.darker(140));
        p.drawText(box, Qt::AlignCenter, QString::fromLatin1(z.text));
        Lamp(p, Polar(c, z.angle, 24), z.colour);
    }

    // Half of the pivot cap; the needle starts just below the picture.
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(kDarkShadow);
    p.drawEllipse(c, 6, 6);
    return img;
}

QPixmap Glyph(int size, void (*draw)(QPainter&, int)) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, size);
    return pm;
}

void DrawBell(QPainter& p, int s) {
    const double u = s / 20.0;
    QPainterPath bell;
    bell.moveTo(3 * u, 15 * u);
    bell.cubicTo(5 * u, 13 * u, 5 * u, 10 * u, 5 * u, 8 * u);
    bell.cubicTo(5 * u, 4.5 * u, 7.5 * u, 3 * u, 10 * u, 3 * u);
    bell.cubicTo(12.5 * u, 3 * u, 15 * u, 4.5 * u, 15 * u, 8 * u);
    bell.cubicTo(15 * u, 10 * u, 15 * u, 13 * u, 17 * u, 15 * u);
    bell.closeSubpath();
    p.setPen(QPen(QColor(110, 80, 0), 1.2 * u));
    p.setBrush(QColor(250, 200, 30));
    p.drawPath(bell);
    p.setBrush(QColor(110, 80, 0));
    p.drawEllipse(QPointF(10 * u, 16.5 * u), 1.8 * u, 1.8 * u);
    p.drawEllipse(QPointF(10 * u, 2.5 * u), 1 * u, 1 * u);
}

void DrawLimits(QPainter& p, int s) {
    const double u = s / 24.0;
    p.setPen(QPen(QColor(0, 0, 200), 2.5 * u, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(3 * u, 4 * u), QPointF(21 * u, 4 * u));
    p.setPen(QPen(QColor(200, 0, 0), 2.5 * u, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(3 * u, 20 * u), QPointF(21 * u, 20 * u));
    p.setPen(QPen(Qt::black, 1.8 * u));
    p.drawLine(QPointF(12 * u, 7.5 * u), QPointF(12 * u, 16.5 * u));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(
        QPolygonF({QPointF(12 * u, 6 * u), QPointF(8.5 * u, 10 * u), QPointF(15.5 * u, 10 * u)}));
    p.drawPolygon(
        QPolygonF({QPointF(12 * u, 18 * u), QPointF(8.5 * u, 14 * u), QPointF(15.5 * u, 14 * u)}));
}

void DrawCheck(QPainter& p, int s) {
    const double u = s / 16.0;
    p.setPen(QPen(QColor(0, 140, 0), 2.4 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(
        QPolygonF({QPointF(3 * u, 8.5 * u), QPointF(6.5 * u, 12 * u), QPointF(13 * u, 4 * u)}));
}

void DrawCross(QPainter& p, int s) {
    const double u = s / 16.0;
    p.setPen(QPen(QColor(200, 0, 0), 2.4 * u, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4 * u, 4 * u), QPointF(12 * u, 12 * u));
    p.drawLine(QPointF(12 * u, 4 * u), QPointF(4 * u, 12 * u));
}

}  // namespace

QImage AnalogFaceImage() {
    static const QImage face = DrawAnalogFace();
    return face;
}

QImage ScaleImage(int number) {
    static const QImage scale0To10 = DrawScale(kScale0To10);
    static const QImage scale0To5 = DrawScale(kScale0To5);
    static const QImage scale0To20 = DrawScale(kScale0To20);
    static const QImage scale0To4 = DrawScale(kScale0To4);
    static const QImage scale0To6 = DrawScale(kScale0To6);
    switch (number) {
        case kScale0To10:
            return scale0To10;
        case kScale0To20:
            return scale0To20;
        case kScale0To4:
            return scale0To4;
        case kScale0To6:
            return scale0To6;
        default:
            return scale0To5;
    }
}

QImage SignImage(int number) {
    static const QImage minus = DrawSign(kMinusSign);
    static const QImage plus = DrawSign(kPlusSign);
    return number == kMinusSign ? minus : plus;
}

QImage ComparatorFaceImage() {
    static const QImage face = DrawComparatorFace();
    return face;
}

QImage LampImage() {
    static const QImage lamp = DrawLamp();
    return lamp;
}

QPixmap AlarmGlyph() {
    return Glyph(20, DrawBell);
}
QPixmap LimitGlyph() {
    return Glyph(24, DrawLimits);
}
QPixmap OkGlyph() {
    return Glyph(16, DrawCheck);
}
QPixmap CancelGlyph() {
    return Glyph(16, DrawCross);
}
QIcon AnalogMeterIcon() {
    return WindowIcon(icon::AnalogMeter);
}
QIcon ComparatorIcon() {
    return WindowIcon(icon::Comparator);
}

void XorNeedle(QImage& image, PixelPoint pivot, double angle, int length) {
    const PixelPoint end = NeedleEnd(angle, length);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(Qt::white, 0));
    p.drawLine(pivot.x, pivot.y, pivot.x + end.x, pivot.y + end.y);
}

int OuterWidth(const QWidget* window) {
    return window->width() + 2 * CurrentSystemMetrics().cyDlgFrame;
}

}  // namespace dmm
