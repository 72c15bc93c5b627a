// Layout slots and toolbar records in the settings file.
#include "app/layout.h"
#include "platform/inifile.h"

#include <climits>
#include <gtest/gtest.h>
#include <tuple>

using namespace velloran;

namespace {

IniFile iniWith(std::string_view text) {
    IniFile ini("/nonexistent/velloran.ini");
    ini.parse(text);
    return ini;
}

constexpr ScreenSize kScreen{1280, 1024};

} // namespace

TEST(Layout, MissingKeysGiveTheCentredDefaults) {
    const IniFile empty = iniWith("");
    const WindowPlacement main = ReadPlacement(empty, LayoutWindow::Main, "", kScreen);
    EXPECT_EQ(main.width, 600);
    EXPECT_EQ(main.height, 440);
    EXPECT_EQ(main.top, (1024 - 440) / 2);
    EXPECT_EQ(main.left, (1280 - 600) / 2);
    EXPECT_EQ(main.state, kStateNormal);
    EXPECT_TRUE(main.visible);

    const WindowPlacement project = ReadPlacement(empty, LayoutWindow::Project, "", kScreen);
    EXPECT_EQ(project.width, 250);
    EXPECT_EQ(project.left, 1280 / 2 - 300);
    EXPECT_FALSE(project.visible);

    // The centring uses the size the section gives, and truncates toward zero.
    const IniFile sized = iniWith("[HTMLView3]\r\nWidth=2000\r\nHeight=1101\r\nVisible=1\r\n");
    const WindowPlacement preview = ReadPlacement(sized, LayoutWindow::Preview, "3", kScreen);
    EXPECT_EQ(preview.left, (1280 - 2000) / 2);
    EXPECT_EQ(preview.top, -38);
    EXPECT_TRUE(preview.visible);
}

TEST(Layout, AnyStoredNumbersFitTheWindowFrameAndAllOnTheScreen) {
    // Saturated and negative extremes: the centring must not overflow.
    const IniFile wild =
        iniWith("[EditView]\r\nWidth=" + std::string(100000, '9') + "\r\nHeight=-2147483648\r\n");
    const WindowPlacement read = ReadPlacement(wild, LayoutWindow::Main, "", kScreen);
    EXPECT_EQ(read.width, INT_MAX);
    EXPECT_EQ(read.left, (1280 - static_cast<long long>(INT_MAX)) / 2);
    EXPECT_EQ(read.top, (1024 - static_cast<long long>(INT_MIN)) / 2);

    const ScreenArea area{0, 30, 1280, 994}; // a panel along the top
    const FrameMargins frame{4, 20, 4, 4};
    const WindowPlacement fitted = FitToArea(read, area, frame);
    EXPECT_EQ(fitted.width, 1272);
    EXPECT_EQ(fitted.height, kMinWindowSide);
    EXPECT_EQ(fitted.left, 4);
    EXPECT_EQ(fitted.top, 30 + 994 - 4 - kMinWindowSide);

    WindowPlacement above{300, 200, -5000, 5000};
    above = FitToArea(above, area, frame);
    EXPECT_EQ(above.left, 1280 - 4 - 300);
    EXPECT_EQ(above.top, 50) << "the title bar below the panel";

    // A window that fits keeps exactly its place and size.
    const WindowPlacement inside{600, 440, 100, 90, kStateNormal, true};
    const WindowPlacement kept = FitToArea(inside, area, frame);
    EXPECT_EQ(std::tie(kept.width, kept.height, kept.top, kept.left),
              std::tie(inside.width, inside.height, inside.top, inside.left));
}

TEST(Layout, AMaximisedWindowWritesOnlyItsStateAndANeverMadePreviewOnlyThatItIsHidden) {
    IniFile ini = iniWith("[EditView2]\r\nWidth=700\r\nHeight=500\r\nTop=10\r\nLeft=20\r\n");
    WritePlacement(ini, LayoutWindow::Main, "2", {1280, 1000, 0, 0, kStateMaximized, true});
    EXPECT_EQ(ini.readInteger("EditView2", "State", -1), kStateMaximized);
    EXPECT_EQ(ini.readInteger("EditView2", "Width", -1), 700);
    EXPECT_EQ(ini.readInteger("EditView2", "Left", -1), 20);
    EXPECT_FALSE(ini.hasKey("EditView2", "Visible"));

    WritePlacement(ini, LayoutWindow::Project, "2", {250, 900, 0, 0, kStateMaximized, true});
    EXPECT_EQ(ini.readInteger("ProjectView2", "Height", -1), 900);
    EXPECT_EQ(ini.readInteger("ProjectView2", "Visible", -1), 1);

    WritePlacement(ini, LayoutWindow::Preview, "2", {}, false);
    EXPECT_EQ(ini.readSection("HTMLView2"), std::vector<std::string>{"Visible=0"});
}

TEST(Layout, ToolbarRecordsRoundTripAndAnotherRevisionIsIgnored) {
    IniFile ini = iniWith("[tbEdit]\r\nRev=1\r\nVisible=0\r\nDockedTo=DockLeft\r\n");
    EXPECT_FALSE(ReadToolbarPosition(ini, "tbEdit"));
    EXPECT_FALSE(ReadToolbarPosition(ini, "tbfile"));
    const ToolbarPosition floating{false, std::string(kFloating), 0, 0, 140, -20};
    WriteToolbarPosition(ini, "tbEdit", floating);
    EXPECT_EQ(ReadToolbarPosition(ini, "tbEdit"), floating);

    // Every toolbar but the switch toolbar has its switch; only the form toolbar starts hidden.
    int hidden = 0;
    for (int tag = 1; tag <= kToolbarCount; ++tag) {
        const ToolbarInfo& info = Toolbars()[static_cast<size_t>(tag - 1)];
        EXPECT_EQ(info.tag, tag);
        EXPECT_EQ(info.switchName.empty(), tag == kSwitchToolbarTag);
        hidden += info.visible ? 0 : 1;
    }
    EXPECT_EQ(hidden, 1);
}
