// The program's own icons and toolbar glyphs, drawn in code.
#pragma once

#include <QIcon>
#include <QString>

class QPainter;

namespace dmm {

// Icon resource numbers.
namespace icon {
constexpr int AnalogMeter = 1;
constexpr int DigitalMeter = 2;
constexpr int DataList = 4;
constexpr int Comparator = 5;
constexpr int Program = 7;
}  // namespace icon

// The program icon: a small handheld multimeter (resource 7).
QIcon ProgramIcon();

// The program icon painted into the square (0, 0)-(size, size) of any paint device: the
// pictures of the desktop's icon theme (PNG and SVG) come from here.
void PaintProgramIcon(QPainter& painter, double size);

// The icon of a window by resource number; an unknown number gives the program icon.
QIcon WindowIcon(int resource);

// A glyph of the main toolbar: "link-up", "link-down", "digital", "analog", "datalist",
// "graphical", "comparator", "tile", "port", "about". An unknown name gives a null icon.
QIcon ToolGlyph(const QString& name);

// The serial connector picture of the port dialog, size x size pixels.
QPixmap SerialConnectorPicture(int size);

}  // namespace dmm
