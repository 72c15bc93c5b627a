// Field positions of a long listing line: permissions, four blank-separated fields, the
// size, twelve characters of date, then the name, which may hold blanks.
#include "ftp/listparser.h"

#include <algorithm>

namespace velloran {

namespace {

constexpr std::size_t kAttributeLength = 10;
constexpr std::size_t kDateLength = 12;

// Where the fifth field starts: counting from the first character after the permissions
// as inside field one; the end of the line when there are fewer fields.
std::size_t FifthFieldStart(std::string_view line) {
    int field = 1;
    bool inside = false;
    for (std::size_t i = kAttributeLength; i < line.size(); ++i) {
        if (line[i] != ' ' && !inside) {
            inside = true;
            if (++field == 5)
                return i;
        } else if (line[i] == ' ' && inside) {
            inside = false;
        }
    }
    return line.size();
}

std::string_view Part(std::string_view text, std::size_t from, std::size_t count) {
    return from < text.size() ? text.substr(from, count) : std::string_view();
}

char UpperAscii(char c) noexcept {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

ParsedListLine ParseListLine(std::string_view line, bool showHidden) {
    ParsedListLine parsed;
    if (line.starts_with("total"))
        return parsed;
    parsed.logged = true;
    RemoteListItem item;
    item.attributes = std::string(Part(line, 0, kAttributeLength));
    const std::size_t sizeStart = FifthFieldStart(line);
    const std::size_t sizeEnd = line.find(' ', sizeStart);
    if (sizeEnd != std::string_view::npos)
        item.size = std::string(line.substr(sizeStart, sizeEnd - sizeStart));
    const std::size_t dateStart = sizeStart + item.size.size() + 1;
    item.date = std::string(Part(line, dateStart, kDateLength));
    item.caption = std::string(Part(line, dateStart + kDateLength + 1, std::string_view::npos));
    if (item.caption.starts_with('.') && !showHidden)
        return parsed;
    const char kind = item.attributes.empty() ? '-' : item.attributes.front();
    item.imageIndex = kind == 'd' || kind == 'l' ? 0 : 1;
    if (kind == 'l')
        item.caption = item.caption.substr(0, item.caption.find(" ->")); // the target goes
    parsed.item = std::move(item);
    return parsed;
}

bool RemoteListLess(const RemoteListItem& a, const RemoteListItem& b) noexcept {
    if (a.imageIndex != b.imageIndex)
        return a.imageIndex < b.imageIndex;
    return std::lexicographical_compare(a.caption.begin(), a.caption.end(), b.caption.begin(),
                                        b.caption.end(), [](char x, char y) {
                                            return static_cast<unsigned char>(UpperAscii(x)) <
                                                   static_cast<unsigned char>(UpperAscii(y));
                                        });
}

} // namespace velloran
