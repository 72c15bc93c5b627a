// libFuzzer target: every built-in language highlights any text, and then an edit, without
// fault; and the export's token stream, read in pieces of any size, gives the editor's
// tokens. (An edit highlighted from where it was made may differ from a run from scratch
// by design: a restart at a line's start cannot see a keyword that begins with the line
// end before it.)
#include "editor/codememoparser.h"
#include "editor/editmodel.h"
#include "editor/highlighter.h"
#include "editor/languages/languages.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace velloran;

namespace {

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

const std::array<TCodeMemoParser, 6>& languages() {
    static const std::array<TCodeMemoParser, 6> parsers = {
        TCodeMemoParser(HtmlLanguage()),       TCodeMemoParser(PascalLanguage()),
        TCodeMemoParser(CLanguage()),          TCodeMemoParser(EmailLanguage()),
        TCodeMemoParser(JavaScriptLanguage()), TCodeMemoParser(CssLanguage())};
    return parsers;
}

} // namespace

// The first byte picks the language and how the stream is read, the next two where the
// edit goes; the rest, up to a 0xFF byte, is the text, and what follows it is typed over
// the edit's place.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const TCodeMemoParser& parser = languages()[data[0] % languages().size()];
    const std::size_t where = data[1] | (data[2] << 8);
    const std::string input(reinterpret_cast<const char*>(data + 3), size - 3);
    const std::size_t split = std::min(input.find('\xFF'), input.size());
    const std::string typed = split < input.size() ? input.substr(split + 1) : std::string();

    EditModel model;
    model.setParser(&parser);
    model.loadFromBytes(input.substr(0, split));
    model.highlightAll();

    const auto text = model.store().segments();
    std::string stored(text.before, text.beforeLength);
    stored.append(text.after + text.beforeLength, text.afterLength);
    check(stored.size() == static_cast<std::size_t>(model.length()));
    TokenStream stream(parser, stored);
    const std::size_t piece = 1 + data[0] / 6 % 7;
    std::vector<std::uint8_t> tokens(piece);
    for (std::size_t pos = 0; pos < stored.size(); pos += piece) {
        const std::size_t count = std::min(piece, stored.size() - pos);
        stream.read(pos, count, tokens.data());
        for (std::size_t i = 0; i < count; ++i)
            check(tokens[i] == model.store().tokenAt(static_cast<Position>(pos + i)));
    }

    const Position at = static_cast<Position>(where % static_cast<std::size_t>(model.length() + 1));
    const Position cut = std::min<Position>(model.length() - at, data[0] >> 4);
    model.setSel(at, at + cut);
    model.replaceSel(typed);
    model.highlightAll();
    return 0;
}
