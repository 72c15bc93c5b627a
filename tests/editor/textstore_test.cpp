// Tests of the text store: line-break normalisation, loading, and line bookkeeping
// under random edits compared with a plain string.
#include "editor/textstore.h"

#include <gtest/gtest.h>

#include <algorithm>
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
}

TEST(TextStoreNormalize, RecordsHowEachBreakWasWrittenAndWhichStylePrevails) {
    using enum LineEnd;
    const auto ends = [](std::string text) {
        std::vector<LineEnd> found;
        NormalizeLineBreaks(text, &found);
        return found;
    };
    EXPECT_EQ(ends("a\r\nb\nc\rd\n\re\r\r\n\n\n"),
              (std::vector{CrLf, Lf, Cr, LfCr, Cr, CrLf, Lf, Lf}));
    EXPECT_EQ(ends("only\rcarriage\rreturns"), (std::vector{Cr, Cr}));
    EXPECT_EQ(ends("none"), std::vector<LineEnd>{});

    EXPECT_EQ(PrevailingLineEnd(std::vector{Lf, CrLf, CrLf, Cr}), CrLf);
    // A tie goes to the style met first.
    EXPECT_EQ(PrevailingLineEnd(std::vector{Cr, CrLf, CrLf, Cr}), Cr);
    EXPECT_EQ(PrevailingLineEnd(std::vector{LfCr}), LfCr);
    EXPECT_EQ(PrevailingLineEnd({}), Lf);
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

// Each CR keeps the end it was given: a split line's end stays on its last piece, and
// a join keeps the end of the last line joined. So the ends always read as one per CR
// in text order, whatever the edits and soft breaks.
TEST(TextStoreLines, LineEndsStayWithTheirCrsThroughRandomEditsAndSoftBreaks) {
    std::mt19937 random(11);
    const std::vector<LineEnd> kinds{LineEnd::CrLf, LineEnd::Lf, LineEnd::Cr, LineEnd::LfCr};
    TextStore store;
    store.setNewLineEnd(LineEnd::Cr);
    std::string reference = "one\rtwo\rthree\r";
    std::vector<LineEnd> ends{LineEnd::CrLf, LineEnd::Lf, LineEnd::LfCr};
    store.load(std::string(reference), ends);
    const auto crsBefore = [&](Position pos) {
        return std::count(reference.begin(), reference.begin() + pos, '\r');
    };
    const std::string pieces[] = {"x", "\r", "ab\rcd", "\r\r", "long piece of text"};
    for (int step = 0; step < 3000; ++step) {
        const auto pos = static_cast<Position>(random() % (reference.size() + 1));
        const int action = static_cast<int>(random() % 5);
        if (action < 2) {
            const std::string& piece = pieces[random() % std::size(pieces)];
            std::vector<LineEnd> given;
            for (const char c : piece)
                if (c == '\r')
                    given.push_back(kinds[random() % kinds.size()]);
            // Without ends of its own, every CR takes the new-line style.
            if (action == 0) {
                store.insert(pos, piece, LineEndList{.each = given});
            } else {
                store.insert(pos, piece);
                given.assign(given.size(), store.newLineEnd());
            }
            ends.insert(ends.begin() + crsBefore(pos), given.begin(), given.end());
            reference.insert(static_cast<std::size_t>(pos), piece);
        } else if (action < 4) {
            const auto count =
                static_cast<Position>(std::min<std::size_t>(random() % 12, reference.size() - pos));
            const auto first = ends.begin() + crsBefore(pos);
            ends.erase(first, first + std::count(reference.begin() + pos,
                                                 reference.begin() + pos + count, '\r'));
            store.erase(pos, count);
            reference.erase(static_cast<std::size_t>(pos), static_cast<std::size_t>(count));
        } else {
            // Soft breaks inside a line, and joins of pieces that have no CR.
            const std::int64_t line = store.lineOf(pos);
            if (pos > store.lineStart(line) &&
                pos < store.lineStart(line) + store.lineTextLength(line))
                store.splitLineAt(pos, LineAttributes{.flags = kWrapContinuation});
            else if (line + 1 < store.lineCount() && !store.endsWithLineEnd(line))
                store.joinWithNext(line);
        }
        std::vector<LineEnd> read;
        store.appendLineEnds(0, store.length(), read);
        ASSERT_EQ(read, ends) << "step " << step;
    }
    ASSERT_EQ(store.text(0, store.length()), reference);
    // A range reports the CRs inside it only.
    const auto middle = static_cast<Position>(reference.size() / 2);
    std::vector<LineEnd> tail;
    store.appendLineEnds(middle, store.length() - middle, tail);
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), ends.begin() + crsBefore(middle), ends.end()));
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
