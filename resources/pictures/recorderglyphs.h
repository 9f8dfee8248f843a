// The glyphs of the graphical recorder's toolbar and the picture of its interval dialog,
// drawn in code.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace dmm {

enum class RecorderGlyph {
    Start,
    Stop,
    Manual,
    Option,
    Open,
    Save,
    Clear,
    Import,
    Export,
    Print,
    FirstPage,
    PageUp,
    PageDown,
    LastPage,
    FitView,
    UndoZoom,
};

// The glyph in a square of size x size pixels on a transparent background.
QPixmap RecorderGlyphPixmap(RecorderGlyph glyph, int size);

// The toolbar icon: 18 pixels and its double for dense screens. The style greys
// it out for a disabled button.
QIcon RecorderGlyphIcon(RecorderGlyph glyph);

// A stopwatch, size x size pixels: the picture beside the acquisition mode group.
QPixmap IntervalOptionPicture(int size);

}  // namespace dmm
