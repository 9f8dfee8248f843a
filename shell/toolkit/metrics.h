// The desktop's measures for the window layout, and placing windows by their outer rectangle.
#pragma once

#include <optional>

#include "shell/rules/layout.h"

class QEvent;
class QWidget;

namespace dmm {

// The measures of this desktop: screen size from the primary screen, taskbar
// height = screen height minus the available height (panels and docks), caption
// and menu-bar heights from the style, frame thickness 3 (dialog) and 4 (sizing).
// A test may replace them, e.g. with the 1024 x 768 example.
SystemMetrics CurrentSystemMetrics();
void SetSystemMetricsOverride(std::optional<SystemMetrics> metrics);

// Places a top-level window so that its outer rectangle (frame and caption
// included) is r: the frame's top-left at (left, top) and the widget the rest
// after the caption and the frames. A menu bar is part of the widget here. A window of
// fixed size stays fixed, at the new size.
void ApplyOuterGeometry(QWidget* window, const WindowRect& r);
// The outer height of a window as the layout counts it.
int OuterHeight(const QWidget* window);

// To be called from a window's changeEvent: when the window system maximises the
// window, it goes to the rectangle its size limits give for that instead (below
// the main window, leaving its toolbar and menu in reach).
using MaximisedRect = WindowRect (*)(const SystemMetrics&);
void KeepMaximisedIn(QWidget* window, QEvent* event, MaximisedRect rect);

}  // namespace dmm
