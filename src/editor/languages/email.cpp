// The built-in e-mail language: quoted lines of earlier messages, web and mail addresses.
#include "editor/languages/languagebuilder.h"
#include "editor/languages/languages.h"

namespace velloran {

namespace {

using namespace lang;

// States.
constexpr int kMessage = 0;
constexpr int kQuoted = 1; // inside a quoted line

constexpr const char* kSample = "From: someone@example.com\r"
                                "Subject: Meeting\r"
                                "\r"
                                "> Can we meet on Friday?\r"
                                "Yes. The agenda is at http://www.example.com/agenda";

void setHeader(ParserTables& t) {
    LanguageHeader& h = sharedHeader(t);
    h.languageName = "e-mail";
    h.sampleText = kSample;
    h.caseSensitive = false;
    h.wrapColumn = 0;
    h.gutter = 0;
    h.wrapOverride = ">:|";
    h.anchorToken = 0;
    h.startStates = {kMessage};
    h.options = 0x057FF0;
    setEditableStyles(t, {{"Original message", 3},
                          {"Previous messages", 4},
                          {"Mail address", 2},
                          {"Web address", 1},
                          {"Default", 0}});
}

void addKeywordList(ParserTables& t) {
    addKeywords(t, 1, {kMessage, kQuoted}, anyChar(), {"http://", "www.", "ftp://", "ftp."});
    addKeywords(t, 3, {kMessage}, anyChar(), {":", ">", "|", "\r:", "\r>", "\r|"});
    addKeywords(t, 4, {kMessage}, anyChar(),
                {">>", ">:", ">|", "::", ":|", ":>", "||", "|:", "|>", //
                 "\r>>", "\r>:", "\r>|", "\r::", "\r:|", "\r:>", "\r||", "\r|:", "\r|>"});
}

void addTokensAndStartChars(ParserTables& t) {
    defineToken(t, 1, continuesWithHandler(kWebChar));
    defineToken(t, 3, continuesWithHandler(kOriginalChar));
    defineToken(t, 4, continuesWithHandler(kOriginalChar));
    addStartChars(t, letters() | digits(), {kMessage, kQuoted}, 2, kStdMailUrl);
}

void addStyles(ParserTables& t) {
    setStyles(t, {{0, plain(kBlack)},
                  {1, hotspot(plain(kRed))},
                  {2, hotspot(plain(kBlue))},
                  {3, plain(kGreen)},
                  {4, plain(kSilver)}});
    mapTokens(t, {{1, 1}, {2, 2}, {3, 3}, {4, 4}});
}

void addTransitions(ParserTables& t) {
    setTransition(t, {1, 2}, validIn({kMessage, kQuoted}));
    setTransition(t, {3, 4},
                  validIn({kMessage}).entering({kQuoted}).leaving({kMessage}).asContainer());
}

} // namespace

ParserTables EmailLanguage() {
    ParserTables t;
    setHeader(t);
    addKeywordList(t);
    addTokensAndStartChars(t);
    addStyles(t);
    addTransitions(t);
    return t;
}

} // namespace velloran
