// Centring a top-level window on the screen.
#pragma once

class QWidget;

namespace dmm {

// Moves the window so that its outer rectangle is centred on the primary screen.
void CentreOnScreen(QWidget* window);

}  // namespace dmm
