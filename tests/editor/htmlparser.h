// The built-in HTML language as the program loads it, for tests that edit a parser.
#pragma once

#include "editor/builtinparsers.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

namespace velloran {

inline TCodeMemoParser htmlParser() {
    static const BuiltinParsers loaded = LoadBuiltinParsers(ProgramDir(), {});
    const TCodeMemoParser* html = loaded.forRuleSet(kHtmlRuleSet);
    EXPECT_NE(html, nullptr) << "parsers/html.vpi missing";
    return html ? *html : TCodeMemoParser();
}

} // namespace velloran
