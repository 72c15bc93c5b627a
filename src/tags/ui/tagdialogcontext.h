// What the tag dialogs need from the main window: questions and file choices, the shared
// file-open dialog settings, and the current document's name for relative links.
#pragma once

#include "platform/prompter.h"

#include <optional>
#include <string>

namespace velloran {

struct TagDialogContext {
    Prompter* prompter = nullptr;
    // The shell's shared open dialog; its filter index is switched for image browsing
    // and put back to "Known Files" afterwards.
    FileRequest* openDialog = nullptr;
    // None when no document is current (Browse then does nothing); "<Untitled>" for a
    // document never saved (Browse then gives full paths).
    std::optional<std::string> documentName;
};

} // namespace velloran
