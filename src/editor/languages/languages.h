// The highlighting languages built into the program, and the image file each one is
// shipped as.
#pragma once

#include "editor/parsertables.h"

#include <span>

namespace velloran {

[[nodiscard]] ParserTables HtmlLanguage();
[[nodiscard]] ParserTables PascalLanguage();
[[nodiscard]] ParserTables CLanguage();
[[nodiscard]] ParserTables EmailLanguage();
[[nodiscard]] ParserTables JavaScriptLanguage();
[[nodiscard]] ParserTables CssLanguage();

struct BuiltinLanguage {
    const char* componentName; // names the language in error messages
    const char* fileName;      // the image's name in the parsers data folder
    ParserTables (*build)();
};

// In the order the program lists them.
[[nodiscard]] std::span<const BuiltinLanguage> BuiltinLanguages() noexcept;

} // namespace velloran
