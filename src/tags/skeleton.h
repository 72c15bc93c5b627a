// The document skeleton: a page split into header, body and footer by marker comments
// (or its BODY tags), the built-in and saved header and footer templates, and the page
// rebuilt from an edited header and footer as one undoable change.
#pragma once

#include "platform/encoding.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velloran {

class EditModel;

inline constexpr std::string_view kEndHeaderMarker = "<!-- End Header -->";
inline constexpr std::string_view kBeginFooterMarker = "<!-- Begin Footer -->";

// Byte offsets into a page's text; none where the page has no such part.
struct SkeletonSplit {
    std::optional<std::size_t> headerEnd;   // just after the header
    std::optional<std::size_t> footerStart; // where the footer begins
};

// The header ends after the first end-header marker, else after the ">" closing the
// first BODY tag; the footer starts at the first begin-footer marker, else at the first
// "</BODY". Letter case is ignored.
[[nodiscard]] SkeletonSplit SplitSkeleton(std::string_view text);
[[nodiscard]] std::optional<std::string> SkeletonHeader(std::string_view text,
                                                        const SkeletonSplit& split);
[[nodiscard]] std::optional<std::string> SkeletonFooter(std::string_view text,
                                                        const SkeletonSplit& split);
// `header` + the body between the parts + `footer`. A missing header end counts as the
// start of the text, a missing footer start as its end; a footer that starts before
// the header ends leaves no body.
[[nodiscard]] std::string RebuildSkeleton(std::string_view text, const SkeletonSplit& split,
                                          std::string_view header, std::string_view footer);
// Replaces the whole text with `text` as one undoable change, nothing selected and the
// caret after the first character. Returns false, changing nothing, when the text is
// already that.
bool ApplySkeleton(EditModel& model, std::string_view text);

// GetAttribute and SetAttribute (with double quotes) on the header's BODY tag, where
// `name` must begin an attribute: "LINK=" never reads or overwrites the end of "VLINK=" or
// "ALINK=", whichever order the author wrote them in.
[[nodiscard]] std::string BodyAttribute(std::string_view header, std::string_view name);
[[nodiscard]] std::string SetBodyAttribute(std::string_view header, std::string_view name,
                                           std::string_view value);

// The templates used when none has been saved (CR LF line ends). The header declares
// the charset the document is written in.
[[nodiscard]] std::string BuiltInHeader(Encoding encoding);
[[nodiscard]] std::string BuiltInFooter();

// Text between the document (in its encoding) and the dialog (UTF-8). A character the
// document's encoding cannot hold is written as an HTML character reference ("&#8364;"),
// so that it still shows as itself in a browser.
[[nodiscard]] std::string DocumentToUtf8(std::string_view bytes, Encoding encoding);
[[nodiscard]] std::string Utf8ToDocument(std::string_view utf8, Encoding encoding);

struct TemplateFiles {
    std::string header; // empty: there is no such file name
    std::string footer;
};

// Where the templates live: beside the project file, named after it ("site.vpr" gives
// "sitehead.txt" and "sitefoot.txt"); the defaults "htmhead.txt" and "htmfoot.txt" the
// user saved in the config folder; and defaults shipped in a data folder, read only.
struct TemplatePlaces {
    TemplateFiles project;   // both empty while no project has a file
    TemplateFiles defaults;  // written by "Save as Default"
    TemplateFiles installed; // empty names when none is installed
};

[[nodiscard]] TemplateFiles ProjectTemplateFiles(std::string_view projectFileName);
[[nodiscard]] TemplateFiles DefaultTemplateFiles(const std::string& configDir);
[[nodiscard]] TemplatePlaces FindTemplatePlaces(std::string_view projectFileName,
                                                const std::string& configDir,
                                                const std::string& appDir,
                                                const std::vector<std::string>& dataDirs);

// The text of the first of `files` that exists, as UTF-8 with CR LF line ends (a file
// that is not valid UTF-8 is read as Windows-1252); nothing when none exists. Throws
// FileError when an existing file cannot be read.
[[nodiscard]] std::optional<std::string> ReadFirstTemplate(const std::vector<std::string>& files);
// Writes UTF-8 text with CR LF line ends, replacing the file atomically; throws
// FileError. An empty name (no project) is refused with a message. `createFolder` makes
// the file's folder (and its parents) first, private to the user, as the config folder is.
void WriteTemplate(const std::string& file, std::string_view utf8, bool createFolder = false);

// The header and footer the dialog starts with: each from the project template, else
// the saved default, else the installed default, else the built-in text.
struct SkeletonTexts {
    std::string header;
    std::string footer;
};
[[nodiscard]] SkeletonTexts InitialSkeletonTexts(const TemplatePlaces& places, Encoding encoding);

} // namespace velloran
