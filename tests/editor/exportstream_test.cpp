// Streamed export against the editor's own: the same bytes from token numbers made as
// the writer goes, in bounded pieces, for every language's sample grown past many blocks.
#include "editor/builtinparsers.h"
#include "editor/editmodel.h"
#include "editor/exporter.h"
#include "editor/highlighter.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace velloran;

namespace {

class PieceSink : public ExportSink {
public:
    void write(std::string_view bytes) override {
        largest = std::max(largest, bytes.size());
        text += bytes;
    }
    std::string text;
    std::size_t largest = 0;
};

// The sample repeated past a few blocks, shifted so that block boundaries split
// characters; a page also gets a comment longer than the parts a long token is handed
// out in.
std::string grown(const std::string& sample, bool page) {
    std::string bytes;
    while (bytes.size() < 200 * 1024)
        bytes += sample + "\xC3\xA9 " + std::string(bytes.size() % 7, 'x') + "\r\n";
    if (page)
        bytes += "<!--" + std::string(100 * 1024, 'c') + " -->\n" + sample;
    return bytes;
}

} // namespace

TEST(ExportStream, HighlightingAsItWritesGivesTheEditorsBytes) {
    const BuiltinParsers parsers = LoadBuiltinParsers(ProgramDir(), {});
    int files = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(VELLORAN_TEST_DATA) + "/highlight")) {
        const std::string name = entry.path().filename().string();
        const TCodeMemoParser* parser = parsers.forRuleSet(RuleSetForFileName(name));
        if (!parser || entry.path().extension() == ".tokens")
            continue;
        ++files;
        const std::string bytes =
            grown(ReadWholeFile(entry.path().string()), RuleSetForFileName(name) == kHtmlRuleSet);
        EditModel model;
        model.setParser(parser);
        model.loadFromBytes(bytes);
        model.setTitle(name);
        model.dateText = [] { return std::string("2024-05-01 10:00:00"); };
        std::string text = bytes;
        NormalizeLineBreaks(text);
        const StyleSheet sheet = parser->styleSheet();
        for (const SaveFormat format : {SaveFormat::Html, SaveFormat::Rtf}) {
            model.setSaveFormat(format);
            const std::string expected = model.saveToString();
            TokenStream tokens(*parser, text);
            PieceSink sink;
            WriteFormat(format,
                        {.text = text,
                         .sheet = sheet,
                         .title = name,
                         .date = "2024-05-01 10:00:00",
                         .readTokens = [&](std::size_t pos, std::size_t count,
                                           std::uint8_t* out) { tokens.read(pos, count, out); }},
                        sink);
            EXPECT_TRUE(sink.text == expected) << name << " as " << static_cast<int>(format);
            EXPECT_LT(sink.largest, std::size_t{1} << 20) << name;
        }
    }
    EXPECT_GE(files, 4);
}

TEST(ExportStream, PlainTextKeepsEachLineEndAndBadInputWritesNothing) {
    std::string text = "a\r\nb\nc\rd\n\re";
    std::vector<LineEnd> ends;
    NormalizeLineBreaks(text, &ends);
    PieceSink sink;
    WriteFormat(SaveFormat::Text, {.text = text, .sheet = StyleSheet{}, .lineEnds = ends}, sink);
    EXPECT_EQ(sink.text, "a\r\nb\nc\rd\n\re");
    ends.pop_back();
    PieceSink refused;
    EXPECT_ANY_THROW(WriteFormat(SaveFormat::Text,
                                 {.text = text, .sheet = StyleSheet{}, .lineEnds = ends}, refused));
    EXPECT_EQ(refused.text, "");
}
