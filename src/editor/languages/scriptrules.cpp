// Template literals, regular expressions and the operand/operator states they rest on.
#include "editor/languages/scriptrules.h"

namespace velloran::lang {

CharSet scriptWordEnd() {
    return (letters() | digits() | chars("_$") | charRange(0x80, 0xFE)).complement();
}

CharSet ScriptStates::code() const {
    return {top, expr1, brace1, expr2e, brace2e, expr2b, brace2b};
}

CharSet ScriptStates::all() const {
    return code() | CharSet{regex, division, text1, text2e, text2b};
}

CharSet ScriptStates::operatorStates(std::string_view op) const {
    return op == "/" || op == "/=" ? CharSet{division} : code();
}

namespace {

// One nesting level: the state a literal is opened from and its three states.
struct Level {
    int from, text, expr, brace;
    int open, close, dollar, exprClose, braceOpen, braceClose;
};

void addLevel(ParserTables& t, const ScriptStates& s, const Level& l) {
    const CharSet operand = {s.regex, s.division};
    addKeywords(t, l.open, {l.from}, anyChar(), {"`"});
    addKeywords(t, l.close, {l.text}, anyChar(), {"`"});
    addKeywords(t, l.dollar, {l.text}, anyChar(), {"${"});
    addKeywords(t, l.exprClose, {l.expr}, anyChar(), {"}"});
    addKeywords(t, l.braceOpen, {l.expr}, anyChar(), {"{"});
    addKeywords(t, l.braceClose, {l.brace}, anyChar(), {"}"});
    // The text of a literal belongs to the token before it: "`" or the "}" of a "${…}".
    defineToken(t, l.open, continuesWithHandler(kJsTemplateText));
    defineToken(t, l.exprClose, continuesWithHandler(kJsTemplateText));
    setTransition(t, {l.open},
                  validIn({l.from}).entering({l.text}).leaving(CharSet{l.from} | operand));
    setTransition(t, {l.close}, validIn({l.text}).entering({l.from, s.division}).leaving({l.text}));
    setTransition(t, {l.dollar}, validIn({l.text}).entering({l.expr, s.regex}).leaving({l.text}));
    setTransition(t, {l.exprClose},
                  validIn({l.expr}).entering({l.text}).leaving(CharSet{l.expr} | operand));
    setTransition(t, {l.braceOpen},
                  validIn({l.expr}).entering({l.brace, s.regex}).leaving({l.expr, s.division}));
    setTransition(t, {l.braceClose},
                  validIn({l.brace}).entering({l.expr, s.regex}).leaving({l.brace, s.division}));
}

} // namespace

void addTemplatesAndRegex(ParserTables& t, const ScriptStates& s, const TemplateTokens& k) {
    addLevel(t, s,
             {s.top, s.text1, s.expr1, s.brace1, k.open1, k.close1, k.dollar1, k.exprClose1,
              k.braceOpen1, k.braceClose1});
    addLevel(t, s,
             {s.expr1, s.text2e, s.expr2e, s.brace2e, k.open2e, k.close2e, k.dollar2e,
              k.exprClose2e, k.braceOpen2e, k.braceClose2e});
    addLevel(t, s,
             {s.brace1, s.text2b, s.expr2b, s.brace2b, k.open2b, k.close2b, k.dollar2b,
              k.exprClose2b, k.braceOpen2b, k.braceClose2b});
    const CharSet deepest = {s.expr2e, s.brace2e, s.expr2b, s.brace2b};
    addKeywords(t, k.deep, deepest, anyChar(), {"`"});
    defineToken(t, k.deep, continuesWithHandler(kJsTemplateToEnd));
    setTransition(t, {k.deep}, validIn(deepest).entering({s.division}).leaving({s.regex}));

    // Braces inside a level's braces are not counted: they open and close nothing.
    const CharSet plainBraces = {s.top, s.brace1, s.brace2e, s.brace2b};
    addKeywords(t, k.braceOpenTop, plainBraces, anyChar(), {"{"});
    addKeywords(t, k.braceCloseTop, {s.top}, anyChar(), {"}"});
    setOperators(t, s, plainBraces, {k.braceOpenTop});
    setOperators(t, s, {s.top}, {k.braceCloseTop});

    addKeywords(t, k.regex, {s.regex}, anyChar(), {"/"});
    defineToken(t, k.regex, continuesWithHandler(kJsRegex));
    setOperands(t, s, s.code(), {k.regex});
}

void setOperands(ParserTables& t, const ScriptStates& s, CharSet valid, Tokens operands) {
    setTransition(t, operands, validIn(valid).entering({s.division}).leaving({s.regex}));
}

void setOperators(ParserTables& t, const ScriptStates& s, CharSet valid, Tokens operators) {
    setTransition(t, operators, validIn(valid).entering({s.regex}).leaving({s.division}));
}

} // namespace velloran::lang
