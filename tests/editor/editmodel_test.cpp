// Tests of the editing model: loading and saving byte for byte, the transaction log,
// selection rules, keys and typing, word wrap, bookmarks, search and replace.
#include "editor/codememoerror.h"
#include "editor/codememostrings.h"
#include "editor/editmodel.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace velloran;
using namespace std::literals;

namespace {

EditModel withText(std::string_view bytes) {
    EditModel model;
    model.loadFromBytes(std::string(bytes));
    return model;
}

std::string storeText(const EditModel& model) {
    return model.store().text(0, model.length());
}

void press(EditModel& model, std::uint16_t vk, bool shift = false, bool ctrl = false) {
    model.keyDown(vk, shift, ctrl, false);
}

void type(EditModel& model, std::string_view text) {
    for (const char c : text)
        model.typeCharacter(static_cast<unsigned char>(c));
}

} // namespace

TEST(EditModelFiles, FilesRoundTripByteForByteInTheirOwnLineEndsAndEncoding) {
    TempDir dir;
    for (const std::string& bytes :
         {"a\r\nb\tc\r\n\x07z\r\n"s, "a\nb\n"s, "a\rb\r"s, "caf\xE9 \x80\n"s,
          "\xC3\xA9t\xC3\xA9\n"s, "no line end"s, ""s}) {
        WriteFileAtomically(dir.file("f"), bytes);
        EditModel model;
        model.loadFromFile(dir.file("f"));
        EXPECT_FALSE(model.modified());
        model.saveToFile(dir.file("g"));
        EXPECT_EQ(ReadWholeFile(dir.file("g")), bytes);
    }
    EXPECT_EQ(withText("caf\xE9").encoding(), Encoding::Windows1252);
    EXPECT_EQ(withText("a\xC3\xA9").encoding(), Encoding::Utf8);

    EditModel model;
    try {
        model.loadFromFile(dir.file("missing"));
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(e.what(), "File '" + dir.file("missing") + "' cannot be opened for reading");
    }
    // A save that fails keeps the document modified.
    model.replaceSel("x");
    EXPECT_THROW(model.saveToFile(dir.file("no/such/folder/f")), FileError);
    EXPECT_TRUE(model.modified());
}

// A file in lines, each with its line end as the store reads it, so that two versions
// can be compared line by line as a diff would.
std::vector<std::string> fileLines(std::string_view bytes) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        lines.back() += bytes[i];
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        const char other = bytes[i] == '\r' ? '\n' : '\r';
        if (i + 1 < bytes.size() && bytes[i + 1] == other)
            lines.back() += bytes[++i];
        lines.emplace_back();
    }
    return lines;
}

std::size_t linesDiffering(std::string_view a, std::string_view b) {
    const std::vector<std::string> x = fileLines(a), y = fileLines(b);
    std::size_t differing = x.size() > y.size() ? x.size() - y.size() : y.size() - x.size();
    for (std::size_t i = 0; i < std::min(x.size(), y.size()); ++i)
        differing += x[i] != y[i] ? 1 : 0;
    return differing;
}

// CR LF three times, LF twice, one lone CR, one LF CR and no end on the last line.
constexpr std::string_view kMixedPage = "<html>\r\n<head>\n<title>t</title>\r<body>\n\r"
                                        "<p>one</p>\r\n<p>two</p>\n</body>\r\n</html>";

// The file the model would write, without the save that ends the undo history.
std::string fileText(EditModel& model) {
    const Position anchor = model.anchor(), caret = model.caret();
    model.selectAll();
    std::string text = model.exportSelection(SaveFormat::Text);
    model.setSel(anchor, caret);
    return text;
}

void placeCaret(EditModel& model, std::int64_t line, Position column) {
    model.setSel(model.lineIndex(line) + column, model.lineIndex(line) + column);
}

TEST(EditModelLineEnds, MixedLineEndsSurviveASaveAndEditsTouchOnlyTheirLines) {
    TempDir dir;
    WriteFileAtomically(dir.file("page.htm"), std::string(kMixedPage));
    EditModel model;
    model.loadFromFile(dir.file("page.htm"));
    const auto saved = [&] {
        model.saveToFile(dir.file("saved as.htm"));
        return ReadWholeFile(dir.file("saved as.htm"));
    };
    EXPECT_EQ(saved(), kMixedPage);
    // The style used most is the document's: the one new lines get.
    EXPECT_EQ(model.lineEndStyle(), "\r\n");

    // One character typed on the lone-CR line changes that line alone.
    placeCaret(model, 2, 7);
    model.typeCharacter('X');
    const std::string typed = saved();
    EXPECT_EQ(linesDiffering(typed, kMixedPage), 1u);
    EXPECT_NE(typed.find("<title>Xt</title>\r<body>"), std::string::npos);
    // Typing at the end of the LF CR line leaves its end alone too.
    placeCaret(model, 3, 6);
    model.typeCharacter('!');
    EXPECT_EQ(linesDiffering(saved(), typed), 1u);

    model.loadFromFile(dir.file("page.htm"));
    // A line break typed into the LF line: the head ends in the document's style, the
    // tail keeps the line's own end.
    placeCaret(model, 1, 3);
    model.typeCharacter('\r');
    const std::string split = fileText(model);
    EXPECT_EQ(split.substr(0, 24), "<html>\r\n<he\r\nad>\n<title>");
    // Deleting a line end joins two lines; the joined line ends as the second did.
    placeCaret(model, 3, model.lineLengthAt(model.lineIndex(3)));
    model.executeCommand(caDELETE, false);
    const std::string joined = fileText(model);
    EXPECT_NE(joined.find("ad>\n<title>t</title><body>\n\r<p>one"), std::string::npos);
    // Deleting a whole line keeps the ends of the lines around it.
    model.setSel(model.lineIndex(4), model.lineIndex(5));
    model.executeCommand(caDELETE, false);
    const std::string deleted = fileText(model);
    EXPECT_NE(deleted.find("<body>\n\r<p>two</p>\n</body>"), std::string::npos);

    // Undo brings back every original line end, redo every edited one.
    model.undo();
    EXPECT_EQ(fileText(model), joined);
    model.undo();
    EXPECT_EQ(fileText(model), split);
    model.undo();
    EXPECT_EQ(fileText(model), kMixedPage);
    for (int i = 0; i < 3; ++i)
        model.redo();
    EXPECT_EQ(saved(), deleted);
}

TEST(EditModelLineEnds, TextHandedOutHasCrLfAndTextTakenInGetsTheDocumentsStyle) {
    EditModel model = withText(kMixedPage);
    std::string copied;
    model.copyToClipboard = [&](std::string_view text, std::string_view) { copied = text; };
    model.pasteFromClipboard = [&] { return std::optional<std::string>(copied); };
    model.setSel(0, model.lineIndex(4));
    model.copy();
    EXPECT_EQ(copied, "<html>\r\n<head>\r\n<title>t</title>\r\n<body>\r\n");
    EXPECT_EQ(model.selText(), copied);
    EXPECT_EQ(model.getText().substr(0, copied.size()), copied);

    // Pasted lines end in the document's style; the line pasted into keeps its end.
    placeCaret(model, 5, 3);
    model.paste();
    const std::string pasted = fileText(model);
    EXPECT_EQ(pasted.substr(pasted.find("<p>one")),
              "<p>one</p>\r\n<p><html>\r\n<head>\r\n<title>t</title>\r\n<body>\r\ntwo</p>\n"
              "</body>\r\n</html>");
    model.undo();
    EXPECT_EQ(fileText(model), kMixedPage);

    // A document mostly in LF adds LF lines, whatever the text brings.
    EditModel unix = withText("a\nb\r\nc\n");
    EXPECT_EQ(unix.lineEndStyle(), "\n");
    unix.setSel(unix.length(), unix.length());
    unix.replaceSel("d\r\ne\r");
    EXPECT_EQ(fileText(unix), "a\nb\r\nc\nd\ne\n");
}

TEST(EditModelLineEnds, BlockIndentReplaceAndWordWrapKeepEachLinesEnd) {
    EditModel model = withText(kMixedPage);
    model.selectAll();
    model.blockIndent();
    model.undo();
    EXPECT_EQ(fileText(model), kMixedPage);
    model.redo();
    EXPECT_EQ(linesDiffering(fileText(model), kMixedPage), fileLines(kMixedPage).size());
    model.undo();

    // Replacing across line ends takes the replaced line ends away and puts back the
    // document's style for the ones the replacement brings.
    model.setSel(0, 0);
    EXPECT_EQ(model.replaceAll("</p>\r<p>", "</p>\n\n<p>", kSearchNow | kMatchCase,
                               [](const std::string&) { return ReplaceAnswer::All; }),
              1);
    EXPECT_NE(fileText(model).find("one</p>\r\n\r\n<p>two</p>\n"), std::string::npos);
    while (model.canUndo())
        model.undo();
    EXPECT_EQ(fileText(model), kMixedPage);

    // Soft breaks are no line ends: a wrapped page saves as it was read, and a line
    // typed into a wrapped line splits it the same way as an unwrapped one.
    const std::string wide = "alpha beta gamma delta epsilon\rzeta eta theta iota kappa\r\n"
                             "lambda mu nu xi omicron pi rho\nsigma\r\n";
    EditModel wrapped = withText(wide);
    wrapped.setWrapAtColumn(20);
    wrapped.setWordWrap(true);
    EXPECT_EQ(wrapped.lineCount(), 8);
    EXPECT_EQ(fileText(wrapped), wide);
    const auto kappa = static_cast<Position>(wide.find("kappa"));
    wrapped.setSel(kappa, kappa);
    wrapped.typeCharacter('\r');
    EXPECT_EQ(fileText(wrapped), "alpha beta gamma delta epsilon\rzeta eta theta iota \r\n"
                                 "kappa\r\nlambda mu nu xi omicron pi rho\nsigma\r\n");
    wrapped.setWordWrap(false);
    wrapped.undo();
    EXPECT_EQ(fileText(wrapped), wide);
}

TEST(EditModelUndo, ModifiedFollowsTheLogAndNewEditsDropTheRedoList) {
    EditModel model = withText("abc\n");
    EXPECT_FALSE(model.modified());
    model.setSel(3, 3);
    model.typeCharacter('d');
    EXPECT_TRUE(model.modified());
    model.undo();
    EXPECT_FALSE(model.modified());
    EXPECT_TRUE(model.canRedo());
    model.redo();
    EXPECT_EQ(storeText(model), "abcd\r");
    model.undo();
    model.typeCharacter('e');
    EXPECT_FALSE(model.canRedo());
    EXPECT_EQ(storeText(model), "abce\r");

    // Replacing a selection restores both text and selection on undo.
    model.setSel(4, 1);
    model.replaceSel("X\r\nY");
    EXPECT_EQ(storeText(model), "aX\rY\r");
    model.undo();
    EXPECT_EQ(storeText(model), "abce\r");
    EXPECT_EQ(model.anchor(), 4);
    EXPECT_EQ(model.caret(), 1);
    model.redo();
    EXPECT_EQ(storeText(model), "aX\rY\r");
    EXPECT_EQ(model.caret(), 4);

    model.setModified(false);
    EXPECT_FALSE(model.canUndo());
    EXPECT_EQ(model.saveToString(), "aX\nY\n");
}

TEST(EditModelUndo, MismatchedTransactionsClearTheLogAndSuspendedLoggingRecordsNothing) {
    EditModel model = withText("text");
    model.replaceSel("more ");
    model.logOperation(kLogReplace, kLogBegin);
    try {
        model.logOperation(kLogIndent, kLogEnd);
        FAIL();
    } catch (const TCodeMemoException& e) {
        EXPECT_STREQ(e.what(), "Bad transaction log entry");
    }
    EXPECT_FALSE(model.canUndo());
    EXPECT_EQ(storeText(model), "more text");
    EXPECT_THROW(model.logOperation(kLogStream, kLogEnd), TCodeMemoException);

    model.logOperation(kLogSuspend, 0);
    model.replaceSel("x");
    EXPECT_FALSE(model.modified());
    model.logOperation(kLogResume, 0);
    model.replaceSel("y");
    EXPECT_TRUE(model.modified());
}

TEST(EditModelSelection, LineEndsCountTwiceInSelLengthAndSelText) {
    EditModel model = withText("ab\ncd\n");
    model.setSel(1, 4);
    EXPECT_EQ(model.selLength(), 4);
    EXPECT_EQ(model.selText(), "b\r\nc");
    EXPECT_EQ(model.getTextLen(), 8);
    EXPECT_EQ(model.getText(), "ab\r\ncd\r\n");
    model.setSelLength(4); // buffer positions: the line end counts once
    EXPECT_EQ(model.caret(), 5);
    model.setSel(-5, 99);
    EXPECT_EQ(model.anchor(), 0);
    EXPECT_EQ(model.caret(), 6);

    // Positions never fall inside a UTF-8 character.
    EditModel utf = withText("a\xE2\x82\xAC"
                             "b");
    utf.setSel(2, 3);
    EXPECT_EQ(utf.anchor(), 1);
    EXPECT_EQ(utf.caret(), 1);
}

TEST(EditModelLines, TheLineListCountsAnEmptyControlAsNoLines) {
    EditModel model;
    TCodeMemoStrings lines(model);
    EXPECT_EQ(model.lineCount(), 1);
    EXPECT_EQ(lines.count(), 0);
    lines.append("x");
    EXPECT_EQ(lines.count(), 1);
    lines.append("z");
    lines.insert(1, "y");
    lines.put(0, "w");
    EXPECT_EQ(lines.text(), "w\r\ny\r\nz");
    lines.remove(1);
    EXPECT_EQ(lines.get(1), "z");
    lines.setText("w\nz");
    EXPECT_EQ(lines.text(), "w\r\nz");
    lines.clear();
    EXPECT_EQ(lines.count(), 0);
}

TEST(EditModelKeys, MovesSelectAndTwoStrokeKeysSetAndFindBookmarks) {
    EditModel model = withText("one\ntwo\nthree\n");
    model.setSel(4, 4);
    press(model, kVkRight, true);
    EXPECT_EQ(model.anchor(), 4);
    EXPECT_EQ(model.caret(), 5);
    press(model, kVkRight);
    EXPECT_FALSE(model.hasSelection());
    EXPECT_EQ(model.caret(), 5);

    press(model, 'K', false, true);
    press(model, kVk0 + 3);
    std::int64_t line = 0, column = 0;
    ASSERT_TRUE(model.getBookmark(3, line, column));
    EXPECT_EQ(line, 2);
    EXPECT_EQ(column, 2);
    press(model, kVkEnd, false, true);
    press(model, 'Q', false, true);
    press(model, kVk0 + 3);
    EXPECT_EQ(model.caret(), 5);
    press(model, 'K', false, true);
    press(model, kVk0 + 3);
    EXPECT_FALSE(model.getBookmark(3, line, column));
    EXPECT_THROW(model.setBookmark(10, 1, 1), TCodeMemoException);

    // One bookmark per line: a second one on the line removes the first.
    model.setBookmark(1, 1, 1);
    model.setBookmark(2, 1, 3);
    EXPECT_FALSE(model.getBookmark(1, line, column));
    EXPECT_TRUE(model.getBookmark(2, line, column));
}

TEST(EditModelTyping, TabGoesToTheNextWordStartAboveAndReturnKeepsTheIndent) {
    EditModel model = withText("    if (x)    then\n");
    model.setSel(model.length(), model.length());
    model.typeCharacter('\t'); // column 0 -> the word start at column 4
    EXPECT_EQ(model.getCaretPos().column, 5);
    model.typeCharacter('\t'); // skips "if" and the blank after it
    EXPECT_EQ(model.getCaretPos().column, 8);
    model.typeCharacter('\t'); // "(x)" then the blanks: "then"
    EXPECT_EQ(model.getCaretPos().column, 15);
    model.typeCharacter('\t'); // nothing starts further right
    EXPECT_EQ(model.getCaretPos().column, 15);

    EditModel indent = withText("    begin\n\n");
    indent.setSel(9, 9);
    indent.typeCharacter('\r'); // after text: the indent of the line
    EXPECT_EQ(storeText(indent), "    begin\r    \r\r");
    indent.setSel(12, 12); // inside the new line's blanks: follow the line above
    indent.typeCharacter('\r');
    EXPECT_EQ(indent.store().lineText(2), "      ");
    indent.setSel(4, 4); // at the end of the leading blanks: keep them
    indent.typeCharacter('\r');
    EXPECT_EQ(indent.store().lineText(1), "    begin");

    // Overwrite replaces the next character but never a line end.
    EditModel over = withText("ab\ncd");
    over.setOverwrite(true);
    over.setSel(1, 1);
    type(over, "XYZ");
    EXPECT_EQ(storeText(over), "aXYZ\rcd");
    // Other control characters are not typed.
    EXPECT_FALSE(over.typeCharacter(0x07));
}

TEST(EditModelTyping, ReadOnlyBlocksEditingButNotCopyingOrProgrammaticChanges) {
    EditModel model = withText("keep\n");
    std::string copied;
    model.copyToClipboard = [&](std::string_view text, std::string_view) { copied = text; };
    model.pasteFromClipboard = [] { return std::optional<std::string>("pasted"); };
    model.setReadOnly(true);
    model.setSel(0, 2);
    press(model, 'V', false, true);
    press(model, kVkDelete);
    press(model, 'Z', false, true);
    EXPECT_FALSE(model.typeCharacter('x'));
    EXPECT_EQ(storeText(model), "keep\r");
    press(model, 'C', false, true);
    EXPECT_EQ(copied, "ke");
    model.replaceSel("KE");
    EXPECT_EQ(storeText(model), "KEep\r");

    model.setReadOnly(false);
    model.setSel(model.length(), model.length());
    press(model, 'V', false, true);
    EXPECT_EQ(storeText(model), "KEep\rpasted");
    model.setSel(model.length(), model.length());
    press(model, kVkDelete); // at the very end: nothing
    model.setSel(0, 0);
    press(model, kVkBack); // at position 0: nothing
    EXPECT_EQ(storeText(model), "KEep\rpasted");
    press(model, 'Y', false, true); // delete line
    EXPECT_EQ(storeText(model), "pasted");
}

TEST(EditModelTyping, CharactersAreWholeInTheDocumentsEncoding) {
    EditModel utf = withText("\xC3\xA9t\xE2\x82\xAC\n");
    utf.setSel(0, 0);
    press(utf, kVkRight);
    EXPECT_EQ(utf.caret(), 2);
    press(utf, kVkEnd);
    EXPECT_EQ(utf.getCaretPos().column, 4);
    press(utf, kVkBack);
    EXPECT_EQ(storeText(utf), "\xC3\xA9t\r");
    utf.typeCharacter(U'\u20AC');
    EXPECT_EQ(storeText(utf), "\xC3\xA9t\xE2\x82\xAC\r");

    EditModel latin = withText("caf\xE9\n");
    latin.setSel(4, 4);
    latin.typeCharacter(U'\u20AC');
    latin.typeCharacter(U'\u00E8');
    EXPECT_FALSE(latin.typeCharacter(U'\u4E2D')); // not in Windows-1252
    EXPECT_EQ(storeText(latin), "caf\xE9\x80\xE8\r");
    EXPECT_EQ(latin.saveToString(), "caf\xE9\x80\xE8\n");

    // Up and Down keep the screen column: wide characters take two cells, and a
    // column inside one stops before it.
    EditModel wide = withText("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9Ex\nabcdefgh\n");
    wide.setSel(6, 6); // after two wide characters: column 4
    press(wide, kVkDown);
    EXPECT_EQ(wide.caret(), 11 + 4);
    press(wide, kVkUp);
    EXPECT_EQ(wide.caret(), 6);
    wide.setSel(11 + 3, 11 + 3);
    press(wide, kVkUp);
    EXPECT_EQ(wide.caret(), 3);
}

TEST(EditModelBlocks, IndentAndUnindentTouchedLinesAsOneUndoableStep) {
    EditModel model = withText("a\n b\n  c\nd\n");
    model.setIndentStep(2);
    model.setSel(0, model.store().lineStart(3)); // ends at the start of "d": not touched
    model.setMark(5, 2);
    model.blockIndent();
    EXPECT_EQ(storeText(model), "  a\r   b\r    c\rd\r");
    EXPECT_TRUE(model.hasMark(5, 2));
    EXPECT_EQ(model.anchor(), 0);
    model.blockUnindent();
    model.blockUnindent();
    EXPECT_EQ(storeText(model), "a\rb\rc\rd\r");
    model.undo();
    model.undo();
    EXPECT_EQ(storeText(model), "  a\r   b\r    c\rd\r");
    model.undo();
    EXPECT_EQ(storeText(model), "a\r b\r  c\rd\r");
    EXPECT_FALSE(model.modified());
}

TEST(EditModelWrap, LinesWrapAfterSpacesAndJoinAgainKeepingTheirRecords) {
    EditModel model = withText("alpha beta gamma delta epsilon zeta eta theta\nsecond\n");
    model.setMark(2, 1);
    model.setBookmark(4, 1, 3);
    model.setWrapAtColumn(20);
    model.setWordWrap(true);
    const TextStore& store = model.store();
    ASSERT_EQ(store.lineCount(), 5);
    EXPECT_EQ(store.lineText(0), "alpha beta gamma ");
    EXPECT_EQ(store.lineText(1), "delta epsilon zeta ");
    EXPECT_EQ(store.lineText(2), "eta theta");
    EXPECT_EQ(store.attributes(1).flags, kWrapContinuation);
    EXPECT_EQ(store.attributes(1).lineData, -1);
    EXPECT_TRUE(model.hasMark(2, 1));

    // Typing re-wraps the line; a bookmark set on a piece goes to its first line.
    model.setSel(0, 0);
    type(model, "pre ");
    EXPECT_EQ(store.lineText(0), "pre alpha beta gamma "); // the blank after a full piece stays
    model.setBookmark(6, 2, 1);
    std::int64_t line = 0, column = 0;
    ASSERT_TRUE(model.getBookmark(6, line, column));
    EXPECT_EQ(line, 1);

    model.setWordWrap(false);
    EXPECT_EQ(store.lineCount(), 3);
    EXPECT_EQ(store.lineText(0), "pre alpha beta gamma delta epsilon zeta eta theta");
    EXPECT_TRUE(model.hasMark(2, 1));
    EXPECT_EQ(store.attributes(0).flags & kWrapContinuation, 0);

    // A piece without any blank is cut hard; override characters keep a line whole.
    EditModel hard = withText(std::string(50, 'x') + "\n#" + std::string(50, 'y'));
    hard.setWrapAtColumn(20);
    hard.setWrapOverride("#");
    hard.setOptions(hard.options() | cmoWordWrap | cmoWrapOverride);
    EXPECT_EQ(hard.store().lineTextLength(0), 20);
    EXPECT_EQ(hard.lineCount(), 4);
}

TEST(EditModelSearch, FindSelectsMatchesAndReplaceAllIsUndoableStepByStep) {
    EditModel model = withText("one thing, two things\nThing three\n");
    Position position = 0;
    EXPECT_FALSE(model.findText("thing", position, 0)); // no kSearchNow: the dialog's job
    ASSERT_TRUE(model.findText("thing", position, kSearchNow | kWholeWords));
    EXPECT_EQ(position, 4);
    EXPECT_EQ(model.selText(), "thing");
    ASSERT_TRUE(model.findText("thing", position, kSearchNow | kWholeWords));
    EXPECT_EQ(position, 22);

    model.setSel(0, 0);
    std::vector<std::string> questions;
    const int count = model.replaceAll("thing", "item", kSearchNow, [&](const std::string& q) {
        questions.push_back(q);
        return questions.size() == 1 ? ReplaceAnswer::No : ReplaceAnswer::All;
    });
    EXPECT_EQ(count, 2);
    EXPECT_EQ(questions.front(), "Replace this occurence of 'thing' with 'item' ?");
    EXPECT_EQ(storeText(model), "one thing, two items\ritem three\r");
    model.undo();
    model.undo();
    EXPECT_EQ(storeText(model), "one thing, two things\rThing three\r");

    model.setSel(0, 0);
    EXPECT_EQ(
        model.replaceAll("t[a-z]+", "", kSearchNow | kMatchCase | kRegularExpression, nullptr), 4);
    EXPECT_EQ(storeText(model), "one ,  \rThing \r");
    EXPECT_THROW(model.findText("a(b", position, kSearchNow | kRegularExpression),
                 RegexSyntaxError);
}

// Under `ulimit -f`, as the program runs: the save fails with a message and loses nothing,
// whether it goes through a temporary file or in place (a hard-linked file).
TEST(EditModelFiles, ASaveOverTheFileSizeLimitFailsAndKeepsTheDocumentModified) {
    CatchFileSizeSignal();
    TempDir dir;
    const std::string old = "<p>old</p>\n";
    WriteFileAtomically(dir.file("page.htm"), old);
    WriteFileAtomically(dir.file("linked.htm"), old);
    ASSERT_EQ(::link(dir.file("linked.htm").c_str(), dir.file("second-name.htm").c_str()), 0);
    for (const char* name : {"page.htm", "linked.htm"}) {
        EditModel model;
        model.loadFromFile(dir.file(name));
        model.replaceSel(std::string(64 * 1024, 'x'));
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        std::string error;
        try {
            model.saveToFile(dir.file(name));
        } catch (const FileError& e) {
            error = e.what();
        }
        ::setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(error, "Cannot write \"" + dir.file(name) + "\": File too large");
        EXPECT_TRUE(model.modified());
        EXPECT_EQ(ReadWholeFile(dir.file(name)), old);
    }
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"page.htm", "linked.htm", "second-name.htm"}));
}
