// Screen layouts and toolbar places as the settings file keeps them: which sections and
// keys, the defaults of a missing key, and what a save writes.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace velloran {

class IniFile;

enum class LayoutWindow { Main, Project, Preview };

inline constexpr int kStateNormal = 0;
inline constexpr int kStateMinimized = 1;
inline constexpr int kStateMaximized = 2;

struct ScreenSize {
    int width = 0;
    int height = 0;
};

struct WindowPlacement {
    int width = 0;
    int height = 0;
    int top = 0;
    int left = 0;
    int state = kStateNormal;
    bool visible = false; // the main window is always shown
};

// "EditView", "ProjectView" or "HTMLView" followed by the slot's suffix ("" or "1"-"4").
[[nodiscard]] std::string LayoutSection(LayoutWindow window, std::string_view suffix);

// The placement a slot holds, missing keys taking their defaults on `screen`.
[[nodiscard]] WindowPlacement ReadPlacement(const IniFile& ini, LayoutWindow window,
                                            std::string_view suffix, ScreenSize screen);

// Where windows may go: the screen's area less its panels, in desktop coordinates.
struct ScreenArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The window frame's thickness on each side of the client area; all 0 while unknown.
struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

inline constexpr int kMinWindowSide = 100;

// The placement's client rectangle made to fit, frame and all, inside `area`: sizes
// from `minimumSide` up to what the area holds, then the place moved just far enough
// that the title bar and every edge are on it. Whatever the stored numbers, the user
// can reach the window.
[[nodiscard]] WindowPlacement FitToArea(WindowPlacement placement, ScreenArea area,
                                        FrameMargins frame = {}, int minimumSide = kMinWindowSide);

// Writes a window's placement into a slot. A maximised main or preview window keeps
// its last normal size and place in the file; a preview window that was never made
// writes only that it is hidden.
void WritePlacement(IniFile& ini, LayoutWindow window, std::string_view suffix,
                    const WindowPlacement& placement, bool exists = true);

// ---- Toolbars ----

inline constexpr int kToolbarCount = 9;
inline constexpr int kSwitchToolbarTag = 8; // holds the switches; has none of its own
inline constexpr int kToolbarRevision = 2;

struct ToolbarInfo {
    int tag;
    std::string_view name;          // component name, also the settings section
    std::string_view caption;       // window title when floating
    std::string_view switchName;    // latching button on the switch toolbar; empty for tag 8
    std::string_view switchCaption; // its text
    std::string_view switchHint;
    std::string_view viewMenuItem;  // "View" -> "Toolbars" entry
    std::string_view popupMenuItem; // pmToolbars entry
    std::string_view menuCaption;
    std::string_view dock; // initial dock: "DockMain", "DockLeft", "DockRight"
    int row;
    int position;
    bool visible;
};

// The nine toolbars in tag order (tag i at index i - 1).
[[nodiscard]] const std::array<ToolbarInfo, kToolbarCount>& Toolbars();

// Where a toolbar sits; "DockedTo" is a dock's name, or "+" when it floats.
struct ToolbarPosition {
    bool visible = true;
    std::string dockedTo;
    int dockRow = 0;
    int dockPos = 0;
    int floatLeft = 0;
    int floatTop = 0;

    friend bool operator==(const ToolbarPosition&, const ToolbarPosition&) = default;
};
inline constexpr std::string_view kFloating = "+";

// The stored place of a toolbar; none when its section is missing or of another
// revision, and then the toolbar keeps its initial place.
[[nodiscard]] std::optional<ToolbarPosition> ReadToolbarPosition(const IniFile& ini,
                                                                 std::string_view toolbar);
void WriteToolbarPosition(IniFile& ini, std::string_view toolbar, const ToolbarPosition& position);

} // namespace velloran
