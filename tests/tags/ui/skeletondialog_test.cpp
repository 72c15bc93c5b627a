// The document skeleton dialog driven through its real fields, colour buttons and template
// buttons under the offscreen platform, with template files in a temporary folder.
#include "platform/atomicfile.h"
#include "platform/prompter.h"
#include "tags/ui/tfhtml.h"
#include "tempdir.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace velloran;

namespace {

TemplatePlaces PlacesIn(const TempDir& dir, bool withProject) {
    return {withProject ? ProjectTemplateFiles(dir.file("site.vpr")) : TemplateFiles{},
            DefaultTemplateFiles(dir.file("config/")),
            {}};
}

} // namespace

TEST(SkeletonDialog, FieldsFollowTheHeaderAndEditIt) {
    const TempDir dir;
    ScriptedPrompter prompter;
    TfHTML dialog({&prompter, nullptr, std::string("/site/page.htm")}, PlacesIn(dir, false),
                  Encoding::Utf8);
    EXPECT_EQ(dialog.windowTitle(), "HTML Tags.");
    EXPECT_EQ(dialog.headerText(), BuiltInHeader(Encoding::Utf8));
    EXPECT_EQ(dialog.footerText(), BuiltInFooter());
    EXPECT_FALSE(dialog.bbLoadProject->isEnabled()) << "no project";
    EXPECT_FALSE(dialog.bbProject->isEnabled());

    // A header typed by hand fills the fields; no field writes back into it.
    const std::string typed =
        "<html><title>Old</title><body bgcolor=#FFFFFF background=\"sky.png\">\r\n";
    dialog.setHeaderText(typed);
    EXPECT_EQ(dialog.eTitle->text(), "Old");
    EXPECT_EQ(dialog.eBGImg->text(), "sky.png");
    EXPECT_EQ(dialog.colorBackground->color(), QColor(Qt::white));
    EXPECT_EQ(dialog.ColorLink->color(), QColor(Qt::black)) << "no LINK attribute";
    dialog.Load();
    EXPECT_EQ(dialog.headerText(), typed);
    EXPECT_FALSE(dialog.Updating);

    dialog.eTitle->selectAll();
    QTest::keyClicks(dialog.eTitle, "New");
    dialog.ColorLink->pickColor = [](const QColor&) { return QColor(0x12, 0x34, 0xAB); };
    dialog.ColorLink->click();
    EXPECT_EQ(dialog.headerText(), "<html><title>New</title><body bgcolor=#FFFFFF "
                                   "background=\"sky.png\" LINK=\"#1234AB\">\r\n");
    dialog.ColorVLink->pickColor = [](const QColor&) { return QColor(Qt::red); };
    dialog.ColorVLink->click();
    EXPECT_NE(dialog.headerText().find(" LINK=\"#1234AB\" VLINK=\"#FF0000\""), std::string::npos);
    EXPECT_EQ(dialog.ColorLink->color(), QColor(0x12, 0x34, 0xAB));

    // Visited before plain: the link colour still finds its own attribute.
    dialog.setHeaderText("<BODY VLINK=#FF0000>");
    EXPECT_EQ(dialog.ColorLink->color(), QColor(Qt::black));
    dialog.ColorLink->click();
    EXPECT_EQ(dialog.headerText(), "<BODY VLINK=#FF0000 LINK=\"#1234AB\">");

    // Without a BODY tag the colour fields leave the header alone.
    dialog.setHeaderText("<HEAD></HEAD>");
    dialog.colorBackground->pickColor = [](const QColor&) { return QColor(Qt::blue); };
    dialog.colorBackground->click();
    EXPECT_EQ(dialog.headerText(), "<HEAD></HEAD>");

    // A no-break space and a non-ASCII letter come back as they went in.
    dialog.setHeaderText("caf\xC3\xA9\xC2\xA0x\r\ny");
    EXPECT_EQ(dialog.headerText(), "caf\xC3\xA9\xC2\xA0x\r\ny");
}

TEST(SkeletonDialog, TemplatesSaveAndLoadPerProjectAndAsDefault) {
    const TempDir dir;
    ScriptedPrompter prompter;
    WriteFileAtomically(dir.file("sitehead.txt"), "<BODY>project head\n");
    {
        TfHTML dialog({&prompter, nullptr, std::nullopt}, PlacesIn(dir, true), Encoding::Utf8);
        EXPECT_EQ(dialog.headerText(), "<BODY>project head\r\n") << "the project's header";
        EXPECT_EQ(dialog.footerText(), BuiltInFooter()) << "no footer saved anywhere";

        dialog.setFooterText("my foot");
        dialog.bbdefault->click(); // creates the config folder
        EXPECT_EQ(ReadWholeFile(dir.file("config/htmhead.txt")), "<BODY>project head\r\n");
        EXPECT_EQ(ReadWholeFile(dir.file("config/htmfoot.txt")), "my foot");

        dialog.setHeaderText("<BODY>changed");
        dialog.bbProject->click();
        EXPECT_EQ(ReadWholeFile(dir.file("sitehead.txt")), "<BODY>changed");
        EXPECT_EQ(ReadWholeFile(dir.file("sitefoot.txt")), "my foot");

        dialog.bbLoadDefault->click();
        EXPECT_EQ(dialog.headerText(), "<BODY>project head\r\n");
        std::filesystem::remove(dir.file("sitefoot.txt"));
        dialog.setFooterText("kept");
        dialog.bbLoadProject->click();
        EXPECT_EQ(dialog.headerText(), "<BODY>changed");
        EXPECT_EQ(dialog.footerText(), "kept") << "a missing template leaves its memo";
        EXPECT_TRUE(prompter.messages.empty());
    }

    // A save that fails says so and leaves the old file as it was.
    std::filesystem::remove_all(dir.file("config"));
    WriteFileAtomically(dir.file("config"), "a file where the folder should be");
    TfHTML dialog({&prompter, nullptr, std::nullopt}, PlacesIn(dir, true), Encoding::Utf8);
    EXPECT_EQ(dialog.footerText(), BuiltInFooter());
    dialog.bbdefault->click();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(ReadWholeFile(dir.file("config")), "a file where the folder should be");
}
