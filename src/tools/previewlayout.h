// The preview window's place in the settings file: the "HTMLView" section of a layout,
// its defaults, and what closing the window writes.
#pragma once

#include <string>
#include <string_view>

namespace velloran {

class IniFile;

struct PreviewPlacement {
    int width = 550;
    int height = 400;
    int top = 0;
    int left = 0;
    int state = 0; // 0 normal, 1 minimised, 2 maximised
};

// "HTMLView" followed by the layout suffix.
[[nodiscard]] std::string PreviewSection(std::string_view suffix);

// The placement a layout holds; a missing place centres the window on the screen.
[[nodiscard]] PreviewPlacement ReadPreviewPlacement(const IniFile& ini, std::string_view suffix,
                                                    int screenWidth, int screenHeight);

// Closing the window keeps its place for the normal layout only; a numbered layout
// changes only when the user saves it. A maximised window keeps its last normal size
// and place in the file. Returns whether anything was written.
bool WritePreviewPlacementOnClose(IniFile& ini, std::string_view suffix,
                                  const PreviewPlacement& placement);

} // namespace velloran
