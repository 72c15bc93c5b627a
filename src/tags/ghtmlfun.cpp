// String surgery on HTML tag text for the tag dialogs: attributes, colours, relative URLs.
#include "tags/ghtmlfun.h"

#include <vector>

namespace velloran {

namespace {

constexpr std::string_view kBlankOrClose = " >";

char foldAscii(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCaseAt(std::string_view text, std::size_t at, std::string_view pattern) noexcept {
    for (std::size_t i = 0; i < pattern.size(); ++i)
        if (foldAscii(text[at + i]) != foldAscii(pattern[i]))
            return false;
    return true;
}

// Where a tag (or a pair of marks) sits in the text: the start mark at `start`, the end
// mark at `end`.
struct Span {
    std::size_t start;
    std::size_t end;
};

std::optional<Span> findSpan(std::string_view text, std::string_view startMark,
                             std::string_view endMark) {
    const auto start = FindNoCase(text, startMark);
    if (!start)
        return std::nullopt;
    const auto end = FindNoCase(text, endMark, *start + startMark.size());
    if (!end)
        return std::nullopt;
    return Span{*start, *end};
}

// The attribute's text inside an already extracted tag; empty when missing or when its
// quoted value is never closed, so that removing it cannot eat the rest of the tag.
std::string_view attributeTextIn(std::string_view tag, std::string_view name) {
    const auto at = FindNoCase(tag, name);
    if (!at)
        return {};
    const std::size_t quote = tag.find('"', *at);
    const std::size_t stop = tag.find_first_of(kBlankOrClose, *at);
    if (quote != std::string_view::npos && quote < stop) {
        const std::size_t close = tag.find('"', quote + 1);
        if (close == std::string_view::npos)
            return {};
        return tag.substr(*at, close + 1 - *at);
    }
    return tag.substr(*at, stop == std::string_view::npos ? std::string_view::npos : stop - *at);
}

// The tag with the existing value of `name` (found at `at`) replaced; the name keeps the
// letter case the author wrote.
std::string replaceValue(std::string_view tag, std::size_t at, std::string_view name,
                         std::string_view value, std::string_view quote) {
    const std::size_t valueStart = at + name.size();
    std::size_t restStart;
    if (valueStart < tag.size() && tag[valueStart] == '"') {
        restStart = tag.find('"', valueStart + 1);
        if (restStart != std::string_view::npos)
            ++restStart;
    } else {
        restStart = tag.find_first_of(kBlankOrClose, valueStart);
    }
    if (restStart == std::string_view::npos)
        return std::string(tag);
    std::string result(tag.substr(0, valueStart));
    result.append(quote).append(value).append(quote).append(tag.substr(restStart));
    return result;
}

std::string appendAttribute(std::string_view tag, std::string_view tagStart,
                            std::string_view tagEnd, std::string_view name, std::string_view value,
                            std::string_view quote) {
    const std::size_t close = FindNoCase(tag, tagEnd, tagStart.size()).value_or(tag.size());
    std::string result(tag.substr(0, close));
    result.append(" ").append(name).append(quote).append(value).append(quote);
    result.append(tag.substr(close));
    return result;
}

std::string slashesForward(std::string_view path) {
    std::string result(path);
    for (char& c : result)
        if (c == '\\')
            c = '/';
    return result;
}

// Folder names of a path; empty and "." parts say nothing about where a file is.
std::vector<std::string_view> folderParts(std::string_view folder) {
    std::vector<std::string_view> parts;
    std::size_t begin = 0;
    while (begin <= folder.size()) {
        std::size_t end = folder.find('/', begin);
        if (end == std::string_view::npos)
            end = folder.size();
        const std::string_view part = folder.substr(begin, end - begin);
        if (!part.empty() && part != ".")
            parts.push_back(part);
        begin = end + 1;
    }
    return parts;
}

int hexDigit(char c) noexcept {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

} // namespace

std::optional<std::size_t> FindNoCase(std::string_view text, std::string_view pattern,
                                      std::size_t from) {
    if (pattern.empty() || from > text.size() || pattern.size() > text.size() - from)
        return std::nullopt;
    for (std::size_t at = from; at + pattern.size() <= text.size(); ++at)
        if (equalsNoCaseAt(text, at, pattern))
            return at;
    return std::nullopt;
}

std::string ExtractTag(std::string_view text, std::string_view tagStart, std::string_view tagEnd) {
    const auto span = findSpan(text, tagStart, tagEnd);
    if (!span)
        return {};
    return std::string(text.substr(span->start, span->end + tagEnd.size() - span->start));
}

std::string TextBetween(std::string_view text, std::string_view startMark,
                        std::string_view endMark) {
    const auto span = findSpan(text, startMark, endMark);
    if (!span)
        return {};
    const std::size_t inside = span->start + startMark.size();
    return std::string(text.substr(inside, span->end - inside));
}

std::string ReplaceBetween(std::string_view text, std::string_view startMark,
                           std::string_view endMark, std::string_view replacement) {
    const auto span = findSpan(text, startMark, endMark);
    if (!span)
        return {};
    std::string result(text.substr(0, span->start + startMark.size()));
    result.append(replacement).append(text.substr(span->end));
    return result;
}

std::string RemoveFirst(std::string_view text, std::string_view part) {
    const auto at = FindNoCase(text, part);
    if (!at)
        return std::string(text);
    std::string result(text.substr(0, *at));
    result.append(text.substr(*at + part.size()));
    return result;
}

std::string CollapseBlanks(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != ' ' || i == 0 || text[i - 1] != ' ')
            result.push_back(text[i]);
    return result;
}

std::string GetAttribute(std::string_view text, std::string_view tagStart, std::string_view tagEnd,
                         std::string_view name) {
    const std::string tag = ExtractTag(text, tagStart, tagEnd);
    const auto at = FindNoCase(tag, name);
    if (!at)
        return {};
    const std::string_view rest = std::string_view(tag).substr(*at + name.size());
    if (!rest.empty() && rest.front() == '"') {
        const std::size_t close = rest.find('"', 1);
        return close == std::string_view::npos ? std::string()
                                               : std::string(rest.substr(1, close - 1));
    }
    return std::string(rest.substr(0, rest.find_first_of(kBlankOrClose)));
}

std::string GetAttributeText(std::string_view text, std::string_view tagStart,
                             std::string_view tagEnd, std::string_view name) {
    return std::string(attributeTextIn(ExtractTag(text, tagStart, tagEnd), name));
}

std::string SetAttribute(std::string_view text, std::string_view tagStart, std::string_view tagEnd,
                         std::string_view name, std::string_view value, std::string_view quote) {
    const auto span = findSpan(text, tagStart, tagEnd);
    if (!span)
        return {};
    const std::size_t after = span->end + tagEnd.size();
    std::string tag(text.substr(span->start, after - span->start));
    if (value.empty()) {
        tag = RemoveFirst(tag, attributeTextIn(tag, name));
    } else {
        if (value == kBareValue)
            value = {};
        const auto at = FindNoCase(tag, name);
        tag = at ? replaceValue(tag, *at, name, value, quote)
                 : appendAttribute(tag, tagStart, tagEnd, name, value, quote);
    }
    std::string result(text.substr(0, span->start));
    result.append(CollapseBlanks(tag)).append(text.substr(after));
    return result;
}

std::string ColorToHex(std::uint32_t color) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string result = "#";
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned byte = (color >> shift) & 0xFFu;
        result.push_back(kDigits[byte >> 4]);
        result.push_back(kDigits[byte & 0xFu]);
    }
    return result;
}

std::uint32_t HexToColor(std::string_view text) {
    if (text.starts_with('#'))
        text.remove_prefix(1);
    if (text.size() != 6)
        return 0;
    std::uint32_t color = 0;
    for (std::size_t i = 0; i < 6; i += 2) {
        const auto byte =
            static_cast<std::uint32_t>(hexDigit(text[i]) * 16 + hexDigit(text[i + 1]));
        color |= byte << (i * 4);
    }
    return color;
}

std::string TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') + 1 - first));
}

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement) {
    const std::string trimmed = TrimBlanks(text);
    if (find.empty())
        return trimmed;
    const std::string_view source = trimmed;
    std::string result;
    std::size_t done = 0;
    for (std::size_t at = source.find(find); at != std::string_view::npos;
         at = source.find(find, done)) {
        result.append(source.substr(done, at - done)).append(replacement);
        done = at + find.size();
    }
    result.append(source.substr(done));
    return result;
}

std::string RelativeUrl(std::string_view documentFileName, std::string_view chosenFile) {
    const std::string document = slashesForward(documentFileName);
    const std::string chosen = slashesForward(chosenFile);
    const std::size_t documentSlash = document.rfind('/');
    // An absolute file cannot be reached from a relative folder or the other way round.
    if (documentSlash == std::string::npos || document.starts_with('/') != chosen.starts_with('/'))
        return chosen;
    const std::size_t chosenSlash = chosen.rfind('/');
    const std::string_view chosenView = chosen;
    const auto from = folderParts(std::string_view(document).substr(0, documentSlash));
    const auto to = folderParts(
        chosenSlash == std::string::npos ? std::string_view() : chosenView.substr(0, chosenSlash));
    std::size_t common = 0;
    while (common < from.size() && common < to.size() && from[common] == to[common])
        ++common;
    std::string result;
    for (std::size_t i = common; i < from.size(); ++i)
        result.append("../");
    for (std::size_t i = common; i < to.size(); ++i)
        result.append(to[i]).append("/");
    result.append(chosenSlash == std::string::npos ? chosenView
                                                   : chosenView.substr(chosenSlash + 1));
    return result;
}

} // namespace velloran
