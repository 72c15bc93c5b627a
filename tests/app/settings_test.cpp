// Start-up and exit rules: settings round trip, what opens at start, the exit question.
#include "app/settings.h"
#include "app/startup.h"
#include "editor/builtinparsers.h"
#include "editor/languages/languages.h"
#include "editor/parserimage.h"
#include "editor/parseroptions.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/prompter.h"

#include <gtest/gtest.h>

using namespace velloran;

namespace {

IniFile parsed(const std::string& text) {
    IniFile ini("/nonexistent/velloran-test.ini");
    ini.parse(text);
    return ini;
}

} // namespace

TEST(Settings, WritesOnlyTheTenMostRecentProjectsAndKeepsOtherSections) {
    IniFile ini = parsed("[programs]\r\nnumprogs=1\r\n[Recent Files]\r\nFile0=/old.vpr\r\n"
                         "File12=/stale.vpr\r\n");
    AppState state;
    state.recentProjects.push_back("/line\nfeed.vpr");
    for (int i = 0; i < 15; ++i)
        state.recentProjects.push_back("/site" + std::to_string(i) + ".vpr");
    WriteSettings(ini, state, {});

    const auto lines = ini.readSection("Recent Files");
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines.front(), "File0=/site0.vpr");
    EXPECT_EQ(lines.back(), "File9=/site9.vpr");
    EXPECT_EQ(ini.readString("programs", "numprogs", ""), "1");
}

TEST(Settings, ReadsRecentLinesInFileOrderCutTo255) {
    const std::string longName = "/" + std::string(300, 'a');
    const IniFile ini = parsed("[recent files]\nFile3=/b.vpr\nFile0=" + longName +
                               "\nnonsense\nFile1=\n[Custom Colors]\n0=ColorA=0000FF\n"
                               "[parsers]\nhtml=Qorvex2:abc\n");
    AppState state;
    Settings settings;
    ReadSettings(ini, state, settings);

    ASSERT_EQ(state.recentProjects.size(), 2u);
    EXPECT_EQ(state.recentProjects[0], "/b.vpr");
    EXPECT_EQ(state.recentProjects[1], longName.substr(0, 255));
    ASSERT_EQ(settings.customColors.size(), 1u);
    EXPECT_EQ(settings.customColors[0], "ColorA=0000FF");
    EXPECT_FALSE(settings.parsers[0].has_value()); // no text of its own: built-in stays
    EXPECT_EQ(settings.parsers[1], "Qorvex2:abc");
}

TEST(Settings, RoundTripKeepsEveryKey) {
    AppState state;
    state.recentProjects = {"/a b/site.vpr", "/ümlaut/x.vpr"};
    state.currentUserList = "/tags/mine.vul";
    Settings settings;
    settings.customColors = {FormatCustomColor(0, 0x0000FF), FormatCustomColor(15, 0xABCDEF)};
    settings.parsers[4] = "Qorvex2:js";
    IniFile ini = parsed("");
    WriteSettings(ini, state, settings);

    AppState readState;
    Settings readSettings;
    ReadSettings(parsed(ini.text()), readState, readSettings);
    EXPECT_EQ(readState.recentProjects, state.recentProjects);
    EXPECT_EQ(readState.currentUserList, state.currentUserList);
    EXPECT_EQ(readSettings.customColors, settings.customColors);
    EXPECT_EQ(readSettings.parsers, settings.parsers);
}

TEST(Settings, AParserTextThatDoesNotFitLeavesTheBuiltInTables) {
    ParserTables builtin;
    builtin.styles[3].defined = true;
    builtin.fontSize = 10;
    ParserTables mine = builtin;
    mine.fontSize = 14;
    mine.styles[3].color = 0x0000FF;
    const auto applied = ApplyParserSettings(builtin, WriteSettingsString(mine));
    ASSERT_TRUE(applied.has_value());
    EXPECT_EQ(applied->fontSize, 14);
    EXPECT_EQ(applied->styles[3].color, 0x0000FFu);

    ParserTables otherLanguage = mine;
    otherLanguage.styles[9].defined = true;
    ParserTables hugeGutter = mine;
    hugeGutter.header.gutter = 1 << 30;
    const std::string good = WriteSettingsString(mine);
    for (const std::string& text :
         {good.substr(0, good.size() - 3), std::string("Qorvex2:"), good + "junk",
          WriteSettingsString(otherLanguage), WriteSettingsString(hugeGutter)})
        EXPECT_FALSE(ApplyParserSettings(builtin, text).has_value()) << text;
}

// Whatever the options dialog lets a user give a language comes back at the next start.
TEST(Settings, EveryElementTheOptionsDialogStylesIsReadBack) {
    const BuiltinParsers loaded = LoadBuiltinParsers(ProgramDir(), {});
    ASSERT_TRUE(loaded.errors.empty());
    for (const auto& builtin : loaded.parsers) {
        ASSERT_NE(builtin, nullptr);
        TCodeMemoParser parser = *builtin;
        ParserOptionsSession session(parser);
        const auto elements = static_cast<int>(session.elementNames().size());
        for (int element = 0; element < elements; ++element) {
            session.setFontStyleBit(element, kUnderline, true);
            session.setBackground(element, 0x123456);
        }
        session.setFontSize(30);
        session.accept();
        const auto read =
            ApplyParserSettings(builtin->tables(), WriteSettingsString(parser.tables()));
        ASSERT_TRUE(read.has_value()) << builtin->languageName();
        EXPECT_EQ(read->styles, parser.tables().styles) << builtin->languageName();
    }
}

TEST(Settings, KeyTablesTravelAsHexOrNotAtAll) {
    ParserTables mine;
    mine.keys[caDOCEND] = {"caDOCEND", MakeShortcut('K', false, true, false), '5'};
    const std::string text = ParserKeysText(mine);
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    KeyTable keys = DefaultKeyTable();
    ASSERT_TRUE(ApplyParserKeys(keys, text));
    EXPECT_EQ(keys, mine.keys);
    for (const std::string& damaged :
         {text.substr(0, text.size() - 1), text.substr(0, text.size() - 2), "zz" + text,
          text + "00", std::string()}) {
        KeyTable untouched = DefaultKeyTable();
        EXPECT_FALSE(ApplyParserKeys(untouched, damaged)) << damaged;
        EXPECT_EQ(untouched, DefaultKeyTable());
    }
}

TEST(Settings, SelectedTextColoursTravelAsTwoNumbersOrNotAtAll) {
    LanguageHeader mine;
    mine.selectedText = 0x00FF00;
    mine.selectedBack = 0x800080;
    LanguageHeader header;
    ASSERT_TRUE(ApplyParserSelection(header, ParserSelectionText(mine)));
    EXPECT_EQ(header.selectedText, mine.selectedText);
    EXPECT_EQ(header.selectedBack, mine.selectedBack);
    for (const std::string_view damaged :
         {"", "65280", "65280,", ",1", "65280,1x", "-1,2", "65280,16777216", "1,2,3"}) {
        LanguageHeader untouched;
        EXPECT_FALSE(ApplyParserSelection(untouched, damaged)) << damaged;
        EXPECT_EQ(untouched, LanguageHeader());
    }
}

TEST(Settings, CutNeverSplitsACharacter) {
    const std::string text = std::string(254, 'a') + "\xC3\xBC"; // "ü" straddles 255
    EXPECT_EQ(CutToLength(text, 255), std::string(254, 'a'));
}

TEST(Settings, CustomColorEntriesParseOnlyWellFormedSlots) {
    const auto slot = ParseCustomColor("ColorP=ABCDEF");
    ASSERT_TRUE(slot.has_value());
    EXPECT_EQ(slot->slot, 15);
    EXPECT_EQ(slot->bgr, 0xABCDEFu);
    EXPECT_FALSE(ParseCustomColor("ColorQ=000000"));
    EXPECT_FALSE(ParseCustomColor("ColorA="));
    EXPECT_FALSE(ParseCustomColor("ColorA=12G"));
}

TEST(CommandLine, SplitNameIsRebuiltAndMadeAbsolute) {
    EXPECT_EQ(HandoverText({"/home/me/My", "Site/index.htm"}, "/tmp"),
              "/home/me/My Site/index.htm");
    EXPECT_EQ(HandoverText({"My", "Site/index.htm"}, "/home/me"), "/home/me/My Site/index.htm");
    EXPECT_EQ(HandoverText({}, "/home/me"), "");
    EXPECT_EQ(HandoverText({std::string(5000, 'x')}, "/").size(), kHandoverLimit - 1);
}

TEST(CommandLine, ProjectOrFileByExtension) {
    EXPECT_EQ(RequestForName("/s/site.VPR").kind, OpenRequest::Kind::Project);
    EXPECT_EQ(RequestForName("/s/site.vpr.htm").kind, OpenRequest::Kind::File);
    EXPECT_EQ(RequestForName("/s/.vpr").kind, OpenRequest::Kind::File);
    EXPECT_EQ(RequestForName("").kind, OpenRequest::Kind::Nothing);
}

TEST(Startup, FirstStartListsTheTutorialAndOpensIt) {
    AppState state;
    const auto request =
        ChooseStartupRequest({}, state, "/usr/share/velloran/tutorial/velloran.vpr");
    EXPECT_EQ(request.kind, OpenRequest::Kind::Project);
    EXPECT_EQ(state.recentProjects,
              std::vector<std::string>{"/usr/share/velloran/tutorial/velloran.vpr"});

    AppState none;
    EXPECT_EQ(ChooseStartupRequest({}, none, "").kind, OpenRequest::Kind::Nothing);
}

TEST(Startup, ParametersWinAndOnlyTheFirstCounts) {
    AppState state;
    state.recentProjects = {"/recent.vpr"};
    const auto request = ChooseStartupRequest({"/a.htm", "/b.vpr"}, state, "/tutorial.vpr");
    EXPECT_EQ(request.kind, OpenRequest::Kind::File);
    EXPECT_EQ(request.name, "/a.htm");
    EXPECT_EQ(state.recentProjects, std::vector<std::string>{"/recent.vpr"});
}

TEST(RecentProjects, PromoteAndForgetTellLetterCaseApart) {
    AppState state;
    state.recentProjects = {"/a.vpr", "/Site.vpr", "/b.vpr"};
    PromoteRecentProject(state, "/b.vpr");
    PromoteRecentProject(state, "/site.vpr");
    EXPECT_EQ(state.recentProjects,
              (std::vector<std::string>{"/site.vpr", "/b.vpr", "/a.vpr", "/Site.vpr"}));
    ForgetRecentProject(state, "/B.VPR");
    ForgetRecentProject(state, "/a.vpr");
    EXPECT_EQ(state.recentProjects, (std::vector<std::string>{"/site.vpr", "/b.vpr", "/Site.vpr"}));
}

namespace {

struct FakeDocuments : DocumentSet {
    std::vector<bool> modified;
    std::vector<bool> saveWorks;
    std::vector<size_t> saved;
    size_t documentCount() const override { return modified.size(); }
    bool isModified(size_t i) const override { return modified[i]; }
    std::string documentName(size_t i) const override { return "/d" + std::to_string(i); }
    bool saveDocument(size_t i) override {
        saved.push_back(i);
        return saveWorks[i];
    }
};

} // namespace

TEST(ExitQuestion, CancelOnTheSecondStopsAfterSavingTheFirst) {
    FakeDocuments docs;
    docs.modified = {true, true, true};
    docs.saveWorks = {true, true, true};
    ScriptedPrompter prompter;
    prompter.planAnswer(Answer::Yes);
    prompter.planAnswer(Answer::Cancel);
    EXPECT_FALSE(ConfirmCloseDocuments(docs, prompter));
    EXPECT_EQ(docs.saved, std::vector<size_t>{0});
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[1].text,
              "File \"/d1\" has changed.\rDo you wish to save the changes ?");
    EXPECT_EQ(prompter.messages[1].buttons, Buttons::YesNoCancel);
}

TEST(ExitQuestion, OnlyModifiedAreAskedAndAFailedSaveKeepsTheProgramOpen) {
    FakeDocuments docs;
    docs.modified = {false, true, true};
    docs.saveWorks = {true, false, true};
    ScriptedPrompter prompter;
    prompter.planAnswer(Answer::Yes);
    EXPECT_FALSE(ConfirmCloseDocuments(docs, prompter));
    EXPECT_EQ(prompter.messages.size(), 1u);

    FakeDocuments clean;
    clean.modified = {false, true};
    clean.saveWorks = {true, true};
    ScriptedPrompter no;
    no.planAnswer(Answer::No);
    EXPECT_TRUE(ConfirmCloseDocuments(clean, no));
    EXPECT_TRUE(clean.saved.empty());
}

namespace velloran {
namespace {

// Written by a build whose HTML and JavaScript had no newer styles; the user had made
// HTML comments purple and the font 12 points.
constexpr const char* kClassicHtmlText =
    "Qorvex2:351216,34,0,1,0,,11,Courier New,12,14,0,0,16777215,;1,0,16777215,B;"
    "2,16711680,16777215,I;5,0,16777215,I;9,32768,16777215,;10,0,16777215,B;"
    "20,16711680,16777215,B;24,8388736,16777215,;26,0,16777215,B;27,255,16777215,;"
    "29,0,16777215,B;30,255,16777215,;31,16711680,16777215,U;180,0,16777215,I;";
constexpr const char* kClassicJavaScriptText =
    "Qorvex2:351216,34,0,1,0,,11,Courier New,10,9,0,0,16777215,;1,0,16777215,B;"
    "2,16711680,16777215,I;5,0,16777215,I;7,0,16777215,;8,255,16777215,;"
    "9,32768,16777215,;10,0,16777215,B;30,0,16777215,;";

TEST(Settings, ClassicParserTextsApplyToTodaysLanguages) {
    const ParserTables html = HtmlLanguage();
    const auto applied = ApplyParserSettings(html, kClassicHtmlText);
    ASSERT_TRUE(applied.has_value());
    EXPECT_EQ(applied->fontSize, 12);
    EXPECT_EQ(applied->styles[24].color, 0x800080u);
    EXPECT_EQ(applied->styles[20], html.styles[20]);
    // The styles the text does not know keep their built-in look.
    for (const EditableStyle& e : html.header.editableStyles) {
        if (e.style == 40 || e.style == 41) {
            EXPECT_EQ(applied->styles[e.style], html.styles[e.style]) << e.name;
        }
    }

    const ParserTables js = JavaScriptLanguage();
    const auto script = ApplyParserSettings(js, kClassicJavaScriptText);
    ASSERT_TRUE(script.has_value());
    EXPECT_EQ(script->styles, js.styles) << "the text holds the built-in look";
    // A classic text given to CSS names styles CSS does not have: CSS keeps its own.
    EXPECT_FALSE(ApplyParserSettings(CssLanguage(), kClassicHtmlText).has_value());
}

} // namespace
} // namespace velloran
