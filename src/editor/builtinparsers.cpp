// Loading the shipped parser images and choosing one by file extension.
#include "editor/builtinparsers.h"

#include "editor/parserimage.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"

namespace velloran {

namespace {

constexpr BuiltinParserFile kFiles[] = {
    {"Pascal_Parser", "pascal.vpi"},
    {"HTML_Parser", "html.vpi"},
    {"C_Parser", "c.vpi"},
    {"eMail_Parser", "email.vpi"},
    {"JavaScript_Parser", "javascript.vpi"},
    {"CSS_Parser", "css.vpi"},
};
static_assert(std::size(kFiles) == kBuiltinParserCount);

} // namespace

std::span<const BuiltinParserFile> BuiltinParserFiles() noexcept {
    return kFiles;
}

int RuleSetOfParser(std::size_t index) noexcept {
    return index + 1 < static_cast<std::size_t>(kPlainTextRuleSet) ? static_cast<int>(index) + 1
                                                                   : kCssRuleSet;
}

int ParserIndexOfRuleSet(int ruleSet) noexcept {
    if (ruleSet >= 1 && ruleSet < kPlainTextRuleSet)
        return ruleSet - 1;
    return ruleSet == kCssRuleSet ? kPlainTextRuleSet - 1 : -1;
}

int RuleSetForFileName(std::string_view fileName) {
    const std::string ext = AsciiUpper(ExtractFileExt(fileName));
    if (ext == ".C" || ext == ".H" || ext == ".CPP")
        return 3;
    if (ext == ".PAS" || ext == ".DFM")
        return 1;
    if (ext == ".HTML" || ext == ".HTM")
        return kHtmlRuleSet;
    if (ext == ".EML")
        return 4;
    if (ext == ".JSC" || ext == ".JS" || ext == ".MJS")
        return kJavaScriptRuleSet;
    if (ext == ".CSS")
        return kCssRuleSet;
    return kPlainTextRuleSet;
}

const TCodeMemoParser* BuiltinParsers::forRuleSet(int ruleSet) const noexcept {
    const int index = ParserIndexOfRuleSet(ruleSet);
    return index < 0 ? nullptr : parsers[static_cast<std::size_t>(index)].get();
}

TCodeMemoParser* BuiltinParsers::editable(const TCodeMemoParser* parser) const noexcept {
    for (const auto& owned : parsers)
        if (owned && owned.get() == parser)
            return owned.get();
    return nullptr;
}

BuiltinParsers LoadBuiltinParsers(const std::string& appDir,
                                  const std::vector<std::string>& dataDirs) {
    BuiltinParsers loaded;
    for (std::size_t i = 0; i < std::size(kFiles); ++i) {
        const std::string relative = std::string("parsers/") + kFiles[i].fileName;
        const std::string path = FindDataFile(relative, appDir, dataDirs);
        try {
            if (path.empty())
                throw FileError("The highlighting language \"" + relative + "\" is not installed.");
            loaded.parsers[i] = std::make_unique<TCodeMemoParser>(ReadParserImage(
                ReadWholeFile(path, kParserImageReadLimit), kFiles[i].componentName));
        } catch (const VelloranError& e) {
            loaded.errors.push_back(e.what());
        }
    }
    return loaded;
}

} // namespace velloran
