// What the preview serves at each address: the page as the editor holds it, other open
// documents' unsaved texts, files from disk, each with its type and character set.
#pragma once

#include "platform/encoding.h"
#include "tools/previewhost.h"

#include <set>
#include <string>
#include <string_view>

namespace velloran {

// Shown in the status line when the text ends inside a comment, which hides the rest
// of the page and which the engine does not report.
inline constexpr std::string_view kOpenCommentText = "Open Comment at End of HTML File";

// Whether a "<!--" in the text has no "-->" after it.
[[nodiscard]] bool HasOpenCommentAtEnd(std::string_view text) noexcept;

// The charset name the engine is given for a document's encoding.
[[nodiscard]] const char* CharsetName(Encoding encoding) noexcept;

// The media type for a file name by its extension; empty when unknown.
[[nodiscard]] std::string MediaTypeFor(std::string_view fileName);

// The name a never-saved page is served under, inside the current folder.
inline constexpr std::string_view kUntitledPageName = "<Untitled>";

// Where a document is served: at its own file name, so that relative references resolve
// against its folder; a document never saved lives in `currentFolder`.
[[nodiscard]] std::string PagePath(const PreviewDocument& document,
                                   const std::string& currentFolder);

// Each render is served under a folder of its own ("/r7/home/site/index.htm"), so that
// the engine takes nothing from its memory cache that an earlier render loaded: a style
// sheet typed into since then must be asked for again. Same-site addresses keep the
// engine's page process across renders.
[[nodiscard]] std::string RenderPath(unsigned render, std::string_view path);
// The file path an address path stands for, without its render folder.
[[nodiscard]] std::string FilePathOf(std::string_view addressPath);

struct PreviewResponse {
    enum class Kind { Content, NotFound };
    Kind kind = Kind::NotFound;
    std::string contentType; // with "; charset=..." for text
    std::string body;
};

// Answers the engine's requests. The page is taken as it is when rendering starts; other
// open documents are asked for when the engine wants them, so the newest text shows.
class PreviewServer {
public:
    explicit PreviewServer(const PreviewHost& host) : m_host(host) {}

    // The page about to be rendered; forgets which documents the last one used.
    void setPage(const PreviewDocument& document, const std::string& currentFolder);
    // No page: everything comes from the open documents and the disk (a picture shown alone).
    void clearPage();
    [[nodiscard]] const std::string& pagePath() const noexcept { return m_pagePath; }
    // The page's document: its file name, and whether it was never saved.
    [[nodiscard]] bool hasPage() const noexcept { return m_hasPage; }
    [[nodiscard]] const std::string& pageName() const noexcept { return m_pageName; }
    [[nodiscard]] bool pageUntitled() const noexcept { return m_pageUntitled; }

    // The answer for an absolute, decoded path.
    [[nodiscard]] PreviewResponse respond(const std::string& path);

    // Whether an edit of this document changes what the page shows: the page itself, or
    // an open document it has used since it was set.
    [[nodiscard]] bool uses(const std::string& fileName) const;

private:
    const PreviewHost& m_host;
    std::string m_pagePath;
    std::string m_pageName; // the page document's file name, "" when none
    bool m_hasPage = false;
    bool m_pageUntitled = false;
    PreviewResponse m_page;
    std::set<std::string> m_used;
};

} // namespace velloran
