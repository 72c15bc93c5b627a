// Layout sections, their defaults, and the toolbar records.
#include "app/layout.h"

#include "platform/inifile.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace velloran {

namespace {

struct PlacementDefaults {
    int width;
    int height;
};

PlacementDefaults DefaultsFor(LayoutWindow window) {
    switch (window) {
    case LayoutWindow::Main:
        return {600, 440};
    case LayoutWindow::Project:
        return {250, 440};
    case LayoutWindow::Preview:
        return {550, 400};
    }
    return {600, 440};
}

// Stored numbers are any int, so differences are taken in 64 bits.
int ClampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

int Centred(int extent, int size) {
    return ClampToInt((static_cast<std::int64_t>(extent) - size) / 2);
}

// `low` wins when the range is empty: a window wider than the area shows its left edge.
int ClampInto(std::int64_t value, std::int64_t low, std::int64_t high) {
    return ClampToInt(std::max(low, std::min(value, high)));
}

} // namespace

WindowPlacement FitToArea(WindowPlacement placement, ScreenArea area, FrameMargins frame,
                          int minimumSide) {
    const std::int64_t roomWide = static_cast<std::int64_t>(area.width) - frame.left - frame.right;
    const std::int64_t roomHigh = static_cast<std::int64_t>(area.height) - frame.top - frame.bottom;
    placement.width = ClampInto(placement.width, minimumSide, roomWide);
    placement.height = ClampInto(placement.height, minimumSide, roomHigh);
    const std::int64_t left = static_cast<std::int64_t>(area.left) + frame.left;
    const std::int64_t top = static_cast<std::int64_t>(area.top) + frame.top;
    placement.left = ClampInto(placement.left, left, left + roomWide - placement.width);
    placement.top = ClampInto(placement.top, top, top + roomHigh - placement.height);
    return placement;
}

std::string LayoutSection(LayoutWindow window, std::string_view suffix) {
    std::string name;
    switch (window) {
    case LayoutWindow::Main:
        name = "EditView";
        break;
    case LayoutWindow::Project:
        name = "ProjectView";
        break;
    case LayoutWindow::Preview:
        name = "HTMLView";
        break;
    }
    return name.append(suffix);
}

WindowPlacement ReadPlacement(const IniFile& ini, LayoutWindow window, std::string_view suffix,
                              ScreenSize screen) {
    const std::string section = LayoutSection(window, suffix);
    const PlacementDefaults defaults = DefaultsFor(window);
    WindowPlacement placement;
    placement.width = ini.readInteger(section, "Width", defaults.width);
    placement.height = ini.readInteger(section, "Height", defaults.height);
    // The centring defaults use the size just read from the same section.
    placement.top = ini.readInteger(section, "Top", Centred(screen.height, placement.height));
    const int centredLeft = window == LayoutWindow::Project
                                ? screen.width / 2 - 300
                                : Centred(screen.width, placement.width);
    placement.left = ini.readInteger(section, "Left", centredLeft);
    placement.state = ini.readInteger(section, "State", kStateNormal);
    placement.visible = window == LayoutWindow::Main || ini.readInteger(section, "Visible", 0) != 0;
    return placement;
}

void WritePlacement(IniFile& ini, LayoutWindow window, std::string_view suffix,
                    const WindowPlacement& placement, bool exists) {
    const std::string section = LayoutSection(window, suffix);
    if (!exists) {
        ini.writeInteger(section, "Visible", 0);
        return;
    }
    const bool keepsNormalPlace =
        window != LayoutWindow::Project && placement.state == kStateMaximized;
    if (!keepsNormalPlace) {
        ini.writeInteger(section, "Width", placement.width);
        ini.writeInteger(section, "Height", placement.height);
        ini.writeInteger(section, "Top", placement.top);
        ini.writeInteger(section, "Left", placement.left);
    }
    ini.writeInteger(section, "State", placement.state);
    if (window != LayoutWindow::Main)
        ini.writeInteger(section, "Visible", placement.visible ? 1 : 0);
}

const std::array<ToolbarInfo, kToolbarCount>& Toolbars() {
    static const std::array<ToolbarInfo, kToolbarCount> toolbars = {{
        {1, "tbfile", "File", "sbFileSwitch", "File", "Show / Hide File Toolbar", "File3", "File2",
         "File", "DockMain", 0, 0, true},
        {2, "tbEdit", "Edit", "sbeditswitch", "Edit", "Show / Hide Edit Toolbar", "Edit3", "Edit2",
         "Edit", "DockMain", 0, 220, true},
        {3, "tbFontAttrib", "Font Tags", "sbfontatribswitch", "Font Attrib",
         "Show / Hide Font Attributes Toolbar", "FontTags3", "FontTags2", "Font Tags", "DockMain",
         1, 0, true},
        {4, "tbBodyTags", "Body Tags", "sbBodyTagsSwitch", "<P>", "Show / Hide Body Tags Toolbar",
         "BodyTags3", "BodyTags2", "Body Tags", "DockMain", 1, 196, true},
        {5, "tbColor", "Color Tags", "sbColorSwitch", "Color", "Show / Hide Color Toolbar",
         "ColorTags3", "ColorTags2", "Color Tags", "DockMain", 1, 300, true},
        {6, "tbLinkTags", "Link Tags", "sbLinkTagsSwitch", "Link", "Show / Hide Links Toolbar",
         "LinkTags3", "LinkTags2", "Link Tags", "DockMain", 1, 403, true},
        {7, "tbFormTags", "Form", "sbFormTagsSwitch", "Form", "Show / Hide Form Toolbar",
         "FormTags3", "FormTags2", "Form Tags", "DockRight", 0, 0, false},
        {8, "tbToolBars", "Tool Bars", "", "", "", "Toolbars3", "Toolbars2", "Toolbars", "DockLeft",
         0, 0, true},
        {9, "tbUserTags", "User Tags", "sbUserTags", "User", "Show / Hide User Tags Toolbar",
         "UserTags3", "UserTags2", "User Tags", "DockMain", 2, 0, true},
    }};
    return toolbars;
}

std::optional<ToolbarPosition> ReadToolbarPosition(const IniFile& ini, std::string_view toolbar) {
    if (ini.readInteger(toolbar, "Rev", 0) != kToolbarRevision)
        return std::nullopt;
    ToolbarPosition position;
    position.visible = ini.readInteger(toolbar, "Visible", 1) != 0;
    position.dockedTo = ini.readString(toolbar, "DockedTo", "");
    position.dockRow = ini.readInteger(toolbar, "DockRow", 0);
    position.dockPos = ini.readInteger(toolbar, "DockPos", 0);
    position.floatLeft = ini.readInteger(toolbar, "FloatLeft", 0);
    position.floatTop = ini.readInteger(toolbar, "FloatTop", 0);
    return position;
}

void WriteToolbarPosition(IniFile& ini, std::string_view toolbar, const ToolbarPosition& position) {
    ini.writeInteger(toolbar, "Rev", kToolbarRevision);
    ini.writeInteger(toolbar, "Visible", position.visible ? 1 : 0);
    ini.writeString(toolbar, "DockedTo", position.dockedTo);
    ini.writeInteger(toolbar, "DockRow", position.dockRow);
    ini.writeInteger(toolbar, "DockPos", position.dockPos);
    ini.writeInteger(toolbar, "FloatLeft", position.floatLeft);
    ini.writeInteger(toolbar, "FloatTop", position.floatTop);
}

} // namespace velloran
