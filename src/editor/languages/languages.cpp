// The built-in languages in rule-set order, each with the image file it is written to.
#include "editor/languages/languages.h"

#include "editor/builtinparsers.h"

#include <array>

namespace velloran {

std::span<const BuiltinLanguage> BuiltinLanguages() noexcept {
    static const std::array<BuiltinLanguage, kBuiltinParserCount> languages = [] {
        constexpr ParserTables (*builders[])() = {PascalLanguage, HtmlLanguage,       CLanguage,
                                                  EmailLanguage,  JavaScriptLanguage, CssLanguage};
        std::array<BuiltinLanguage, kBuiltinParserCount> list{};
        for (std::size_t i = 0; i < list.size(); ++i)
            list[i] = {BuiltinParserFiles()[i].componentName, BuiltinParserFiles()[i].fileName,
                       builders[i]};
        return list;
    }();
    return languages;
}

} // namespace velloran
