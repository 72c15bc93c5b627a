// Painted icons of the project window: the entry kinds, the checked-out mark and the toolbar.
#pragma once

#include <QIcon>

namespace velloran {

enum class ToolGlyph { Split, SmallIcons, LargeIcons, List, Details };

// The icon for an entry's ImageIndex (0 folder, 1 file, 2 HTML page, 3 picture, 4 project;
// anything else shows as a file), at 16 and 32 pixels, with the padlock of a checked-out
// entry when asked. Each call paints anew; callers keep the icons they reuse.
[[nodiscard]] QIcon EntryIcon(int imageIndex, bool checkedOut);

[[nodiscard]] QIcon ToolIcon(ToolGlyph glyph);

} // namespace velloran
