// libFuzzer target: tag text operations on any document text and names must stay in
// bounds, and a written attribute must read back.
#include "tags/ghtmlfun.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Splits the input at '|' into the text, a tag start and an attribute value.
std::string_view field(std::string_view& rest) {
    const std::size_t bar = rest.find('|');
    const std::string_view part = rest.substr(0, bar);
    rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
    return part;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view text = field(rest);
    const std::string_view tagStart = field(rest);
    const std::string_view value = field(rest);
    using namespace velloran;
    (void)ExtractTag(text, tagStart, ">");
    (void)TextBetween(text, ">", rest);
    (void)ReplaceBetween(text, ">", rest, value);
    (void)RemoveFirst(text, tagStart);
    (void)CollapseBlanks(text);
    (void)GetAttributeText(text, tagStart, ">", "SRC=");
    (void)HexToColor(value);
    (void)ReplaceAll(text, tagStart, value);
    (void)RelativeUrl(text, value);
    // A plain value written into a tag must be what the tag then holds.
    const bool plain = !value.empty() && value.find_first_of("\" >") == std::string_view::npos &&
                       value != kBareValue;
    const std::string written = SetAttribute(text, tagStart, ">", "ALT=", value, "\"");
    if (plain && !written.empty() && tagStart.size() > 1 &&
        tagStart.find_first_of("\"> ") == std::string_view::npos &&
        GetAttribute(written, tagStart, ">", "ALT=") != value)
        std::abort();
    return 0;
}
