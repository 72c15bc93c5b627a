// What the preview window needs from the program that hosts it: the open documents'
// texts and encodings, where the settings live and which screen layout is current.
#pragma once

#include "platform/encoding.h"

#include <optional>
#include <string>

namespace velloran {

// One open document as it is in its editor, unsaved changes included.
struct PreviewDocument {
    std::string fileName; // full name; meaningless when `untitled`
    bool untitled = false;
    std::string text;
    Encoding encoding = Encoding::Utf8;
};

class PreviewHost {
public:
    virtual ~PreviewHost() = default;
    // The current document; none when no document is open.
    [[nodiscard]] virtual std::optional<PreviewDocument> currentDocument() const = 0;
    // The open document of exactly this file name; none when it is not open.
    [[nodiscard]] virtual std::optional<PreviewDocument>
    openDocument(const std::string& fileName) const = 0;
    // The settings file, which holds the window's "HTMLView" sections.
    [[nodiscard]] virtual std::string settingsFileName() const = 0;
    // "" for the normal layout, "1" to "4" after a numbered layout was chosen.
    [[nodiscard]] virtual std::string layoutSuffix() const = 0;
};

} // namespace velloran
