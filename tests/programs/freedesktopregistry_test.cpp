// The associations as desktop files in a temporary data folder.
#include "platform/atomicfile.h"
#include "platform/prompter.h"
#include "programs/associations.h"
#include "programs/freedesktopregistry.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

using namespace velloran;
using namespace velloran::programs;

namespace {

const std::map<std::string, std::string> kTypes = {
    {".htm", "text/html"}, {".html", "text/html"}, {".txt", "text/plain"}};

std::string lookup(const std::string& extension) {
    const auto found = kTypes.find(extension);
    return found == kTypes.end() ? std::string() : found->second;
}

std::vector<ExtensionEntry> entries(std::initializer_list<ExtensionEntry> list) {
    return list;
}

class DesktopFiles : public ::testing::Test {
protected:
    FreedesktopRegistry registry(MimeLookup types = lookup) {
        return FreedesktopRegistry(dir.path, std::move(types),
                                   [this](const auto& argv) { tools.push_back(argv); });
    }
    bool update(FreedesktopRegistry&& store, bool associate, std::vector<ExtensionEntry> list) {
        return UpdateRegistry(store, prompter,
                              {associate, std::move(list), program, kProjectMimeType});
    }
    std::string desktop() const {
        return FileExists(desktopFile) ? ReadWholeFile(desktopFile) : std::string();
    }
    TempDir dir;
    ScriptedPrompter prompter;
    std::vector<std::vector<std::string>> tools;
    // A name the desktop entry must quote and escape.
    std::string program = dir.path + "/my tools/vell$ran";
    std::string desktopFile = dir.path + "/applications/velloran.desktop";
    std::string packageFile = dir.path + "/mime/packages/velloran.xml";
};

} // namespace

TEST_F(DesktopFiles, TicksBecomeThePackageAndTheEntryAndUnticksTakeThemAway) {
    ASSERT_TRUE(
        update(registry(), true,
               entries({{".htm"}, {".html"}, {".txt"}, {".ini"}, {".c", CheckState::Unticked}})));
    EXPECT_NE(ReadWholeFile(packageFile).find("<glob pattern=\"*.vpr\""), std::string::npos);
    const std::string text = desktop();
    EXPECT_NE(text.find("\nExec=\"" + dir.path + "/my tools/vell\\\\$ran\" %f\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nMimeType=application/x-velloran-project;text/html;text/plain;\n"),
              std::string::npos)
        << text;
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[0].text, "There is no default association for  the extension "
                                         "\".ini\".\r\n\r\nVelloran association was not added.");
    EXPECT_EQ(tools, (std::vector<std::vector<std::string>>{
                         {"update-mime-database", dir.path + "/mime"},
                         {"update-desktop-database", dir.path + "/applications"}}));

    // A fresh store reads the files back.
    FreedesktopRegistry again = registry();
    ASSERT_TRUE(again.openRoot());
    EXPECT_EQ(again.readValue(".vpr"), kProjectMimeType);
    EXPECT_EQ(again.readValue("text/plain\\shell\\Velloran\\command"), CommandText(program));
    EXPECT_FALSE(again.keyExists("text/x-csrc\\shell\\Velloran"));

    update(registry(), false, entries({{".htm"}, {".txt", CheckState::Unticked}}));
    EXPECT_FALSE(FileExists(packageFile));
    EXPECT_NE(desktop().find("\nMimeType=text/html;\n"), std::string::npos) << desktop();
    update(registry(), false, entries({{".htm", CheckState::Unticked}}));
    EXPECT_FALSE(FileExists(desktopFile));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path + "/applications"));
}

TEST_F(DesktopFiles, AnotherProgramsProjectTypeAnsweredNoStaysAndCommandsRoundTrip) {
    prompter.planAnswer(Answer::No);
    update(registry([](const std::string& extension) {
               return extension == ".vpr" ? std::string("application/x-other") : lookup(extension);
           }),
           true, {});
    ASSERT_FALSE(prompter.messages.empty());
    EXPECT_EQ(prompter.messages[0].text, ".vpr files are currently associated with "
                                         "application/x-other.\r\n\r\nDo you want to change this "
                                         "association?");
    EXPECT_FALSE(FileExists(packageFile));
    EXPECT_NE(desktop().find("\nMimeType=application/x-velloran-project;\n"), std::string::npos);

    for (const std::string name : {"/a b/c", "/q\"uote/back\\slash/100%/`tick`/$HOME", "/x\ny"}) {
        const std::string exec = ExecFromCommand(CommandText(name));
        EXPECT_EQ(exec.find('\n'), std::string::npos) << exec;
        EXPECT_EQ(CommandFromExec(exec), CommandText(name)) << exec;
    }
    EXPECT_EQ(ExecFromCommand("velloran %1"), "");
}

TEST_F(DesktopFiles, AFolderThatCannotBeWrittenChangesNothing) {
    std::ofstream(dir.file("plain")) << "a file, not a folder\n";
    FreedesktopRegistry blocked(dir.file("plain") + "/share", lookup, [](const auto&) {});
    EXPECT_FALSE(UpdateRegistry(blocked, prompter, {true, {{".htm"}}, program, kProjectMimeType}));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Unable to open registry.\r\n\r\nNo modifications have been made.");

    // The entry's own folder is blocked: the project package is written, then it stops.
    std::ofstream(dir.file("applications")) << "in the way\n";
    EXPECT_THROW(update(registry(), true, {}), RegistryError);
    EXPECT_TRUE(FileExists(packageFile));
    EXPECT_EQ(tools.size(), 1u); // the package that was written is still announced
}
