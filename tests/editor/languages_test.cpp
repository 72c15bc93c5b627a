// The built-in languages: each image reads back as the tables it was written from, keeps
// the size of the images the program has always shipped, and its lists hang together.
#include "editor/languages/languagebuilder.h"
#include "editor/languages/languages.h"
#include "editor/parserimage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace velloran {
namespace {

// Uncompressed data sizes of the images shipped. Every entry has a fixed size, so a
// different size means a keyword, definition, start character, style, map entry or
// transition was lost or added. Pascal, C and e-mail are as they have always been.
const std::map<std::string, std::size_t> kShippedDataSizes = {
    {"HTML_Parser", 149498}, {"Pascal_Parser", 31171},     {"C_Parser", 25553},
    {"eMail_Parser", 21220}, {"JavaScript_Parser", 97074}, {"CSS_Parser", 122926}};

TEST(Languages, ImagesRoundTripAtTheShippedSizes) {
    ASSERT_EQ(BuiltinLanguages().size(), kShippedDataSizes.size());
    for (const BuiltinLanguage& language : BuiltinLanguages()) {
        SCOPED_TRACE(language.componentName);
        const ParserTables tables = language.build();
        const std::string data = WriteParserData(tables);
        EXPECT_EQ(data.size(), kShippedDataSizes.at(language.componentName));
        EXPECT_TRUE(ReadParserData(data) == tables);
        EXPECT_TRUE(ReadParserImage(WriteParserImage(tables), language.componentName) == tables);
    }
}

// A token that can occur but maps to an undefined style has no look of its own. HTML's
// script hex numbers (token 11 -> style 8) are the one such case in the shipped lists and
// stay as shipped so that the image matches.
void expectDrawable(const ParserTables& t, int token) {
    const bool shippedGap = t.header.languageName == "HTML" && token == 11;
    EXPECT_TRUE(t.styles[t.map[token]].defined || shippedGap) << "token " << token;
}

// The same word twice in overlapping states is refused when the language is loaded.
void expectNoDuplicates(const std::vector<KeywordEntry>& keywords) {
    for (std::size_t i = 0; i < keywords.size(); ++i)
        for (std::size_t j = i + 1; j < keywords.size(); ++j)
            EXPECT_FALSE(keywords[i].word == keywords[j].word &&
                         keywords[i].states.intersects(keywords[j].states))
                << keywords[i].word;
}

TEST(Languages, ListsHangTogether) {
    for (const BuiltinLanguage& language : BuiltinLanguages()) {
        SCOPED_TRACE(language.componentName);
        const ParserTables t = language.build();
        expectNoDuplicates(t.keywords);
        for (const KeywordEntry& k : t.keywords) {
            expectDrawable(t, k.token);
            const bool lowerCase = std::none_of(k.word.begin(), k.word.end(), [](char c) {
                return std::isupper(static_cast<unsigned char>(c));
            });
            EXPECT_TRUE(t.header.caseSensitive || lowerCase) << k.word;
        }
        for (const StartCharDefinition& s : t.startChars) {
            if (s.present)
                expectDrawable(t, s.token);
        }
        for (const EditableStyle& e : t.header.editableStyles) {
            EXPECT_TRUE(e.name.empty() || t.styles[e.style].defined) << e.name;
        }
    }
}

TEST(Languages, BuilderRejectsWhatCannotBeStored) {
    ParserTables t;
    EXPECT_THROW((void)lang::runsThrough("*****"), VelloranError);
    EXPECT_THROW((void)lang::runsThrough(""), VelloranError);
    EXPECT_THROW(lang::addKeywords(t, 256, {0}, lang::anyChar(), {"x"}), VelloranError);
    EXPECT_THROW(lang::addKeywords(t, 1, {0}, lang::anyChar(), {""}), VelloranError);
    EXPECT_THROW(lang::mapTokens(t, {{1, -1}}), VelloranError);
    EXPECT_TRUE(t.keywords.empty());
}

} // namespace
} // namespace velloran
