// The preview's answers: page snapshot, open documents, then the disk.
#include "tools/previewserver.h"

#include "platform/paths.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

namespace velloran {

namespace {

struct MediaType {
    std::string_view extension; // upper case, with its dot
    std::string_view type;
};

constexpr std::array kMediaTypes{
    MediaType{".HTM", "text/html"},       MediaType{".HTML", "text/html"},
    MediaType{".SHTML", "text/html"},     MediaType{".CSS", "text/css"},
    MediaType{".JS", "text/javascript"},  MediaType{".JSC", "text/javascript"},
    MediaType{".MJS", "text/javascript"}, MediaType{".TXT", "text/plain"},
    MediaType{".XML", "text/xml"},        MediaType{".JSON", "application/json"},
    MediaType{".SVG", "image/svg+xml"},   MediaType{".PNG", "image/png"},
    MediaType{".GIF", "image/gif"},       MediaType{".JPG", "image/jpeg"},
    MediaType{".JPEG", "image/jpeg"},     MediaType{".BMP", "image/bmp"},
    MediaType{".ICO", "image/x-icon"},    MediaType{".WEBP", "image/webp"},
    MediaType{".WOFF", "font/woff"},      MediaType{".WOFF2", "font/woff2"},
    MediaType{".TTF", "font/ttf"},        MediaType{".OTF", "font/otf"},
    MediaType{".PDF", "application/pdf"}, MediaType{".MP3", "audio/mpeg"},
    MediaType{".WAV", "audio/wav"},       MediaType{".MP4", "video/mp4"},
    MediaType{".WEBM", "video/webm"},
};

std::string WithCharset(std::string type, Encoding encoding) {
    return type.append("; charset=").append(CharsetName(encoding));
}

bool IsText(std::string_view type) {
    return type.starts_with("text/");
}

PreviewResponse Content(std::string type, std::string body) {
    return {PreviewResponse::Kind::Content, std::move(type), std::move(body)};
}

PreviewResponse FromDisk(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return {};
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return {};
    std::string type = MediaTypeFor(path);
    if (type.empty())
        type = "application/octet-stream";
    else if (IsText(type))
        type = WithCharset(std::move(type), DetectEncoding(bytes));
    return Content(std::move(type), std::move(bytes));
}

} // namespace

bool HasOpenCommentAtEnd(std::string_view text) noexcept {
    for (std::size_t open = text.find("<!--"); open != std::string_view::npos;) {
        std::size_t body = open + 4;
        // "<!-->" and "<!--->" end at once, as browsers read them.
        if (text.substr(body).starts_with(">"))
            body += 1;
        else if (text.substr(body).starts_with("->"))
            body += 2;
        else {
            const std::size_t close = text.find("-->", body);
            if (close == std::string_view::npos)
                return true;
            body = close + 3;
        }
        open = text.find("<!--", body);
    }
    return false;
}

const char* CharsetName(Encoding encoding) noexcept {
    return encoding == Encoding::Windows1252 ? "windows-1252" : "utf-8";
}

std::string MediaTypeFor(std::string_view fileName) {
    const std::string extension = AsciiUpper(ExtractFileExt(fileName));
    for (const MediaType& known : kMediaTypes)
        if (known.extension == extension)
            return std::string(known.type);
    return {};
}

std::string PagePath(const PreviewDocument& document, const std::string& currentFolder) {
    if (!document.untitled)
        return document.fileName;
    std::string folder = currentFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder != "/")
        folder += '/';
    return folder.append(kUntitledPageName);
}

std::string RenderPath(unsigned render, std::string_view path) {
    return "/r" + std::to_string(render) + std::string(path);
}

std::string FilePathOf(std::string_view addressPath) {
    if (!addressPath.starts_with("/r"))
        return std::string(addressPath);
    std::size_t end = 2;
    while (end < addressPath.size() && addressPath[end] >= '0' && addressPath[end] <= '9')
        ++end;
    if (end == 2 || (end < addressPath.size() && addressPath[end] != '/'))
        return std::string(addressPath); // "/rooms/...": a folder, not a render
    return end == addressPath.size() ? std::string("/") : std::string(addressPath.substr(end));
}

void PreviewServer::setPage(const PreviewDocument& document, const std::string& currentFolder) {
    m_pagePath = PagePath(document, currentFolder);
    m_pageName = document.fileName;
    m_pageUntitled = document.untitled;
    m_hasPage = true;
    // Whatever its extension, the editor's text is given to the engine as HTML.
    m_page = Content(WithCharset("text/html", document.encoding), document.text);
    m_used.clear();
}

void PreviewServer::clearPage() {
    m_pagePath.clear();
    m_pageName.clear();
    m_pageUntitled = false;
    m_hasPage = false;
    m_page = {};
    m_used.clear();
}

PreviewResponse PreviewServer::respond(const std::string& path) {
    if (path.empty() || path.front() != '/')
        return {};
    if (m_hasPage && path == m_pagePath)
        return m_page;
    if (auto document = m_host.openDocument(path)) {
        m_used.insert(path);
        std::string type = MediaTypeFor(path);
        if (type.empty() || !IsText(type))
            type = "text/plain";
        return Content(WithCharset(std::move(type), document->encoding), std::move(document->text));
    }
    return FromDisk(path);
}

bool PreviewServer::uses(const std::string& fileName) const {
    return (m_hasPage && fileName == m_pageName) || m_used.contains(fileName);
}

} // namespace velloran
