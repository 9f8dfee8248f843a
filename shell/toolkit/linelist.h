// A list view for long lists of one-line texts that grow at the end, as the data list
// does with every sample. Each new line makes the view repaint all its visible lines, and
// scroll by one: the list keeps the shaped texts of the lines it shows, so a repaint only
// draws them, and its scroll bar repaints only when its picture changes.
#pragma once

class QAbstractItemView;
class QWidget;

namespace dmm {

QAbstractItemView* MakeLineList(QWidget* parent);

}  // namespace dmm
