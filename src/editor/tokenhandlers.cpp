// The built-in token handlers: identifiers, numbers, strings, web and mail addresses, and
// the script literals of today's web.
#include "editor/codememoparser.h"

namespace velloran {

namespace {

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}
bool isLetter(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isIdentifierChar(int c) {
    return isLetter(c) || isDigit(c) || c == '_';
}
bool isUrlChar(int c) {
    if (isLetter(c) || isDigit(c))
        return true;
    switch (c) {
    case '#':
    case '&':
    case '-':
    case '.':
    case '/':
    case ':':
    case '=':
    case '?':
    case '@':
    case '\\':
    case '_':
    case '|':
    case '~':
        return true;
    default:
        return false;
    }
}
bool isMailChar(int c) {
    return isLetter(c) || isDigit(c) || c == '-' || c == '.' || c == '@' || c == '~';
}

std::size_t skipDigits(TEdStream& s) {
    std::size_t count = 0;
    for (; isDigit(s.current()) && !s.atEnd(); ++count)
        s.advance();
    return count;
}

// One character of a Pascal string body: a quote only when doubled, never CR.
bool pascalChar(TEdStream& s) {
    const int c = s.current();
    if (s.atEnd() || c == '\r')
        return false;
    if (c == '\'') {
        if (s.charAt(s.position() + 1) != '\'')
            return false;
        s.advance();
    }
    s.advance();
    return true;
}

bool webChars(TEdStream& s) {
    const std::size_t start = s.position();
    while (!s.atEnd() && isUrlChar(s.current()))
        s.advance();
    if (s.position() > start && s.charAt(s.position() - 1) == '.')
        s.back();
    return s.position() > start;
}

bool originalChars(TEdStream& s, std::size_t tokenStart) {
    const bool startsLine =
        tokenStart == 0 || s.charAt(tokenStart - 1) == '\r' || s.charAt(tokenStart) == '\r';
    if (!startsLine)
        return false;
    while (!s.atEnd() && s.current() != '\r')
        s.advance();
    return true;
}

bool identifier(TEdStream& s) {
    if (s.atEnd() || !(isLetter(s.current()) || s.current() == '_'))
        return false;
    while (!s.atEnd() && isIdentifierChar(s.current()))
        s.advance();
    return true;
}

bool numberOrFloat(TEdStream& s) {
    std::size_t digits = skipDigits(s);
    if (s.current() == '.' && !s.atEnd()) {
        s.advance();
        digits += skipDigits(s);
    }
    if (digits == 0)
        return false;
    const int e = s.current();
    if ((e == 'e' || e == 'E') && !s.atEnd()) {
        const std::size_t mark = s.position();
        s.advance();
        if (s.current() == '+' || s.current() == '-')
            s.advance();
        if (skipDigits(s) == 0)
            s.seek(mark);
    }
    return true;
}

// Strings: from the start of a token the opening quote is read here; as the body of a
// token whose opening quote was already read, the closing quote matches that one.
bool openQuote(TEdStream& s, std::size_t tokenStart, int natural, int& quote) {
    if (s.position() > tokenStart) {
        quote = s.charAt(tokenStart);
        return true;
    }
    if (s.atEnd() || s.current() != natural)
        return false;
    quote = natural;
    s.advance();
    return true;
}

bool pascalString(TEdStream& s, std::size_t tokenStart) {
    int quote = 0;
    if (!openQuote(s, tokenStart, '\'', quote))
        return false;
    while (!s.atEnd() && s.current() != '\r') {
        if (s.current() == quote) {
            s.advance();
            if (s.current() != quote || s.atEnd())
                return true;
        }
        s.advance();
    }
    return true;
}

bool escapedString(TEdStream& s, std::size_t tokenStart, int natural) {
    int quote = 0;
    if (!openQuote(s, tokenStart, natural, quote))
        return false;
    while (!s.atEnd() && s.current() != '\r') {
        const int c = s.current();
        s.advance();
        if (c == quote)
            return true;
        if (c == '\\' && !s.atEnd() && s.current() != '\r')
            s.advance();
    }
    return true;
}

bool htmlString(TEdStream& s, std::size_t tokenStart) {
    int quote = 0;
    if (!openQuote(s, tokenStart, '"', quote))
        return false;
    while (!s.atEnd()) {
        const int c = s.current();
        s.advance();
        if (c == quote)
            break;
    }
    return true;
}

bool mailAddress(TEdStream& s) {
    const std::size_t start = s.position();
    if (s.failureKnown(kStdMailUrl, start))
        return false;
    bool at = false;
    while (!s.atEnd() && isMailChar(s.current())) {
        at = at || s.current() == '@';
        s.advance();
    }
    if (!at) {
        // Every later start in the run ends where this one did, with no "@" either.
        s.noteFailure(kStdMailUrl, start, s.position());
        s.seek(start);
        return false;
    }
    if (s.charAt(s.position() - 1) == '.')
        s.back();
    return true;
}

// ---- Script of today's web ----

bool isJsIdentifierStart(int c) {
    return isLetter(c) || c == '_' || c == '$' || (c >= 0x80 && c < kEndOfText);
}

bool jsIdentifier(TEdStream& s) {
    if (s.atEnd() || !isJsIdentifierStart(s.current()))
        return false;
    while (!s.atEnd() && (isJsIdentifierStart(s.current()) || isDigit(s.current())))
        s.advance();
    return true;
}

bool isHexDigit(int c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Digits of `isMember` with single "_" separators between them; the count read.
template <typename IsMember>
std::size_t separatedDigits(TEdStream& s, IsMember isMember) {
    std::size_t count = 0;
    while (!s.atEnd()) {
        if (isMember(s.current())) {
            s.advance();
            ++count;
        } else if (s.current() == '_' && count > 0 && isMember(s.charAt(s.position() + 1))) {
            s.advance();
        } else {
            break;
        }
    }
    return count;
}

bool jsNumber(TEdStream& s) {
    const std::size_t start = s.position();
    const int prefix = s.charAt(start + 1) | 0x20;
    if (s.current() == '0' && (prefix == 'x' || prefix == 'o' || prefix == 'b')) {
        s.seek(start + 2);
        const auto member = [prefix](int c) {
            return prefix == 'x'   ? isHexDigit(c)
                   : prefix == 'o' ? c >= '0' && c <= '7'
                                   : c == '0' || c == '1';
        };
        if (separatedDigits(s, member) == 0) {
            s.seek(start + 1); // a lone "0" before a letter
            return true;
        }
    } else {
        std::size_t digits = separatedDigits(s, isDigit);
        if (s.current() == '.' && !s.atEnd()) {
            s.advance();
            digits += separatedDigits(s, isDigit);
        }
        if (digits == 0) {
            s.seek(start);
            return false;
        }
        if ((s.current() | 0x20) == 'e' && !s.atEnd()) {
            const std::size_t mark = s.position();
            s.advance();
            if (s.current() == '+' || s.current() == '-')
                s.advance();
            if (separatedDigits(s, isDigit) == 0)
                s.seek(mark);
        }
    }
    if (s.current() == 'n' && !s.atEnd())
        s.advance();
    return true;
}

// After the opening "/": the body, which a class in brackets may hold "/" in, up to the
// closing "/" on the same line, then the flags. Without a closing "/" it is no literal.
bool jsRegex(TEdStream& s) {
    bool inClass = false;
    bool empty = true;
    std::size_t classStart = 0;
    const auto atLineEnd = [&s] { return s.atEnd() || s.current() == '\r' || s.current() == '\n'; };
    const auto fail = [&] {
        // A class left open to the line's end: a later literal that opens a class
        // after this one's "[" reads, in step with this one, the same rest of the line
        // without "]", so it fails too; "/[" repeated along a line tries each once.
        if (inClass)
            s.noteFailure(kJsRegex, classStart + 1, s.position());
        return false;
    };
    while (!atLineEnd()) {
        const int c = s.current();
        s.advance();
        if (c == '\\') {
            if (atLineEnd())
                return fail();
            s.advance();
        } else if (c == '[') {
            if (!inClass) {
                classStart = s.position() - 1;
                if (s.failureKnown(kJsRegex, classStart))
                    return false;
            }
            inClass = true;
        } else if (c == ']') {
            inClass = false;
        } else if (c == '/' && !inClass) {
            if (empty)
                return false;
            while (!s.atEnd() && isLetter(s.current()))
                s.advance();
            return true;
        }
        empty = false;
    }
    return fail();
}

// Never fails: an empty run is text too, between "`" or "}" and what follows.
bool jsTemplateText(TEdStream& s) {
    while (!s.atEnd()) {
        const int c = s.current();
        if (c == '`' || (c == '$' && s.charAt(s.position() + 1) == '{'))
            break;
        s.advance();
        if (c == '\\' && !s.atEnd())
            s.advance();
    }
    return true;
}

// Nesting is bounded: a literal deeper than that is one token, "${…}" included, so every
// character is read once however many literals are left open.
bool jsTemplateToEnd(TEdStream& s) {
    jsTemplateText(s);
    while (!s.atEnd() && s.current() != '`') {
        s.advance(); // the "$" of a "${", which the text stopped at
        jsTemplateText(s);
    }
    if (!s.atEnd())
        s.advance();
    return true;
}

bool dispatch(int id, TEdStream& s, std::size_t tokenStart) {
    switch (id) {
    case kPascalChar:
        return pascalChar(s);
    case kWebChar:
        return webChars(s);
    case kOriginalChar:
        return originalChars(s, tokenStart);
    case kStdIdentifier:
        return identifier(s);
    case kStdNumberOrFp:
        return numberOrFloat(s);
    case kStdPascalString:
        return pascalString(s, tokenStart);
    case kStdCString:
        return escapedString(s, tokenStart, '"');
    case kStdCChar:
        return escapedString(s, tokenStart, '\'');
    case kStdCNumberOrFpSigned:
        if ((s.current() == '+' || s.current() == '-') && !s.atEnd())
            s.advance();
        return numberOrFloat(s);
    case kStdNumber:
        return skipDigits(s) > 0;
    case kStdMailUrl:
        return mailAddress(s);
    case kStdHtmlString:
        return htmlString(s, tokenStart);
    case kJsIdentifier:
        return jsIdentifier(s);
    case kJsNumber:
        return jsNumber(s);
    case kJsRegex:
        return jsRegex(s);
    case kJsTemplateText:
        return jsTemplateText(s);
    case kJsTemplateToEnd:
        return jsTemplateToEnd(s);
    default:
        return false;
    }
}

} // namespace

bool RunStandardHandler(int id, TEdStream& stream, std::size_t tokenStart) {
    const std::size_t start = stream.position();
    if (dispatch(id, stream, tokenStart))
        return true;
    stream.seek(start);
    return false;
}

} // namespace velloran
