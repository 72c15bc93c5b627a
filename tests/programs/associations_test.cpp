// The association steps over an in-memory store, and the dialog's settings keys.
#include "platform/inifile.h"
#include "platform/prompter.h"
#include "programs/associations.h"
#include "programs/registry.h"

#include "tempdir.h"

#include <gtest/gtest.h>

using namespace velloran;
using namespace velloran::programs;

namespace {

const std::string kProgram = "/opt/My Tools/Velloran";
const std::string kCommand = "\"/opt/My Tools/Velloran\" \"%1\"";

std::string missingText(const std::string& extension) {
    return "There is no default association for  the extension \"" + extension +
           "\".\r\n\r\nVelloran association was not added.";
}

class Associations : public ::testing::Test {
protected:
    void SetUp() override {
        define(".htm", "htmlfile");
        define(".html", "htmlfile");
        define(".txt", "txtfile");
    }
    void define(const std::string& extension, const std::string& type) {
        ASSERT_TRUE(registry.openKey(extension, true));
        ASSERT_TRUE(registry.writeValue(extension, type));
        ASSERT_TRUE(registry.openKey(type, true));
    }
    bool update(bool associate, std::vector<ExtensionEntry> entries = DefaultExtensions()) {
        BusyCursor busy(prompter);
        return UpdateRegistry(registry, prompter, {associate, std::move(entries), kProgram});
    }
    std::vector<ExtensionEntry> unticked(std::vector<std::string> extensions) {
        auto entries = DefaultExtensions();
        for (auto& entry : entries)
            for (const auto& extension : extensions)
                if (entry.extension == extension)
                    entry.state = CheckState::Unticked;
        return entries;
    }
    MemoryRegistry registry;
    ScriptedPrompter prompter;
};

} // namespace

TEST_F(Associations, FirstUpdateWritesTheProjectTypeAndTheKnownTypesAndNamesTheRest) {
    EXPECT_TRUE(update(true));
    EXPECT_EQ(registry.readValue(".vpr"), "Velloran.Project");
    EXPECT_EQ(registry.readValue("Velloran.Project"), "Velloran.Project");
    EXPECT_EQ(registry.readValue("Velloran.Project\\DefaultIcon"), kProgram + ",0");
    EXPECT_EQ(registry.readValue("Velloran.Project\\Shell"), "open");
    EXPECT_TRUE(registry.keyExists("Velloran.Project\\Shell\\open"));
    EXPECT_EQ(registry.readValue("Velloran.Project\\Shell\\open"), std::nullopt);
    EXPECT_EQ(registry.readValue("Velloran.Project\\Shell\\open\\command"), kCommand);
    EXPECT_EQ(registry.readValue("htmlfile\\shell\\Velloran\\command"), kCommand);
    EXPECT_EQ(registry.readValue("txtfile\\shell\\Velloran\\command"), kCommand);
    EXPECT_EQ(registry.readValue("htmlfile\\shell\\Velloran"), std::nullopt);
    ASSERT_EQ(prompter.messages.size(), 8u);
    EXPECT_EQ(prompter.messages[0].text, missingText(".ini"));
    EXPECT_EQ(prompter.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(prompter.messages[6].text, missingText(".cpp"));
    EXPECT_EQ(prompter.messages[7].text, "Registry updated successfully.");
    EXPECT_EQ(prompter.messages[7].kind, MessageKind::Information);
    EXPECT_EQ(prompter.busyDepth, 0);
}

TEST_F(Associations, ForeignProjectTypeKeptOnNoAndUntickedTypesLoseOnlyTheirCommand) {
    define(".vpr", "Other.Document");
    prompter.planAnswer(Answer::No);
    update(true, unticked({".txt", ".htm"}));
    EXPECT_EQ(prompter.messages[0].text, ".vpr files are currently associated with "
                                         "Other.Document.\r\n\r\nDo you want to change this "
                                         "association?");
    EXPECT_EQ(prompter.messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(registry.readValue(".vpr"), "Other.Document");
    EXPECT_EQ(registry.readValue("Velloran.Project\\Shell\\open\\command"), kCommand);
    // ".html" is still ticked and shares the type with the unticked ".htm".
    EXPECT_EQ(registry.readValue("htmlfile\\shell\\Velloran\\command"), kCommand);
    EXPECT_FALSE(registry.keyExists("txtfile\\shell"));

    // Yes takes the type over; then it is ours and nobody is asked again.
    prompter.messages.clear();
    prompter.planAnswer(Answer::Yes);
    update(true);
    EXPECT_EQ(registry.readValue(".vpr"), "Velloran.Project");
    prompter.messages.clear();
    update(true, unticked({".txt"}));
    EXPECT_EQ(prompter.messages.front().text, missingText(".ini"));
    EXPECT_FALSE(registry.keyExists("txtfile\\shell\\Velloran"));
    EXPECT_TRUE(registry.keyExists("txtfile"));
}

TEST_F(Associations, UntickingProjectsDeletesBothTreesAndFailuresStopTheCommand) {
    update(true);
    update(false);
    EXPECT_FALSE(registry.keyExists(".vpr"));
    EXPECT_FALSE(registry.keyExists("Velloran.Project"));
    EXPECT_TRUE(registry.keyExists("htmlfile\\shell\\Velloran\\command"));

    // A key that stays once its sub-keys are gone is reported, not tried for ever.
    registry.protect("htmlfile\\shell\\Velloran");
    EXPECT_THROW(DeleteKeyTree(registry, "htmlfile\\shell"), RegistryError);
    EXPECT_FALSE(registry.keyExists("htmlfile\\shell\\Velloran\\command"));
    EXPECT_TRUE(registry.keyExists("htmlfile\\shell\\Velloran"));
    EXPECT_NO_THROW(DeleteKeyTree(registry, "no\\such\\key"));

    registry.refuseWrites("txtfile\\shell\\Velloran\\command");
    try {
        update(true);
        ADD_FAILURE() << "a key that cannot be made must stop the update";
    } catch (const RegistryError& error) {
        EXPECT_STREQ(error.what(), "Unable to read / write to registry.");
    }
    EXPECT_EQ(registry.readValue(".vpr"), "Velloran.Project"); // done before the failure
    EXPECT_EQ(prompter.busyDepth, 0);

    const auto before = registry.keys();
    registry.rootAvailable = false;
    prompter.messages.clear();
    EXPECT_FALSE(update(false));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Unable to open registry.\r\n\r\nNo modifications have been made.");
    EXPECT_EQ(registry.keys(), before);
}

TEST(ConfigureSettings, ListStatesAndProxyReadBackAsWritten) {
    TempDir dir;
    IniFile ini(dir.file("v.ini"));
    EXPECT_EQ(ReadExtensionList(ini), DefaultExtensions());
    auto entries = DefaultExtensions();
    EXPECT_FALSE(IncludeExtension(entries, "php"));
    EXPECT_FALSE(IncludeExtension(entries, ""));
    EXPECT_TRUE(IncludeExtension(entries, ".htm")); // a repeat is allowed
    entries[1].state = CheckState::Unticked;
    entries[2].state = CheckState::Greyed;
    WriteExtensionList(ini, entries);
    EXPECT_EQ(ini.readString("file associations", "count", ""), "11");
    EXPECT_EQ(ini.readString("file associations", "Item0", ""), ".htm");
    EXPECT_EQ(ini.readString("file associations", "Item9", ""), ".cpp");
    EXPECT_EQ(ini.readString("TfConfigureCheckListBox1", "Item2", ""), "2");
    EXPECT_EQ(ReadExtensionList(ini), entries);

    // Fewer stored states leave the rest unticked; a shorter list drops old keys.
    ini.writeInteger("TfConfigureCheckListBox1", "Count", 1);
    EXPECT_EQ(ReadExtensionList(ini)[1].state, CheckState::Unticked);
    WriteExtensionList(ini, {{".a", CheckState::Ticked}});
    EXPECT_FALSE(ini.hasKey("file associations", "Item1"));
    EXPECT_EQ(ReadExtensionList(ini), (std::vector<ExtensionEntry>{{".a", CheckState::Ticked}}));
    // A damaged count reads the lines there are.
    ini.writeInteger("file associations", "count", 2000000000);
    EXPECT_EQ(ReadExtensionList(ini).size(), 2u);

    EXPECT_EQ(ReadProxySettings(ini), ProxySettings{});
    WriteProxySettings(ini, {true, "proxy.example", "8021"});
    EXPECT_EQ(ini.readString("FTP Proxy", "UseProxy", ""), "1");
    EXPECT_EQ(ReadProxySettings(ini), (ProxySettings{true, "proxy.example", "8021"}));
}
