// Unit and function texts in their panels: the alignment and the text a panel
// style asks for ("Ω" where the symbol font would turn "W" into the ohm sign).
#pragma once

#include <Qt>
#include <string_view>

#include "meterlink/labels.h"

class QColor;
class QLabel;
class QString;
class QWidget;

namespace dmm {

Qt::Alignment PanelAlignment(PanelAlign align);

// Shows a unit or function text in a panel with that panel's style.
void ShowPanelText(QLabel* panel, std::string_view text, const PanelStyle& style);

// A sunken black read-out panel with bold coloured text of pixelSize pixels.
QLabel* ReadoutPanel(QWidget* parent, const QColor& text, int pixelSize, Qt::Alignment align);
// The bold coloured label in front of a group of read-out panels ("Max.", "Min.").
QLabel* GroupLabel(QWidget* parent, const QString& text, const QColor& colour);

}  // namespace dmm
