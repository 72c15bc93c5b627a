// The "HTMLView" sections: defaults on reading, the close rule on writing.
#include "tools/previewlayout.h"

#include "platform/inifile.h"

#include <cstdint>

namespace velloran {

namespace {

constexpr int kMaximized = 2;

int Centred(int extent, int size) {
    // In 64 bits: stored sizes are any int. Division truncates toward zero.
    const std::int64_t offset = (static_cast<std::int64_t>(extent) - size) / 2;
    return offset < INT32_MIN   ? INT32_MIN
           : offset > INT32_MAX ? INT32_MAX
                                : static_cast<int>(offset);
}

} // namespace

std::string PreviewSection(std::string_view suffix) {
    return std::string("HTMLView").append(suffix);
}

PreviewPlacement ReadPreviewPlacement(const IniFile& ini, std::string_view suffix, int screenWidth,
                                      int screenHeight) {
    const std::string section = PreviewSection(suffix);
    PreviewPlacement placement;
    placement.width = ini.readInteger(section, "Width", placement.width);
    placement.height = ini.readInteger(section, "Height", placement.height);
    placement.top = ini.readInteger(section, "Top", Centred(screenHeight, placement.height));
    placement.left = ini.readInteger(section, "Left", Centred(screenWidth, placement.width));
    placement.state = ini.readInteger(section, "State", 0);
    return placement;
}

bool WritePreviewPlacementOnClose(IniFile& ini, std::string_view suffix,
                                  const PreviewPlacement& placement) {
    if (!suffix.empty())
        return false;
    const std::string section = PreviewSection(suffix);
    if (placement.state != kMaximized) {
        ini.writeInteger(section, "Width", placement.width);
        ini.writeInteger(section, "Height", placement.height);
        ini.writeInteger(section, "Top", placement.top);
        ini.writeInteger(section, "Left", placement.left);
    }
    ini.writeInteger(section, "State", placement.state);
    return true;
}

} // namespace velloran
