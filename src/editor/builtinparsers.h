// The highlighting languages the program ships as parser images, which rule set a file
// name selects, and loading the images at start-up.
#pragma once

#include "editor/codememoparser.h"

#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velloran {

struct BuiltinParserFile {
    const char* componentName; // names the parser in messages
    const char* fileName;      // the image in the "parsers" data folder
};

constexpr std::size_t kBuiltinParserCount = 6;

// Rule sets 1 to 5 in order: Pascal, HTML, C, e-mail, JavaScript; then CSS, rule set 7.
[[nodiscard]] std::span<const BuiltinParserFile> BuiltinParserFiles() noexcept;

constexpr int kPlainTextRuleSet = 6; // an empty slot, kept where it always was
constexpr int kHtmlRuleSet = 2;
constexpr int kJavaScriptRuleSet = 5;
constexpr int kCssRuleSet = 7;
constexpr int kLastRuleSet = kCssRuleSet;

// The rule set of the parser at `index` of the shipped list, and back (-1 for plain text
// and numbers that name no rule set).
[[nodiscard]] int RuleSetOfParser(std::size_t index) noexcept;
[[nodiscard]] int ParserIndexOfRuleSet(int ruleSet) noexcept;

// The rule set a file's extension selects, or kPlainTextRuleSet.
[[nodiscard]] int RuleSetForFileName(std::string_view fileName);

struct BuiltinParsers {
    // In the order of BuiltinParserFiles; a slot stays empty when its image could not be read.
    std::array<std::unique_ptr<TCodeMemoParser>, kBuiltinParserCount> parsers;
    // One line per image that could not be read, naming it and the reason.
    std::vector<std::string> errors;

    // The parser of a rule set, or null for plain text and missing images.
    [[nodiscard]] const TCodeMemoParser* forRuleSet(int ruleSet) const noexcept;
    // The same parser for changing its look, when it is one of these; else null.
    [[nodiscard]] TCodeMemoParser* editable(const TCodeMemoParser* parser) const noexcept;
};

// Reads each image from "parsers/" beside the program or in a data folder.
[[nodiscard]] BuiltinParsers LoadBuiltinParsers(const std::string& appDir,
                                                const std::vector<std::string>& dataDirs);

} // namespace velloran
