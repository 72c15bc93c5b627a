// The pictures of the main window's glyph buttons: a freedesktop theme icon where a
// standard name fits, else our own drawing, compiled in from data/icons/toolbar/.
#pragma once

#include <QIcon>
#include <QString>

namespace velloran {

// The picture of a toolbar button, by its component name. Null for a button that draws
// its own picture (the colour swatch, and the paragraph button through ParagraphIcon).
[[nodiscard]] QIcon GlyphIcon(const QString& button);

// The paragraph button's picture for alignment 1 (left), 2 (centre) or 3 (right).
[[nodiscard]] QIcon ParagraphIcon(int alignment);

} // namespace velloran
