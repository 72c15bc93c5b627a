// libFuzzer target: random edits must keep the line table consistent and undo exactly.
#include "editor/codememoerror.h"
#include "editor/editmodel.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using velloran::EditModel;
using velloran::Position;

namespace {

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Hands out the input bytes; once they run out every read gives zeros.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    [[nodiscard]] bool empty() const noexcept { return m_pos >= m_size; }
    std::uint8_t byte() { return empty() ? 0 : m_data[m_pos++]; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
    std::string_view bytes(std::size_t count) {
        count = std::min(count, m_size - std::min(m_pos, m_size));
        const std::string_view out(reinterpret_cast<const char*>(m_data) + m_pos, count);
        m_pos += count;
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// The line table must cover the text exactly, split it only after CRs or at soft-wrap
// points, and map every line start back to its own line.
void checkLines(const EditModel& model) {
    const velloran::TextStore& store = model.store();
    const std::int64_t lines = store.lineCount();
    check(lines >= 1 && store.lineStart(0) == 0);
    check(!(store.attributes(0).flags & velloran::kWrapContinuation));
    Position total = 0;
    for (std::int64_t i = 0; i < lines; ++i) {
        const Position start = store.lineStart(i);
        const Position length = store.lineLength(i);
        check(length >= 0 && (i + 1 == lines || length > 0));
        check(store.lineOf(start) == i);
        const std::string text = store.text(start, length);
        // A CR only ever ends a line.
        const std::size_t cr = text.find(velloran::kLineEnd);
        check(cr == std::string::npos || cr + 1 == text.size());
        if (i + 1 < lines) {
            const bool continued = store.attributes(i + 1).flags & velloran::kWrapContinuation;
            check(store.endsWithLineEnd(i) != continued);
            check(model.wordWrap() || !continued);
        }
        total += length;
    }
    check(total == model.length());
    check(store.lineStart(lines) == model.length());
}

void checkSelection(const EditModel& model) {
    check(model.anchor() >= 0 && model.anchor() <= model.length());
    check(model.caret() >= 0 && model.caret() <= model.length());
}

// Short texts drawn from the input, biased towards line breaks, tabs and bytes that are
// not ASCII, since those are what the line table and the encodings care about.
std::string shortText(Reader& in) {
    static constexpr char kSpecial[] = {'\r', '\n', '\t', ' ', '\xC3', '\xA9', '\xE2', '\x80'};
    const std::size_t count = in.byte() % 12;
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = in.byte();
        text += b >= 0xF0 ? kSpecial[b & 7] : static_cast<char>(b);
    }
    return text;
}

char32_t character(Reader& in) {
    const std::uint8_t b = in.byte();
    if (b < 0xE0)
        return b;
    // Code points beyond Latin-1, up to the last plane and a little past it.
    return static_cast<char32_t>(((b & 0x1F) << 16) | in.u16());
}

bool isClipboardCommand(int command) {
    return command == velloran::caCUT || command == velloran::caCOPY ||
           command == velloran::caPASTE;
}

// Searches may throw for a regular expression that does not compile or runs too long;
// that is a reported error, not a fault.
void search(EditModel& model, Reader& in) {
    const std::uint8_t flags = in.byte();
    const std::string find = shortText(in);
    const unsigned options = velloran::kSearchNow | ((flags & 7u) << 4);
    try {
        // Replacing all on a grown, wrapped document rewraps its line per match, which
        // is slow enough to stall the fuzzer; small documents still cover that path.
        if ((flags & 0x80) && model.length() <= 512) {
            const std::string replacement = shortText(in);
            model.replaceAll(find, replacement, options, nullptr);
        } else {
            Position found = -1;
            model.findText(find, found, options);
        }
    } catch (const velloran::TCodeMemoException&) {
    }
}

// Operations 0-7: edits, undo and redo, and the wrap they are made under.
void runEdit(EditModel& model, Reader& in, int operation) {
    switch (operation) {
    case 0: {
        const auto anchor = static_cast<std::int16_t>(in.u16());
        model.setSel(anchor, static_cast<std::int16_t>(in.u16()));
        break;
    }
    case 1:
        model.replaceSel(shortText(in));
        break;
    case 2:
        model.typeCharacter(character(in));
        break;
    case 3: {
        const std::uint8_t b = in.byte();
        const int command = (b & 0x7F) % velloran::kCommandCount;
        if (!isClipboardCommand(command) || (b & 0x80))
            model.executeCommand(command, (b & 0x80) != 0);
        break;
    }
    case 4:
        model.undo();
        break;
    case 5:
        model.redo();
        break;
    case 6:
        model.setWrapAtColumn(20 + in.byte() % 21);
        model.setWordWrap(!model.wordWrap());
        break;
    default:
        model.blockIndent();
        break;
    }
}

// Operations 8-15: more edits, settings, bookmarks, keys and searches.
void runOther(EditModel& model, Reader& in, int operation) {
    switch (operation) {
    case 8:
        model.blockUnindent();
        break;
    case 9: {
        const int index = in.byte() % 10;
        const std::int64_t line = static_cast<std::int16_t>(in.u16());
        model.setBookmark(index, line < 0 ? -1 : line, in.byte());
        break;
    }
    case 10:
        model.insertStream(shortText(in));
        break;
    case 11:
        model.setOverwrite(!model.overwrite());
        model.setIndentStep(in.byte() % 5);
        break;
    case 12: {
        const std::uint8_t keys = in.byte();
        model.keyDown(in.byte(), keys & 1, keys & 2, keys & 4);
        break;
    }
    case 13: {
        // Option bits decide wrapping, indenting and tabs; toggle one of them.
        const std::uint8_t bit = in.byte();
        model.setWrapOverride(shortText(in));
        model.setOptions(model.options() ^ (1u << (4 + bit % 17)));
        break;
    }
    case 14:
        model.selectWordAt(static_cast<std::int16_t>(in.u16()));
        break;
    default:
        search(model, in);
        break;
    }
}

void runOperation(EditModel& model, Reader& in) {
    const int operation = in.byte() % 16;
    if (operation < 8)
        runEdit(model, in, operation);
    else
        runOther(model, in, operation);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    const std::size_t documentSize = in.u16();
    EditModel model;
    std::string clipboard;
    model.copyToClipboard = [&clipboard](std::string_view text, std::string_view) {
        clipboard = text;
    };
    // Copy and paste again would double the text each round; past a few pages that only
    // slows the checks down.
    model.pasteFromClipboard = [&clipboard, &model]() -> std::optional<std::string> {
        if (model.length() + static_cast<Position>(clipboard.size()) > 16384)
            return std::nullopt;
        return clipboard;
    };
    model.loadFromBytes(std::string(in.bytes(documentSize)));
    const std::string loaded = model.store().text(0, model.length());
    checkLines(model);
    checkSelection(model);

    for (int step = 0; step < 2000 && !in.empty(); ++step) {
        runOperation(model, in);
        checkLines(model);
        checkSelection(model);
    }

    // Bookmarks and wrap are not logged; the text itself must come back exactly, and
    // redoing as many steps as were undone must reach the edited text again (steps
    // undone earlier may still wait above them).
    const std::string edited = model.store().text(0, model.length());
    int undone = 0;
    for (; model.canUndo(); ++undone)
        model.undo();
    checkLines(model);
    check(model.store().text(0, model.length()) == loaded);
    for (int i = 0; i < undone; ++i)
        model.redo();
    checkLines(model);
    check(model.store().text(0, model.length()) == edited);
    return 0;
}
