// Unit and function texts in their panels: the alignment and the text a panel
// style asks for ("Ω" where the symbol font would turn "W" into the ohm sign).
#pragma once

#include <Qt>
#include <string_view>

#include "meterlink/labels.h"

class QLabel;

namespace dmm {

Qt::Alignment PanelAlignment(PanelAlign align);

// Shows a unit or function text in a panel with that panel's style.
void ShowPanelText(QLabel* panel, std::string_view text, const PanelStyle& style);

}  // namespace dmm
