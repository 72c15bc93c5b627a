// libFuzzer target: every built-in language highlights any text without fault, and an
// edit highlighted again from where it was made gives the tokens of a run from scratch.
#include "editor/codememoparser.h"
#include "editor/editmodel.h"
#include "editor/languages/languages.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

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

EditModel highlighted(const TCodeMemoParser& parser, std::string bytes) {
    EditModel model;
    model.setParser(&parser);
    model.loadFromBytes(std::move(bytes));
    model.highlightAll();
    return model;
}

} // namespace

// The first byte picks the language, the next two where the edit goes; the rest, up to
// a 0xFF byte, is the text, and what follows it is typed over the edit's place.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const TCodeMemoParser& parser = languages()[data[0] % languages().size()];
    const std::size_t where = data[1] | (data[2] << 8);
    const std::string input(reinterpret_cast<const char*>(data + 3), size - 3);
    const std::size_t split = std::min(input.find('\xFF'), input.size());
    const std::string typed = split < input.size() ? input.substr(split + 1) : std::string();

    EditModel model = highlighted(parser, input.substr(0, split));
    const Position at = static_cast<Position>(where % static_cast<std::size_t>(model.length() + 1));
    const Position cut = std::min<Position>(model.length() - at, data[0] >> 4);
    model.setSel(at, at + cut);
    model.replaceSel(typed);
    model.highlightAll();

    const EditModel fresh = highlighted(parser, model.getText());
    check(fresh.length() == model.length());
    for (Position p = 0; p < model.length(); ++p)
        check(fresh.store().tokenAt(p) == model.store().tokenAt(p));
    return 0;
}
