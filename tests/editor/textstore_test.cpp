// Tests of the text store: line-break normalisation, loading, and line bookkeeping
// under random edits compared with a plain string.
#include "editor/textstore.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace velloran;
using namespace std::literals;

namespace {

std::string normalized(std::string text) {
    NormalizeLineBreaks(text);
    return text;
}

// Every line's start, length and CR agree with the reference text.
void expectLinesMatch(const TextStore& store, const std::string& reference) {
    ASSERT_EQ(store.length(), static_cast<Position>(reference.size()));
    ASSERT_EQ(store.text(0, store.length()), reference);
    std::int64_t line = 0;
    Position start = 0;
    for (std::size_t i = 0; i <= reference.size(); ++i) {
        if (i == reference.size() || reference[i] == '\r') {
            ASSERT_EQ(store.lineStart(line), start) << "line " << line;
            ASSERT_EQ(store.lineTextLength(line), static_cast<Position>(i) - start);
            ASSERT_EQ(store.lineOf(start), line);
            start = static_cast<Position>(i) + 1;
            ++line;
        }
    }
    ASSERT_EQ(store.lineCount(), line);
}

} // namespace

TEST(TextStoreNormalize, EveryBreakStyleBecomesOneCrAndOtherBytesStay) {
    EXPECT_EQ(normalized("a\r\nb\nc\r"), "a\rb\rc\r");
    EXPECT_EQ(normalized("a\n\rb"), "a\rb");
    EXPECT_EQ(normalized("a\r\n\r\nb"), "a\r\rb");
    EXPECT_EQ(normalized("a\n\nb"), "a\r\rb");
    EXPECT_EQ(normalized("t\tb\x07\0z"s), "t\tb\x07\0z"s);
    // A CR LF pair across the old 32 KiB chunk boundary is still one break.
    std::string big(32767, 'x');
    big += "\r\nend";
    EXPECT_EQ(normalized(big), std::string(32767, 'x') + "\rend");

    EXPECT_EQ(DetectLineEnd("a\r\nb\n"), "\r\n");
    EXPECT_EQ(DetectLineEnd("a\rb"), "\r");
    EXPECT_EQ(DetectLineEnd("a\n\rb"), "\n");
    EXPECT_EQ(DetectLineEnd("no breaks"), "\n");
}

TEST(TextStoreLines, LoadSplitsAtEveryCrAndKeepsLongLinesWhole) {
    TextStore store;
    store.load(normalized("a\r\nb\nc\r"));
    expectLinesMatch(store, "a\rb\rc\r");
    EXPECT_EQ(store.lineCount(), 4);
    EXPECT_EQ(store.lineText(3), "");

    // Lines are not limited to 16 bits, nor read back cut at 4 KiB.
    std::string longLine(200000, 'w');
    store.load(longLine + "\rtail");
    EXPECT_EQ(store.lineTextLength(0), 200000);
    EXPECT_EQ(store.lineText(0), longLine);
    store.insert(100000, "X");
    EXPECT_EQ(store.lineTextLength(0), 200001);
    EXPECT_EQ(store.lineOf(200002), 1);
}

TEST(TextStoreLines, RandomEditsKeepLinesInStepWithTheText) {
    std::mt19937 random(7);
    TextStore store;
    std::string reference = normalized("first\nsecond\n\nfourth line\n");
    store.load(std::string(reference));
    const std::string pieces[] = {"x", "\r", "ab\rcd", "\r\r", "long piece of text", ""};
    for (int step = 0; step < 3000; ++step) {
        const auto pos = static_cast<Position>(random() % (reference.size() + 1));
        if (random() % 2 == 0) {
            const std::string& piece = pieces[random() % std::size(pieces)];
            store.insert(pos, piece);
            reference.insert(static_cast<std::size_t>(pos), piece);
        } else {
            const auto count =
                static_cast<Position>(std::min<std::size_t>(random() % 12, reference.size() - pos));
            store.erase(pos, count);
            reference.erase(static_cast<std::size_t>(pos), static_cast<std::size_t>(count));
        }
        if (step % 100 == 0)
            expectLinesMatch(store, reference);
    }
    expectLinesMatch(store, reference);
}

TEST(TextStoreLines, EditsKeepRecordsOfUntouchedLinesAndDropJoinedOnes) {
    TextStore store;
    store.load("one\rtwo\rthree");
    store.attributes(1).marks = 4;
    store.attributes(2).lineData = 7;
    store.insert(0, "new\r"); // a line break above moves the records down
    EXPECT_EQ(store.attributes(2).marks, 4);
    EXPECT_EQ(store.attributes(3).lineData, 7);
    EXPECT_EQ(store.attributes(1).lineData, -1);
    store.erase(store.lineStart(2) - 1, 1); // join "one" and "two": "two"'s record goes
    EXPECT_EQ(store.lineText(1), "onetwo");
    EXPECT_EQ(store.attributes(1).marks, 0);
    EXPECT_EQ(store.attributes(2).lineData, 7);

    // A soft break adds a display line without a character.
    store.splitLineAt(store.lineStart(1) + 3, LineAttributes{.flags = kWrapContinuation});
    EXPECT_EQ(store.lineText(1), "one");
    EXPECT_EQ(store.lineText(2), "two");
    EXPECT_FALSE(store.endsWithLineEnd(1));
    store.joinWithNext(1);
    EXPECT_EQ(store.lineText(1), "onetwo");
    EXPECT_EQ(store.lineCount(), 3);
}
