// Data-driven highlighting tests: every input in tests/data/highlight/ must give the
// tokens of its ".tokens" file from scratch, with either line-end style, and when typed
// in piece by piece. VELLORAN_REGENERATE=1 rewrites the expected files instead.
#include "editor/builtinparsers.h"
#include "editor/editmodel.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace velloran;

namespace {

const BuiltinParsers& parsers() {
    static const BuiltinParsers loaded = LoadBuiltinParsers(ProgramDir(), {});
    return loaded;
}

// Each display line as its text, then its tokens as "token" or "token*count" runs.
std::string formatTokens(const EditModel& model) {
    const TextStore& store = model.store();
    std::string out;
    for (std::int64_t line = 0; line < store.lineCount(); ++line) {
        const Position start = store.lineStart(line);
        const Position end = start + store.lineLength(line);
        out += store.lineText(line) + "\n ";
        for (Position p = start; p < end;) {
            Position q = p;
            while (q < end && store.tokenAt(q) == store.tokenAt(p))
                ++q;
            out += ' ' + std::to_string(store.tokenAt(p));
            if (q - p > 1)
                out += '*' + std::to_string(q - p);
            p = q;
        }
        out += '\n';
    }
    return out;
}

EditModel highlighted(const std::string& name, const std::string& bytes) {
    EditModel model;
    model.setParser(parsers().forRuleSet(RuleSetForFileName(name)));
    model.loadFromBytes(bytes);
    model.highlightAll();
    return model;
}

// Types the text in pieces, highlighting after each, as a user would.
std::string typedInPieces(const std::string& name, const std::string& bytes) {
    EditModel model;
    model.setParser(parsers().forRuleSet(RuleSetForFileName(name)));
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', pos) + 1, bytes.size());
        model.setSel(model.length(), model.length());
        model.replaceSel(bytes.substr(pos, end - pos));
        model.highlight(0, Highlighter::Clock::time_point::min());
        model.highlightAll();
        pos = end;
    }
    return formatTokens(model);
}

std::string withCrLf(const std::string& text) {
    std::string out;
    for (const char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

} // namespace

TEST(Highlight, ParserImagesLoadFromTheBuild) {
    EXPECT_TRUE(parsers().errors.empty()) << parsers().errors.front();
    EXPECT_EQ(parsers().forRuleSet(kHtmlRuleSet)->languageName(), "HTML");
    EXPECT_EQ(RuleSetForFileName("index.HTM"), kHtmlRuleSet);
    EXPECT_EQ(RuleSetForFileName("notes.txt"), kPlainTextRuleSet);
    EXPECT_EQ(RuleSetForFileName("readme"), kPlainTextRuleSet);
}

TEST(Highlight, ExtensionsSelectTheirLanguagesWhateverTheirCase) {
    EXPECT_EQ(parsers().forRuleSet(RuleSetForFileName("style.css"))->languageName(), "CSS");
    EXPECT_EQ(RuleSetForFileName("site/STYLE.CSS"), kCssRuleSet);
    for (const char* name : {"app.js", "lib.MJS", "old.jsc", "x.Js"})
        EXPECT_EQ(RuleSetForFileName(name), kJavaScriptRuleSet) << name;
    for (const char* name : {"a.cs", "a.json", "a.jsx", "a.scss", "css", ".css.bak"})
        EXPECT_EQ(RuleSetForFileName(name), kPlainTextRuleSet) << name;
    // Rule set 6 stays plain text, so CSS is rule set 7.
    EXPECT_EQ(parsers().forRuleSet(kPlainTextRuleSet), nullptr);
    EXPECT_EQ(ParserIndexOfRuleSet(RuleSetOfParser(5)), 5);
}

namespace {

// Runs of `token` in the highlighted text.
std::size_t runsOf(const EditModel& model, std::uint8_t token) {
    std::size_t runs = 0;
    for (Position p = 0; p < model.length(); ++p)
        runs +=
            model.store().tokenAt(p) == token && (p == 0 || model.store().tokenAt(p - 1) != token);
    return runs;
}

} // namespace

TEST(Highlight, ThousandsOfOpenTemplateLiteralsStayLinear) {
    // Two levels nest; every deeper literal is one token, however many are left open.
    constexpr int kOpen = 20000;
    std::string opened;
    for (int i = 0; i < kOpen; ++i)
        opened += "`${";
    constexpr std::uint8_t kDeepTemplate = 13; // in both languages
    const EditModel script = highlighted("deep.mjs", opened);
    EXPECT_EQ(runsOf(script, kDeepTemplate), (kOpen - 2) / 2u);
    const EditModel page = highlighted("deep.htm", "<script>" + opened);
    EXPECT_EQ(runsOf(page, kDeepTemplate), (kOpen - 2) / 2u);

    // Closed again, the text after them is code once more.
    const EditModel closed = highlighted("x.js", "a = `1${`2${`3`}`}`; if (b) c();\n");
    const auto reserved = static_cast<Position>(closed.getText().find(" if ") + 1);
    EXPECT_EQ(closed.store().tokenAt(reserved), 42); // "if"
}

TEST(Highlight, AWordAsLongAsABookIsReadOnceForMailAddresses) {
    // Every letter may begin an address; a word without "@" is no address from any of
    // them, which must not take a pass over the rest of the word for each letter.
    constexpr std::size_t kLength = 400'000;
    constexpr std::uint8_t kMailAddress = 2;
    const std::string word(kLength, 'w');
    const EditModel mail = highlighted("long.eml", word + " me@example.com " + word + "@x.org");
    EXPECT_EQ(runsOf(mail, kMailAddress), 2u);
    EXPECT_EQ(mail.store().tokenAt(0), 0);
    EXPECT_EQ(mail.store().tokenAt(kLength + 1), kMailAddress);
    // The second long word is an address from its first letter on.
    EXPECT_EQ(mail.store().tokenAt(kLength + 16), kMailAddress);
}

TEST(Highlight, ALineOfOpenRegexClassesIsReadOnce) {
    // Each "/" may begin a literal whose class runs to the line's end; later ones that
    // open a class inside it cannot close either, and are not read to the end again.
    std::string open = "a = b";
    for (int i = 0; i < 200'000; ++i)
        open += "/[";
    constexpr std::uint8_t kRegex = 12;
    const EditModel script =
        highlighted("classes.js", open + "\nc = /[/]/g, d = e / f;\nz = /[q/ + (/b/);\n");
    EXPECT_EQ(runsOf(script, kRegex), 2u);
    const Position literal = script.store().lineStart(1) + 4; // "/[/]/g"
    EXPECT_EQ(script.store().tokenAt(literal + 5), kRegex);
    EXPECT_NE(script.store().tokenAt(literal + 6), kRegex);
    // A literal that opens no class after one left open is a literal still.
    EXPECT_EQ(script.store().tokenAt(script.store().lineStart(2) + 12), kRegex); // "/b/"
}

TEST(Highlight, AnEditThatUndoesATagColoursWhatFollowsAsText) {
    // The end states of a line in a tag and in text once had the same digest, so the run
    // after deleting "<" stopped at once and left the lines below coloured as a tag.
    EditModel model;
    model.setParser(parsers().forRuleSet(RuleSetForFileName("cut.htm")));
    model.loadFromBytes("\x8d<\nk\n)6\r]\nq\xde\r=(-]/]/");
    model.highlightAll();
    model.setSel(1, 4); // "<", the line end and "k"
    model.replaceSel("");
    model.highlightAll();
    EXPECT_EQ(formatTokens(model),
              formatTokens(highlighted("cut.htm", "\x8d\n)6\r]\nq\xde\r=(-]/]/")));
}

TEST(Highlight, InputsGiveTheirExpectedTokensHoweverTheyArrive) {
    const bool regenerate = std::getenv("VELLORAN_REGENERATE") != nullptr;
    int inputs = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(VELLORAN_TEST_DATA) + "/highlight")) {
        const std::string path = entry.path().string();
        if (entry.path().extension() == ".tokens" || entry.path().extension() == ".sh")
            continue;
        ++inputs;
        const std::string bytes = ReadWholeFile(path);
        const std::string tokens = formatTokens(highlighted(path, bytes));
        if (regenerate) {
            WriteFileAtomically(path + ".tokens", tokens);
            continue;
        }
        EXPECT_EQ(tokens, ReadWholeFile(path + ".tokens")) << path;
        EXPECT_EQ(formatTokens(highlighted(path, withCrLf(bytes))), tokens) << path;
        EXPECT_EQ(typedInPieces(path, bytes), tokens) << path;
    }
    EXPECT_GE(inputs, 5);
}

TEST(Highlight, CaseInsensitiveLanguagesReadCapitalsAsSmallLetters) {
    const auto tokensOf = [](const std::string& name, const std::string& bytes) {
        const EditModel model = highlighted(name, bytes);
        std::vector<std::uint8_t> tokens;
        for (Position p = 0; p < model.length(); ++p)
            tokens.push_back(model.store().tokenAt(p));
        return tokens;
    };
    for (const char* name : {"tags.htm", "property.pas"}) {
        std::string small = ReadWholeFile(std::string(VELLORAN_TEST_DATA) + "/highlight/" + name);
        std::string capitals = small;
        for (char& c : small)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (char& c : capitals)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(tokensOf(name, capitals), tokensOf(name, small)) << name;
    }
}

TEST(Highlight, ACommentOpenedAndClosedAtTheTopEndsLikeAFreshRunEvenInSlices) {
    std::string page;
    for (int i = 0; i < 2000; ++i)
        page += "<p class=\"c\">line " + std::to_string(i) + " &nbsp; <b>bold</b></p>\n";
    EditModel model = highlighted("page.htm", page);
    const std::string before = formatTokens(model);

    model.setSel(0, 0);
    model.replaceSel("<!--");
    // The visible lines are finished at once; the rest waits for later slices.
    EXPECT_FALSE(model.highlight(30, Highlighter::Clock::now()));
    EXPECT_EQ(model.store().tokenAt(model.store().lineStart(30)), 24);
    EXPECT_NE(model.store().tokenAt(model.store().lineStart(1500)), 24);
    while (!model.highlight(30, Highlighter::Clock::now() + std::chrono::milliseconds(1))) {
    }
    EXPECT_EQ(model.store().tokenAt(model.length() - 2), 24);
    EXPECT_EQ(formatTokens(model), formatTokens(highlighted("page.htm", "<!--" + page)));

    // An edit in the middle of a pending run restarts it where it is needed.
    model.setSel(4, 4);
    model.replaceSel("-->");
    model.highlight(10, Highlighter::Clock::now());
    model.setSel(model.store().lineStart(1000), model.store().lineStart(1000));
    model.replaceSel("<i>new</i> ");
    model.highlightAll();
    EXPECT_EQ(formatTokens(model), formatTokens(highlighted("page.htm", model.getText())));
    model.undo();
    model.undo();
    model.undo();
    model.highlightAll();
    EXPECT_EQ(formatTokens(model), before);
}

TEST(Highlight, GuessedColoursFarAheadOfTheRunAreReplacedWhereWrong) {
    std::string page;
    for (int i = 0; i < 3000; ++i)
        page += "<p class=\"c\">line " + std::to_string(i) + " &nbsp; <b>bold</b></p>\n";
    const std::string exact = formatTokens(highlighted("page.htm", page));

    EditModel model;
    model.setParser(parsers().forRuleSet(RuleSetForFileName("page.htm")));
    model.loadFromBytes(page);
    model.highlight(5, Highlighter::Clock::now());
    const Position far = model.store().lineStart(2500);
    ASSERT_EQ(model.store().tokenAt(far + 1), 0);
    model.guessHighlight(2500, 2530);
    const EditModel full = highlighted("page.htm", page);
    for (Position p = far; p < model.store().lineStart(2531); ++p)
        ASSERT_EQ(model.store().tokenAt(p), full.store().tokenAt(p)) << p;
    model.highlightAll();
    EXPECT_EQ(formatTokens(model), exact);

    // A comment opened at the top makes the guess wrong; the run puts it right.
    model.setSel(0, 0);
    model.replaceSel("<!--");
    model.highlight(5, Highlighter::Clock::now());
    model.guessHighlight(2500, 2530);
    EXPECT_NE(model.store().tokenAt(model.store().lineStart(2510)), 24);
    model.highlightAll();
    EXPECT_EQ(formatTokens(model), formatTokens(highlighted("page.htm", "<!--" + page)));
}
