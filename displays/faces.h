// The pictures of the two dials, drawn in code at fixed sizes (the window
// layout is built around them), the button glyphs and window icons, and the
// few drawing steps both dial windows share.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <string_view>

#include "displays/rules/needle.h"
#include "meterlink/labels.h"

class QLabel;
class QWidget;

namespace dmm {

// Analog meter: grey frame, white dial window, pivot cap and the caption
// ANALOG METER (kAnalogFaceWidth x kAnalogFaceHeight).
QImage AnalogFaceImage();
// The scale arcs kScale0To10, kScale0To5, kScale0To20, kScale0To4 and kScale0To6
// (kScaleWidth x kScaleHeight), drawn around the needle's pivot; any other number
// gives 0 to 5.
QImage ScaleImage(int number);
// kMinusSign (white minus on blue) or kPlusSign (white plus on red), kSignSize square.
QImage SignImage(int number);

// Comparator: grey frame, white display window and the caption COMPARATOR
// (kComparatorFaceWidth x kComparatorFaceHeight).
QImage ComparatorFaceImage();
// The NG / GO / NG arc with its three lamps (kLampWidth x kLampHeight).
QImage LampImage();

QPixmap AlarmGlyph();
QPixmap LimitGlyph();
QPixmap OkGlyph();
QPixmap CancelGlyph();
// The window icons of the two dials: the program's icons 1 and 5.
QIcon AnalogMeterIcon();
QIcon ComparatorIcon();

// Draws a 1-pixel needle from the pivot with a white pen in XOR mode: drawing
// the same needle twice gives back every pixel it crossed.
void XorNeedle(QImage& image, PixelPoint pivot, double angle, int length);

// A window's width including its side frames, as the window was placed by
// ApplyOuterGeometry; the dials are laid out on it.
int OuterWidth(const QWidget* window);

}  // namespace dmm
