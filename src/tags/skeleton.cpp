// The document skeleton: splitting and rebuilding a page, and its template files.
#include "tags/skeleton.h"

#include "editor/editmodel.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "tags/ghtmlfun.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace velloran {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::optional<std::size_t> FindHeaderEnd(std::string_view text) {
    if (const auto marker = FindNoCase(text, kEndHeaderMarker))
        return *marker + kEndHeaderMarker.size();
    const auto body = FindNoCase(text, "<BODY");
    if (!body)
        return std::nullopt;
    const std::size_t close = text.find('>', *body);
    if (close == std::string_view::npos)
        return std::nullopt;
    return close + 1;
}

std::optional<std::size_t> FindFooterStart(std::string_view text) {
    if (const auto marker = FindNoCase(text, kBeginFooterMarker))
        return marker;
    return FindNoCase(text, "</BODY");
}

// Every line end (CR LF, LF or a lone CR) becomes CR LF.
std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += kCrLf;
        } else if (c == '\n') {
            out += kCrLf;
        } else {
            out += c;
        }
    }
    return out;
}

void MakeFolders(const std::string& folder) {
    for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos != folder.size() && folder[pos] != '/')
            continue;
        const std::string part = folder.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw FileError("Cannot create the folder \"" + part + "\": " + std::strerror(errno));
    }
}

std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    bool first = true;
    for (const std::string_view line : lines) {
        if (!first)
            text += kCrLf;
        text += line;
        first = false;
    }
    return text;
}

// Hides every occurrence of `name` that does not begin an attribute by putting a byte
// no page holds over its first letter (one byte for an upper-case letter, one for a
// lower-case one), so that the plain-text search of the attribute operations passes over
// it; Unmask puts the letters back.
constexpr char kMaskUpper = '\x01';
constexpr char kMaskLower = '\x02';

bool BeginsAttribute(std::string_view text, std::size_t at) {
    if (at == 0)
        return false;
    const char before = text[at - 1];
    return before == ' ' || before == '\t' || before == '\r' || before == '\n' || before == '"' ||
           before == '\'';
}

std::optional<std::string> Mask(std::string_view text, std::string_view name) {
    if (text.find_first_of(std::string_view("\x01\x02", 2)) != std::string_view::npos)
        return std::nullopt;
    std::string masked(text);
    for (auto at = FindNoCase(masked, name); at; at = FindNoCase(masked, name, *at + 1))
        if (!BeginsAttribute(masked, *at))
            masked[*at] = masked[*at] >= 'a' && masked[*at] <= 'z' ? kMaskLower : kMaskUpper;
    return masked;
}

std::string Unmask(std::string text, std::string_view name) {
    const char upper = AsciiUpper(name.substr(0, 1)).front();
    const char lower = AsciiLower(name.substr(0, 1)).front();
    for (char& c : text)
        if (c == kMaskUpper || c == kMaskLower)
            c = c == kMaskUpper ? upper : lower;
    return text;
}

} // namespace

std::string BodyAttribute(std::string_view header, std::string_view name) {
    const auto masked = Mask(header, name);
    if (!masked)
        return GetAttribute(header, "<BODY", ">", name);
    return Unmask(GetAttribute(*masked, "<BODY", ">", name), name);
}

std::string SetBodyAttribute(std::string_view header, std::string_view name,
                             std::string_view value) {
    const auto masked = Mask(header, name);
    if (!masked)
        return SetAttribute(header, "<BODY", ">", name, value, "\"");
    return Unmask(SetAttribute(*masked, "<BODY", ">", name, value, "\""), name);
}

SkeletonSplit SplitSkeleton(std::string_view text) {
    return {FindHeaderEnd(text), FindFooterStart(text)};
}

std::optional<std::string> SkeletonHeader(std::string_view text, const SkeletonSplit& split) {
    if (!split.headerEnd)
        return std::nullopt;
    return std::string(text.substr(0, *split.headerEnd));
}

std::optional<std::string> SkeletonFooter(std::string_view text, const SkeletonSplit& split) {
    if (!split.footerStart)
        return std::nullopt;
    return std::string(text.substr(*split.footerStart));
}

std::string RebuildSkeleton(std::string_view text, const SkeletonSplit& split,
                            std::string_view header, std::string_view footer) {
    const std::size_t bodyStart = std::min(split.headerEnd.value_or(0), text.size());
    const std::size_t bodyEnd = std::min(split.footerStart.value_or(text.size()), text.size());
    std::string page(header);
    if (bodyEnd > bodyStart)
        page += text.substr(bodyStart, bodyEnd - bodyStart);
    page += footer;
    return page;
}

bool ApplySkeleton(EditModel& model, std::string_view text) {
    if (model.getText() == text)
        return false;
    model.lockPainting();
    try {
        model.setText(text);
        const Position caret = std::min<Position>(1, model.length());
        model.setSel(caret, caret);
    } catch (...) {
        model.unlockPainting();
        throw;
    }
    model.unlockPainting();
    return true;
}

std::string BuiltInHeader(Encoding encoding) {
    const std::string meta =
        std::string(R"(   <META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=)") +
        (encoding == Encoding::Utf8 ? "utf-8" : "iso-8859-1") + "\">";
    return Lines({"<HTML>", "<HEAD>", meta, "   <TITLE></TITLE>", "</HEAD>", "<BODY>",
                  "<!-- Place whatever you want to appear in the header for every page above "
                  "this line",
                  R"(  DO NOT modify the "End Header" line below. -->)", kEndHeaderMarker});
}

std::string BuiltInFooter() {
    return Lines({"", kBeginFooterMarker,
                  "<!-- Place whatever you want to appear in the footer for every page below "
                  "this line",
                  R"(  DO NOT modify the "Begin Footer" line above. -->)", "", "</BODY>",
                  "</HTML>"});
}

std::string DocumentToUtf8(std::string_view bytes, Encoding encoding) {
    if (encoding == Encoding::Utf8)
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char byte : bytes)
        out += EncodeChar(Encoding::Utf8, Cp1252ToUnicode(static_cast<unsigned char>(byte)));
    return out;
}

std::string Utf8ToDocument(std::string_view utf8, Encoding encoding) {
    if (encoding == Encoding::Utf8)
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        std::size_t length = 0;
        const char32_t c = DecodeCharAt(Encoding::Utf8, utf8, pos, &length);
        const std::string byte = EncodeChar(encoding, c);
        out += byte.empty() ? "&#" + std::to_string(static_cast<unsigned long>(c)) + ";" : byte;
        pos += length;
    }
    return out;
}

TemplateFiles ProjectTemplateFiles(std::string_view projectFileName) {
    if (projectFileName.empty())
        return {};
    std::string stem = ExtractFileName(projectFileName);
    stem.resize(stem.size() - ExtractFileExt(stem).size());
    const std::string base = ExtractFilePath(projectFileName) + stem;
    return {base + "head.txt", base + "foot.txt"};
}

TemplateFiles DefaultTemplateFiles(const std::string& configDir) {
    return {configDir + "htmhead.txt", configDir + "htmfoot.txt"};
}

TemplatePlaces FindTemplatePlaces(std::string_view projectFileName, const std::string& configDir,
                                  const std::string& appDir,
                                  const std::vector<std::string>& dataDirs) {
    return {ProjectTemplateFiles(projectFileName),
            DefaultTemplateFiles(configDir),
            {FindDataFile("htmhead.txt", appDir, dataDirs),
             FindDataFile("htmfoot.txt", appDir, dataDirs)}};
}

std::optional<std::string> ReadFirstTemplate(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        if (file.empty() || !FileExists(file))
            continue;
        const std::string bytes = ReadWholeFile(file);
        return WithCrLf(DocumentToUtf8(bytes, DetectEncoding(bytes)));
    }
    return std::nullopt;
}

void WriteTemplate(const std::string& file, std::string_view utf8, bool createFolder) {
    if (file.empty())
        throw FileError("The templates cannot be saved with the project: no project is open.");
    if (createFolder)
        MakeFolders(ExtractFilePath(file));
    WriteFileAtomically(file, WithCrLf(utf8));
}

SkeletonTexts InitialSkeletonTexts(const TemplatePlaces& places, Encoding encoding) {
    const auto header =
        ReadFirstTemplate({places.project.header, places.defaults.header, places.installed.header});
    const auto footer =
        ReadFirstTemplate({places.project.footer, places.defaults.footer, places.installed.footer});
    return {header.value_or(BuiltInHeader(encoding)), footer.value_or(BuiltInFooter())};
}

} // namespace velloran
